#include "platform/win/gdi.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/com/text.h"
#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace {

enum class Kind { Brush, Bitmap, Icon, Cursor, Font, Pen };

// The pixels of a bitmap made in memory: rows top down, each pixel 0x00RRGGBB (the layout
// cairo's RGB24 surfaces use, so cairo draws straight into it).
struct Pixels {
  int width = 0;
  int height = 0;
  bool mono = false;  // black (0) and white (0xFFFFFF) only
  std::vector<std::uint32_t> data;
};

struct GdiObject {
  Kind kind = Kind::Brush;
  COLORREF color = 0;
  bool permanent = false;  // system and stock objects
  SIZE size{};
  std::wstring name;
  int penStyle = PS_SOLID;
  int penWidth = 1;
  std::shared_ptr<Pixels> pixels;  // bitmaps made in memory
};

struct DcState {
  COLORREF text = RGB(0, 0, 0);
  COLORREF bk = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  std::map<Kind, HGDIOBJ> selected;
  POINT origin{};
  POINT pen{};
};

struct DeviceContext : DcState {
  HWND hwnd = nullptr;
  bool memory = false;
  std::vector<DcState> saved;
};

std::map<std::uintptr_t, GdiObject>& Objects() {
  static auto* m = new std::map<std::uintptr_t, GdiObject>();
  return *m;
}
std::map<std::uintptr_t, DeviceContext>& Dcs() {
  static auto* m = new std::map<std::uintptr_t, DeviceContext>();
  return *m;
}
std::uintptr_t g_nextObject = 0x40000;
HCURSOR g_cursor = nullptr;

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

DeviceContext* FindDc(HDC dc) {
  auto& m = Dcs();
  auto it = m.find(reinterpret_cast<std::uintptr_t>(dc));
  return it == m.end() ? nullptr : &it->second;
}

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

