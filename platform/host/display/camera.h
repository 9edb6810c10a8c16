// The camera of a globe viewer: where the observer stands and the point it looks at, each as
// a point or as latitude, longitude and altitude.
#pragma once

#include "platform/com/object.h"

struct IPoint;

// Latitude and longitude in degrees, altitude in kilometres above the globe's surface.
struct ICamera : IUnknown {
  VELK_INTERFACE_ID("{39D88474-5C4C-40FB-B3DC-20BA44879014}")
  // A new point: x the longitude, y the latitude, z the altitude.
  virtual HRESULT get_Observer(IPoint** observer) = 0;
  // Takes x, y and z of the point; E_INVALIDARG (nothing changes) for an empty point or
  // values outside the ranges of SetObserverLatLonAlt.
  virtual HRESULT put_Observer(IPoint* observer) = 0;
  // The point looked at, in the same form and with the same ranges as the observer.
  virtual HRESULT get_Target(IPoint** target) = 0;
  virtual HRESULT put_Target(IPoint* target) = 0;
};

struct IGlobeCamera : IUnknown {
  VELK_INTERFACE_ID("{E777283F-E646-4565-AFE1-2A89BF8AC945}")
  virtual HRESULT GetObserverLatLonAlt(double* latitude, double* longitude, double* altitude) = 0;
  // Latitude in [-90, 90], longitude in [-180, 180], altitude 0 or more; E_INVALIDARG
  // otherwise, and nothing changes.
  virtual HRESULT SetObserverLatLonAlt(double latitude, double longitude, double altitude) = 0;
  virtual HRESULT GetTargetLatLonAlt(double* latitude, double* longitude, double* altitude) = 0;
  virtual HRESULT SetTargetLatLonAlt(double latitude, double longitude, double altitude) = 0;
};

namespace velk::host {

// Where a new camera's observer stands: above latitude 0, longitude 0, far enough to see the
// whole globe. Its target is the surface point below it (latitude 0, longitude 0, altitude 0).
inline constexpr double kDefaultObserverAltitude = 20000.0;

// The globe's radius in kilometres (the mean radius of the earth).
inline constexpr double kGlobeRadiusKm = 6371.0088;

// Straight-line distance in kilometres between two places given as latitude, longitude
// (degrees) and altitude above the surface (kilometres).
double GlobeDistanceKm(double lat1, double lon1, double alt1, double lat2, double lon2,
                       double alt2);

ComPtr<ICamera> NewGlobeCamera();

}  // namespace velk::host
