// The line-of-sight and profile operations of a raster surface: the sight line's window of
// the band is read, placed on the grid and handed to the visibility model's sight line
// (analysis/sight_line.h); results come back as host geometries in the surface's system.
#pragma once

#include <optional>

#include "platform/com/variant.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"

class GDALRasterBand;

namespace velk::host {

// What the surface knows of its band.
struct SurfaceBand {
  GDALRasterBand* band = nullptr;
  int width = 0;
  int height = 0;
  const double* gt = nullptr;   // geotransform
  const double* inv = nullptr;  // its inverse
  ISpatialReference* sr = nullptr;
  std::optional<double> noData;
  double zFactor = 1.0;
};

// Whether the surface's system tells its ground units (metres or degrees), which curvature
// needs.
bool SurfaceKnowsGroundUnits(const SurfaceBand& surface);

// See ISurface::GetLineOfSight.
HRESULT SurfaceLineOfSight(const SurfaceBand& surface, IPoint* observer, IPoint* target,
                           IPoint** obstruction, IPolyline** visibleLines,
                           IPolyline** invisibleLines, VARIANT_BOOL* targetIsVisible,
                           VARIANT_BOOL applyCurvature, VARIANT_BOOL applyRefraction,
                           VARIANT* refractionFactor);

// See ISurface::InterpolateShape.
HRESULT SurfaceInterpolateShape(const SurfaceBand& surface, IGeometry* shape,
                                IGeometry** result, VARIANT* stepSize);

}  // namespace velk::host
