#include "platform/host/camera.h"

#include <cmath>

#include "platform/host/geometry.h"
#include "platform/host/geometry_objects.h"

namespace velk::host {
namespace {

bool InRange(double lat, double lon, double alt) {
  return std::isfinite(lat) && std::isfinite(lon) && std::isfinite(alt) && lat >= -90 && lat <= 90 &&
         lon >= -180 && lon <= 180 && alt >= 0;
}

class GlobeCamera : public ComObjectRoot<GlobeCamera, ICamera, IGlobeCamera> {
 public:
  HRESULT get_Observer(IPoint** observer) override {
    if (!observer) return E_POINTER;
    *observer = nullptr;
    VELK_TRY
    auto p = NewPoint(lon_, lat_);
    p->put_Z(alt_);
    p->put_ZAware(VARIANT_TRUE);
    *observer = p.Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT put_Observer(IPoint* observer) override {
    if (!observer) return E_POINTER;
    double x = 0, y = 0, z = 0;
    if (FAILED(observer->QueryCoords(&x, &y)) || FAILED(observer->get_Z(&z))) return E_INVALIDARG;
    return SetObserverLatLonAlt(y, x, z);
  }
  HRESULT GetObserverLatLonAlt(double* latitude, double* longitude, double* altitude) override {
    if (!latitude || !longitude || !altitude) return E_POINTER;
    *latitude = lat_;
    *longitude = lon_;
    *altitude = alt_;
    return S_OK;
  }
  HRESULT SetObserverLatLonAlt(double latitude, double longitude, double altitude) override {
    if (!InRange(latitude, longitude, altitude)) return E_INVALIDARG;
    lat_ = latitude;
    lon_ = longitude;
    alt_ = altitude;
    return S_OK;
  }

 private:
  double lat_ = 0, lon_ = 0, alt_ = kDefaultObserverAltitude;
};

}  // namespace

ComPtr<ICamera> NewGlobeCamera() { return MakeObjectPtr<GlobeCamera, ICamera>(); }

}  // namespace velk::host
