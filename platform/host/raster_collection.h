// The host's raster collection: rasters gathered as the inputs of one analysis or mosaic, in
// the order they were appended, with the area the result is to cover.
#pragma once

#include "platform/com/object.h"

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

// The collection also answers ISaveAs (raster.h): format "GRID" writes one raster of the
// region: the rasters mosaicked and warped onto a grid over the extent, in the extent's spatial
// reference (the rasters' own when it has none), bilinear when the first raster asks for interpolation
// (IRasterResampling), else nearest neighbour. E_INVALIDARG without an extent, for another
// format, a null name or a workspace that is no folder; E_DATA_NOT_FOUND without rasters;
// E_DATA_WRITE_FAILED when a dataset of that name exists or the clip fails (nothing is left).

namespace velk::host {

inline constexpr CLSID CLSID_RasterCollection = MakeGuid("{BB00F74C-40CE-4281-875D-FDD10CCDC624}");

HRESULT CreateRasterCollectionObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
