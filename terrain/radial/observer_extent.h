// The range polygon of a radial line-of-sight observer: the ring sector (or disc with a hole)
// between its near and far distance over its azimuth range, in the observer's azimuthal
// equidistant system (metres around the observer). Also the azimuth normalisation the dialog
// applies before a run.
#pragma once

#include <vector>

#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::corvane {

// Both azimuths into (0, 360]: 0/0 becomes 0/360; a value that is a non-zero multiple of 360
// becomes 360; negative values get 360 added. 720 -> 360, -90 -> 270, 450 -> 90, -360 -> 360.
void NormaliseAzimuths(double& azimuthFrom, double& azimuthTo);

struct ExtentVertex {
  double x = 0, y = 0;
};

// The rings of the range polygon around (0, 0), kilometres in, metres out; empty when the
// far distance is negative or not beyond the near one. A full circle gives the outer ring of
// 300 points and, for a near distance above 0, a hole of 150 points; a sector one ring of the
// outer arc (300 points, clockwise from the sector's end towards its start) and the inner arc
// (150 points) back.
std::vector<std::vector<ExtentVertex>> ObserverExtentRings(double distanceNear, double distanceFar,
                                                           double azimuthFrom, double azimuthTo);

// The range polygon around the location, in the location's spatial reference; null when the
// ranges give none or there is no location.
ComPtr<IPolygon> BuildObserverExtent(IPoint* location, double distanceNear, double distanceFar,
                                     double azimuthFrom, double azimuthTo);

}  // namespace velk::corvane
