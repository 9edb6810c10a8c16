// Symbols and containers of the graphics the 3-D viewer and the threat dome make.
#pragma once

#include <string>

#include "platform/com/bstr.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"

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

// What a 3-D graphic is made from: its name, colour (0x00BBGGRR), kind (1 a dome's wireframe,
// 2 the dome) and geometry.
constexpr LONG kDddWireframe = 1;
constexpr LONG kDddDome = 2;
constexpr LONG kWireframeColour = 0x4100C2;
constexpr LONG kDomeColour = 0x0000FF;
struct DddGraphicDescription {
  std::wstring name;
  LONG colour = 0;
  LONG kind = 0;
  ComPtr<IGeometry> geometry;
};

// A new 3-D graphic element for the description: a line element for a wireframe, a polygon
// element for a dome, named by the description and given the 3-D settings' symbol of its kind
// (SetGraphicElementSymbol). E_INVALIDARG as a COM error for another kind or no geometry.
ComPtr<IElement> AddDddGraphicElement(const DddGraphicDescription& description);

// Adds the element to the graphics container the target stands for: the target itself when it
// is a graphics container, the globe of a globe view's hook, or for an application the globe
// of its globe document or the active view of its map document. E_FAIL when the target is none
// of these; E_POINTER when an object along the way is missing.
HRESULT AddElementToContainer(IUnknown* target, IElement* element);

}  // namespace velk::corvane
