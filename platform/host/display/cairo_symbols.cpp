#include "platform/host/display/cairo_symbols.h"

#include <cairo.h>
#include <cmath>

#include "platform/host/display/symbol.h"
#include "platform/host/display/symbol_objects.h"

namespace velk::host {
namespace {

void SetColour(cairo_t* cr, LONG rgb) {
  cairo_set_source_rgb(cr, (rgb & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0,
                       (rgb >> 16 & 0xFF) / 255.0);
}

void Path(cairo_t* cr, const PixelPath& points, bool close) {
  for (std::size_t i = 0; i < points.size(); ++i)
    (i ? cairo_line_to : cairo_move_to)(cr, points[i].first, points[i].second);
  if (close && !points.empty()) cairo_close_path(cr);
}

}  // namespace

MarkerLook MarkerLookOf(IUnknown* symbol) {
  MarkerLook look;
  ComPtr<IMarkerSymbol> marker;
  if (!symbol || FAILED(symbol->QueryInterface(IidOf<IMarkerSymbol>(), marker.put_void())))
    return look;
  ComPtr<IColor> colour;
  if (SUCCEEDED(marker->get_Color(colour.put())) && colour)
    look.rgb = RgbOf(colour.get(), look.rgb);
  marker->get_Size(&look.size);
  marker->get_Style(&look.style);
  return look;
}

LineLook LineLookOf(IUnknown* symbol) {
  LineLook look;
  ComPtr<ILineSymbol> line;
  if (!symbol || FAILED(symbol->QueryInterface(IidOf<ILineSymbol>(), line.put_void()))) return look;
  ComPtr<IColor> colour;
  if (SUCCEEDED(line->get_Color(colour.put())) && colour) look.rgb = RgbOf(colour.get(), look.rgb);
  line->get_Width(&look.width);
  return look;
}

FillLook FillLookOf(IUnknown* symbol) {
  FillLook look;
  ComPtr<IFillSymbol> fill;
  if (!symbol || FAILED(symbol->QueryInterface(IidOf<IFillSymbol>(), fill.put_void()))) return look;
  ComPtr<IColor> colour;
  if (SUCCEEDED(fill->get_Color(colour.put())) && colour) look.rgb = RgbOf(colour.get(), look.rgb);
  LONG style = 0;
  fill->get_Style(&style);
  look.filled = style != 1;
  ComPtr<ILineSymbol> outline;
  if (SUCCEEDED(fill->get_Outline(outline.put())) && outline)
    look.outline = LineLookOf(outline.get());
  return look;
}

void DrawMarker(cairo_t* cr, double x, double y, const MarkerLook& look) {
  const double r = std::max(1.0, look.size / 2);
  cairo_save(cr);
  SetColour(cr, look.rgb);
  cairo_new_path(cr);
  switch (look.style) {
    case kMarkerSquare:
      cairo_rectangle(cr, x - r, y - r, 2 * r, 2 * r);
      cairo_fill(cr);
      break;
    case kMarkerCross:
    case kMarkerX: {
      const double a = look.style == kMarkerX ? M_PI / 4 : 0;
      cairo_set_line_width(cr, std::max(1.0, r / 3));
      for (int k = 0; k < 2; ++k) {
        const double t = a + k * M_PI / 2;
        cairo_move_to(cr, x - r * std::cos(t), y - r * std::sin(t));
        cairo_line_to(cr, x + r * std::cos(t), y + r * std::sin(t));
      }
      cairo_stroke(cr);
      break;
    }
    case kMarkerDiamond:
      cairo_move_to(cr, x, y - r);
      cairo_line_to(cr, x + r, y);
      cairo_line_to(cr, x, y + r);
      cairo_line_to(cr, x - r, y);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    default:
      cairo_arc(cr, x, y, r, 0, 2 * M_PI);
      cairo_fill_preserve(cr);
      // A thin dark ring keeps light markers visible on any background.
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
  }
  cairo_restore(cr);
}

void DrawLine(cairo_t* cr, const PixelPath& points, const LineLook& look) {
  if (points.size() < 2) return;
  cairo_save(cr);
  SetColour(cr, look.rgb);
  cairo_set_line_width(cr, std::max(0.5, look.width));
  cairo_new_path(cr);
  Path(cr, points, false);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawFill(cairo_t* cr, const std::vector<PixelPath>& rings, const FillLook& look) {
  cairo_save(cr);
  cairo_new_path(cr);
  for (const PixelPath& ring : rings) Path(cr, ring, true);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  if (look.filled) {
    SetColour(cr, look.rgb);
    cairo_fill_preserve(cr);
  }
  SetColour(cr, look.outline.rgb);
  cairo_set_line_width(cr, std::max(0.5, look.outline.width));
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace velk::host
