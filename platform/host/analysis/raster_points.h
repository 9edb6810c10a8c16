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
  long long maxPoints = 0;               // 0: as many as a shapefile holds
};

struct RasterPointsResult {
  std::string error;       // empty on success
  long long points = 0;    // points written
  bool tooMany = false;    // more cells with a value than maxPoints: nothing written
};

// The most points a point shapefile with these fields holds: its .shp and .dbf stay under 4 GB.
long long ShapefilePointCapacity(const RasterPointsOptions& options);

// Written under a temporary name and put in place when complete: on failure nothing is left
// at shapefilePath. The points carry the raster's spatial reference. The raster is read block
// by block; when more cells have a value than the limit, nothing is written at all.
RasterPointsResult RasterToPoints(const std::string& rasterPath, const std::string& shapefilePath,
                                  const RasterPointsOptions& options = {});

}  // namespace velk::host::analysis
