// The host's colour and symbol classes.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/symbol.h"

namespace velk::host {

HRESULT CreateColorObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateMarkerSymbolObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateLineSymbolObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateFillSymbolObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateTextSymbolObject(IUnknown* outer, REFIID riid, void** ppv);

ComPtr<IColor> NewColor(LONG rgb);
// The colour value of a colour object; fallback when there is none.
LONG RgbOf(IColor* color, LONG fallback = 0);

}  // namespace velk::host
