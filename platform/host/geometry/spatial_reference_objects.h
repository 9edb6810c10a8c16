// The host's spatial reference objects (geographic, projected, unknown) over GDAL's
// OGRSpatialReference (PROJ underneath), and the factory that makes them by code.
#pragma once

#include "platform/com/object.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::host {

class SpatialReferenceFactory
    : public ComObjectRoot<SpatialReferenceFactory, ISpatialReferenceFactory> {
 public:
  HRESULT CreateSpatialReference(LONG code, ISpatialReference** sr) override;
  HRESULT CreateGeographicCoordinateSystem(LONG code, IGeographicCoordinateSystem** gcs) override;
  HRESULT CreateProjectedCoordinateSystem(LONG code, IProjectedCoordinateSystem** pcs) override;
  HRESULT CreateFromWkt(BSTR wkt, ISpatialReference** sr) override;
  HRESULT CreateUnknownCoordinateSystem(ISpatialReference** sr) override;
};

}  // namespace velk::host
