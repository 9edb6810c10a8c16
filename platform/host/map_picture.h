// The map display's picture: a map's current view drawn for real into a PNG file. Raster layers
// (single rasters and raster catalogs: the rows in view, through a VRT of their rasters) are
// warped through GDAL to the view's resolution; feature layers are drawn with their renderer's
// symbols (cairo_symbols.h); group layers draw their members. Layers draw bottom first; hidden
// layers do not draw. Each draw counts what it did, for tests and benchmarks.
#pragma once

#include <string>

#include "platform/com/object.h"

struct IMap;
struct ISpatialReference;

namespace velk::host {

struct DrawCounters {
  long searches = 0;         // spatial queries of tables
  long frameOpens = 0;       // raster files opened
  long statisticsReads = 0;  // raster statistics read from files (catalog statistics are free)
  long rastersDrawn = 0;     // catalog rows (or single rasters) drawn
  long featuresDrawn = 0;
};

// What the picture shows: the visible bounds in map units, the picture's size in pixels, and
// the map's spatial reference (null: the data's own coordinates).
struct PictureView {
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  int width = 1000;
  int height = 800;
  ComPtr<ISpatialReference> sr;
};

// Draws the map and writes the PNG (written beside and renamed into place, so a failed draw
// leaves no picture). E_INVALIDARG for an empty view or size; E_FAIL when the file cannot be
// written.
HRESULT SaveMapPicture(IMap* map, const PictureView& view, const std::string& path,
                       DrawCounters* counters = nullptr);

// Colour of a value on the elevation ramp stretched from low to high, 0x00BBGGRR.
LONG ElevationRampColour(double value, double low, double high);

}  // namespace velk::host
