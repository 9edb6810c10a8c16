// The surface of a map layer for visibility and terrain work: a layer's base surface from its
// 3-D properties, and the surface a layer offers (its own, or one made over band 0 of its
// raster).
#pragma once

#include "platform/host/display/layer.h"
#include "platform/host/data/raster.h"

namespace velk::corvane {

// The base surface named by the first 3-D properties extension of base kind 1 that has one;
// null for a null layer or when none does. A layer without extensions throws E_POINTER.
ComPtr<ISurface> FindLayerBaseSurface(ILayer* layer);

// Null for a null layer and a catalog DTED layer; a surface layer's own surface; null for a
// layer that is no raster layer or whose base surface is set; else a new raster surface over
// band 0 of the layer's raster.
ComPtr<ISurface> GetSurfaceFromLayer(ILayer* layer);

}  // namespace velk::corvane
