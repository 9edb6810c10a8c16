// Raster to points: every cell of a raster's first band that has a value becomes a point at the
// cell's centre in a new point shapefile, with the cell's value. Plain GDAL/OGR over paths; the
// host's conversion operator wraps it.
#pragma once

#include <string>

namespace velk::host::analysis {

struct RasterPointsOptions {
  const char* idField = "POINTID";      // 1, 2, ... in row order
  const char* valueField = "GRID_CODE";  // the cell's value
  bool integerValues = false;            // the value field holds whole numbers
};

struct RasterPointsResult {
  std::string error;       // empty on success
  long long points = 0;    // points written
};

// Written under a temporary name and put in place when complete: on failure nothing is left
// at shapefilePath. The points carry the raster's spatial reference.
RasterPointsResult RasterToPoints(const std::string& rasterPath, const std::string& shapefilePath,
                                  const RasterPointsOptions& options = {});

}  // namespace velk::host::analysis
