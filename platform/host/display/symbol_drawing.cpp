#include "platform/host/display/symbol_drawing.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/host/display/symbol.h"

namespace velk::host {
namespace {

COLORREF ColorOf(IColor* color) {
  LONG rgb = 0;
  if (color) color->get_RGB(&rgb);
  return static_cast<COLORREF>(rgb) & 0x00FFFFFF;
}

int Pixels(HDC dc, double points) {
  return std::max(1, static_cast<int>(std::lround(points * GetDeviceCaps(dc, LOGPIXELSY) / 72.0)));
}

SymbolChooser& Chooser() {
  static auto* c = new SymbolChooser;
  return *c;
}

}  // namespace

HRESULT DrawMarkerSymbol(IUnknown* symbol, HDC dc, POINT at) {
  auto marker = QueryAs<IMarkerSymbol>(symbol);
  if (!marker) return E_NOINTERFACE;
  ComPtr<IColor> color;
  marker->get_Color(color.put());
  double size = 0;
  marker->get_Size(&size);
  int r = std::max(1, Pixels(dc, size) / 2);
  HBRUSH brush = CreateSolidBrush(ColorOf(color.get()));
  HPEN pen = CreatePen(PS_SOLID, 1, ColorOf(color.get()));
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
  Ellipse(dc, at.x - r, at.y - r, at.x + r + 1, at.y + r + 1);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
  return S_OK;
}

HRESULT DrawLineSymbol(IUnknown* symbol, HDC dc, POINT from, POINT to) {
  auto line = QueryAs<ILineSymbol>(symbol);
  if (!line) return E_NOINTERFACE;
  ComPtr<IColor> color;
  line->get_Color(color.put());
  double width = 0;
  LONG style = 0;
  line->get_Width(&width);
  line->get_Style(&style);
  HPEN pen = CreatePen(static_cast<int>(style), Pixels(dc, width), ColorOf(color.get()));
  HGDIOBJ old = SelectObject(dc, pen);
  POINT pts[] = {from, to};
  Polyline(dc, pts, 2);
  SelectObject(dc, old);
  DeleteObject(pen);
  return S_OK;
}

HRESULT DrawFillSymbol(IUnknown* symbol, HDC dc, RECT area) {
  auto fill = QueryAs<IFillSymbol>(symbol);
  if (!fill) return E_NOINTERFACE;
  ComPtr<IColor> color;
  fill->get_Color(color.put());
  LONG style = 0;
  fill->get_Style(&style);
  // Style 1 is hollow: only the outline shows.
  HBRUSH brush = style == 1 ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                            : CreateSolidBrush(ColorOf(color.get()));
  ComPtr<ILineSymbol> outline;
  fill->get_Outline(outline.put());
  HPEN pen = nullptr;
  if (outline) {
    ComPtr<IColor> oc;
    outline->get_Color(oc.put());
    double w = 0;
    outline->get_Width(&w);
    pen = w > 0 ? CreatePen(PS_SOLID, Pixels(dc, w), ColorOf(oc.get())) : nullptr;
  }
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen ? pen : GetStockObject(NULL_PEN));
  Rectangle(dc, std::min(area.left, area.right), std::min(area.top, area.bottom),
            std::max(area.left, area.right) + 1, std::max(area.top, area.bottom) + 1);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  if (style != 1) DeleteObject(brush);
  if (pen) DeleteObject(pen);
  return S_OK;
}

HRESULT DrawTextSymbol(IUnknown* symbol, HDC dc, POINT at) {
  auto text = QueryAs<ITextSymbol>(symbol);
  if (!text) return E_NOINTERFACE;
  ComPtr<IColor> color;
  text->get_Color(color.put());
  Bstr shown;
  text->get_Text(&shown);
  LONG horizontal = kTextAlignLeft, vertical = kTextAlignBaseline;
  text->get_HorizontalAlignment(&horizontal);
  text->get_VerticalAlignment(&vertical);
  const int n = static_cast<int>(SysStringLen(shown.get()));
  if (n == 0) return S_OK;
  SIZE extent{};
  GetTextExtentPoint32W(dc, shown.get(), n, &extent);
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  int x = at.x, y = at.y;
  if (horizontal == kTextAlignCenter) x -= extent.cx / 2;
  if (horizontal == kTextAlignRight) x -= extent.cx;
  if (vertical == kTextAlignCenter) y -= extent.cy / 2;
  if (vertical == kTextAlignBaseline) y -= tm.tmAscent;
  COLORREF oldColor = SetTextColor(dc, ColorOf(color.get()));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  TextOutW(dc, x, y, shown.get(), n);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColor);
  return S_OK;
}

void SetSymbolChooser(SymbolChooser chooser) { Chooser() = std::move(chooser); }

bool RunSymbolSelector(HWND parent, IUnknown* offered, ComPtr<IUnknown>* chosen) {
  if (!Chooser() || !chosen) return false;
  ComPtr<IUnknown> pick;
  if (!Chooser()(parent, offered, std::addressof(pick)) || !pick) return false;
  *chosen = pick;
  return true;
}

}  // namespace velk::host
