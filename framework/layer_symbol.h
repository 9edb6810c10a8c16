// A single-symbol drawing for a new feature layer of an analysis result.
#pragma once

#include "platform/com/bstr.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/symbol.h"

namespace velk::corvane {

// Type 1: a marker of the colour and size; type 4: a fill of the colour with an outline of the
// colour and width size; types 3 and 9: the 3-D settings' symbol of that type (colour and size
// unused). The symbol goes to the layer's simple renderer, and a non-empty name becomes the
// layer's name. Nothing happens without a layer or a simple renderer. Settings that cannot be
// reached for types 3 and 9 raise E_POINTER.
void ApplyLayerSymbol(LONG geometryType, IColor* colour, LONG size, BSTR name, ILayer* layer);

}  // namespace velk::corvane
