// How the terrain tool palette draws: the control's face (the button part with the current
// tool's bitmap, the drop-down part with its arrow, the edges of hover, pressed and open), and
// each tool's 16 x 16 bitmap, whose top-left pixel gives the transparent colour: enabled tools
// without that colour, disabled ones embossed in the system's shadow and highlight colours.
#pragma once

#include <functional>

#include "platform/win/gdi.h"

namespace velk::corvane {

// The size of a tool's bitmap as drawn.
constexpr int kPaletteBitmapSize = 16;
// The button part's width; the drop-down part starts one pixel right of it.
constexpr int kPaletteButtonWidth = 24;
constexpr int kPaletteArrowSize = 10;

// What one tool shows.
struct PaletteItemLook {
  HBITMAP bitmap = nullptr;
  bool checked = false;
  bool enabled = true;
  bool active = false;  // the host's current tool
};

struct ControlFaceState {
  bool hover = false;
  bool pressed = false;
  bool paletteOpen = false;
};

struct ControlFaceRects {
  RECT button{};
  RECT arrow{};
};

// A tool's bitmap scaled to width x height in a memory DC beside a monochrome mask of it, made
// against a target DC whose state is saved until the mask goes. forNormalLook: the mask is 1
// where the image has the transparent colour; else (the disabled look) 1 where it has neither
// that colour nor white (a white transparent colour: 1 where it is not white).
class BitmapMask {
 public:
  BitmapMask(HDC target, HBITMAP bitmap, int width, int height, bool forNormalLook);
  ~BitmapMask();
  BitmapMask(const BitmapMask&) = delete;
  BitmapMask& operator=(const BitmapMask&) = delete;

  HDC Image() const { return imageDc_; }
  HDC Mask() const { return maskDc_; }
  COLORREF Transparent() const { return transparent_; }
  COLORREF Shadow() const { return shadow_; }
  COLORREF Highlight() const { return highlight_; }

 private:
  HDC target_;
  int saved_ = 0;
  COLORREF shadow_, highlight_, transparent_ = 0;
  HDC imageDc_ = nullptr, maskDc_ = nullptr;
  HBITMAP image_ = nullptr, mask_ = nullptr;
  HGDIOBJ oldImage_ = nullptr, oldMask_ = nullptr;
};

// The bitmap centred in the rectangle; pixels of its top-left colour leave what is below.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& r);
// The bitmap's shape centred in the rectangle, in the shadow colour with a highlight fringe to
// the lower right.
void DrawDisabledBitmap(HDC dc, HBITMAP bitmap, const RECT& r);
// A filled triangle pointing down, its top edge at y + size / 3.
void DrawDropArrow(HDC dc, int x, int y, int size);
// A tool in its rectangle: transparent or embossed, sunken when pressed, checked or current.
void DrawPaletteItem(HDC dc, const PaletteItemLook& look, const RECT& r, bool pressed);
// The control's face over its client rectangle; drawItem draws the current tool into the
// button part (it is not called when there is none).
ControlFaceRects PaintControlFace(HDC dc, const RECT& client, const ControlFaceState& state,
                                  const std::function<void(const RECT& button)>& drawItem);

}  // namespace velk::corvane
