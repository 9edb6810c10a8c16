// The host's raster collection: rasters gathered as the inputs of one analysis or mosaic, in
// the order they were appended, with the area the result is to cover.
#pragma once

#include <string>

#include "platform/com/object.h"
#include "platform/host/analysis/raster_mosaic.h"

struct IEnvelope;
struct IRaster;

struct IRasterCollection : IUnknown {
  VELK_INTERFACE_ID("{4F277385-ED78-408C-BFFF-B9A4DCB02A7F}")
  virtual HRESULT get_RasterCount(LONG* count) = 0;
  // E_INVALIDARG for an index outside 0 .. count - 1.
  virtual HRESULT get_Raster(LONG index, IRaster** raster) = 0;
  virtual HRESULT Append(IRaster* raster) = 0;
  // The area the result covers: a copy of the envelope given, null while none was given (the
  // rasters' union then).
  virtual HRESULT get_Extent(IEnvelope** extent) = 0;
  // Keeps a copy of the envelope; null forgets it. E_INVALIDARG for an empty envelope.
  virtual HRESULT putref_Extent(IEnvelope* extent) = 0;
};

// Whether the collection is saved as a mosaic: every band of the rasters side by side on their
// own grid, the extent taken into the rasters' spatial reference and the grid cut to it. Then
// "GRID" and "TIFF" write a GeoTIFF, "IMAGINE" an .img, "NITF" an .ntf, "PCIDSK" a .pix file,
// and the rasters must agree in bands and cell types (differing palettes become RGB); a
// dataset of the name is replaced only when Replace is set, and only by a finished one. The
// collection's IRasterResampling mode (by default the first raster's) resamples cells the
// extent cuts through.
struct IRasterMosaicProps : IUnknown {
  VELK_INTERFACE_ID("{3E8B6C1D-2F4A-4B5C-8D6E-7F8091A2B3C4}")
  virtual HRESULT get_KeepCells(VARIANT_BOOL* keep) = 0;
  virtual HRESULT put_KeepCells(VARIANT_BOOL keep) = 0;
  virtual HRESULT get_Replace(VARIANT_BOOL* replace) = 0;
  virtual HRESULT put_Replace(VARIANT_BOOL replace) = 0;
  // Asked while the mosaic is written; a cancel leaves nothing behind.
  virtual HRESULT putref_CancelTracker(IUnknown* tracker) = 0;
};

// The collection also answers ISaveAs (raster.h): format "GRID" writes one raster of the
// region: the rasters mosaicked and warped onto a grid over the extent, in the extent's spatial
// reference (the rasters' own when it has none), bilinear when the first raster asks for interpolation
// (IRasterResampling), else nearest neighbour. E_INVALIDARG without an extent, for another
// format, a null name or a workspace that is no folder; E_DATA_NOT_FOUND without rasters;
// E_DATA_WRITE_FAILED when a dataset of that name exists or the clip fails (nothing is left).

namespace velk::host {

inline constexpr CLSID CLSID_RasterCollection = MakeGuid("{BB00F74C-40CE-4281-875D-FDD10CCDC624}");

HRESULT CreateRasterCollectionObject(IUnknown* outer, REFIID riid, void** ppv);

// Writes the collection as a mosaic (IRasterMosaicProps) with the options given (bounds and
// firstBandOnly are the collection's own): a file, or a GeoPackage raster table. E_DATA_NOT_FOUND
// without rasters, E_INVALIDARG for a collection of another kind; else the mosaic's reason
// (empty on success) in error and E_DATA_WRITE_FAILED, or E_ABORT when it was cancelled.
HRESULT WriteCollectionMosaic(IRasterCollection* collection, const std::string& output,
                              analysis::MosaicOptions options, std::string* error);

}  // namespace velk::host
