// Rasters read through GDAL (GeoTIFF, DTED, NITF and the rest): the dataset, the raster and its
// bands, band statistics, and surfaces that answer the elevation at a point.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

struct IEnvelope;
struct IPoint;
struct IGeometry;
struct IPolygon;
struct IPolyline;
struct ISpatialReference;
struct IRaster;
struct IRasterBand;
struct IRasterDataset;

// Pixel types.
constexpr LONG kPixelUnknown = -1;
constexpr LONG kPixelU8 = 3;
constexpr LONG kPixelS16 = 6;
constexpr LONG kPixelU16 = 7;
constexpr LONG kPixelS32 = 8;
constexpr LONG kPixelU32 = 9;
constexpr LONG kPixelFloat = 10;
constexpr LONG kPixelDouble = 11;

// Size and placement of a raster or band.
struct IRasterProps : IUnknown {
  VELK_INTERFACE_ID("{878AE060-CFF2-4FAA-AF14-84E14190184B}")
  virtual HRESULT get_Width(LONG* columns) = 0;
  virtual HRESULT get_Height(LONG* rows) = 0;
  virtual HRESULT get_Extent(IEnvelope** extent) = 0;
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  // Cell width and height in the units of the spatial reference.
  virtual HRESULT QueryCellSize(double* cellX, double* cellY) = 0;
  // VT_R8 with the no-data value, VT_EMPTY when there is none.
  virtual HRESULT get_NoDataValue(VARIANT* value) = 0;
  virtual HRESULT get_PixelType(LONG* type) = 0;
};

// Bands by 0-based index (E_INVALIDARG outside).
struct IRasterBandCollection : IUnknown {
  VELK_INTERFACE_ID("{7ACA3D10-0629-11D2-8D24-0000F8780535}")
  virtual HRESULT get_Count(LONG* count) = 0;
  virtual HRESULT Item(LONG index, IRasterBand** band) = 0;
};

struct IRasterStatistics : IUnknown {
  VELK_INTERFACE_ID("{BA10995D-563B-4C1E-BC19-7BEB04E9705C}")
  virtual HRESULT get_Minimum(double* v) = 0;
  virtual HRESULT get_Maximum(double* v) = 0;
  virtual HRESULT get_Mean(double* v) = 0;
  virtual HRESULT get_StandardDeviation(double* v) = 0;
};

struct IRasterBand : IUnknown {
  VELK_INTERFACE_ID("{893DAE23-613E-4A3F-B482-42850E520F3E}")
  // Exact statistics of the valid cells, computed on first request.
  virtual HRESULT get_Statistics(IRasterStatistics** stats) = 0;
  virtual HRESULT get_RasterDataset(IRasterDataset** dataset) = 0;
  // Reads a window of cells row by row into values (columns * rows doubles); no-data cells
  // become NaN. E_INVALIDARG for a window outside the band.
  virtual HRESULT ReadBlock(LONG column, LONG row, LONG columns, LONG rows, double* values) = 0;
};

struct IRaster : IUnknown {
  VELK_INTERFACE_ID("{B76B44C0-78BA-494B-AB72-66CBAA217417}")
  virtual HRESULT get_RasterDataset(IRasterDataset** dataset) = 0;
};

// How a raster's cells are resampled when it is drawn, clipped or warped onto another grid:
// nearest neighbour keeps the cells' values (chart colours, categories), bilinear and cubic
// interpolate them (elevations).
constexpr LONG kRasterResampleNearest = 0;
constexpr LONG kRasterResampleBilinear = 1;
constexpr LONG kRasterResampleCubic = 2;

struct IRasterResampling : IUnknown {
  VELK_INTERFACE_ID("{6B0E3C71-58D2-4C2B-9F2E-0D8A4E1B7C35}")
  virtual HRESULT get_ResamplingMode(LONG* mode) = 0;
  // E_INVALIDARG for a mode other than the three above.
  virtual HRESULT put_ResamplingMode(LONG mode) = 0;
};

