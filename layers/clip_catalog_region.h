// Clipping a region out of a catalog layer's rasters for the terrain tools: the worker behind
// IInternalZelHelper::ClipRegion of the raster chart and DTED layers.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IEnvelope;
struct IGeoDataset;

namespace velk::lumeris {

// How the clipped cells are taken from the catalog's rasters.
constexpr LONG kClipChartRasters = 0;      // nearest neighbour: chart colours stay colours
constexpr LONG kClipElevationRasters = 1;  // bilinear: elevations are interpolated

// Gathers the rasters of the catalog rows whose footprints meet the envelope and saves them,
// warped onto a grid over the envelope, as the "GRID" raster `name` in `folder`:
// with reproject, in an azimuthal equidistant system centred on the envelope's centre (taken in
// geographic degrees, whatever the envelope's system); else in the catalog's own system.
// catalogObject is held for the call only; catalogLayer is the host raster-catalog layer whose
// rows are searched. E_POINTER for a null out pointer; E_INVALIDARG when the folder cannot be
// opened or no envelope is given; else the save's failure (E_DATA_NOT_FOUND when no raster of
// the catalog lies in the region), or S_OK with the saved dataset.
HRESULT ClipCatalogRegion(IEnvelope* envelope, BSTR folder, BSTR name, VARIANT_BOOL reproject,
                          IUnknown* catalogObject, IUnknown* catalogLayer, IGeoDataset** geoDataset,
                          LONG rasterMode);

}  // namespace velk::lumeris
