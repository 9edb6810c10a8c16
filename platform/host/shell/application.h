// The host application: the 2-D map application (Trevik), the 3-D globe application (Kuvalo)
// or the catalog application, each with its current document, main window, status bar and
// current tool.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/win/window_handle.h"

struct IDocument;
struct IStatusBar;
struct ICommandItem;

struct IApplication : IUnknown {
  VELK_INTERFACE_ID("{DFF3FED2-7621-4789-A5C2-94418D0E2B77}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Document(IDocument** document) = 0;
  // The main window (null in a session without windows).
  virtual HRESULT get_hWnd(HWND* window) = 0;
  virtual HRESULT get_StatusBar(IStatusBar** statusBar) = 0;
  virtual HRESULT get_CurrentTool(ICommandItem** tool) = 0;
  // Makes a command item the current tool; the previous tool is asked whether it may be
  // deactivated first (S_FALSE and no change when it refuses). Null clears the tool.
  virtual HRESULT put_CurrentTool(ICommandItem* tool) = 0;
};
