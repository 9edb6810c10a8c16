// Bringing a map location into WGS 84 and back: the module-wide WGS 84 geographic system, and
// the three-parameter shift between a map's datum and WGS 84 that the datum table gives for the
// map's geographic coordinate system.
#pragma once

#include "platform/com/unknown.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"

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
// in. The row of the datum table for its factory code (LookUpDatumRow) gives the shift dx, dy,
// dz, which the host's geocentric translation from mapReference to WGS 84 applies through the
// geometry's own transform operation (every vertex; both corners of an envelope). The
// geometry's spatial reference is not changed.
// False, with the geometry unchanged, for a null reference or geometry, a reference that is not
// a geographic system, a geographic system whose factory code is not in the datum table (0
// included: a system made from text), a geometry the host cannot transform, or a coordinate
// the host cannot transform.
bool ShiftPointToWgs84(bool toWgs84, ISpatialReference* mapReference, IGeometry* geometry);

}  // namespace velk::corvane
