#include "platform/host/globe_display.h"

namespace velk::host {

HRESULT GlobeDisplay::RefreshViewers() {
  ++refreshes_;
  return S_OK;
}

HRESULT GlobeDisplay::get_RefreshCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = refreshes_;
  return S_OK;
}

}  // namespace velk::host
