// Connected regions of equal value of an integer grid as polygons: one polygon per region, its
// outer ring first and then the rings of its holes, every ring along cell edges with a corner
// only where it turns. Voids (the no-data value) belong to no region.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

// Reads count rows from row first on into cells (count x columns, row-major); false on failure.
using RegionRowReader = std::function<bool(int first, int count, std::int32_t* cells)>;

// The regions in the order of their top-left cell (row by row). The grid is read a band of rows
// at a time and held as runs of equal cells, so memory follows the regions' outlines, not the
// number of cells. ok is false (and nothing returned) when a read fails.
std::vector<RegionPolygon> TraceRegionPolygons(int columns, int rows, const RegionRowReader& read,
                                               std::optional<double> noData, bool* ok,
                                               const RegionPolygonOptions& options = {});
// The same over a grid in memory.
std::vector<RegionPolygon> TraceRegionPolygons(const GridView<std::int32_t>& cells,
                                               const RegionPolygonOptions& options = {});

}  // namespace velk::host::analysis
