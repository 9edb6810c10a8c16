// Bitmaps, icons and cursors from resource modules and files, the current cursor, and a
// bitmap written out as a PNG file.
#include "platform/win/gdi.h"

#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/text.h"

#include "platform/win/gdi_internal.h"
#include "platform/win/thread.h"

using namespace velk::win::gdi;  // NOLINT(google-build-using-namespace)

namespace {

HCURSOR g_cursor = nullptr;

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

namespace velk::win {

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

std::wstring ImageName(HANDLE image) {
  GdiObject* o = FindObject(image);
  return o ? o->name : std::wstring();
}

}  // namespace velk::win
