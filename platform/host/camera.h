// The camera of a globe viewer: where the observer stands, as a point or as latitude,
// longitude and altitude.
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
};

struct IGlobeCamera : IUnknown {
  VELK_INTERFACE_ID("{E777283F-E646-4565-AFE1-2A89BF8AC945}")
  virtual HRESULT GetObserverLatLonAlt(double* latitude, double* longitude, double* altitude) = 0;
  // Latitude in [-90, 90], longitude in [-180, 180], altitude 0 or more; E_INVALIDARG
  // otherwise, and nothing changes.
  virtual HRESULT SetObserverLatLonAlt(double latitude, double longitude, double altitude) = 0;
};

namespace velk::host {

// Where a new camera's observer stands: above latitude 0, longitude 0, far enough to see the
// whole globe.
inline constexpr double kDefaultObserverAltitude = 20000.0;

ComPtr<ICamera> NewGlobeCamera();

}  // namespace velk::host
