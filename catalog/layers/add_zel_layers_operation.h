// The undoable operation that puts one catalog layer per picked catalog into the focus map or
// the globe: the host's operation stack runs Do and keeps it, so that Undo removes the layers
// it added and Redo adds new ones made from the same picks.
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/com/support_error_info.h"
#include "platform/host/shell/application.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/map.h"
#include "platform/host/display/operation_stack.h"
#include "platform/host/data/table.h"
#include "platform/productline/data_manager.h"

struct IAddZelLayersOperation : IUnknown {
  VELK_INTERFACE_ID("{463C0584-56D8-43F6-8E4D-CC19B22075C5}")
  // E_POINTER without application or picks, E_INVALIDARG without any map; else keeps the four
  // objects and the name object of every picked item, in pick order.
  virtual HRESULT SetParameters(IMap* focusMap, IBasicMap* basicFocusMap, IGlobe* globe,
                                IApplication* application, IEnumBrowseObject* picks) = 0;
};

namespace velk::corvane {

// What Do, Undo and Redo return when they cannot run.
inline constexpr HRESULT kOperationCannotRun = static_cast<HRESULT>(0x8000000A);
inline constexpr UINT kIdsAddZelLayersMenu = 3284;  // "Add Zel Layer(s)"

// The host's settings value that says whether new layers are visible.
inline constexpr const wchar_t* kLayerVisibilityKey =
    L"SOFTWARE\\Velk\\Desktop10.0\\Trevik\\Settings";
inline constexpr const wchar_t* kLayerVisibilityValue = L"LayerVisibility";
// Visible unless the value is a REG_DWORD of 0.
bool ReadLayerVisibilityDefault();

class AddZelLayersOperation
    : public ComObjectRoot<AddZelLayersOperation, IAddZelLayersOperation, IOperation,
                           ISupportErrorInfo> {
 public:
  HRESULT SetParameters(IMap* focusMap, IBasicMap* basicFocusMap, IGlobe* globe,
                        IApplication* application, IEnumBrowseObject* picks) override;

  HRESULT get_MenuString(BSTR* text) override;
  HRESULT get_CanUndo(VARIANT_BOOL* canUndo) override;
  HRESULT get_CanRedo(VARIANT_BOOL* canRedo) override;
  HRESULT Do() override;
  HRESULT Undo() override;
  HRESULT Redo() override;

  HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

  const std::vector<ComPtr<ILayer>>& AddedLayers() const { return added_; }
  std::size_t PickCount() const { return picks_.size(); }

 private:
  // The layer for one picked catalog; null when the pick adds nothing.
  ComPtr<ILayer> MakeLayer(IName* pick, IDataManager* manager, ComPtr<ITable>* catalog);
  void AddToMap(ILayer* layer, ITable* catalog, IDataManager* manager);
  void ApplySettings();
  void RemoveAdded();

  VARIANT_BOOL canRedo_ = VARIANT_FALSE;
  VARIANT_BOOL canUndo_ = VARIANT_FALSE;
  bool hasApplication_ = false;
  ComPtr<IBasicMap> basicFocusMap_;
  ComPtr<IMap> focusMap_;
  ComPtr<IGlobe> globe_;
  std::vector<ComPtr<IName>> picks_;
  std::vector<ComPtr<ILayer>> added_;
};

HRESULT CreateAddZelLayersOperation(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
