// The host's cell-by-cell raster analysis operators: cell statistics over rasters and map
// algebra expressions over bound rasters. Each runs with its own raster analysis environment
// (IRasterAnalysisEnvironment: output workspace, extent; IRasterAnalysisOutputNames: the first
// part of its output names) and writes its result as a GeoTIFF into the output workspace.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IGeoDataset;

// Statistics of the cell statistics operator.
constexpr LONG kCellStatisticMaximum = 2;
constexpr LONG kCellStatisticMinimum = 5;

struct ILocalOp : IUnknown {
  VELK_INTERFACE_ID("{7F3E2B10-9C5D-4A61-8E27-4D1B6C9A0F35}")
  // Per cell, the statistic of the inputs' first bands over the environment's extent (the
  // whole raster without one). inputs: a raster dataset, raster or band. The result keeps the
  // input's cell type, so its band statistics give the extreme exactly. E_INVALIDARG for an
  // unknown statistic or an extent that misses the raster; no result then.
  virtual HRESULT LocalStatistics(IGeoDataset* inputs, LONG statistic, IGeoDataset** result) = 0;
};

struct IMapAlgebraOp : IUnknown {
  VELK_INTERFACE_ID("{2A9C4E71-5B38-4D0F-A6E2-91C7D3B8F4A0}")
  // Binds a raster under the name used in expressions as "[name]".
  virtual HRESULT BindRaster(IGeoDataset* raster, BSTR name) = 0;
  // S_FALSE when no raster was bound under the name.
  virtual HRESULT UnbindRaster(BSTR name) = 0;
  // Evaluates the expression (platform/host/analysis/map_algebra.h) over the environment's
  // extent of the first raster it names, at that raster's cells. E_INVALIDARG, and no result,
  // for an expression that does not parse, names an unbound raster or has no raster at all.
  virtual HRESULT Execute(BSTR expression, IGeoDataset** result) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterLocalOp = MakeGuid("{C41D8E52-7A0B-4F39-B6D4-2E85A1C7F903}");
HRESULT CreateRasterLocalOpObject(IUnknown* outer, REFIID riid, void** ppv);

inline constexpr CLSID CLSID_RasterMapAlgebraOp =
    MakeGuid("{9E6B3F04-1D2C-4B87-A5F9-70C2E8D4B163}");
HRESULT CreateRasterMapAlgebraOpObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
