// The drawing objects' shared records: the objects and device contexts by handle, and the
// pixels of bitmaps and windows, for the drawing, raster and image parts of the GDI.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/win/gdi.h"

namespace velk::win::gdi {

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
};

struct DeviceContext : DcState {
  HWND hwnd = nullptr;
  bool memory = false;
  std::vector<DcState> saved;
};

constexpr std::uint32_t kWhite = 0xFFFFFF;

inline std::uint32_t ToPixel(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF FromPixel(std::uint32_t p) {
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::map<std::uintptr_t, GdiObject>& Objects();
std::uintptr_t NewObject(GdiObject o);
// Null for a handle that is no object (or was deleted).
GdiObject* FindObject(const void* h);
DeviceContext* FindDc(HDC dc);
// Black pixels, w by h (negative sizes count as 0).
std::shared_ptr<Pixels> NewPixels(int w, int h);
// The pixels a DC draws on: a window's own or the selected bitmap's; null for none.
Pixels* SurfaceOf(DeviceContext* d);
// The DC's brush colour, or CLR_INVALID for a hollow brush (default: white).
COLORREF BrushOf(DeviceContext* d);

}  // namespace velk::win::gdi
