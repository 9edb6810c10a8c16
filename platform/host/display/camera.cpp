#include "platform/host/display/camera.h"

#include <cmath>

#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"

namespace velk::host {
namespace {

bool InRange(double lat, double lon, double alt) {
  return std::isfinite(lat) && std::isfinite(lon) && std::isfinite(alt) && lat >= -90 &&
         lat <= 90 && lon >= -180 && lon <= 180 && alt >= 0;
}

struct Place {
  double lat = 0, lon = 0, alt = 0;
};

HRESULT PlaceToPoint(const Place& place, IPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  VELK_TRY
  auto p = NewPoint(place.lon, place.lat);
  p->put_Z(place.alt);
  p->put_ZAware(VARIANT_TRUE);
  *point = p.Detach();
  return S_OK;
  VELK_CATCH
}

HRESULT SetPlace(Place& place, double lat, double lon, double alt) {
  if (!InRange(lat, lon, alt)) return E_INVALIDARG;
  place = Place{lat, lon, alt};
  return S_OK;
}

HRESULT SetPlaceFromPoint(Place& place, IPoint* point) {
  if (!point) return E_POINTER;
  double x = 0, y = 0, z = 0;
  if (FAILED(point->QueryCoords(&x, &y)) || FAILED(point->get_Z(&z))) return E_INVALIDARG;
  return SetPlace(place, y, x, z);
}

HRESULT GetPlace(const Place& place, double* lat, double* lon, double* alt) {
  if (!lat || !lon || !alt) return E_POINTER;
  *lat = place.lat;
  *lon = place.lon;
  *alt = place.alt;
  return S_OK;
}

class GlobeCamera : public ComObjectRoot<GlobeCamera, ICamera, IGlobeCamera> {
 public:
  HRESULT get_Observer(IPoint** observer) override { return PlaceToPoint(observer_, observer); }
  HRESULT put_Observer(IPoint* observer) override { return SetPlaceFromPoint(observer_, observer); }
  HRESULT get_Target(IPoint** target) override { return PlaceToPoint(target_, target); }
  HRESULT put_Target(IPoint* target) override { return SetPlaceFromPoint(target_, target); }
  HRESULT GetObserverLatLonAlt(double* latitude, double* longitude, double* altitude) override {
    return GetPlace(observer_, latitude, longitude, altitude);
  }
  HRESULT SetObserverLatLonAlt(double latitude, double longitude, double altitude) override {
    return SetPlace(observer_, latitude, longitude, altitude);
  }
  HRESULT GetTargetLatLonAlt(double* latitude, double* longitude, double* altitude) override {
    return GetPlace(target_, latitude, longitude, altitude);
  }
  HRESULT SetTargetLatLonAlt(double latitude, double longitude, double altitude) override {
    return SetPlace(target_, latitude, longitude, altitude);
  }

 private:
  Place observer_{0, 0, kDefaultObserverAltitude};
  Place target_{0, 0, 0};
};

}  // namespace

double GlobeDistanceKm(double lat1, double lon1, double alt1, double lat2, double lon2,
                       double alt2) {
  constexpr double kRad = 3.14159265358979323846 / 180.0;
  auto cartesian = [&](double lat, double lon, double alt, double* xyz) {
    double r = kGlobeRadiusKm + alt;
    xyz[0] = r * std::cos(lat * kRad) * std::cos(lon * kRad);
    xyz[1] = r * std::cos(lat * kRad) * std::sin(lon * kRad);
    xyz[2] = r * std::sin(lat * kRad);
  };
  double a[3], b[3];
  cartesian(lat1, lon1, alt1, a);
  cartesian(lat2, lon2, alt2, b);
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

ComPtr<ICamera> NewGlobeCamera() { return MakeObjectPtr<GlobeCamera, ICamera>(); }

}  // namespace velk::host
