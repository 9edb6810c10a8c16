// Connected regions of equal value of an integer grid as polygons: one polygon per region, its
// outer ring first and then the rings of its holes, every ring along cell edges with a corner
// only where it turns. Voids (the no-data value) belong to no region.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/host/analysis/grid_view.h"

namespace velk::host::analysis {

struct RegionPolygonOptions {
  // Cells touching only at a corner are one region (as well as those sharing an edge).
  bool eightConnected = true;
};

// A cell corner: column and row of the grid's corner lattice ((0, 0) the top-left corner).
struct CellCorner {
  int column = 0, row = 0;
  bool operator==(const CellCorner& o) const { return column == o.column && row == o.row; }
};

struct RegionPolygon {
  std::int32_t value = 0;
  // rings[0] is the outer ring, clockwise on the screen (rows downward), the others holes,
  // anticlockwise; each closes on its first corner, which is not repeated.
  std::vector<std::vector<CellCorner>> rings;
};

// The regions in the order of their top-left cell (row by row).
std::vector<RegionPolygon> TraceRegionPolygons(const GridView<std::int32_t>& cells,
                                               const RegionPolygonOptions& options = {});

}  // namespace velk::host::analysis
