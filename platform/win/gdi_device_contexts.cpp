// Device contexts: colours, modes, origin and selections, saved states, text measures, and the
// windows' own pixels that a window's DC draws on.
#include "platform/win/gdi.h"

#include <algorithm>

#include "platform/win/gdi_internal.h"
#include "platform/win/window_internal.h"

using namespace velk::win::gdi;  // NOLINT(google-build-using-namespace)

namespace {

std::map<std::uintptr_t, DeviceContext>& Dcs() {
  static auto* m = new std::map<std::uintptr_t, DeviceContext>();
  return *m;
}

std::map<std::uintptr_t, std::shared_ptr<Pixels>>& WindowSurfaces() {
  static auto* m = new std::map<std::uintptr_t, std::shared_ptr<Pixels>>();
  return *m;
}

COLORREF ClassBackground(HWND h) {
  velk::win::detail::WindowPtr w = velk::win::detail::Find(h);
  if (!w) return CLR_INVALID;
  velk::win::detail::WindowClassRecord* c = velk::win::detail::FindClass(w->className.c_str());
  return c && c->background ? velk::win::BrushColor(c->background) : CLR_INVALID;
}

// The window's own pixels at its client size, made on first use in its class's background
// colour (button face without one); a resized window keeps what still fits.
Pixels* WindowSurface(HWND h) {
  RECT client{};
  if (!GetClientRect(h, &client)) return nullptr;
  int w = client.right, ht = client.bottom;
  auto& surfaces = WindowSurfaces();
  auto& slot = surfaces[reinterpret_cast<std::uintptr_t>(h)];
  if (slot && slot->width == w && slot->height == ht) return slot.get();
  COLORREF bg = ClassBackground(h);
  if (bg == CLR_INVALID) bg = GetSysColor(COLOR_BTNFACE);
  auto fresh = NewPixels(w, ht);
  std::uint32_t fill = ((bg & 0xFF) << 16) | (bg & 0xFF00) | ((bg >> 16) & 0xFF);
  std::fill(fresh->data.begin(), fresh->data.end(), fill);
  if (slot)
    for (int y = 0; y < std::min(ht, slot->height); ++y)
      for (int x = 0; x < std::min(w, slot->width); ++x)
        fresh->data[static_cast<std::size_t>(y) * w + x] =
            slot->data[static_cast<std::size_t>(y) * slot->width + x];
  slot = fresh;
  return slot.get();
}

}  // namespace

namespace velk::win::gdi {

DeviceContext* FindDc(HDC dc) {
  auto& m = Dcs();
  auto it = m.find(reinterpret_cast<std::uintptr_t>(dc));
  return it == m.end() ? nullptr : &it->second;
}

Pixels* SurfaceOf(DeviceContext* d) {
  if (!d) return nullptr;
  if (!d->memory) return d->hwnd && IsWindow(d->hwnd) ? WindowSurface(d->hwnd) : nullptr;
  auto it = d->selected.find(Kind::Bitmap);
  if (it == d->selected.end()) return nullptr;
  GdiObject* o = FindObject(it->second);
  return o && o->pixels ? o->pixels.get() : nullptr;
}

}  // namespace velk::win::gdi

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  DeviceContext* d = FindDc(dc);
  GdiObject* o = FindObject(obj);
  if (!d || !o) return nullptr;
  HGDIOBJ old = d->selected[o->kind];
  d->selected[o->kind] = obj;
  return old;
}

HDC GetDC(HWND h) {
  static std::uintptr_t next = 0x80000;
  if (h && !IsWindow(h)) return nullptr;
  std::uintptr_t k = next;
  next += 4;
  DeviceContext d;
  d.hwnd = h;
  Dcs()[k] = d;
  return reinterpret_cast<HDC>(k);
}

