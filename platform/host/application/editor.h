// The host's editor: the extension "Velk Object Editor" through which a user adds and changes
// features of a target layer. Edits go into the target layer's data as each feature is stored;
// operations group them and are counted with their names.
#pragma once

#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/host/shell/extension_manager.h"

struct IFeatureLayer;

inline constexpr const wchar_t* kEditorExtensionName = L"Velk Object Editor";

// Edit states.
constexpr LONG kEditStateNotEditing = 0;
constexpr LONG kEditStateEditing = 1;

struct IEditor : IUnknown {
  VELK_INTERFACE_ID("{E1ABFD25-0275-40F5-BFC3-3C0650CBA803}")
  virtual HRESULT get_EditState(LONG* state) = 0;
  // Starts editing with the feature layer as the target (E_INVALIDARG for none or a layer
  // without a feature class; E_UNEXPECTED while editing).
  virtual HRESULT StartEditing(IFeatureLayer* target) = 0;
  // Ends editing (an open operation is aborted).
  virtual HRESULT StopEditing() = 0;
  // E_UNEXPECTED when not editing or an operation is open already.
  virtual HRESULT StartOperation() = 0;
  // Ends the open operation under the name; E_UNEXPECTED when none is open.
  virtual HRESULT StopOperation(BSTR name) = 0;
  virtual HRESULT AbortOperation() = 0;
};

struct IEditLayers : IUnknown {
  VELK_INTERFACE_ID("{FE5223F6-9FF5-492A-8929-FD4DC4196D81}")
  // The target layer while editing, else null.
  virtual HRESULT get_CurrentLayer(IFeatureLayer** layer) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_Editor = MakeGuid("{D15E5722-F0F9-49EF-A314-B6554A38D28B}");

// A new editor extension, not editing.
ComPtr<IExtension> MakeEditor();

// The names of the operations the editor stopped, in order (for sessions and tests).
std::vector<std::wstring> EditorOperations(IUnknown* editor);

}  // namespace velk::host
