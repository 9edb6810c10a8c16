// System colours, brushes, pens, stock objects and bitmaps made in memory, kept by handle.
#include "platform/win/gdi.h"

#include <cstring>

#include "platform/win/gdi_internal.h"
#include "platform/win/window_internal.h"

using namespace velk::win::gdi;  // NOLINT(google-build-using-namespace)

namespace velk::win::gdi {

std::map<std::uintptr_t, GdiObject>& Objects() {
  static auto* m = new std::map<std::uintptr_t, GdiObject>();
  return *m;
}

namespace {
std::uintptr_t g_nextObject = 0x40000;
}  // namespace

std::uintptr_t NewObject(GdiObject o) {
  std::uintptr_t h = g_nextObject;
  g_nextObject += 4;
  Objects()[h] = std::move(o);
  return h;
}

GdiObject* FindObject(const void* h) {
  auto& m = Objects();
  auto it = m.find(reinterpret_cast<std::uintptr_t>(h));
  return it == m.end() ? nullptr : &it->second;
}

std::shared_ptr<Pixels> NewPixels(int w, int h) {
  auto px = std::make_shared<Pixels>();
  px->width = std::max(0, w);
  px->height = std::max(0, h);
  px->data.assign(static_cast<std::size_t>(px->width) * px->height, 0);
  return px;
}

}  // namespace velk::win::gdi

namespace {

// A fixed light scheme; the values are this platform's own.
COLORREF SchemeColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(200, 200, 200);
    case COLOR_BACKGROUND: return RGB(0, 0, 0);
    case COLOR_ACTIVECAPTION: return RGB(153, 180, 209);
    case COLOR_INACTIVECAPTION: return RGB(191, 205, 219);
    case COLOR_MENU: return RGB(240, 240, 240);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(100, 100, 100);
    case COLOR_MENUTEXT: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(0, 0, 0);
    case COLOR_ACTIVEBORDER: return RGB(180, 180, 180);
    case COLOR_INACTIVEBORDER: return RGB(244, 247, 252);
    case COLOR_APPWORKSPACE: return RGB(171, 171, 171);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    case COLOR_INFOTEXT: return RGB(0, 0, 0);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    case COLOR_HOTLIGHT: return RGB(0, 102, 204);
    case COLOR_GRADIENTACTIVECAPTION: return RGB(185, 209, 234);
    case COLOR_GRADIENTINACTIVECAPTION: return RGB(215, 228, 242);
    case COLOR_MENUHILIGHT: return RGB(51, 153, 255);
    case COLOR_MENUBAR: return RGB(240, 240, 240);
    default: return 0;
  }
}

}  // namespace

namespace velk::win::detail {

HBRUSH DefaultControlColors(UINT msg, HDC dc) {
  if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace velk::win::detail

DWORD GetSysColor(int index) { return SchemeColor(index); }

HBRUSH GetSysColorBrush(int index) {
  static std::map<int, std::uintptr_t> brushes;
  if (index < 0 || index > COLOR_MENUBAR) return nullptr;
  auto it = brushes.find(index);
  if (it != brushes.end()) return reinterpret_cast<HBRUSH>(it->second);
  GdiObject o;
  o.kind = Kind::Brush;
  o.color = SchemeColor(index);
  o.permanent = true;
  std::uintptr_t h = NewObject(o);
  brushes[index] = h;
  return reinterpret_cast<HBRUSH>(h);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  GdiObject o;
  o.kind = Kind::Brush;
  o.color = color & 0x00FFFFFF;
  return reinterpret_cast<HBRUSH>(NewObject(o));
}

HGDIOBJ GetStockObject(int index) {
  static std::map<int, std::uintptr_t> stock;
  auto it = stock.find(index);
  if (it != stock.end()) return reinterpret_cast<HGDIOBJ>(it->second);
  GdiObject o;
  o.permanent = true;
  switch (index) {
    case WHITE_BRUSH: o.color = RGB(255, 255, 255); break;
    case LTGRAY_BRUSH: o.color = RGB(192, 192, 192); break;
    case GRAY_BRUSH: o.color = RGB(128, 128, 128); break;
    case DKGRAY_BRUSH: o.color = RGB(64, 64, 64); break;
    case BLACK_BRUSH: o.color = RGB(0, 0, 0); break;
    case NULL_BRUSH: o.color = CLR_INVALID; break;
    case DEFAULT_GUI_FONT: o.kind = Kind::Font; break;
    case BLACK_PEN: o.kind = Kind::Pen; break;
    case NULL_PEN:
      o.kind = Kind::Pen;
      o.penStyle = PS_NULL;
      break;
    default: return nullptr;
  }
  std::uintptr_t h = NewObject(o);
  stock[index] = h;
  return reinterpret_cast<HGDIOBJ>(h);
}

BOOL DeleteObject(HGDIOBJ obj) {
  GdiObject* o = FindObject(obj);
  if (!o) return FALSE;
  if (o->permanent) return TRUE;  // deleting a system or stock object is harmless
  Objects().erase(reinterpret_cast<std::uintptr_t>(obj));
  return TRUE;
}

int GetObjectW(HGDIOBJ obj, int size, void* out) {
  GdiObject* o = FindObject(obj);
  if (!o || o->kind != Kind::Bitmap) return 0;
  if (!out) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP bm;
  bm.bmWidth = o->size.cx;
  bm.bmHeight = o->size.cy;
  bm.bmBitsPixel = o->pixels ? (o->pixels->mono ? 1 : 32) : 24;
  bm.bmWidthBytes = !o->pixels        ? ((o->size.cx * 3) + 3) & ~3
                    : o->pixels->mono ? ((o->size.cx + 15) / 16) * 2
                                      : o->size.cx * 4;
  std::memcpy(out, &bm, sizeof bm);
  return static_cast<int>(sizeof bm);
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  GdiObject o;
  o.kind = Kind::Bitmap;
  o.size = {width, height};
  o.pixels = NewPixels(width, height);
  return reinterpret_cast<HBITMAP>(NewObject(o));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  GdiObject o;
  o.kind = Kind::Pen;
  o.color = color & 0x00FFFFFF;
  o.penStyle = style;
  o.penWidth = width;
  return reinterpret_cast<HPEN>(NewObject(o));
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0 || (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32))
    return nullptr;
  GdiObject o;
  o.kind = Kind::Bitmap;
  o.size = {width, height};
  o.pixels = NewPixels(width, height);
  o.pixels->mono = bitsPerPixel == 1;
  if (bits && o.pixels->mono) {
    auto* bytes = static_cast<const unsigned char*>(bits);
    std::size_t stride = ((static_cast<std::size_t>(width) + 15) / 16) * 2;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (bytes[y * stride + x / 8] & (0x80 >> (x % 8)))
          o.pixels->data[static_cast<std::size_t>(y) * width + x] = kWhite;
  }
  return reinterpret_cast<HBITMAP>(NewObject(o));
}

namespace velk::win {

COLORREF BrushColor(HBRUSH brush) {
  GdiObject* o = FindObject(brush);
  return (o && o->kind == Kind::Brush) ? o->color : CLR_INVALID;
}

bool IsSystemBrush(HBRUSH brush) {
  GdiObject* o = FindObject(brush);
  return o && o->kind == Kind::Brush && o->permanent;
}

std::size_t LiveGdiObjectCount() {
  std::size_t n = 0;
  for (auto& [h, o] : Objects())
    if (!o.permanent) ++n;
  return n;
}

}  // namespace velk::win
