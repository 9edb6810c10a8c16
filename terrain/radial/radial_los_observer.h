// One observer of the radial line of sight as the dialog keeps it: its picked location, the
// heights and ranges the user entered, and the two preview graphics on the map. A value type:
// copies share the host objects.
#pragma once

#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::corvane {

struct RadialLosObserver {
  double latitude = 0.0;   // degrees, WGS 1984
  double longitude = 0.0;  // degrees, WGS 1984
  double centreOffset = 2.0;   // metres above the surface
  double terrainOffset = 0.0;  // metres added to every target
  double distanceNear = 0.0;   // kilometres
  double distanceFar = 10.0;   // kilometres
  double azimuthFrom = 0.0;    // degrees clockwise from north
  double azimuthTo = 360.0;
  double elevationFrom = -90.0;  // vertical angles, degrees
  double elevationTo = 90.0;
  double observerElevation = 0.0;  // metres; used only with "Observer Elevation:" checked

  ComPtr<IElement> markerElement;
  ComPtr<IElement> extentElement;
  // Not-on-the-map marks of the two elements (true until added to the map's graphics).
  bool markerOff = true;
  bool extentOff = true;
  ComPtr<IPoint> location;  // in `projection`; null until a point is picked
  ComPtr<IPolygon> extent;  // the range polygon last built
  ComPtr<ISpatialReference> projection;  // azimuthal equidistant, centred on the point
};

// Gives the observer its projection (azimuthal equidistant, centred on the point) and its
// location: the point, in WGS 84 degrees, projected into that system. The latitude and
// longitude fields are left alone (the dialog reads them from its edits).
void PlaceObserver(RadialLosObserver& observer, double longitude, double latitude);

// The host's geographic system WGS 1984 (factory code 4326).
ComPtr<ISpatialReference> MakeWgs84();

}  // namespace velk::corvane
