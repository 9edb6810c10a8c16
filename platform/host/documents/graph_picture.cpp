// The picture of a data graph: an SVG drawn through cairo.
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "platform/com/text.h"
#include "platform/host/documents/data_graph.h"

namespace velk::host {

namespace {

void SetColor(cairo_t* cr, unsigned bgr) {
  cairo_set_source_rgb(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                       ((bgr >> 16) & 0xFF) / 255.0);
}

void Text(cairo_t* cr, const std::string& s, double x, double y, double alignX, bool vertical) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  cairo_save(cr);
  cairo_translate(cr, x, y);
  if (vertical) cairo_rotate(cr, -M_PI / 2);
  cairo_move_to(cr, -e.width * alignX - e.x_bearing, 0);
  cairo_show_text(cr, s.c_str());
  cairo_restore(cr);
}

// Round tick step for a range: 1, 2 or 5 times a power of ten, about six ticks.
double TickStep(double range) {
  if (!(range > 0)) return 1.0;
  const double raw = range / 6.0, power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (raw <= m * power) return m * power;
  return 10.0 * power;
}

std::string Label(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", std::fabs(v) < 1e-12 ? 0.0 : v);
  return buffer;
}

}  // namespace

bool WriteGraphSvg(const GraphPicture& g, const std::string& path) {
  const std::string part = path + ".part";
  cairo_surface_t* surface = cairo_svg_surface_create(part.c_str(), g.width, g.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    std::error_code ec;
    std::filesystem::remove(part, ec);
    return false;
  }
  cairo_t* cr = cairo_create(surface);
  SetColor(cr, g.background);
  cairo_paint(cr);

  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
  for (const auto& line : g.lines)
    for (const auto& [x, y] : line.points) {
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x);
      y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  if (!(x0 <= x1)) x0 = 0, x1 = 1, y0 = 0, y1 = 1;
  if (x1 == x0) x0 -= 1, x1 += 1;
  if (y1 == y0) y0 -= 1, y1 += 1;
  const double ys = TickStep(y1 - y0), xs = TickStep(x1 - x0);
  y0 = std::floor(y0 / ys) * ys, y1 = std::ceil(y1 / ys) * ys;

  const double left = 70, right = g.width - 20.0, top = 40, bottom = g.height - 50.0;
  auto px = [&](double x) { return left + (x - x0) / (x1 - x0) * (right - left); };
  auto py = [&](double y) { return bottom - (y - y0) / (y1 - y0) * (bottom - top); };

  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 15);
  SetColor(cr, 0);
  Text(cr, ToUtf8(g.title), g.width / 2.0, 24, 0.5, false);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 11);
  Text(cr, ToUtf8(g.horizontalTitle), (left + right) / 2, g.height - 12.0, 0.5, false);
  Text(cr, ToUtf8(g.verticalTitle), 16, (top + bottom) / 2, 0.5, true);

  // Frame, grid and tick labels.
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
  for (double y = y0 + ys; y < y1 - ys / 2; y += ys) {
    cairo_move_to(cr, left, py(y));
    cairo_line_to(cr, right, py(y));
  }
  cairo_stroke(cr);
  SetColor(cr, 0);
  for (double y = y0; y <= y1 + ys / 2; y += ys) Text(cr, Label(y), left - 6, py(y) + 4, 1.0, false);
  for (double x = std::ceil(x0 / xs) * xs; x <= x1 + xs * 1e-9; x += xs)
    Text(cr, Label(x), px(x), bottom + 16, 0.5, false);

  for (const auto& line : g.lines) {
    SetColor(cr, line.color);
    cairo_set_line_width(cr, 2);
    bool open = false;
    for (const auto& [x, y] : line.points) {
      if (!std::isfinite(x) || !std::isfinite(y)) {
        open = false;
        continue;
      }
      if (open)
        cairo_line_to(cr, px(x), py(y));
      else
        cairo_move_to(cr, px(x), py(y));
      open = true;
    }
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  std::error_code ec;
  if (ok) std::filesystem::rename(part, path, ec);
  if (!ok || ec) {
    std::filesystem::remove(part, ec);
    return false;
  }
  return true;
}

}  // namespace velk::host
