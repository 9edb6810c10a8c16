// The analysis engines' view of an elevation grid: plain cells in memory, not copied.
#pragma once

#include <cstddef>
#include <optional>

namespace velk::host::analysis {

// A read-only elevation grid, row 0 at the top (north), columns to the east; metres, with
// square or oblong cells of any size. NaN and the no-data value mark voids. A view may be a
// window of a larger grid: rows then lie stride values apart.
template <typename T>
struct GridView {
  const T* values = nullptr;
  int columns = 0;
  int rows = 0;
  double cellX = 1.0;
  double cellY = 1.0;
  std::optional<double> noData;
  std::ptrdiff_t stride = 0;  // values from one row to the next; 0: columns

  std::ptrdiff_t RowStride() const { return stride ? stride : columns; }
  const T& At(long column, long row) const { return values[row * RowStride() + column]; }
  // The window of columns x rows cells whose top-left cell is (column, row).
  GridView Window(int column, int row, int windowColumns, int windowRows) const {
    GridView w = *this;
    w.values = &At(column, row);
    w.columns = windowColumns;
    w.rows = windowRows;
    w.stride = RowStride();
    return w;
  }
};

}  // namespace velk::host::analysis
