// The host's surface analysis operator: the shaded relief of a raster surface, run with the
// operator's own raster analysis environment (output workspace, cell size, extent).
#pragma once

#include "platform/com/object.h"
#include "platform/com/variant.h"
#include "platform/host/raster_analysis_environment.h"

struct IGeoDataset;

struct ISurfaceOp : IUnknown {
  VELK_INTERFACE_ID("{AC1AD48C-2395-4D26-9BEC-42ABD6B5BB51}")
  // The shaded relief of the first band of input (a raster dataset, raster or band): a
  // temporary one-band Byte raster (grey levels 1 to 255, 0 = no data) written into the output
  // workspace (the host's scratch folder when none is set), over the environment's extent and
  // at its cell size. zFactor: any numeric VARIANT, empty for 1. E_INVALIDARG, and no result,
  // for an azimuth outside 0 to 360, an altitude outside 0 to 90, a z factor that is no number
  // above 0, or an extent that misses the input; E_DATA_WRITE_FAILED when the result cannot
  // be written (nothing is left behind).
  virtual HRESULT HillShade(IGeoDataset* input, double azimuth, double altitude,
                            VARIANT_BOOL modelShadows, VARIANT* zFactor, IGeoDataset** result) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterSurfaceOp = MakeGuid("{2055EAF7-DD02-4A9D-9F5B-BEFC766D8494}");

HRESULT CreateRasterSurfaceOpObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
