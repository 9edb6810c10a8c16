#include "terrain/terrain_tools/palette_layout.h"

#include <cmath>

namespace velk::corvane {

PaletteGrid MakePaletteGrid(int itemCount) {
  PaletteGrid g;
  g.itemCount = itemCount < 0 ? 0 : itemCount;
  g.rows = static_cast<int>(std::sqrt(static_cast<double>(g.itemCount)) + 0.5);
  g.columns = g.rows + (g.itemCount > g.rows * g.rows ? 1 : 0);
  return g;
}

SIZE PaletteSize(const PaletteGrid& grid, const PaletteMetrics& m) {
  int edges = m.margin + m.inflate;
  return {grid.columns * m.pitch + edges, grid.rows * m.pitch + edges};
}

RECT PaletteCellRect(int row, int column, const PaletteMetrics& m) {
  int left = m.margin + m.pitch * column, top = m.margin + m.pitch * row;
  RECT r{left, top, left + m.bitmap, top + m.bitmap};
  InflateRect(&r, m.inflate, m.inflate);
  return r;
}

CellHit HitTestCell(const PaletteGrid& grid, POINT p, const PaletteMetrics& m) {
  CellHit hit;
  if (p.x < m.margin || p.y < m.margin) return hit;
  int column = p.x / m.pitch, row = p.y / m.pitch;
  int index = row * grid.columns + column;
  if (column >= grid.columns || row >= grid.rows || index >= grid.itemCount) return hit;
  hit.index = index;
  hit.rect = PaletteCellRect(row, column, m);
  return hit;
}

namespace {

bool Inside(const RECT& r, const RECT& area) {
  return r.left >= area.left && r.top >= area.top && r.right <= area.right &&
         r.bottom <= area.bottom;
}

// The part of r outside the area, as the system's rectangle subtraction gives it.
RECT Outside(const RECT& r, const RECT& area) {
  RECT common{}, rest{};
  IntersectRect(&common, &r, &area);
  SubtractRect(&rest, &r, &common);
  return rest;
}

}  // namespace

RECT PlacePopup(const RECT& anchor, RECT popup, bool horizontal, const RECT& workArea) {
  OffsetRect(&popup, anchor.left - popup.left, anchor.bottom + 1 - popup.top);
  if (Inside(popup, workArea)) return popup;
  RECT out = Outside(popup, workArea);
  int dx = 0, dy = 0;
  if (out.right > workArea.right)
    dx = horizontal ? anchor.left - popup.right : -(out.right - out.left);
  if (out.left < workArea.left) dx = horizontal ? anchor.right - popup.left : out.right - out.left;
  if (out.bottom > workArea.bottom) {
    dy = -(anchor.bottom - anchor.top) - (popup.bottom - popup.top) - 1;
    RECT above = popup;
    OffsetRect(&above, dx, dy);
    if (!Inside(above, workArea)) {
      RECT out2 = Outside(above, workArea);
      if (out2.top < workArea.top && out2.bottom - out2.top > out.bottom - out.top) dy = 0;
    }
  }
  OffsetRect(&popup, dx, dy);
  return popup;
}

}  // namespace velk::corvane
