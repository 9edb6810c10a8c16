// Views of a map document: the active view (the map in data view, the page layout in layout
// view) and the page layout.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IEnvelope;
struct IMap;
struct IScreenDisplay;

// What the document shows. A map is its own active view in data view; the page layout is the
// active view in layout view and reports the focus map it shows.
struct IActiveView : IUnknown {
  VELK_INTERFACE_ID("{DD94D76B-836D-11D0-87EC-080009EC732A}")
  virtual HRESULT get_FocusMap(IMap** map) = 0;
  virtual HRESULT put_FocusMap(IMap* map) = 0;
  // Counts refreshes (the headless host draws nothing).
  virtual HRESULT Refresh() = 0;
  // The display of the view's window (display.h).
  virtual HRESULT get_ScreenDisplay(IScreenDisplay** display) = 0;
  // Redraws one phase of the view (kView* of display.h) for the changed object over the area
  // (null: the whole view); the headless host records it (IRefreshLog).
  virtual HRESULT PartialRefresh(LONG phase, IUnknown* data, IEnvelope* area) = 0;
  // The screen cache the phase draws into.
  virtual HRESULT get_ScreenCacheID(LONG phase, SHORT* cacheId) = 0;
};

// The page layout of a map document.
struct IPageLayout : IUnknown {
  VELK_INTERFACE_ID("{DD94D76A-836D-11D0-87EC-080009EC732A}")
  virtual HRESULT get_Name(BSTR* name) = 0;
};
