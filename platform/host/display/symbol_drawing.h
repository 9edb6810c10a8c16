// The host symbols drawn into a device context: a marker at a point, a line between two points,
// a fill over a rectangle, a text at a point, and the symbol selector a user chooses symbols in.
#pragma once

#include <functional>

#include "platform/com/unknown.h"
#include "platform/win/gdi.h"

namespace velk::host {

// Sizes and widths are in points, drawn at the DC's resolution. E_NOINTERFACE when the symbol
// is not of the kind.
HRESULT DrawMarkerSymbol(IUnknown* symbol, HDC dc, POINT at);
HRESULT DrawLineSymbol(IUnknown* symbol, HDC dc, POINT from, POINT to);
HRESULT DrawFillSymbol(IUnknown* symbol, HDC dc, RECT area);
// The symbol's text placed on the point by its alignments, in the DC's one font.
HRESULT DrawTextSymbol(IUnknown* symbol, HDC dc, POINT at);

// The user at the symbol selector: given the symbol offered, sets the chosen one and answers
// true, or answers false (cancelled). Without a chooser the selector is cancelled.
using SymbolChooser = std::function<bool(HWND parent, IUnknown* offered, ComPtr<IUnknown>* chosen)>;
void SetSymbolChooser(SymbolChooser chooser);

// The selector run modally over parent with the symbol offered; true with the chosen symbol at
// index 0 when the user confirmed.
bool RunSymbolSelector(HWND parent, IUnknown* offered, ComPtr<IUnknown>* chosen);

}  // namespace velk::host
