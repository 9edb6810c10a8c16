#include "terrain/threat_dome/dome_mesh.h"

namespace velk::corvane {

DomeMesh BuildDomeMesh(const DomePointGrid& grid, const DomePoint& centre, DomeCounts counts) {
  DomeMesh mesh;
  if (counts.azimuthCount < 1 || grid.RowCount() < counts.Rows() ||
      grid.ColumnCount() < counts.Columns() ||
      static_cast<std::int32_t>(grid.Rows().size()) < counts.Rows())
    return mesh;
  auto add = [](std::vector<DomePoint>& part, const std::optional<DomePoint>& cell) {
    if (cell) part.push_back(*cell);
  };
  const auto horizon = static_cast<std::size_t>(counts.elevationCount);
  mesh.fan.push_back(centre);
  for (std::int32_t i = 0; i < counts.azimuthCount; ++i) {
    std::vector<DomePoint> strip, meridian;
    const auto row = static_cast<std::size_t>(i);
    for (std::int32_t j = 0; j < counts.Columns(); ++j) {
      const auto column = static_cast<std::size_t>(j);
      add(strip, grid.At(row, column));
      add(meridian, grid.At(row, column));
      if (column == horizon) add(mesh.fan, grid.At(row, column));
      add(strip, grid.At(row + 1, column));
    }
    mesh.strips.push_back(std::move(strip));
    mesh.meridians.push_back(std::move(meridian));
  }
  add(mesh.fan, grid.At(0, horizon));
  for (std::int32_t j = 0; j < counts.Columns(); ++j) {
    std::vector<DomePoint> ring;
    for (std::int32_t i = 0; i <= counts.azimuthCount; ++i)
      add(ring, grid.At(static_cast<std::size_t>(i), static_cast<std::size_t>(j)));
    mesh.rings.push_back(std::move(ring));
  }
  return mesh;
}

}  // namespace velk::corvane
