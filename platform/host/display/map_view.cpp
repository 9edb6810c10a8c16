#include "platform/host/display/map_view.h"

namespace velk::host {

HRESULT MapView::get_ActiveView(IActiveView** view) {
  if (!view) return E_POINTER;
  *view = nullptr;
  if (!map_) return S_OK;
  return map_->QueryInterface(IidOf<IActiveView>(), reinterpret_cast<void**>(view));
}

HRESULT MapView::get_hWnd(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}

ComPtr<IMapViewHook> MakeMapView(IMap* map, HWND window) {
  ComPtr<IMap> shown(map);
  if (!shown) shown = MakeObjectPtr<Map, IMap>();
  auto view = MakeObjectPtr<MapView, IMapViewHook>();
  static_cast<MapView*>(view.get())->Init(shown.get(), window);
  return view;
}

}  // namespace velk::host
