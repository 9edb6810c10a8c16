#include "platform/win/painting.h"

#include <vector>

#include "platform/win/common_controls.h"
#include "platform/win/window_internal.h"

namespace velk::win {
namespace {

using detail::EqualsNoCase;

DWORD StyleOf(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)); }

// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  HWND parent = GetParent(h);
  if (parent && (StyleOf(h) & WS_CHILD)) {
    POINT pts[2] = {{r.left, r.top}, {r.right, r.bottom}};
    MapWindowPoints(nullptr, parent, pts, 2);
    r = {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
  }
  return r;
}

void Text(HDC dc, const std::wstring& text, RECT r, UINT format, COLORREF color) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_SINGLELINE);
}

COLORREF TextColor(HWND h) {
  return GetSysColor(IsWindowEnabled(h) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
}

void PaintButton(HWND h, HDC dc, const RECT& r) {
  DWORD style = StyleOf(h), type = style & BS_TYPEMASK;
  std::wstring text = WindowText(h);
  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(h));
    dis.itemAction = ODA_DRAWENTIRE;
    LRESULT state = SendMessageW(h, BM_GETSTATE, 0, 0);
    if (state & BST_PUSHED) dis.itemState |= ODS_SELECTED;
    if (!IsWindowEnabled(h)) dis.itemState |= ODS_DISABLED;
    if (GetFocus() == h) dis.itemState |= ODS_FOCUS;
    dis.hwndItem = h;
    dis.hDC = dc;
    GetClientRect(h, &dis.rcItem);
    if (HWND parent = GetParent(h))
      SendMessageW(parent, WM_DRAWITEM, static_cast<WPARAM>(dis.CtlID),
                   reinterpret_cast<LPARAM>(&dis));
    return;
  }
  RECT box = r;
  if (type == BS_GROUPBOX) {
    RECT frame{r.left, r.top + 6, r.right, r.bottom};
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
    SIZE e{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &e);
    if (!text.empty()) {
      RECT label{r.left + 6, r.top, r.left + 10 + e.cx, r.top + 13};
      FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
      label.left += 2;
      Text(dc, text, label, DT_LEFT, TextColor(h));
    }
    return;
  }
  if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
      type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
    int mid = (r.top + r.bottom) / 2;
    RECT mark{r.left, mid - 6, r.left + 13, mid + 7};
    UINT state = (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) ? DFCS_BUTTONRADIO
                                                                        : DFCS_BUTTONCHECK;
    if (SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) state |= DFCS_CHECKED;
    if (!IsWindowEnabled(h)) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &mark, DFC_BUTTON, state);
    RECT label{r.left + 17, r.top, r.right, r.bottom};
    Text(dc, text, label, DT_LEFT | DT_VCENTER, TextColor(h));
    return;
  }
  UINT state = DFCS_BUTTONPUSH;
  if (SendMessageW(h, BM_GETSTATE, 0, 0) & BST_PUSHED) state |= DFCS_PUSHED;
  DrawFrameControl(dc, &box, DFC_BUTTON, state);
  Text(dc, text, box, DT_CENTER | DT_VCENTER, TextColor(h));
}

void PaintField(HWND h, HDC dc, const RECT& r, const std::wstring& text, bool arrow) {
  bool enabled = IsWindowEnabled(h) &&
                 !(EqualsNoCase(WindowClassName(h), WC_EDIT) && (StyleOf(h) & ES_READONLY));
  FillRect(dc, &r, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  RECT inner{r.left + 3, r.top, r.right - (arrow ? 17 : 3), r.bottom};
  Text(dc, text, inner, DT_LEFT | DT_VCENTER, TextColor(h));
  if (arrow) {
    RECT button{r.right - 16, r.top + 1, r.right - 1, r.bottom - 1};
    DrawFrameControl(dc, &button, DFC_BUTTON, DFCS_BUTTONPUSH);
    int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
    POINT tri[] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    HGDIOBJ oldBrush = SelectObject(dc, black);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Polygon(dc, tri, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
  }
}

std::wstring ComboText(HWND h) {
  LRESULT sel = SendMessageW(h, CB_GETCURSEL, 0, 0);
  if (sel < 0) return WindowText(h);
  LRESULT n = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0);
  if (n < 0) return L"";
  std::wstring t(static_cast<std::size_t>(n) + 1, L'\0');
  SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(t.data()));
  t.resize(static_cast<std::size_t>(n));
  return t;
}

