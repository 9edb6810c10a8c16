// Clipping a region out of a set of rasters: a mosaic of the sources (a VRT of them, the finest
// cell size winning) warped through GDAL's warper onto a grid over the region in the system
// asked for, saved as a GeoTIFF. Plain data in, a written file or a reason out.
#pragma once

#include <string>
#include <vector>

namespace velk::host::analysis {

struct RasterClipOptions {
  // Bilinear interpolation into 32-bit floats (elevations); else nearest neighbour in the
  // sources' own cell type (chart colours, palette indexes, categories).
  bool bilinear = true;
};

struct RasterClipRequest {
  std::vector<std::string> sources;  // raster files
  std::string targetWkt;             // system of the grid; empty: the first source's
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;  // the region, in the grid's system
  RasterClipOptions options;
};

// Writes the clip to outPath, whole or not at all; an existing file is never replaced. The
// grid covers the region exactly; its cell count is the warper's choice for the sources'
// resolution. Returns an empty string on success, else the reason: no sources, an empty
// region, a source that cannot be read, a system that cannot be used, a write that failed.
std::string ClipRasters(const RasterClipRequest& request, const std::string& outPath);

}  // namespace velk::host::analysis
