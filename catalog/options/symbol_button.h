// A push button whose face shows a preview of a map symbol; clicking it (or F4 on it) lets the
// owning page offer the symbol in the host's symbol selector.
#pragma once

#include "platform/com/unknown.h"
#include "platform/win/window_impl.h"

namespace velk::corvane {

enum class SymbolKind { Marker, Line, Fill, Text, ThreeD };

// Draws the symbol into rect: a marker at the centre, a line across the middle, a fill over the
// rectangle (inset from its edges), "AaBbYyZz" centred for a text. E_POINTER for none, E_FAIL
// for a symbol of another kind.
HRESULT DrawSymbolPreview(IUnknown* symbol, HDC dc, RECT rect, LONG inset);

// A new host symbol of the kind (null for a kind the host has no class for).
ComPtr<IUnknown> NewDefaultSymbol(SymbolKind kind);

class ZelSymbolButtonCtrl : public ATL::CWindowImpl<ZelSymbolButtonCtrl> {
 public:
  static LPCWSTR GetWndClassName() { return WC_BUTTON; }

  // False when already bound to a window or h is none; else subclasses it as owner-drawn.
  bool Subclass(HWND h);
  // Shows a copy of the symbol (none: an empty face).
  LRESULT SetSymbol(IUnknown* symbol);
  IUnknown* Symbol() const { return m_symbol.get(); }

  BEGIN_MSG_MAP(ZelSymbolButtonCtrl)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_KEYUP, OnKeyUp)
  MESSAGE_HANDLER(OCM_COMMAND, OnReflectedCommand)
  MESSAGE_HANDLER(OCM_DRAWITEM, OnDrawItem)
  MESSAGE_HANDLER(OCM_MEASUREITEM, OnMeasureItem)
  MESSAGE_HANDLER(OCM_COMPAREITEM, OnIgnored)
  MESSAGE_HANDLER(OCM_DELETEITEM, OnIgnored)
  END_MSG_MAP()

 private:
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnKeyUp(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnReflectedCommand(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDrawItem(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnMeasureItem(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnIgnored(UINT, WPARAM, LPARAM, BOOL&) { return 0; }

  ComPtr<IUnknown> m_symbol;
};

// The page's side of a symbol button's click: offers the page's symbol (a new default of the
// kind when it holds none) in the selector; a confirmed choice becomes the page's symbol and the
// button's face.
void ChooseSymbol(HWND page, ZelSymbolButtonCtrl& button, SymbolKind kind,
                  ComPtr<IUnknown>& pageSymbol);

}  // namespace velk::corvane