void PaintTrackBar(HWND h, HDC dc, const RECT& r) {
  int low = static_cast<int>(SendMessageW(h, TBM_GETRANGEMIN, 0, 0));
  int high = static_cast<int>(SendMessageW(h, TBM_GETRANGEMAX, 0, 0));
  int pos = static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0));
  int mid = (r.top + r.bottom) / 2;
  RECT channel{r.left + 8, mid - 2, r.right - 8, mid + 2};
  FillRect(dc, &channel, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &channel, GetSysColorBrush(COLOR_BTNSHADOW));
  int span = channel.right - channel.left;
  int x =
      channel.left +
      (high > low ? static_cast<int>(static_cast<long long>(pos - low) * span / (high - low)) : 0);
  RECT thumb{x - 5, mid - 9, x + 6, mid + 9};
  DrawFrameControl(dc, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
}

void PaintTabs(HWND h, HDC dc, const RECT& r) {
  RECT body{r.left, r.top + 20, r.right, r.bottom};
  FrameRect(dc, &body, GetSysColorBrush(COLOR_BTNSHADOW));
  int count = static_cast<int>(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0));
  int sel = static_cast<int>(SendMessageW(h, TCM_GETCURSEL, 0, 0));
  int x = r.left + 2;
  for (int i = 0; i < count; ++i) {
    wchar_t buf[128] = L"";
    TCITEMW item;
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 128;
    SendMessageW(h, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    std::wstring text = buf;
    SIZE e{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &e);
    RECT tab{x, r.top + (i == sel ? 0 : 2), x + e.cx + 12, r.top + 21};
    FillRect(dc, &tab, GetSysColorBrush(i == sel ? COLOR_WINDOW : COLOR_BTNFACE));
    FrameRect(dc, &tab, GetSysColorBrush(COLOR_BTNSHADOW));
    Text(dc, text, tab, DT_CENTER | DT_VCENTER, GetSysColor(COLOR_BTNTEXT));
    x = tab.right;
  }
}

void PaintOne(HWND h, HDC dc) {
  RECT r{};
  GetClientRect(h, &r);
  std::wstring cls = WindowClassName(h);
  DWORD style = StyleOf(h);
  if (EqualsNoCase(cls, WC_BUTTON)) {
    PaintButton(h, dc, r);
  } else if (EqualsNoCase(cls, WC_STATIC)) {
    UINT align = (style & SS_TYPEMASK) == SS_CENTER  ? DT_CENTER
                 : (style & SS_TYPEMASK) == SS_RIGHT ? DT_RIGHT
                                                     : DT_LEFT;
    Text(dc, WindowText(h), r, align, TextColor(h));
  } else if (EqualsNoCase(cls, WC_EDIT)) {
    PaintField(h, dc, r, WindowText(h), false);
  } else if (EqualsNoCase(cls, WC_COMBOBOX)) {
    RECT field{r.left, r.top, r.right, r.top + std::min<LONG>(r.bottom - r.top, 21)};
    PaintField(h, dc, field, ComboText(h), true);
  } else if (EqualsNoCase(cls, TRACKBAR_CLASS)) {
    PaintTrackBar(h, dc, r);
  } else if (EqualsNoCase(cls, WC_TABCONTROL)) {
    PaintTabs(h, dc, r);
  } else {
    // Any other window shows its own pixels once the paint that is due has been done; one
    // that never drew shows the button face.
    UpdateWindow(h);
    if (!CopyWindowPixels(h, dc, 0, 0)) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  }
}

void PaintTree(HWND h, HDC dc, POINT origin) {
  POINT old{};
  SetViewportOrgEx(dc, origin.x, origin.y, &old);
  PaintOne(h, dc);
  for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    RECT cr = RectInParent(c);
    PaintTree(c, dc, {origin.x + cr.left, origin.y + cr.top});
  }
  SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

}  // namespace

void PaintWindow(HWND h, HDC dc) {
  if (!IsWindow(h)) return;
  POINT origin{};
  SetViewportOrgEx(dc, 0, 0, &origin);
  SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  PaintTree(h, dc, origin);
}

bool WriteWindowPng(HWND h, const std::string& path) {
  if (!IsWindow(h)) return false;
  RECT r{};
  GetWindowRect(h, &r);
  int w = r.right - r.left, ht = r.bottom - r.top;
  if (w <= 0 || ht <= 0) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, ht);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, w, ht};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  PaintWindow(h, dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  bool ok = WriteBitmapPng(bmp, path);
  DeleteObject(bmp);
  return ok;
}

}  // namespace velk::win
