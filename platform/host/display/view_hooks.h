// Hooks of the host's view controls (map view, page view, globe view) and of a command bar
// bound to such a view. A command created inside a control gets the control's hook instead of
// the application.
#pragma once

#include "platform/com/unknown.h"
#include "platform/win/window_handle.h"

struct IMap;
struct IGlobe;
struct IActiveView;
struct IOperationStack;

struct IMapViewHook : IUnknown {
  VELK_INTERFACE_ID("{30EFD5C9-B701-4831-99EB-71E190497A72}")
  virtual HRESULT get_Map(IMap** map) = 0;
  virtual HRESULT get_ActiveView(IActiveView** view) = 0;
  virtual HRESULT get_hWnd(HWND* window) = 0;
};

struct IPageViewHook : IUnknown {
  VELK_INTERFACE_ID("{0A8E1A9E-E4A5-4212-A1B1-F5C16AF86203}")
  // The page layout's view (null while the control shows no layout).
  virtual HRESULT get_ActiveView(IActiveView** view) = 0;
};

struct IGlobeViewHook : IUnknown {
  VELK_INTERFACE_ID("{AD15EB08-DB90-4145-8B8B-5D803A609308}")
  virtual HRESULT get_Globe(IGlobe** globe) = 0;
};

struct ICommandBarHook : IUnknown {
  VELK_INTERFACE_ID("{31DDD33A-5B8A-4C99-9ACF-51B2846759E7}")
  // The view control's hook the bar is bound to (null when bound to nothing).
  virtual HRESULT get_Buddy(IUnknown** viewHook) = 0;
  virtual HRESULT put_Buddy(IUnknown* viewHook) = 0;
  virtual HRESULT get_OperationStack(IOperationStack** stack) = 0;
};
