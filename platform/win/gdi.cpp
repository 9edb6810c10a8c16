#include "platform/win/gdi.h"

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/com/text.h"
#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace {

enum class Kind { Brush, Bitmap, Icon, Cursor, Font };

struct GdiObject {
  Kind kind = Kind::Brush;
  COLORREF color = 0;
  bool permanent = false;  // system and stock objects
  SIZE size{};
  std::wstring name;
};

struct DeviceContext {
  HWND hwnd = nullptr;
  COLORREF text = RGB(0, 0, 0);
  COLORREF bk = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  std::map<Kind, HGDIOBJ> selected;
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
  bm.bmBitsPixel = 24;
  bm.bmWidthBytes = ((o->size.cx * 3) + 3) & ~3;
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
  if (cx > 0) o.size.cx = cx;
  if (cy > 0) o.size.cy = cy;
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
HICON LoadIconW(HINSTANCE inst, LPCWSTR name) {
  return static_cast<HICON>(LoadImageW(inst, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}
BOOL DestroyCursor(HCURSOR cursor) { return DeleteObject(cursor); }
BOOL DestroyIcon(HICON icon) { return DeleteObject(icon); }

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = g_cursor;
  g_cursor = cursor;
  return old;
}
HCURSOR GetCursor() { return g_cursor; }

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

bool ImageSize(HANDLE image, SIZE* size) {
  GdiObject* o = FindObject(image);
  if (!o || o->kind == Kind::Brush || o->kind == Kind::Font || !size) return false;
  *size = o->size;
  return true;
}

std::wstring ImageName(HANDLE image) {
  GdiObject* o = FindObject(image);
  return o ? o->name : std::wstring();
}

}  // namespace velk::win
