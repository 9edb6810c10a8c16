// One raster from several: the rasters side by side on their own grid (later ones over earlier
// ones where they overlap), cut to an area when one is given, written as a GeoTIFF or as a
// raster table of a GeoPackage. Plain GDAL over paths; the host's raster collection wraps it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velk::host::analysis {

struct MosaicBounds {
  double xmin, ymin, xmax, ymax;  // in the rasters' spatial reference
};

// How a GeoPackage raster is stored: tiles, their compression and the overview levels.
struct RasterStorage {
  int tileWidth = 256;
  int tileHeight = 256;
  int resampling = 0;   // of the overviews: 0 nearest, 1 bilinear, 2 cubic
  int compression = 1;  // 0 none (the format's lossless default), 1 LZ77 (PNG), 2 JPEG
  int pyramidLevel = -1;  // -1: halve until a level fits one tile; 0: none; n: n levels
  int quality = 75;     // JPEG quality, 1 to 100
};

struct MosaicOptions {
  std::optional<MosaicBounds> bounds;  // none: the union of the rasters
  // Only the first band of each raster (elevations); else every band, and all rasters must
  // have the same bands and cell types.
  bool firstBandOnly = true;
  // GDAL's short name of the output: "GTiff", "HFA", "PNG", "BMP", or "GPKG" (a raster table
  // named `table` in the GeoPackage at the output path, which may hold other datasets).
  std::string format = "GTiff";
  std::string table;
  RasterStorage storage;  // GPKG only
  // An existing output is replaced only by a finished one; without it an existing output fails.
  bool replace = false;
  // Called with the share done (0 to 1); false stops the run, which then leaves nothing.
  std::function<bool(double)> progress;
};

// The output appears complete or not at all: a file is written under a working name and
// renamed, a GeoPackage table written under a working name and renamed in one transaction.
// Rasters with one palette each stay paletted when the palettes agree and are expanded to RGB
// when they differ. Empty on success, else the reason.
std::string MosaicRasters(const std::vector<std::string>& rasters, const std::string& output,
                          const MosaicOptions& options = {});

// Whether the GeoPackage holds a raster table of the name (letter case ignored).
bool GeoPackageHasRaster(const std::string& database, const std::string& table);
// Removes a raster table and its entries from the GeoPackage's catalog tables. Empty on
// success (also when there was no such table), else the reason.
std::string DeleteGeoPackageRaster(const std::string& database, const std::string& table);

}  // namespace velk::host::analysis
