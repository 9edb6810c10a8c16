// Drawing on a DC's pixels: rectangles, ellipses, polygons, lines, pixels, text and the
// frames and edges of controls.
#include "platform/win/gdi.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/com/text.h"

#include "platform/win/gdi_internal.h"

using namespace velk::win::gdi;  // NOLINT(google-build-using-namespace)

namespace {

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

namespace velk::win::gdi {

COLORREF BrushOf(DeviceContext* d) {
  GdiObject* b = Selected(d, Kind::Brush);
  return b ? b->color : RGB(255, 255, 255);
}

}  // namespace velk::win::gdi

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
