#include "framework/command_impl.h"

namespace velk::corvane {

HRESULT LoadTextInto(UINT id, BSTR* out) {
  if (!out) return E_POINTER;
  *out = AllocBstr(LoadResString(id));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT LoadCommandNameInto(UINT captionId, BSTR* out) {
  if (!out) return E_POINTER;
  std::wstring product;
  res::ResourceModule* m = ResourceInstance();
  std::wstring name;
  if (m && m->LoadString(kProductNameId, product)) name = product + LoadResString(captionId);
  *out = AllocBstr(name);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT BaseEnabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  if (IsZelExtensionEnabled()) *enabled = VARIANT_TRUE;
  return S_OK;
  VELK_CATCH
}

HWND GetTopLevelOwnerWindow(HWND window) {
  // The window layer's parent and owner relations join here once windows have them; a
  // control dialog is a pop-up without parent or owner, so it is its own top-level window.
  return window;
}

}  // namespace velk::corvane
