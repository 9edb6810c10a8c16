// The coordinates behind every host geometry object, and the conversions to GDAL's geometry
// and through PROJ that the geometry, feature and relational code share. Platform-internal.
#pragma once

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"

class OGRGeometry;
class OGRSpatialReference;

namespace velk::host {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Vertex {
  double x = kNaN;
  double y = kNaN;
  double z = 0.0;
  double m = kNaN;
};

// One geometry's coordinates. A point is one part of one vertex (NaN x or y = empty); an
// envelope is one part of two vertices, the lower-left and the upper-right corner; multipoints,
// polylines and polygons hold their parts (paths, rings) in order.
struct GeomData {
  LONG type = kGeometryNull;
  std::vector<std::vector<Vertex>> parts;
  bool zAware = false;
  bool mAware = false;
  bool newPart = false;  // the next added vertex starts a part
  // Multipatch only: the kind of each part (kPatchTriangleStrip, kPatchTriangleFan).
  std::vector<LONG> partKinds;
  ComPtr<ISpatialReference> sr;

  static GeomData Empty(LONG type);
  bool IsEmpty() const;
  LONG VertexCount() const;
  // Extent as (xmin, ymin, xmax, ymax); false when empty.
  bool Extent(double& xmin, double& ymin, double& xmax, double& ymax) const;
  bool SameShape(const GeomData& o) const;
};

// Platform-internal access to a geometry object's coordinates.
struct IGeometryData : IUnknown {
  VELK_INTERFACE_ID("{67F287C4-ADFF-4B3C-90A2-DD47959A56A8}")
  virtual GeomData& Data() = 0;
};

// The coordinates of a host geometry object; null for an object this platform did not make.
GeomData* DataOf(IUnknown* geometry);

// A new geometry object of data.type holding data.
ComPtr<IGeometry> MakeGeometry(GeomData data);

// GDAL geometry of the coordinates (no spatial reference attached); null for empty data.
std::unique_ptr<OGRGeometry> ToOgr(const GeomData& data);
// Coordinates of a GDAL geometry; wantType picks the host kind when it is a collection kind
// the host keeps apart (kGeometryNull: taken from the geometry). False for kinds the host has no
// counterpart for.
bool FromOgr(const OGRGeometry& g, LONG wantType, GeomData& out);

// Projects data from its reference into target (see IGeometry::Project); E_FAIL leaves it as it
// was.
HRESULT ProjectData(GeomData& data, ISpatialReference* target);
// Transforms coordinates between two references, in place; false when a point fails.
bool TransformXY(ISpatialReference* from, ISpatialReference* to, std::vector<double>& x,
                 std::vector<double>& y);

}  // namespace velk::host
