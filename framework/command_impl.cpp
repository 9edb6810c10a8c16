#include "framework/command_impl.h"

#include "platform/win/window.h"

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
  // Parent and owner chains end at a top-level window without owner; the bound only guards
  // against a chain that a broken window table might close into a ring.
  constexpr int kMaxSteps = 4096;
  HWND current = window;
  for (int step = 0; current && step < kMaxSteps; ++step) {
    bool child = (::GetWindowLongW(current, GWL_STYLE) & WS_CHILD) != 0;
    HWND next = child ? ::GetParent(current) : ::GetWindow(current, GW_OWNER);
    if (!next) break;
    current = next;
  }
  return current;
}

}  // namespace velk::corvane
