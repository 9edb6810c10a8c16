#include "platform/host/display/globe_display.h"

#include <algorithm>
#include <cmath>

#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"

namespace velk::host {

HRESULT GlobeDisplay::RefreshViewers() {
  ++refreshes_;
  return S_OK;
}

namespace {

class GlobeLayerProperties : public ComObjectRoot<GlobeLayerProperties, IGlobeLayerProperties> {
 public:
  HRESULT get_Lighting(VARIANT_BOOL* on) override {
    if (!on) return E_POINTER;
    *on = lighting_;
    return S_OK;
  }
  HRESULT put_Lighting(VARIANT_BOOL on) override {
    lighting_ = on ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

 private:
  VARIANT_BOOL lighting_ = VARIANT_TRUE;
};

}  // namespace

GlobeDisplay::LayerEntry& GlobeDisplay::EntryOf(ILayer* layer) {
  for (LayerEntry& e : layers_)
    if (e.layer.get() == layer) return e;
  layers_.push_back({ComPtr<ILayer>(layer), MakeObjectPtr<GlobeLayerProperties, IGlobeLayerProperties>(), 0});
  return layers_.back();
}

HRESULT GlobeDisplay::get_LayerProperties(ILayer* layer, IGlobeLayerProperties** properties) {
  if (!layer || !properties) return E_POINTER;
  return EntryOf(layer).properties.CopyTo(properties);
}

HRESULT GlobeDisplay::RefreshLayer(ILayer* layer) {
  if (!layer) return E_POINTER;
  ++EntryOf(layer).refreshes;
  return S_OK;
}

HRESULT GlobeDisplay::get_LayerRefreshCount(ILayer* layer, LONG* count) {
  if (!layer || !count) return E_POINTER;
  *count = 0;
  for (const LayerEntry& e : layers_)
    if (e.layer.get() == layer) *count = e.refreshes;
  return S_OK;
}

HRESULT GlobeDisplay::get_RefreshCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = refreshes_;
  return S_OK;
}

HRESULT GlobeDisplay::get_DeviceFrame(RECT* frame) {
  if (!frame) return E_POINTER;
  *frame = frame_;
  return S_OK;
}

HRESULT GlobeDisplay::put_DeviceFrame(RECT frame) {
  if (frame.right <= frame.left || frame.bottom <= frame.top) return E_INVALIDARG;
  frame_ = frame;
  return S_OK;
}

double GlobeDegreesPerPixel(double distanceKm) {
  constexpr double kKmPerDegree = kGlobeRadiusKm * 3.14159265358979323846 / 180.0;
  return std::max(distanceKm, kMinViewDistanceKm) * kPixelAngle / kKmPerDegree;
}

HRESULT GlobeDisplay::Locate(LONG x, LONG y, IPoint** hit) {
  if (!hit) return E_POINTER;
  *hit = nullptr;
  if (x < frame_.left || x >= frame_.right || y < frame_.top || y >= frame_.bottom) return S_FALSE;
  if (!viewer_) return S_FALSE;
  ComPtr<ICamera> camera;
  viewer_->get_Camera(camera.put());
  auto globeCamera = QueryAs<IGlobeCamera>(camera.get());
  if (!globeCamera) return S_FALSE;
  double oLat = 0, oLon = 0, oAlt = 0, tLat = 0, tLon = 0, tAlt = 0;
  if (FAILED(globeCamera->GetObserverLatLonAlt(&oLat, &oLon, &oAlt)) ||
      FAILED(globeCamera->GetTargetLatLonAlt(&tLat, &tLon, &tAlt)))
    return S_FALSE;
  double step = GlobeDegreesPerPixel(GlobeDistanceKm(oLat, oLon, oAlt, tLat, tLon, tAlt));
  double cx = (frame_.left + frame_.right) / 2.0, cy = (frame_.top + frame_.bottom) / 2.0;
  double lat = tLat + (cy - y) * step;
  double lon = tLon + (x - cx) * step;
  if (!(lat >= -90.0 && lat <= 90.0)) return S_FALSE;  // beyond a pole: off the globe
  lon = std::remainder(lon, 360.0);
  VELK_TRY
  auto point = NewPoint(lon, lat);
  point->put_Z(0.0);
  point->put_ZAware(VARIANT_TRUE);
  *hit = point.Detach();
  return S_OK;
  VELK_CATCH
}

}  // namespace velk::host
