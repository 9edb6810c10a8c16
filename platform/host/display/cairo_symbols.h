// The host's symbols drawn with cairo: markers, lines and fills as every picture the host
// writes shows them (one place, so that all pictures agree). Positions are in the picture's
// pixels. Colours are the host's 0x00BBGGRR values.
#pragma once

#include <utility>
#include <vector>

#include "platform/com/unknown.h"

typedef struct _cairo cairo_t;

namespace velk::host {

// Marker styles: circle 0, square 1, cross 2, x 3, diamond 4.
constexpr LONG kMarkerCircle = 0;
constexpr LONG kMarkerSquare = 1;
constexpr LONG kMarkerCross = 2;
constexpr LONG kMarkerX = 3;
constexpr LONG kMarkerDiamond = 4;

// What a symbol object says (or the defaults for a null or unknown symbol).
struct MarkerLook {
  LONG rgb = 0x0000FF;  // red
  double size = 8;      // points, drawn as pixels
  LONG style = kMarkerCircle;
};
struct LineLook {
  LONG rgb = 0x000000;
  double width = 1;
};
struct FillLook {
  LONG rgb = 0xC0C0C0;
  bool filled = true;  // style 1 (hollow) draws the outline only
  LineLook outline;
};

MarkerLook MarkerLookOf(IUnknown* symbol);
LineLook LineLookOf(IUnknown* symbol);
FillLook FillLookOf(IUnknown* symbol);

using PixelPath = std::vector<std::pair<double, double>>;

void DrawMarker(cairo_t* cr, double x, double y, const MarkerLook& look);
void DrawLine(cairo_t* cr, const PixelPath& points, const LineLook& look);
// Rings of one polygon (the first the outer one), filled even-odd.
void DrawFill(cairo_t* cr, const std::vector<PixelPath>& rings, const FillLook& look);

}  // namespace velk::host
