// The point grid of a threat dome: row i is the azimuth i x step, column j the elevation
// (j - elevationCount) x step. Cells hold their points by value, so copies of a grid and of
// its cells never share a point with another grid or with the dome's centre.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace velk::corvane {

// A dome vertex in the units of the surface's projected system; m holds the packed texture
// coordinates and normal once the geometry is built.
struct DomePoint {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double m = 0.0;
};

class DomePointGrid {
 public:
  using Row = std::vector<std::optional<DomePoint>>;

  DomePointGrid() = default;
  // rowCount rows of columnCount empty cells; no rows when rowCount < 1 (the counts are kept
  // as given).
  DomePointGrid(std::int32_t rowCount, std::int32_t columnCount)
      : rowCount_(rowCount), columnCount_(columnCount) {
    if (rowCount >= 1)
      rows_.assign(static_cast<std::size_t>(rowCount),
                   Row(static_cast<std::size_t>(columnCount > 0 ? columnCount : 0)));
  }

  std::int32_t RowCount() const { return rowCount_; }
  std::int32_t ColumnCount() const { return columnCount_; }
  std::vector<Row>& Rows() { return rows_; }
  const std::vector<Row>& Rows() const { return rows_; }
  std::optional<DomePoint>& At(std::size_t row, std::size_t column) {
    return rows_[row][column];
  }
  const std::optional<DomePoint>& At(std::size_t row, std::size_t column) const {
    return rows_[row][column];
  }

 private:
  std::vector<Row> rows_;
  std::int32_t rowCount_ = 0;
  std::int32_t columnCount_ = 0;
};

}  // namespace velk::corvane