std::string ResourceName(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return std::to_string(reinterpret_cast<std::uintptr_t>(name));
  return velk::ToUtf8(name);
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

// Width and height of a Windows bitmap file; false when the bytes are not one.
bool BitmapFileSize(const std::string& b, SIZE* size) {
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
  std::uint32_t header = Le32(b, 14);
  if (header == 12) {  // core header: 16-bit sizes
    size->cx = static_cast<unsigned char>(b[18]) | (static_cast<unsigned char>(b[19]) << 8);
    size->cy = static_cast<unsigned char>(b[20]) | (static_cast<unsigned char>(b[21]) << 8);
    return true;
  }
  if (header < 40) return false;
  auto w = static_cast<std::int32_t>(Le32(b, 18));
  auto h = static_cast<std::int32_t>(Le32(b, 22));
  size->cx = w;
  size->cy = h < 0 ? -h : h;
  return w > 0;
}

// Size of the first image of an icon or cursor file (0 in the directory means 256).
bool IconFileSize(const std::string& b, SIZE* size) {
  if (b.size() < 8 || b[0] != 0 || b[1] != 0 || (b[2] != 1 && b[2] != 2)) return false;
  int w = static_cast<unsigned char>(b[6]);
  int h = static_cast<unsigned char>(b[7]);
  size->cx = w ? w : 256;
  size->cy = h ? h : 256;
  return true;
}

std::shared_ptr<Pixels> DecodeBitmapFile(const std::string& b);
std::shared_ptr<Pixels> Scaled(const Pixels& p, int w, int h);

HANDLE SystemCursor(LPCWSTR name, Kind kind) {
  static std::map<std::pair<int, std::uintptr_t>, std::uintptr_t> cache;
  auto key = std::make_pair(static_cast<int>(kind), reinterpret_cast<std::uintptr_t>(name));
  auto it = cache.find(key);
  if (it != cache.end()) return reinterpret_cast<HANDLE>(it->second);
  GdiObject o;
  o.kind = kind;
  o.permanent = true;
  o.size = {32, 32};
  std::uintptr_t h = NewObject(o);
  cache[key] = h;
  return reinterpret_cast<HANDLE>(h);
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

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  DeviceContext* d = FindDc(dc);
  GdiObject* o = FindObject(obj);
  if (!d || !o) return nullptr;
  HGDIOBJ old = d->selected[o->kind];
  d->selected[o->kind] = obj;
  return old;
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

HANDLE LoadImageW(HINSTANCE inst, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Kind kind = type == IMAGE_BITMAP ? Kind::Bitmap : type == IMAGE_ICON ? Kind::Icon : Kind::Cursor;
  if (!inst && !(flags & LR_LOADFROMFILE) && IS_INTRESOURCE(name) && type != IMAGE_BITMAP)
    return SystemCursor(name, kind);
  std::string bytes;
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return nullptr;
    std::ifstream in(velk::ToUtf8(name), std::ios::binary);
    if (!in) {
      SetLastError(2);  // file not found
      return nullptr;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    bytes = ss.str();
  } else {
    if (!inst) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    const char* resType = type == IMAGE_BITMAP ? "BITMAPS"
                          : type == IMAGE_ICON ? "ICONS"
                                               : "CURSORS";
    const std::string* data = inst->Find(resType, ResourceName(name));
    if (!data) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    bytes = *data;
  }
  GdiObject o;
  o.kind = kind;
  bool ok = type == IMAGE_BITMAP ? BitmapFileSize(bytes, &o.size) : IconFileSize(bytes, &o.size);
  if (!ok) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  if (type == IMAGE_BITMAP) {
    // A bitmap whose pixels cannot be read is refused, not handed out as an empty picture.
    o.pixels = DecodeBitmapFile(bytes);
    if (!o.pixels) {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
    }
  }
  if (cx > 0) o.size.cx = cx;
  if (cy > 0) o.size.cy = cy;
  if (o.pixels && (o.pixels->width != o.size.cx || o.pixels->height != o.size.cy))
    o.pixels = Scaled(*o.pixels, o.size.cx, o.size.cy);
  o.name = IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<std::uintptr_t>(name))
                                : std::wstring(name);
  return reinterpret_cast<HANDLE>(NewObject(o));
}

HBITMAP LoadBitmapW(HINSTANCE inst, LPCWSTR name) {
  return static_cast<HBITMAP>(LoadImageW(inst, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}
HCURSOR LoadCursorW(HINSTANCE inst, LPCWSTR name) {
  return static_cast<HCURSOR>(LoadImageW(inst, name, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = g_cursor;
  g_cursor = cursor;
  return old;
}

namespace {

std::uint32_t ToPixel(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
COLORREF FromPixel(std::uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

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

std::shared_ptr<Pixels> NewPixels(int w, int h);

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

Pixels* SurfaceOf(DeviceContext* d) {
  if (!d) return nullptr;
  if (!d->memory) return d->hwnd && IsWindow(d->hwnd) ? WindowSurface(d->hwnd) : nullptr;
  auto it = d->selected.find(Kind::Bitmap);
  if (it == d->selected.end()) return nullptr;
  GdiObject* o = FindObject(it->second);
  return o && o->pixels ? o->pixels.get() : nullptr;
}

// A cairo context over the DC's bitmap, moved by the DC's origin, drawing without smoothing so
// that lines and fills land on whole pixels as the system's would.
struct Canvas {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  explicit Canvas(DeviceContext* d) {
    Pixels* px = SurfaceOf(d);
    if (!px || px->width <= 0 || px->height <= 0) return;
    surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(px->data.data()),
                                                  CAIRO_FORMAT_RGB24, px->width, px->height,
                                                  px->width * 4);
    cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_translate(cr, d->origin.x, d->origin.y);
  }
  ~Canvas() {
    if (cr) cairo_destroy(cr);
    if (surface) {
      cairo_surface_flush(surface);
      cairo_surface_destroy(surface);
    }
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  explicit operator bool() const { return cr != nullptr; }
  void Color(COLORREF c) {
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                         ((c >> 16) & 0xFF) / 255.0);
  }
};

GdiObject* Selected(DeviceContext* d, Kind kind) {
  auto it = d->selected.find(kind);
  return it == d->selected.end() ? nullptr : FindObject(it->second);
}

// The DC's pen, or the default one-pixel black pen.
bool PenOf(DeviceContext* d, COLORREF* color, int* width, int* style) {
  GdiObject* p = Selected(d, Kind::Pen);
  *color = p ? p->color : RGB(0, 0, 0);
  *width = p ? std::max(1, p->penWidth) : 1;
  *style = p ? p->penStyle : PS_SOLID;
  return *style != PS_NULL;
}

// The DC's brush colour, or CLR_INVALID for a hollow brush (default: white).
COLORREF BrushOf(DeviceContext* d) {
  GdiObject* b = Selected(d, Kind::Brush);
  return b ? b->color : RGB(255, 255, 255);
}

void Stroke(Canvas& c, DeviceContext* d) {
  COLORREF color;
  int width, style;
  if (!PenOf(d, &color, &width, &style)) {
    cairo_new_path(c.cr);
    return;
  }
  c.Color(color);
  cairo_set_line_width(c.cr, width);
  if (style == PS_DASH) {
    double dash[] = {6.0, 3.0};
    cairo_set_dash(c.cr, dash, 2, 0);
  } else if (style == PS_DOT) {
    double dash[] = {1.0, 1.0};
    cairo_set_dash(c.cr, dash, 2, 0);
  }
  cairo_stroke(c.cr);
  cairo_set_dash(c.cr, nullptr, 0, 0);
}

void FillAndStroke(Canvas& c, DeviceContext* d) {
  COLORREF brush = BrushOf(d);
  if (brush != CLR_INVALID) {
    c.Color(brush);
    cairo_fill_preserve(c.cr);
  }
  Stroke(c, d);
}

std::shared_ptr<Pixels> NewPixels(int w, int h) {
  auto px = std::make_shared<Pixels>();
  px->width = std::max(0, w);
  px->height = std::max(0, h);
  px->data.assign(static_cast<std::size_t>(px->width) * px->height, 0);
  return px;
}

// The interior of a polygon (even-odd): on each pixel row y, the pixels from the first whole x
// at or right of where an edge crosses the row to the last whole x at or left of the next
// crossing; an edge counts for rows from its upper end up to, not including, its lower end.
void FillPolygon(HDC dc, DeviceContext* d, const POINT* points, int count) {
  COLORREF brush = BrushOf(d);
  if (brush == CLR_INVALID) return;
  int top = points[0].y, bottom = points[0].y;
  for (int i = 1; i < count; ++i) {
    top = std::min<int>(top, points[i].y);
    bottom = std::max<int>(bottom, points[i].y);
  }
  for (int y = top; y < bottom; ++y) {
    std::vector<double> xs;
    for (int i = 0; i < count; ++i) {
      POINT a = points[i], b = points[(i + 1) % count];
      if (a.y == b.y) continue;
      if (a.y > b.y) std::swap(a, b);
      if (y < a.y || y >= b.y) continue;
      xs.push_back(a.x + static_cast<double>(b.x - a.x) * (y - a.y) / (b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2)
      for (int x = static_cast<int>(std::ceil(xs[k])); x <= static_cast<int>(std::floor(xs[k + 1]));
           ++x)
        SetPixel(dc, x, y, brush);
  }
}

}  // namespace

HDC CreateCompatibleDC(HDC) {
  HDC dc = GetDC(nullptr);
  if (DeviceContext* d = FindDc(dc)) d->memory = true;
  return dc;
}

BOOL DeleteDC(HDC dc) { return Dcs().erase(reinterpret_cast<std::uintptr_t>(dc)) ? TRUE : FALSE; }

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

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  DeviceContext* d = FindDc(dc);
  COLORREF color = velk::win::BrushColor(brush);
  if (!d || !r) return 0;
  Canvas c(d);
  if (!c || color == CLR_INVALID) return 1;
  c.Color(color);
  cairo_rectangle(c.cr, r->left, r->top, r->right - r->left, r->bottom - r->top);
  cairo_fill(c.cr);
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush) {
  if (!r) return 0;
  RECT sides[] = {{r->left, r->top, r->right, r->top + 1},
                  {r->left, r->bottom - 1, r->right, r->bottom},
                  {r->left, r->top, r->left + 1, r->bottom},
                  {r->right - 1, r->top, r->right, r->bottom}};
  for (const RECT& s : sides) FillRect(dc, &s, brush);
  return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = FindDc(dc);
  if (!d) return FALSE;
  Canvas c(d);
  if (!c) return TRUE;
  cairo_rectangle(c.cr, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
  FillAndStroke(c, d);
  return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = FindDc(dc);
  if (!d) return FALSE;
  Canvas c(d);
  if (!c) return TRUE;
  double w = std::max(1, right - left - 1), h = std::max(1, bottom - top - 1);
  cairo_save(c.cr);
  cairo_translate(c.cr, left + 0.5 + w / 2, top + 0.5 + h / 2);
  cairo_scale(c.cr, w / 2, h / 2);
  cairo_arc(c.cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(c.cr);
  FillAndStroke(c, d);
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  DeviceContext* d = FindDc(dc);
  if (!d || !points || count < 2) return FALSE;
  if (!SurfaceOf(d)) return TRUE;
  FillPolygon(dc, d, points, count);
  Canvas c(d);
  for (int i = 0; i < count; ++i)
    (i ? cairo_line_to : cairo_move_to)(c.cr, points[i].x + 0.5, points[i].y + 0.5);
  cairo_close_path(c.cr);
  Stroke(c, d);
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  DeviceContext* d = FindDc(dc);
  if (!d || !points || count < 2) return FALSE;
  Canvas c(d);
  if (!c) return TRUE;
  for (int i = 0; i < count; ++i)
    (i ? cairo_line_to : cairo_move_to)(c.cr, points[i].x + 0.5, points[i].y + 0.5);
  Stroke(c, d);
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  DeviceContext* d = FindDc(dc);
  if (!d) return FALSE;
  if (old) *old = d->pen;
  d->pen = {x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  DeviceContext* d = FindDc(dc);
  if (!d) return FALSE;
  POINT line[] = {d->pen, {x, y}};
  d->pen = {x, y};
  return Polyline(dc, line, 2);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  DeviceContext* d = FindDc(dc);
  Pixels* px = SurfaceOf(d);
  if (!px) return CLR_INVALID;
  x += d->origin.x;
  y += d->origin.y;
  if (x < 0 || y < 0 || x >= px->width || y >= px->height) return CLR_INVALID;
  px->data[static_cast<std::size_t>(y) * px->width + x] = ToPixel(color);
  return color & 0x00FFFFFF;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DeviceContext* d = FindDc(dc);
  Pixels* px = SurfaceOf(d);
  if (!px) return CLR_INVALID;
  x += d->origin.x;
  y += d->origin.y;
  if (x < 0 || y < 0 || x >= px->width || y >= px->height) return CLR_INVALID;
  return FromPixel(px->data[static_cast<std::size_t>(y) * px->width + x]);
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  DeviceContext* d = FindDc(dc);
  if (!d || (!text && count > 0)) return FALSE;
  Canvas c(d);
  if (!c || count <= 0) return TRUE;
  std::string utf8 = velk::ToUtf8(std::wstring_view(text, static_cast<std::size_t>(count)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text, count, &extent);
  if (d->bkMode == OPAQUE) {
    c.Color(d->bk);
    cairo_rectangle(c.cr, x, y, extent.cx, extent.cy);
    cairo_fill(c.cr);
  }
  // Text is smoothed; the cell of each character follows the measuring rule (6 by 13).
  cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_GRAY);
  cairo_select_font_face(c.cr, "DejaVu Sans Mono", CAIRO_FONT_SLANT_NORMAL,
                         CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(c.cr, 10.0);
  c.Color(d->text);
  cairo_move_to(c.cr, x, y + 10);
  cairo_show_text(c.cr, utf8.c_str());
  return TRUE;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* r, UINT format) {
  if (!text || !r) return 0;
  std::size_t n = count < 0 ? std::wcslen(text) : static_cast<std::size_t>(count);
  std::wstring shown;
  for (std::size_t i = 0; i < n; ++i) {  // '&' marks a mnemonic, "&&" is one '&'
    if (text[i] == L'&' && i + 1 < n) ++i;
    shown.push_back(text[i]);
  }
  SIZE e{};
  GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &e);
  int x = r->left, y = r->top;
  if (format & DT_CENTER) x = r->left + (r->right - r->left - e.cx) / 2;
  if (format & DT_RIGHT) x = r->right - e.cx;
  if (format & DT_VCENTER) y = r->top + (r->bottom - r->top - e.cy) / 2;
  TextOutW(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
  return e.cy;
}

BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state) {
  if (!r || type != DFC_BUTTON) return FALSE;
  RECT box = *r;
  if (state & DFCS_BUTTONPUSH) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    bool pushed = (state & DFCS_PUSHED) != 0;
    HBRUSH light = GetSysColorBrush(pushed ? COLOR_3DDKSHADOW : COLOR_3DHIGHLIGHT);
    HBRUSH dark = GetSysColorBrush(pushed ? COLOR_3DHIGHLIGHT : COLOR_3DDKSHADOW);
    RECT top{box.left, box.top, box.right, box.top + 1},
        left{box.left, box.top, box.left + 1, box.bottom};
    RECT bottom{box.left, box.bottom - 1, box.right, box.bottom},
        right{box.right - 1, box.top, box.right, box.bottom};
    FillRect(dc, &top, light);
    FillRect(dc, &left, light);
    FillRect(dc, &bottom, dark);
    FillRect(dc, &right, dark);
    return TRUE;
  }
  // Check and radio boxes: a white box, framed, with a mark when checked.
  FillRect(dc, &box, GetSysColorBrush((state & DFCS_INACTIVE) ? COLOR_BTNFACE : COLOR_WINDOW));
  FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  if (state & DFCS_CHECKED) {
    RECT mark{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
    FillRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
  }
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* r) {
  DeviceContext* d = FindDc(dc);
  if (!d || !r) return FALSE;
  for (int x = r->left; x < r->right; x += 2) {
    SetPixel(dc, x, r->top, RGB(0, 0, 0));
    SetPixel(dc, x, r->bottom - 1, RGB(0, 0, 0));
  }
  for (int y = r->top; y < r->bottom; y += 2) {
    SetPixel(dc, r->left, y, RGB(0, 0, 0));
    SetPixel(dc, r->right - 1, y, RGB(0, 0, 0));
  }
  return TRUE;
}

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

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

std::uint32_t MonoOf(std::uint32_t pixel) { return (pixel & kWhite) == kWhite ? kWhite : 0; }

// A pixel of the source as the destination's format sees it.
std::uint32_t Convert(std::uint32_t s, const Pixels& from, const DeviceContext& src,
                      const Pixels& to, const DeviceContext& dst) {
  if (from.mono == to.mono) return s;
  if (to.mono) return s == ToPixel(src.bk & 0x00FFFFFF) ? kWhite : 0;
  return ToPixel((s ? dst.bk : dst.text) & 0x00FFFFFF);
}

// The ternary raster operation: bit i of the operation code gives the result for pattern,
// source and destination bits (P << 2 | S << 1 | D) = i.
std::uint32_t Rop3(DWORD rop, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  unsigned code = (rop >> 16) & 0xFF;
  std::uint32_t r = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!(code & (1u << i))) continue;
    std::uint32_t term = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    r |= term;
  }
  return r & kWhite;
}

bool UsesSource(DWORD rop) {
  unsigned code = (rop >> 16) & 0xFF;
  return ((code >> 2) & 0x33) != (code & 0x33);
}

BOOL Transfer(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
              DWORD rop) {
  DeviceContext* dd = FindDc(dst);
  if (!dd || w <= 0 || h <= 0) return FALSE;
  Pixels* to = SurfaceOf(dd);
  if (!to) return TRUE;
  bool needSource = UsesSource(rop);
  DeviceContext* sd = needSource ? FindDc(src) : nullptr;
  Pixels* from = sd ? SurfaceOf(sd) : nullptr;
  if (needSource && (!sd || sw <= 0 || sh <= 0)) return FALSE;
  if (needSource && !from) return TRUE;
  // A copy of the source, so that a transfer within one bitmap reads what was there before.
  Pixels source = from ? *from : Pixels{};
  COLORREF brush = BrushOf(dd);
  std::uint32_t pattern = brush == CLR_INVALID ? 0 : ToPixel(brush & 0x00FFFFFF);
  if (to->mono) pattern = MonoOf(pattern);
  x += dd->origin.x;
  y += dd->origin.y;
  if (sd) {
    sx += sd->origin.x;
    sy += sd->origin.y;
  }
  for (int j = 0; j < h; ++j) {
    int ty = y + j;
    if (ty < 0 || ty >= to->height) continue;
    for (int i = 0; i < w; ++i) {
      int tx = x + i;
      if (tx < 0 || tx >= to->width) continue;
      std::uint32_t sp = 0;
      if (needSource) {
        int fx = sx + static_cast<int>(static_cast<long long>(i) * sw / w);
        int fy = sy + static_cast<int>(static_cast<long long>(j) * sh / h);
        if (fx < 0 || fy < 0 || fx >= source.width || fy >= source.height) continue;
        sp = Convert(source.data[static_cast<std::size_t>(fy) * source.width + fx], source, *sd,
                     *to, *dd);
      }
      std::uint32_t& dp = to->data[static_cast<std::size_t>(ty) * to->width + tx];
      dp = Rop3(rop, pattern, sp, dp);
      if (to->mono) dp = MonoOf(dp);
    }
  }
  return TRUE;
}

std::uint16_t Le16(const std::string& b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}

// The pixels of a Windows bitmap file (uncompressed, 1, 4, 8, 24 or 32 bits); null for others.
std::shared_ptr<Pixels> DecodeBitmapFile(const std::string& b) {
  std::uint32_t header = Le32(b, 14);
  if (header < 40) return nullptr;
  auto w = static_cast<std::int32_t>(Le32(b, 18));
  auto h = static_cast<std::int32_t>(Le32(b, 22));
  int bits = Le16(b, 28);
  std::uint32_t compression = Le32(b, 30);
  std::uint32_t offset = Le32(b, 10);
  if (w <= 0 || h == 0 || compression != 0 || w > 16384 || std::abs(h) > 16384) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;
  bool bottomUp = h > 0;
  int height = bottomUp ? h : -h;
  std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
  if (offset + stride * height > b.size()) return nullptr;
  std::vector<std::uint32_t> colors;
  if (bits <= 8) {
    std::uint32_t used = Le32(b, 46);
    std::size_t n = used ? used : (1u << bits);
    std::size_t table = 14 + header;
    if (table + 4 * n > b.size()) return nullptr;
    for (std::size_t k = 0; k < n; ++k) colors.push_back(Le32(b, table + 4 * k) & kWhite);
  }
  auto px = NewPixels(w, height);
  for (int row = 0; row < height; ++row) {
    std::size_t at = offset + stride * (bottomUp ? height - 1 - row : row);
    for (int x = 0; x < w; ++x) {
      std::uint32_t v = 0;
      auto byte = [&](std::size_t k) { return static_cast<unsigned char>(b[at + k]); };
      if (bits == 24 || bits == 32) {
        std::size_t k = static_cast<std::size_t>(x) * (bits / 8);
        v = (static_cast<std::uint32_t>(byte(k + 2)) << 16) | (byte(k + 1) << 8) | byte(k);
      } else {
        std::size_t bit = static_cast<std::size_t>(x) * bits;
        unsigned index = (byte(bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        v = index < colors.size() ? colors[index] : 0;
      }
      px->data[static_cast<std::size_t>(row) * w + x] = v;
    }
  }
  return px;
}

std::shared_ptr<Pixels> Scaled(const Pixels& p, int w, int h) {
  auto out = NewPixels(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out->data[static_cast<std::size_t>(y) * w + x] =
          p.data[static_cast<std::size_t>(y * p.height / h) * p.width + x * p.width / w];
  return out;
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF c) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) SetPixel(dc, x, y, c);
}

// One ring of an edge: top and left in the first colour, then bottom and right in the second,
// which so takes the three other corners.
void Ring(HDC dc, const RECT& r, UINT flags, int topLeft, int bottomRight) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  COLORREF a = GetSysColor(topLeft), b = GetSysColor(bottomRight);
  if (flags & BF_TOP) Line(dc, r.left, r.top, r.right - 1, r.top, a);
  if (flags & BF_LEFT) Line(dc, r.left, r.top, r.left, r.bottom - 1, a);
  if (flags & BF_BOTTOM) Line(dc, r.left, r.bottom - 1, r.right - 1, r.bottom - 1, b);
  if (flags & BF_RIGHT) Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, b);
}

void Shrink(RECT& r, UINT flags) {
  if (flags & BF_LEFT) ++r.left;
  if (flags & BF_TOP) ++r.top;
  if (flags & BF_RIGHT) --r.right;
  if (flags & BF_BOTTOM) --r.bottom;
}

}  // namespace

namespace velk::win::detail {

void DropWindowPixels(HWND h) { WindowSurfaces().erase(reinterpret_cast<std::uintptr_t>(h)); }

}  // namespace velk::win::detail

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

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
  return Transfer(dst, x, y, width, height, src, sx, sy, width, height, rop);
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy,
                int sourceWidth, int sourceHeight, DWORD rop) {
  return Transfer(dst, x, y, width, height, src, sx, sy, sourceWidth, sourceHeight, rop);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(rop)) return FALSE;
  return Transfer(dc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags) {
  if (!FindDc(dc) || !r) return FALSE;
  RECT box = *r;
  UINT outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
  UINT inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
  if (outer == BDR_RAISEDOUTER) Ring(dc, box, flags, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
  if (outer == BDR_SUNKENOUTER) Ring(dc, box, flags, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
  if (outer) Shrink(box, flags);
  if (inner == BDR_RAISEDINNER) Ring(dc, box, flags, COLOR_3DHIGHLIGHT, COLOR_3DSHADOW);
  if (inner == BDR_SUNKENINNER) Ring(dc, box, flags, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  if (inner) Shrink(box, flags);
  if (flags & BF_MIDDLE) FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  if (flags & BF_ADJUST) *r = box;
  return TRUE;
}

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

bool WriteBitmapPng(HBITMAP bitmap, const std::string& path) {
  GdiObject* o = FindObject(bitmap);
  if (!o || !o->pixels || o->pixels->width <= 0) return false;
  Pixels& px = *o->pixels;
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(px.data.data()),
                                          CAIRO_FORMAT_RGB24, px.width, px.height, px.width * 4);
  // Written beside the target and renamed over it, so no half-written picture is left.
  std::string tmp = path + ".tmp";
  bool ok = cairo_surface_write_to_png(s, tmp.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}

}  // namespace velk::win

namespace velk::win {

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

std::wstring ImageName(HANDLE image) {
  GdiObject* o = FindObject(image);
  return o ? o->name : std::wstring();
}

}  // namespace velk::win
