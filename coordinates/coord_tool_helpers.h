// Small helpers of the coordinate tool, its dialog and its window: copies of host objects,
// text comparison, the coordinate tool as the host's current tool, and the marker the dialog
// puts on the map.
#pragma once

#include "framework/hook_struct.h"
#include "platform/com/bstr.h"
#include "platform/host/geometry.h"
#include "platform/host/graphics.h"

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

// The coordinate tool's marker: a marker element at the point with the coordinate tool's
// symbol (a red circle of 8 points; the settings keep no symbol of their own).
ComPtr<IElement> CreateCoordToolMarkerElement(IPoint* point);
inline constexpr LONG kCoordToolMarkerColor = 255;  // red, 0x00BBGGRR
inline constexpr double kCoordToolMarkerSize = 8.0;

}  // namespace velk::corvane
