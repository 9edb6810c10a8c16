// Small helpers of the coordinate tool, its dialog and its window: copies of host objects,
// text comparison, and the coordinate tool as the host's current tool.
#pragma once

#include "framework/hook_struct.h"
#include "framework/map_graphics.h"
#include "platform/com/bstr.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"

namespace velk::corvane {

// A new copy of a host object (points and other geometries) made through the host's copy
// interface. An object without that interface: a COM error with E_POINTER.
ComPtr<IUnknown> CloneObject(IUnknown* object);
// The copy as a point (E_POINTER as a COM error when it is none).
ComPtr<IPoint> ClonePoint(IPoint* point);

// True when the text and the BSTR hold the same characters (a null BSTR is the empty text).
bool BstrEquals(const std::wstring& text, BSTR value);

// True when the host's current tool is a command that answers IZelCoordTool. False without an
// application.
bool IsCoordToolCurrent(HookStruct& hook);
// Leaves the host without a current tool when the coordinate tool is current.
void ClearCurrentCoordTool(HookStruct& hook);

// The coordinate tool's marker (CreateCoordToolMarkerElement, drawn with the settings'
// coordinate-tool symbol) comes with the map graphics of framework/map_graphics.h.

}  // namespace velk::corvane
