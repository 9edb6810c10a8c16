// The host's command contracts: the command, tool, subtyped-command and tool-control
// interfaces that the host asks of every button, tool and toolbar control it shows.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/win/window_handle.h"

// A button or menu item. Texts are new BSTRs for the caller.
struct ICommand : IUnknown {
  VELK_INTERFACE_ID("{36B6C08A-06A6-4E3F-8A62-E26A1D1E6C0B}")
  virtual HRESULT get_Enabled(VARIANT_BOOL* enabled) = 0;
  virtual HRESULT get_Checked(VARIANT_BOOL* checked) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Caption(BSTR* caption) = 0;
  virtual HRESULT get_Tooltip(BSTR* tooltip) = 0;
  virtual HRESULT get_Message(BSTR* message) = 0;
  virtual HRESULT get_HelpFile(BSTR* helpFile) = 0;
  virtual HRESULT get_HelpContextID(LONG* helpContext) = 0;
  virtual HRESULT get_Bitmap(HBITMAP* bitmap) = 0;
  virtual HRESULT get_Category(BSTR* category) = 0;
  // The host hands its hook (application or control hook) when it creates the command.
  virtual HRESULT OnCreate(IUnknown* hook) = 0;
  virtual HRESULT OnClick() = 0;
};

// A tool: a command that takes the mouse and keyboard over the map while it is current.
struct ITool : IUnknown {
  VELK_INTERFACE_ID("{5C0BF6A2-33A1-4C0F-9F11-3D3A2F93E0A4}")
  virtual HRESULT get_Cursor(HCURSOR* cursor) = 0;
  virtual HRESULT OnMouseDown(LONG button, LONG shift, LONG x, LONG y) = 0;
  virtual HRESULT OnMouseMove(LONG button, LONG shift, LONG x, LONG y) = 0;
  virtual HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y) = 0;
  virtual HRESULT OnDblClick() = 0;
  virtual HRESULT OnKeyDown(LONG keyCode, LONG shift) = 0;
  virtual HRESULT OnKeyUp(LONG keyCode, LONG shift) = 0;
  virtual HRESULT OnContextMenu(LONG x, LONG y, VARIANT_BOOL* handled) = 0;
  virtual HRESULT Refresh(HDC dc) = 0;
  virtual HRESULT Deactivate(VARIANT_BOOL* canDeactivate) = 0;
};

// One class that the host shows as several commands, told apart by a 1-based subtype.
struct ICommandSubType : IUnknown {
  VELK_INTERFACE_ID("{8F1A6E03-4B7C-4D3E-9C58-0A2B6E9D1F47}")
  virtual HRESULT SetSubType(LONG subType) = 0;
  virtual HRESULT GetCount(LONG* count) = 0;
};

// A command that puts a small window of its own into a toolbar.
struct IToolControl : IUnknown {
  VELK_INTERFACE_ID("{C2D74B90-6E1F-4A85-B3D6-7F0E2A9C4B18}")
  virtual HRESULT get_hWnd(HWND* window) = 0;
  virtual HRESULT OnFocus(IUnknown* completeNotify) = 0;
  // Whether the control may be dropped on a bar of the given type (0: toolbar).
  virtual HRESULT OnDrop(LONG barType, VARIANT_BOOL* accept) = 0;
};
