// Constructions and operators over host geometry: a point at an angle and distance from
// another, the union of two geometries, and densifying a polyline or polygon.
#pragma once

#include "platform/host/geometry/geometry.h"

// Answered by points.
struct IConstructPoint : IUnknown {
  VELK_INTERFACE_ID("{3E8C1A57-0B2D-4F69-A4C3-91D7E5F20B8A}")
  // This point becomes the one at distance from `from` in the direction angle (radians,
  // counter-clockwise from the x axis), planar in the coordinates' units, with from's spatial
  // reference and height. E_POINTER for no point, E_INVALIDARG for an empty one or a value
  // that is not finite.
  virtual HRESULT ConstructAngleDistance(IPoint* from, double angle, double distance) = 0;
};

// Answered by multipoints, polylines and polygons.
struct ITopologicalOperator : IUnknown {
  VELK_INTERFACE_ID("{A5F0D3B9-7C12-4E86-B3A1-2C9E4D7F6015}")
  // A new geometry of this one's kind holding both (the other projected into this one's spatial
  // reference first). Polylines: the parts of both, a part that starts or ends where the one
  // before it ends joined to it (turned round when needed), so a line cut into pieces comes
  // back as one path. E_INVALIDARG for another kind.
  virtual HRESULT Union(IGeometry* other, IGeometry** result) = 0;
};

// Answered by polylines and polygons.
struct IDensify : IUnknown {
  VELK_INTERFACE_ID("{D8B47E2C-16A9-4F3D-8E05-7B3C9A1F4E62}")
  // Inserts vertices so that no segment is longer than maxSegmentLength, evenly along each
  // longer segment (heights and measures interpolated); the segments are straight, so
  // maxDeviation changes nothing. E_INVALIDARG for a length that is not above 0 or finite.
  virtual HRESULT Densify(double maxSegmentLength, double maxDeviation) = 0;
};

namespace velk::host {

struct GeomData;

// The coordinate work behind the interfaces, on a geometry's data.
HRESULT ConstructAngleDistanceData(GeomData& self, IPoint* from, double angle, double distance);
HRESULT UnionData(const GeomData& self, IGeometry* other, IGeometry** result);
HRESULT DensifyData(GeomData& self, double maxSegmentLength);

}  // namespace velk::host
