// The map display's picture: a map's current view drawn for real into a PNG file. Raster layers
// (single rasters and raster catalogs: the rows in view, through a VRT of their rasters) are
// warped through GDAL to the view's resolution; feature layers are drawn with their renderer's
// symbols (cairo_symbols.h); group layers draw their members. Layers draw bottom first; hidden
// layers do not draw. Each draw counts what it did, for tests and benchmarks.
#pragma once

#include <string>

#include "platform/com/object.h"
#include "platform/host/data/track_cancel.h"

struct IDisplay;
struct IFeatureClass;
struct IFeatureRenderer;
struct IMap;
struct IRasterCatalogLayer;
struct ISpatialReference;
struct ITrackCancel;

namespace velk::host {

struct DrawCounters {
  long searches = 0;         // spatial queries of tables
  long frameOpens = 0;       // raster files opened
  long statisticsReads = 0;  // raster statistics read from files (catalog statistics are free)
  long rastersDrawn = 0;     // catalog rows (or single rasters) drawn
  long featuresDrawn = 0;
};

// What the picture shows: the visible bounds in map units, the picture's size in pixels, the
// map's spatial reference (null: the data's own coordinates) and the map scale the layers are
// told (0: the scale of the bounds on a screen of 96 pixels per inch), and the cancel tracker
// handed to every layer's Draw (null: none).
struct PictureView {
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  int width = 1000;
  int height = 800;
  ComPtr<ISpatialReference> sr;
  double scale = 0;
  ComPtr<ITrackCancel> cancel;
};

// Draws the map and writes the PNG (written beside and renamed into place, so a failed draw
// leaves no picture). E_INVALIDARG for an empty view or size; E_FAIL when the file cannot be
// written.
HRESULT SaveMapPicture(IMap* map, const PictureView& view, const std::string& path,
                       DrawCounters* counters = nullptr);

// Drawing of the host's own layer kinds onto the display a picture hands to each layer's Draw
// (ILayerDraw); on any other display they draw nothing and return S_OK.
// Features of the class (those the where clause selects, in view), with the renderer's symbols.
HRESULT DrawFeaturesOnDisplay(IDisplay* display, IFeatureClass* features,
                              IFeatureRenderer* renderer, const std::wstring& where,
                              ITrackCancel* cancel);
// The rasters of the catalog rows in view that the where clause selects.
HRESULT DrawRasterCatalogOnDisplay(IDisplay* display, IRasterCatalogLayer* layer,
                                   const std::wstring& where);
// One raster file; resampling 0 nearest, 1 bilinear, 2 cubic.
HRESULT DrawRasterFileOnDisplay(IDisplay* display, const std::wstring& path, LONG resampling);

// The scale denominator of a view of that width in pixels on a 96-dpi screen (map units in
// metres, or degrees on the sphere of the WGS 84 semi-major axis).
double PictureScale(const PictureView& view);

// Colour of a value on the elevation ramp stretched from low to high, 0x00BBGGRR.
LONG ElevationRampColour(double value, double low, double high);

}  // namespace velk::host
