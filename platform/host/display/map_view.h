// The host's map-view control: shows one map (its active view) in a window of its own.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/map.h"
#include "platform/host/display/view_hooks.h"

namespace velk::host {

class MapView : public ComObjectRoot<MapView, IMapViewHook> {
 public:
  void Init(IMap* map, HWND window) {
    map_ = map;
    window_ = window;
  }
  HRESULT get_Map(IMap** map) override { return map_.CopyTo(map); }
  HRESULT get_ActiveView(IActiveView** view) override;
  HRESULT get_hWnd(HWND* window) override;

 private:
  ComPtr<IMap> map_;
  HWND window_ = nullptr;
};

// A map-view control showing the given map (a new map when null).
ComPtr<IMapViewHook> MakeMapView(IMap* map, HWND window);

}  // namespace velk::host
