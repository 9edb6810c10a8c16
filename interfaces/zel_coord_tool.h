// The coordinate tool's own interfaces: the tool (IZelCoordTool), its outgoing events
// (IZelCoordToolEvents) and the dockable coordinate window's interface (IZelCoordToolDockable).
// Points are the host's point objects.
#pragma once

#include "platform/com/unknown.h"

struct IPoint;

struct IZelCoordTool : IUnknown {
  VELK_INTERFACE_ID("{BC3AC1C4-00D3-4808-B5E5-4A99A1EFF1EE}")
  // The coordinate dialog converted a typed location: the tool tells its listeners.
  virtual HRESULT NewPointEntered() = 0;
};

// Dispatch ids of the events, in slot order.
enum ZelCoordToolEventId : LONG {
  kCoordToolDeactivated = 1,
  kCoordToolActivated = 2,
  kCoordToolActivePointChanged = 3,
  kCoordToolNewPointEntered = 4,
};

// What the coordinate tool tells its listeners. The two point events carry three new points:
// the location on WGS 84 (x longitude, y latitude, degrees), on the datum chosen in the
// coordinate dialog, and in the focus map's spatial reference.
struct IZelCoordToolEvents : IUnknown {
  VELK_INTERFACE_ID("{E8CF61AB-5630-4442-B8ED-F19E59E37977}")
  virtual HRESULT ToolDeactivated() = 0;
  virtual HRESULT ToolActivated() = 0;
  virtual HRESULT ActivePointChanged(IPoint* pWGS84Point, IPoint* pDatumPoint,
                                     IPoint* pMapPoint) = 0;
  virtual HRESULT NewPointEntered(IPoint* pWGS84Point, IPoint* pDatumPoint, IPoint* pMapPoint) = 0;
};

// The dockable coordinate window, as the coordinate tool reaches it through the host window's
// user data.
struct IZelCoordToolDockable : IUnknown {
  VELK_INTERFACE_ID("{D9ADBF40-5496-458F-8DD8-3C56D8C289EC}")
  // A map click (or a move with the left button held): the host's mouse arguments.
  virtual HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y) = 0;
  // The window's visibility changed; a VARIANT_BOOL in the low 16 bits.
  virtual HRESULT OnVisibilityChanged(LONG bNowVisible) = 0;
  // Copies the x and y of the location shown last into the three caller's points.
  virtual HRESULT QueryCurrentLocation(IPoint* WGS84Point, IPoint* DatumPoint,
                                       IPoint* MapPoint) = 0;
};
