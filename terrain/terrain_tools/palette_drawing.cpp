#include "terrain/terrain_tools/palette_drawing.h"

namespace velk::corvane {
namespace {

// Colours handed to the DC carry the palette-relative flag, as the system's own drawing does.
constexpr COLORREF kPaletteRelative = 0x02000000;
constexpr COLORREF kBlack = kPaletteRelative | 0x000000;
constexpr COLORREF kWhite = kPaletteRelative | 0xFFFFFF;

POINT CentredBitmap(const RECT& r) {
  return {r.left + (r.right - r.left) / 2 - kPaletteBitmapSize / 2,
          r.top + (r.bottom - r.top) / 2 - kPaletteBitmapSize / 2};
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm;
  if (!GetObjectW(bitmap, sizeof bm, &bm)) return {0, 0};
  return {bm.bmWidth, bm.bmHeight};
}

}  // namespace

BitmapMask::BitmapMask(HDC target, HBITMAP bitmap, int width, int height, bool forNormalLook)
    : target_(target),
      saved_(SaveDC(target)),
      shadow_(GetSysColor(COLOR_BTNSHADOW) | kPaletteRelative),
      highlight_(GetSysColor(COLOR_BTNHIGHLIGHT) | kPaletteRelative) {
  imageDc_ = CreateCompatibleDC(target);
  image_ = CreateCompatibleBitmap(target, width, height);
  oldImage_ = SelectObject(imageDc_, image_);
  HDC source = CreateCompatibleDC(target);
  HGDIOBJ oldSource = SelectObject(source, bitmap);
  SIZE full = BitmapSize(bitmap);
  StretchBlt(imageDc_, 0, 0, width, height, source, 0, 0, full.cx, full.cy, SRCCOPY);
  SelectObject(source, oldSource);
  DeleteDC(source);
  transparent_ = GetPixel(imageDc_, 0, 0) | kPaletteRelative;

  maskDc_ = CreateCompatibleDC(target);
  mask_ = CreateBitmap(width, height, 1, 1, nullptr);
  oldMask_ = SelectObject(maskDc_, mask_);
  COLORREF oldBk = GetBkColor(imageDc_);
  if (!forNormalLook && transparent_ != kWhite) {
    SetBkColor(imageDc_, kWhite);
    BitBlt(maskDc_, 0, 0, width, height, imageDc_, 0, 0, SRCCOPY);
    SetBkColor(imageDc_, transparent_);
    BitBlt(maskDc_, 0, 0, width, height, imageDc_, 0, 0, SRCINVERT);
    BitBlt(maskDc_, 0, 0, width, height, maskDc_, 0, 0, NOTSRCCOPY);
  } else if (!forNormalLook) {
    // White is the transparent colour: the emboss takes the shape of the drawn pixels.
    SetBkColor(imageDc_, kWhite);
    BitBlt(maskDc_, 0, 0, width, height, imageDc_, 0, 0, NOTSRCCOPY);
  } else {
    SetBkColor(imageDc_, transparent_);
    BitBlt(maskDc_, 0, 0, width, height, imageDc_, 0, 0, SRCCOPY);
  }
  SetBkColor(imageDc_, oldBk);
}

BitmapMask::~BitmapMask() {
  RestoreDC(target_, saved_);
  SelectObject(imageDc_, oldImage_);
  SelectObject(maskDc_, oldMask_);
  DeleteObject(image_);
  DeleteObject(mask_);
  DeleteDC(imageDc_);
  DeleteDC(maskDc_);
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& r) {
  POINT at = CentredBitmap(r);
  const int n = kPaletteBitmapSize;
  HDC copyDc = CreateCompatibleDC(dc);
  HBITMAP copy = CreateCompatibleBitmap(dc, n, n);
  HGDIOBJ old = SelectObject(copyDc, copy);
  BitBlt(copyDc, 0, 0, n, n, dc, at.x, at.y, SRCCOPY);
  {
    BitmapMask mask(dc, bitmap, n, n, true);
    SetBkColor(copyDc, kWhite);
    SetTextColor(copyDc, kBlack);
    BitBlt(copyDc, 0, 0, n, n, mask.Image(), 0, 0, SRCINVERT);
    BitBlt(copyDc, 0, 0, n, n, mask.Mask(), 0, 0, SRCAND);
    BitBlt(copyDc, 0, 0, n, n, mask.Image(), 0, 0, SRCINVERT);
    BitBlt(dc, at.x, at.y, n, n, copyDc, 0, 0, SRCCOPY);
  }
  SelectObject(copyDc, old);
  DeleteObject(copy);
  DeleteDC(copyDc);
}

void DrawDisabledBitmap(HDC dc, HBITMAP bitmap, const RECT& r) {
  POINT at = CentredBitmap(r);
  const int n = kPaletteBitmapSize;
  BitmapMask mask(dc, bitmap, n, n, false);
  auto stamp = [&](int x, int y, COLORREF colour) {
    SetBkColor(dc, kBlack);
    SetTextColor(dc, kWhite);
    BitBlt(dc, x, y, n, n, mask.Mask(), 0, 0, SRCAND);
    SetBkColor(dc, colour);
    SetTextColor(dc, kBlack);
    BitBlt(dc, x, y, n, n, mask.Mask(), 0, 0, SRCPAINT);
  };
  stamp(at.x, at.y, mask.Highlight());
  stamp(at.x - 1, at.y - 1, mask.Shadow());
}

void DrawDropArrow(HDC dc, int x, int y, int size) {
  int d = size / 3;
  POINT corners[] = {{x - d, y + d}, {x + d + 1, y + d}, {x, y + size - 3}};
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_WINDOWFRAME));
  Polygon(dc, corners, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

void DrawPaletteItem(HDC dc, const PaletteItemLook& look, const RECT& r, bool pressed) {
  if (look.enabled)
    DrawTransparentBitmap(dc, look.bitmap, r);
  else
    DrawDisabledBitmap(dc, look.bitmap, r);
  if (pressed || look.checked || look.active) {
    RECT edge = r;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
}

ControlFaceRects PaintControlFace(HDC dc, const RECT& client, const ControlFaceState& state,
                                  const std::function<void(const RECT& button)>& drawItem) {
  ControlFaceRects rects;
  rects.arrow = client;
  rects.arrow.left = kPaletteButtonWidth + 1;
  rects.button = client;
  rects.button.right = kPaletteButtonWidth;

  HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);

  if (state.hover) {
    if (!state.pressed) DrawEdge(dc, &rects.button, BDR_RAISEDINNER, BF_RECT);
    RECT separator = client;
    OffsetRect(&separator, kPaletteButtonWidth, 0);
    DrawEdge(dc, &separator, EDGE_ETCHED, BF_LEFT);
    DrawEdge(dc, &rects.arrow, state.paletteOpen ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  } else if (state.paletteOpen) {
    DrawEdge(dc, &rects.arrow, BDR_SUNKENOUTER, BF_RECT);
  }
  if (drawItem) drawItem(rects.button);
  int width = rects.arrow.right - rects.arrow.left, height = rects.arrow.bottom - rects.arrow.top;
  DrawDropArrow(dc, rects.arrow.left + width / 2, rects.arrow.top + height / 2 - 3,
                kPaletteArrowSize);
  return rects;
}

}  // namespace velk::corvane
