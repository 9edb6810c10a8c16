// Displays of the host's views: the screen display of a view, its transformation between
// window pixels and map coordinates, rubber-band feedback drawn on it, and the record of what
// the headless host was asked to redraw.
#pragma once

#include "platform/com/unknown.h"
#include "platform/win/window_handle.h"

struct IEnvelope;
struct IGeometry;
struct IPoint;
struct ISpatialReference;

// Drawing phases of a view.
constexpr LONG kViewBackground = 1;
constexpr LONG kViewGeography = 2;
constexpr LONG kViewGeoSelection = 4;
constexpr LONG kViewGraphics = 8;
constexpr LONG kViewGraphicSelection = 16;
constexpr LONG kViewForeground = 32;
constexpr LONG kViewAll = 63;

// Window pixels (x to the right, y down from the top of the device frame) to map coordinates
// and back, over the visible bounds of the map.
struct IDisplayTransformation : IUnknown {
  VELK_INTERFACE_ID("{509F6C5D-FBD2-47B9-B57B-03885EF43550}")
  virtual HRESULT get_VisibleBounds(IEnvelope** bounds) = 0;
  virtual HRESULT put_VisibleBounds(IEnvelope* bounds) = 0;
  virtual HRESULT get_DeviceFrame(RECT* frame) = 0;
  virtual HRESULT put_DeviceFrame(RECT frame) = 0;
  // A new point at the window position, with the transformation's spatial reference.
  virtual HRESULT ToMapPoint(LONG x, LONG y, IPoint** point) = 0;
  virtual HRESULT FromMapPoint(IPoint* point, LONG* x, LONG* y) = 0;
  // Map units a distance in pixels covers.
  virtual HRESULT ToMapDistance(LONG pixels, double* distance) = 0;
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT putref_SpatialReference(ISpatialReference* sr) = 0;
};

struct IDisplay : IUnknown {
  VELK_INTERFACE_ID("{78C0A11D-29D2-433B-8E85-8DF33AC5828F}")
  virtual HRESULT get_DisplayTransformation(IDisplayTransformation** transformation) = 0;
  virtual HRESULT get_hWnd(HWND* window) = 0;
};

// The display of a view's window. The headless host draws nothing; it keeps the invalidated
// areas so that tests can see what would have been redrawn.
struct IScreenDisplay : IDisplay {
  VELK_INTERFACE_ID("{554E6139-A22B-4DCE-ACB3-FBAACE5C7513}")
  // area null: the whole display. cacheId: the screen cache that is invalidated.
  virtual HRESULT Invalidate(IEnvelope* area, VARIANT_BOOL eraseBackground, SHORT cacheId) = 0;
  virtual HRESULT get_InvalidationCount(LONG* count) = 0;
  // The area of an invalidation (a copy; null for the whole display), its erase flag and cache.
  virtual HRESULT GetInvalidation(LONG index, IEnvelope** area, VARIANT_BOOL* erased,
                                  SHORT* cacheId) = 0;
};

// Rubber-band feedback: drawn on a display while the user drags, handing out the dragged shape
// when it stops.
struct IDisplayFeedback : IUnknown {
  VELK_INTERFACE_ID("{1AFF99C2-9D2A-4795-B3B5-646E62AE97A5}")
  virtual HRESULT putref_Display(IScreenDisplay* display) = 0;
  virtual HRESULT Start(IPoint* point) = 0;
  virtual HRESULT MoveTo(IPoint* point) = 0;
  // The shape from the start point to the last point (an envelope for the envelope feedback);
  // E_FAIL when no drag was started (the geometry is then null).
  virtual HRESULT Stop(IGeometry** shape) = 0;
};

// Platform record of a view's partial refreshes (answered by the host's views).
struct IRefreshLog : IUnknown {
  VELK_INTERFACE_ID("{5FB8C7C7-6F21-404D-A799-53E2ACA72488}")
  virtual HRESULT get_PartialRefreshCount(LONG* count) = 0;
  // The phase, the changed object and a copy of the area (null: the whole view) of refresh index.
  virtual HRESULT GetPartialRefresh(LONG index, LONG* phase, IUnknown** data, IEnvelope** area) = 0;
};
