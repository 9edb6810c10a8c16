// The terrain tool palette's geometry: the grid of cells that holds the tools' bitmaps, which
// cell a point of the palette hits, and where the popup goes so that it stays on the desktop's
// work area.
#pragma once

#include "platform/win/window.h"

namespace velk::corvane {

// Cell spacing and margins of the palette grid (pixels).
struct PaletteMetrics {
  int pitch = 24;   // a cell's square in the grid
  int margin = 8;   // from the palette's edge to the first bitmap
  int bitmap = 16;  // the bitmap's box
  int inflate = 4;  // the drawn cell rectangle round the bitmap box
};

struct PaletteGrid {
  int itemCount = 0;
  int rows = 0;
  int columns = 0;
};

// As square as it goes: rows = the nearest whole number to the square root, one more column
// when the items do not fit (4: 2 x 2, 3: 2 x 2, 2: 1 x 2, 1: 1 x 1, 0: 0 x 0).
PaletteGrid MakePaletteGrid(int itemCount);
// The popup's size: columns * pitch + 12 by rows * pitch + 12.
SIZE PaletteSize(const PaletteGrid& grid, const PaletteMetrics& m = {});
// The drawn rectangle of a cell: its bitmap box inflated on every side.
RECT PaletteCellRect(int row, int column, const PaletteMetrics& m = {});

struct CellHit {
  int index = -1;  // -1: no cell
  RECT rect{};     // the cell's drawn rectangle; empty when no cell
};
// The cell under a palette client point: a cell's hit area is its square of the grid, the first
// row and column starting at the margin; points left of or above the margin, and squares past
// the items, hit nothing.
CellHit HitTestCell(const PaletteGrid& grid, POINT p, const PaletteMetrics& m = {});

// Where the popup goes (screen coordinates): below the anchor (the control), left edges
// together; when that leaves the work area, to the side (horizontal toolbars: beside the
// control; vertical ones: shifted back by the overflow) and above the control, unless above
// leaves the work area at the top by more than below left it at the bottom.
RECT PlacePopup(const RECT& anchor, RECT popup, bool horizontal, const RECT& workArea);

}  // namespace velk::corvane
