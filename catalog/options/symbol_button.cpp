#include "catalog/options/symbol_button.h"

#include <memory>

#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/symbol.h"
#include "platform/host/display/symbol_drawing.h"
#include "platform/productline/symbol_text.h"
#include "platform/registry/activation.h"

namespace velk::corvane {

HRESULT DrawSymbolPreview(IUnknown* symbol, HDC dc, RECT r, LONG inset) {
  if (!symbol) return E_POINTER;
  if (QueryAs<IMarkerSymbol>(symbol)) {
    POINT at{r.right / 2, r.top + (r.bottom - r.top) / 2};
    host::DrawMarkerSymbol(symbol, dc, at);
    return S_OK;
  }
  if (QueryAs<ILineSymbol>(symbol)) {
    LONG y = r.top + (r.bottom - r.top) / 2;
    host::DrawLineSymbol(symbol, dc, {r.left + inset, y}, {r.right - inset, y});
    return S_OK;
  }
  if (QueryAs<IFillSymbol>(symbol)) {
    host::DrawFillSymbol(symbol, dc, {inset, r.bottom - inset, r.right - inset, r.top + inset});
    return S_OK;
  }
  if (auto text = QueryAs<ITextSymbol>(symbol)) {
    text->put_Text(Bstr(L"AaBbYyZz").get());
    text->put_HorizontalAlignment(kTextAlignCenter);
    text->put_VerticalAlignment(kTextAlignCenter);
    POINT at{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
    host::DrawTextSymbol(symbol, dc, at);
    return S_OK;
  }
  return E_FAIL;
}

ComPtr<IUnknown> NewDefaultSymbol(SymbolKind kind) {
  CLSID clsid{};
  switch (kind) {
    case SymbolKind::Marker: clsid = host::CLSID_SimpleMarkerSymbol; break;
    case SymbolKind::Line: clsid = host::CLSID_SimpleLineSymbol; break;
    case SymbolKind::Fill: clsid = host::CLSID_SimpleFillSymbol; break;
    case SymbolKind::Text: clsid = host::CLSID_TextSymbol; break;
    default: return nullptr;
  }
  ComPtr<IUnknown> s;
  if (FAILED(CoCreateInstance(clsid, nullptr, 0x17, IidOf<IUnknown>(), s.put_void())))
    return nullptr;
  return s;
}

bool ZelSymbolButtonCtrl::Subclass(HWND h) {
  if (m_hWnd || !::IsWindow(h)) return false;
  if (!SubclassWindow(h)) return false;
  ::SendMessageW(h, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
  return true;
}

LRESULT ZelSymbolButtonCtrl::SetSymbol(IUnknown* symbol) {
  m_symbol = nullptr;
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
  std::wstring text;
  if (symbol && productline::SymbolToText(symbol, text))
    m_symbol = productline::SymbolFromText(text);
  return 0;
}

LRESULT ZelSymbolButtonCtrl::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  LRESULT r = DefWindowProc();
  ::SendMessageW(m_hWnd, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
  return r;
}

LRESULT ZelSymbolButtonCtrl::OnKeyUp(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (wParam != VK_F4) {
    bHandled = FALSE;
    return 0;
  }
  ::SendMessageW(m_hWnd, BM_CLICK, 0, 0);
  return 0;
}

LRESULT ZelSymbolButtonCtrl::OnReflectedCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (HIWORD(wParam) != BN_CLICKED) {
    bHandled = FALSE;
    return 0;
  }
  return 1;
}

LRESULT ZelSymbolButtonCtrl::OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
  if (!dis) return 0;
  HDC dc = dis->hDC;
  bool pressed = dis->itemState & ODS_SELECTED, disabled = dis->itemState & ODS_DISABLED,
       focused = dis->itemState & ODS_FOCUS;
  RECT frame = dis->rcItem;
  if (focused) {
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_3DDKSHADOW));
    InflateRect(&frame, -1, -1);
  }
  DrawFrameControl(dc, &frame, DFC_BUTTON,
                   DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
  if (m_symbol) {
    int saved = SaveDC(dc);
    RECT inner = dis->rcItem;
    InflateRect(&inner, -3, -3);
    DrawSymbolPreview(m_symbol.get(), dc, inner, 0);
    RestoreDC(dc, saved);
  }
  if (focused) {
    RECT f = dis->rcItem;
    InflateRect(&f, -1, -1);
    DrawFocusRect(dc, &f);
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    InflateRect(&frame, -3, -3);
    DrawFocusRect(dc, &frame);
    SelectObject(dc, old);
  }
  return 1;
}

LRESULT ZelSymbolButtonCtrl::OnMeasureItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
  auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
  if (!mis) return 0;
  if (mis->CtlType == ODT_MENU) {
    mis->itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYMENU));
  } else {
    HDC dc = ::GetDC(m_hWnd);
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    ::ReleaseDC(m_hWnd, dc);
    mis->itemHeight = static_cast<UINT>(tm.tmHeight);
  }
  return 1;
}

void ChooseSymbol(HWND page, ZelSymbolButtonCtrl& button, SymbolKind kind,
                  ComPtr<IUnknown>& pageSymbol) {
  if (!pageSymbol) pageSymbol = NewDefaultSymbol(kind);
  ComPtr<IUnknown> chosen;
  if (!host::RunSymbolSelector(page, pageSymbol.get(), std::addressof(chosen))) return;
  pageSymbol = chosen;
  button.SetSymbol(pageSymbol.get());
}

}  // namespace velk::corvane
