// Preparing a surface for a visibility analysis: a source raster resampled through GDAL's
// warper into an azimuthal equidistant grid around the analysis area, saved as a "GRID" raster.
#pragma once

#include <string>

namespace velk::host::analysis {

// The file of the "GRID" raster `name` in `folder` (the host's GRID save: a GeoTIFF).
std::string GridRasterPath(const std::string& folder, const std::string& name);

// The analysis area in WGS 84 degrees and the centre of the projection.
struct ResampleRequest {
  std::string sourcePath;
  double west = 0, south = 0, east = 0, north = 0;
  double centreLongitude = 0, centreLatitude = 0;
};

struct ResampleResult {
  std::string error;  // empty on success
  int columns = 0;
  int rows = 0;
};

// Cells of the prepared grid: the source's cells over the part of its extent the area covers,
// both measured in the source's own units (half a cell or more counts as a whole one).
int ScaledCellCount(int sourceCells, double areaSize, double sourceSize);

// Warps the source over the area into the azimuthal equidistant system centred on the
// request's centre and saves it at outPath (GeoTIFF, Float32, no-data kept), whole or not at
// all. A source without a spatial reference, an area it does not cover and a result of less
// than two cells each way are refused with a reason.
ResampleResult ResampleToAzimuthalEquidistant(const ResampleRequest& request,
                                              const std::string& outPath);

}  // namespace velk::host::analysis
