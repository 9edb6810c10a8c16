// Files of a visibility analysis: the count raster the engine's result becomes, and the polygons
// of equal count made from it. Plain GDAL/OGR over paths; the host's analysis objects wrap them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velk::host::analysis {

// Placement of a grid: GDAL's geotransform (upper-left x, cell width, 0, upper-left y, 0,
// -cell height) and the spatial reference as WKT (may be empty).
struct GridPlacement {
  std::array<double, 6> geoTransform{0, 1, 0, 0, 0, -1};
  std::string wkt;
};

// No-data value of a count raster.
inline constexpr std::int32_t kCountNoData = -1;

// Writes counts (row-major, kVoidCount on voids) as a one-band Int32 GeoTIFF with no-data
// kCountNoData. The file appears complete or not at all: it is written under a temporary name
// and renamed. Empty on success, else the reason.
std::string WriteCountRaster(const std::string& path, const std::vector<std::uint16_t>& counts,
                             int columns, int rows, const GridPlacement& placement);

// Connected areas of equal count of a count raster as a polygon shapefile with the integer
// field "GRIDCODE" (8-connected, no-data cells left out). On failure no part of the shapefile
// is left behind. Empty on success, else the reason.
std::string PolygonizeCountRaster(const std::string& rasterPath, const std::string& shapefilePath);

}  // namespace velk::host::analysis