struct IRasterDataset : IUnknown {
  VELK_INTERFACE_ID("{A1878684-71E4-45FC-8739-937ACAE183AA}")
  // The GDAL driver's short name ("GTiff", "DTED", ...).
  virtual HRESULT get_Format(BSTR* format) = 0;
  // The full path of the file.
  virtual HRESULT get_CompleteName(BSTR* path) = 0;
  // A raster over all bands of the dataset.
  virtual HRESULT CreateDefaultRaster(IRaster** raster) = 0;
};

// The elevation of a terrain.
struct ISurface : IUnknown {
  VELK_INTERFACE_ID("{73B80FBC-FF33-11D1-A549-0000F8774F0F}")
  // Elevation (times the z factor) of the cell holding the point; a point with another spatial
  // reference is projected first. NaN outside the surface and on void cells.
  virtual HRESULT GetElevation(IPoint* point, double* z) = 0;
  // The same for coordinates in the surface's own spatial reference.
  virtual HRESULT GetElevationAt(double x, double y, double* z) = 0;
  virtual HRESULT IsVoidZ(double z, VARIANT_BOOL* isVoid) = 0;
  virtual HRESULT get_ZFactor(double* factor) = 0;
  virtual HRESULT put_ZFactor(double factor) = 0;
  virtual HRESULT get_Extent(IEnvelope** extent) = 0;
  virtual HRESULT get_Domain(IPolygon** domain) = 0;
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  // Whether the surface can lower distant terrain for the earth's curvature (its system tells
  // metres or degrees).
  virtual HRESULT get_CanDoCurvature(VARIANT_BOOL* can) = 0;
  // Visibility along the line from the observer to the target (points in any system; their z,
  // when z-aware, is the eye and the target height, else the ground's): the seen and the hidden
  // stretches of the ground as z-aware polylines in the surface's system (null when there are
  // none), the point that hides the target (null when seen) and whether the target is seen.
  // refractionFactor: the refraction coefficient (empty: 0.13), used with applyCurvature and
  // applyRefraction. An end off the surface or on a void, or both ends on one place: S_OK with
  // every result null. E_INVALIDARG for curvature on a surface that cannot do it.
  virtual HRESULT GetLineOfSight(IPoint* observer, IPoint* target, IPoint** obstruction,
                                 IPolyline** visibleLines, IPolyline** invisibleLines,
                                 VARIANT_BOOL* targetIsVisible, VARIANT_BOOL applyCurvature,
                                 VARIANT_BOOL applyRefraction, VARIANT* refractionFactor) = 0;
  // A z-aware copy of a polyline in the surface's system, with a vertex wherever it crosses a
  // column or a row of cell centres and the terrain's height at each; places off the surface or
  // on voids get no vertex (null when fewer than two are left). stepSize must be empty.
  virtual HRESULT InterpolateShape(IGeometry* shape, IGeometry** result, VARIANT* stepSize) = 0;
};

// A surface over one raster band.
struct IRasterSurface : IUnknown {
  VELK_INTERFACE_ID("{E5135590-F872-4ADC-A560-C256AFB3E982}")
  virtual HRESULT get_RasterBand(IRasterBand** band) = 0;
  virtual HRESULT putref_RasterBand(IRasterBand* band) = 0;
};

// A dataset an analysis made, which lives in its output workspace until it is saved.
struct ITemporaryDataset : IUnknown {
  VELK_INTERFACE_ID("{D85C996E-7AA1-42D0-BEE7-E674F663F14A}")
  virtual HRESULT get_IsTemporary(VARIANT_BOOL* temporary) = 0;
};

// Copies a raster dataset into a folder workspace. Format "GRID" (and "TIFF") writes a GeoTIFF
// file: the name as given when it has an extension, else the name with ".tif"
// (GridDatasetFileName). An existing file of that name is never overwritten
// (E_DATA_WRITE_FAILED); a failed copy leaves nothing behind.
struct ISaveAs : IUnknown {
  VELK_INTERFACE_ID("{2F407D90-A832-4419-AC4F-6C6042ED7FFE}")
  virtual HRESULT SaveAs(BSTR name, IUnknown* workspace, BSTR format, IUnknown** saved) = 0;
};
