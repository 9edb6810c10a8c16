// Symbols and containers of the graphics the 3-D viewer and the threat dome make.
#pragma once

#include "platform/com/bstr.h"
#include "platform/host/graphics.h"

namespace velk::corvane {

// Geometry kinds SetGraphicElementSymbol knows.
constexpr LONG kGraphicMarker = 1;
constexpr LONG kGraphicPolyline = 3;
constexpr LONG kGraphicPolygon = 4;
constexpr LONG kGraphicMultiPatch = 9;

// Gives the element a symbol for its kind: kind 1 a marker of the colour and size, kind 4 a
// fill of the colour with an outline of the colour and width size, kinds 3 and 9 the 3-D
// settings' symbol of that kind (the colour and size are not used); then the name is set when
// it is not empty. Other kinds leave the element as it is. Nothing happens for a null element
// or one without a symbol slot. For kinds 3 and 9, settings that cannot be reached through the
// extension object raise E_POINTER.
void SetGraphicElementSymbol(LONG kind, LONG color, LONG size, BSTR name, IElement* element);

// Adds the element to the graphics container the target stands for: the target itself when it
// is a graphics container, the globe of a globe view's hook, or for an application the globe
// of its globe document or the active view of its map document. E_FAIL when the target is none
// of these; E_POINTER when an object along the way is missing.
HRESULT AddElementToContainer(IUnknown* target, IElement* element);

}  // namespace velk::corvane
