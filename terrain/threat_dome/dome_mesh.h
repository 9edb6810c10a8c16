// The parts of a threat dome made from its point grid: the surface as one triangle strip per
// sector between neighbouring azimuth rows plus a fan over the horizon closing it, and the
// wireframe as a meridian per azimuth row and a ring per elevation column.
#pragma once

#include <vector>

#include "terrain/threat_dome/dome_point_grid.h"
#include "terrain/threat_dome/dome_rays.h"

namespace velk::corvane {

struct DomeMesh {
  // Strip i alternates rows i and i + 1 from the lowest to the highest elevation.
  std::vector<std::vector<DomePoint>> strips;
  // The centre, the horizontal points of rows 0 .. azimuthCount - 1, the first one again.
  std::vector<DomePoint> fan;
  std::vector<std::vector<DomePoint>> meridians;  // row i, lowest to highest
  std::vector<std::vector<DomePoint>> rings;      // column j, rows 0 .. azimuthCount
};

// Cells left empty (a stopped build) are left out of every part.
DomeMesh BuildDomeMesh(const DomePointGrid& grid, const DomePoint& centre, DomeCounts counts);

}  // namespace velk::corvane