int ReleaseDC(HWND, HDC dc) { return Dcs().erase(reinterpret_cast<std::uintptr_t>(dc)) ? 1 : 0; }

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DeviceContext* d = FindDc(dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->text;
  d->text = color;
  return old;
}
COLORREF GetTextColor(HDC dc) {
  DeviceContext* d = FindDc(dc);
  return d ? d->text : CLR_INVALID;
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
  DeviceContext* d = FindDc(dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->bk;
  d->bk = color;
  return old;
}
COLORREF GetBkColor(HDC dc) {
  DeviceContext* d = FindDc(dc);
  return d ? d->bk : CLR_INVALID;
}
int SetBkMode(HDC dc, int mode) {
  DeviceContext* d = FindDc(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->bkMode;
  d->bkMode = mode;
  return old;
}
int GetBkMode(HDC dc) {
  DeviceContext* d = FindDc(dc);
  return d ? d->bkMode : 0;
}

BOOL GetTextExtentPoint32W(HDC, LPCWSTR text, int count, SIZE* size) {
  if (!size || (!text && count > 0) || count < 0) return FALSE;
  size->cx = 6 * count;
  size->cy = 13;
  return TRUE;
}

HDC CreateCompatibleDC(HDC) {
  HDC dc = GetDC(nullptr);
  if (DeviceContext* d = FindDc(dc)) d->memory = true;
  return dc;
}

BOOL DeleteDC(HDC dc) { return Dcs().erase(reinterpret_cast<std::uintptr_t>(dc)) ? TRUE : FALSE; }

int SaveDC(HDC dc) {
  DeviceContext* d = FindDc(dc);
  if (!d) return 0;
  d->saved.push_back(static_cast<const DcState&>(*d));
  return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
  DeviceContext* d = FindDc(dc);
  if (!d || d->saved.empty()) return FALSE;
  std::size_t n = d->saved.size();
  std::size_t index =
      saved < 0 ? n + static_cast<std::size_t>(saved) : static_cast<std::size_t>(saved) - 1;
  if (saved == 0 || index >= n) return FALSE;
  static_cast<DcState&>(*d) = d->saved[index];
  d->saved.resize(index);
  return TRUE;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  DeviceContext* d = FindDc(dc);
  if (!d) return FALSE;
  if (old) *old = d->origin;
  d->origin = {x, y};
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!FindDc(dc)) return 0;
  if (index == LOGPIXELSX || index == LOGPIXELSY) return 96;
  return 0;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm) {
  if (!FindDc(dc) || !tm) return FALSE;
  tm->tmHeight = 13;
  tm->tmAscent = 10;
  tm->tmDescent = 3;
  tm->tmAveCharWidth = 6;
  tm->tmMaxCharWidth = 6;
  return TRUE;
}

namespace velk::win::detail {

void DropWindowPixels(HWND h) { WindowSurfaces().erase(reinterpret_cast<std::uintptr_t>(h)); }

}  // namespace velk::win::detail

HDC BeginPaint(HWND h, PAINTSTRUCT* ps) {
  velk::win::detail::WindowPtr w = velk::win::detail::Find(h);
  if (!w || !ps) return nullptr;
  w->needsPaint = false;
  HDC dc = GetDC(h);
  *ps = PAINTSTRUCT{};
  ps->hdc = dc;
  GetClientRect(h, &ps->rcPaint);
  COLORREF bg = ClassBackground(h);
  if (bg != CLR_INVALID && SendMessageW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0)) {
    HBRUSH brush = CreateSolidBrush(bg);
    FillRect(dc, &ps->rcPaint, brush);
    DeleteObject(brush);
  }
  return dc;
}

BOOL EndPaint(HWND h, const PAINTSTRUCT* ps) { return ps && ReleaseDC(h, ps->hdc) ? TRUE : FALSE; }

namespace velk::win {

bool HasWindowPixels(HWND h) {
  return IsWindow(h) && WindowSurfaces().count(reinterpret_cast<std::uintptr_t>(h)) > 0;
}

bool CopyWindowPixels(HWND h, HDC dc, int x, int y) {
  if (!HasWindowPixels(h)) return false;
  HDC window = GetDC(h);
  RECT r{};
  GetClientRect(h, &r);
  BitBlt(dc, x, y, r.right, r.bottom, window, 0, 0, SRCCOPY);
  ReleaseDC(h, window);
  return true;
}

PaintColors QueryControlColors(HWND control) {
  PaintColors pc;
  if (!IsWindow(control)) return pc;
  HWND parent = GetParent(control);
  std::wstring cls = WindowClassName(control);
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  UINT msg = WM_CTLCOLORSTATIC;
  if (detail::EqualsNoCase(cls, WC_EDIT)) {
    bool editable = !(style & ES_READONLY) && IsWindowEnabled(control);
    msg = editable ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
  } else if (detail::EqualsNoCase(cls, WC_LISTBOX)) {
    msg = WM_CTLCOLORLISTBOX;
  } else if (detail::EqualsNoCase(cls, WC_BUTTON)) {
    DWORD type = style & BS_TYPEMASK;
    msg = (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
  } else if (detail::EqualsNoCase(cls, WC_DIALOG)) {
    msg = WM_CTLCOLORDLG;
  }
  HDC dc = GetDC(control);
  LRESULT r = parent ? SendMessageW(parent, msg, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(control))
                     : reinterpret_cast<LRESULT>(detail::DefaultControlColors(msg, dc));
  if (!r) r = reinterpret_cast<LRESULT>(detail::DefaultControlColors(msg, dc));
  pc.text = GetTextColor(dc);
  pc.background = GetBkColor(dc);
  pc.bkMode = GetBkMode(dc);
  pc.brush = reinterpret_cast<HBRUSH>(r);
  pc.brushColor = BrushColor(pc.brush);
  ReleaseDC(control, dc);
  return pc;
}

}  // namespace velk::win
