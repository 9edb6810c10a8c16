// Transfers between DCs under the ternary raster operations: BitBlt, StretchBlt, PatBlt.
#include "platform/win/gdi.h"

#include "platform/win/gdi_internal.h"

using namespace velk::win::gdi;  // NOLINT(google-build-using-namespace)

namespace {

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

}  // namespace

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
