#include "platform/host/display/page_layout.h"

namespace velk::host {

HRESULT PageLayout::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = AllocBstr(L"Layout");
  return S_OK;
}

HRESULT PageLayout::put_FocusMap(IMap* map) {
  map_ = map;
  return S_OK;
}

HRESULT PageLayout::Refresh() {
  ++refreshes_;
  return S_OK;
}

}  // namespace velk::host
