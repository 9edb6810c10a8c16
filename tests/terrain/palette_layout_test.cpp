// The palette's grid, the cell under a point and where the popup lands on the work area: below
// the control, beside it at the right or left edge (by the toolbar's direction), above it at
// the bottom unless that leaves more of it off the top.
#include "terrain/terrain_tools/palette_layout.h"

#include <gtest/gtest.h>

namespace velk::corvane {
namespace {

std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

TEST(PaletteLayout, GridAndPopupSizeFollowTheToolCount) {
  struct Case {
    int items, rows, columns, width, height;
  };
  const Case cases[] = {{4, 2, 2, 60, 60}, {3, 2, 2, 60, 60}, {2, 1, 2, 60, 36},
                        {1, 1, 1, 36, 36}, {0, 0, 0, 12, 12}, {5, 2, 3, 84, 60}};
  for (const Case& c : cases) {
    PaletteGrid g = MakePaletteGrid(c.items);
    EXPECT_EQ(g.rows, c.rows) << c.items;
    EXPECT_EQ(g.columns, c.columns) << c.items;
    SIZE s = PaletteSize(g);
    EXPECT_EQ(s.cx, c.width) << c.items;
    EXPECT_EQ(s.cy, c.height) << c.items;
  }
  EXPECT_EQ(Text(PaletteCellRect(1, 1)), "(28,28)-(52,52)");
}

TEST(PaletteLayout, PointsHitTheirCellsSquareOfTheGrid) {
  struct Case {
    int items;
    POINT p;
    int index;
    std::string rect;
  };
  const Case cases[] = {
      {4, {7, 20}, -1, "(0,0)-(0,0)"},    {4, {20, 7}, -1, "(0,0)-(0,0)"},
      {4, {8, 8}, 0, "(4,4)-(28,28)"},    {4, {23, 23}, 0, "(4,4)-(28,28)"},
      {4, {24, 8}, 1, "(28,4)-(52,28)"},  {4, {47, 47}, 3, "(28,28)-(52,52)"},
      {4, {48, 10}, -1, "(0,0)-(0,0)"},   {4, {10, 48}, -1, "(0,0)-(0,0)"},
      {3, {30, 30}, -1, "(0,0)-(0,0)"},  // the empty fourth cell
      {3, {10, 30}, 2, "(4,28)-(28,52)"}, {1, {30, 10}, -1, "(0,0)-(0,0)"},
  };
  for (const Case& c : cases) {
    CellHit hit = HitTestCell(MakePaletteGrid(c.items), c.p);
    EXPECT_EQ(hit.index, c.index) << c.items << " at " << c.p.x << "," << c.p.y;
    EXPECT_EQ(Text(hit.rect), c.rect) << c.items << " at " << c.p.x << "," << c.p.y;
  }
}

TEST(PaletteLayout, ThePopupStaysOnTheWorkAreaNearEachEdge) {
  const RECT screen{0, 0, 1000, 800};
  const RECT popup{0, 0, 60, 60};
  struct Case {
    const char* what;
    RECT work;
    RECT anchor;
    bool horizontal;
    std::string expect;
  };
  const Case cases[] = {
      {"in the middle: below, left edges together",
       screen,
       {100, 100, 136, 121},
       true,
       "(100,122)-(160,182)"},
      {"at the bottom: above the control",
       screen,
       {100, 760, 136, 781},
       true,
       "(100,700)-(160,760)"},
      {"little room either way, less above: above",
       {0, 0, 1000, 100},
       {100, 40, 136, 61},
       true,
       "(100,-20)-(160,40)"},
      {"little room either way, less below: below",
       {0, 0, 1000, 100},
       {100, 30, 136, 51},
       true,
       "(100,52)-(160,112)"},
      {"at the right, wide toolbar: left of the control",
       screen,
       {960, 100, 996, 121},
       true,
       "(900,122)-(960,182)"},
      {"at the right, high toolbar: shifted back by the overflow",
       screen,
       {960, 100, 996, 121},
       false,
       "(940,122)-(1000,182)"},
      {"at the left, wide toolbar: right of the control",
       {200, 0, 1000, 800},
       {190, 100, 226, 121},
       true,
       "(226,122)-(286,182)"},
      {"at the left, high toolbar: shifted in by the overflow",
       {200, 0, 1000, 800},
       {190, 100, 226, 121},
       false,
       "(200,122)-(260,182)"},
      {"in the bottom right corner: left of and above the control",
       screen,
       {960, 760, 996, 781},
       true,
       "(900,700)-(960,760)"},
      {"at the top of a work area lower down: below",
       {0, 50, 1000, 800},
       {100, 50, 136, 71},
       true,
       "(100,72)-(160,132)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Text(PlacePopup(c.anchor, popup, c.horizontal, c.work)), c.expect) << c.what;
}

}  // namespace
}  // namespace velk::corvane
