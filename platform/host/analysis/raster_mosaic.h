// One raster from several: the rasters' first bands side by side (later ones over earlier ones
// where they overlap), cut to an area when one is given, written as a GeoTIFF. Plain GDAL over
// paths; the host's raster collection wraps it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velk::host::analysis {

struct MosaicBounds {
  double xmin, ymin, xmax, ymax;  // in the rasters' spatial reference
};

struct MosaicOptions {
  std::optional<MosaicBounds> bounds;  // none: the union of the rasters
};

// The file appears complete or not at all. Empty on success, else the reason.
std::string MosaicRasters(const std::vector<std::string>& rasters, const std::string& output,
                          const MosaicOptions& options = {});

}  // namespace velk::host::analysis
