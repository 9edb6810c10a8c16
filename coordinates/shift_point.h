// Bringing a map location into WGS 84 and back: the module-wide WGS 84 geographic system, and
// the three-parameter shift between a map's datum and WGS 84 that the datum table gives for the
// map's geographic coordinate system.
#pragma once

#include "platform/com/unknown.h"
#include "platform/host/geometry.h"
#include "platform/host/spatial_reference.h"

namespace velk::corvane {

// The host's WGS 84 geographic system (factory code 4326), made once through the host's
// spatial-reference factory (created by class identifier) and kept until
// ReleaseWgs84CoordinateSystem. Empty when the host cannot make it; a later call tries again.
ComPtr<IGeographicCoordinateSystem> GetWgs84CoordinateSystem();
// Drops the kept system (module unload; tests).
void ReleaseWgs84CoordinateSystem();

// Shifts the geometry's coordinates in place between the map's datum and WGS 84: toWgs84 true
// from the datum of mapReference to WGS 84, false back. The coordinates are longitude (x) and
// latitude (y) in degrees on that datum; mapReference is the geographic system they are given
// in. The row of the datum table for its factory code (LookUpDatumRow) gives the shift, applied
// with the coordinate engine's standard Molodensky formulas on the engine's ellipsoid for that
// datum, so that a map point shifted here and the same datum chosen in the coordinate tool
// agree.
// Points, envelopes (both corners) and multipoints, polylines and polygons (every vertex) are
// shifted; an empty geometry stays as it is. The geometry's spatial reference is not changed.
// False, with the geometry unchanged, for a null reference or geometry, a reference that is not
// a geographic system, a geographic system whose factory code is not in the datum table (0
// included: a system made from text), another kind of geometry, or a coordinate that is not a
// finite longitude with a latitude in [-90, 90].
bool ShiftPointToWgs84(bool toWgs84, ISpatialReference* mapReference, IGeometry* geometry);

}  // namespace velk::corvane
