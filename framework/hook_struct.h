// The host objects a command, tool, tool control, dockable window or dialog holds, drawn from
// the one hook the host hands over when it creates the object: the application of either host
// kind, or the hook of a map-view, page-view or globe-view control, or of a command bar bound
// to such a control. The kind of host is never stored: every operation that needs it asks the
// application for its current document again and tests its interface.
#pragma once

#include "platform/com/unknown.h"
#include "platform/host/display/active_view.h"
#include "platform/host/shell/application.h"
#include "platform/host/documents/document.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/map.h"
#include "platform/host/display/operation_stack.h"
#include "platform/host/shell/status_bar.h"
#include "platform/host/display/view_hooks.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

class HookStruct {
 public:
  HookStruct() = default;
  HookStruct(const HookStruct&) = delete;
  HookStruct& operator=(const HookStruct&) = delete;

  // Out arguments carry a new reference for the caller.
  virtual HRESULT SetHook(IUnknown* hook) = 0;
  virtual HRESULT GetBasicFocusMap(IBasicMap** map) = 0;
  virtual HRESULT GetFocusMap(IMap** map) = 0;
  virtual HRESULT GetActiveView(IActiveView** view) = 0;
  // The application's status bar.
  virtual HRESULT GetApplicationObject(IStatusBar** object) = 0;
  virtual HRESULT GetGlobe(IGlobe** globe) = 0;
  // Hands the value to the map document's active-view kind.
  virtual HRESULT ForwardToMapDocument(LONG value) = 0;
  virtual HRESULT GetMapHook(IMapViewHook** hook) = 0;
  virtual HRESULT GetOperationStack(IOperationStack** stack) = 0;
  virtual HWND GetWindowHandle() = 0;
  virtual HRESULT GetApplication(IApplication** application) = 0;
  // Releases the fields in reverse order: Application first, MapHook last.
  virtual ~HookStruct() = default;

  ComPtr<IMapViewHook> MapHook;
  ComPtr<IGlobeViewHook> GlobeHook;
  ComPtr<IPageViewHook> PageHook;
  ComPtr<ICommandBarHook> BarHook;
  ComPtr<IApplication> Application;
};

// The eleven operations; the same for every class T that derives from it.
class HookStructImpl : public HookStruct {
 public:
  HRESULT SetHook(IUnknown* hook) override;
  HRESULT GetBasicFocusMap(IBasicMap** map) override;
  HRESULT GetFocusMap(IMap** map) override;
  HRESULT GetActiveView(IActiveView** view) override;
  HRESULT GetApplicationObject(IStatusBar** object) override;
  HRESULT GetGlobe(IGlobe** globe) override;
  HRESULT ForwardToMapDocument(LONG value) override;
  HRESULT GetMapHook(IMapViewHook** hook) override;
  // A failure of the map-document query other than E_NOINTERFACE is thrown as a ComError.
  HRESULT GetOperationStack(IOperationStack** stack) override;
  HWND GetWindowHandle() override;
  HRESULT GetApplication(IApplication** application) override;
};

template <class T>
class CHookImpl : public HookStructImpl {};

}  // namespace velk::corvane
