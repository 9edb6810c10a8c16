// Visibility along one sight line over an elevation grid: the terrain profile under the line
// and which stretches of it the observer's eye sees, and whether the target is seen. The
// profile takes the terrain wherever the line crosses a column or a row of cell centres, with
// the visibility model's interpolation and curvature (visibility_model.h), so a target seen
// here is seen by the viewshed engine from the same eye.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/host/analysis/grid_view.h"
#include "platform/host/analysis/visibility_model.h"

namespace velk::host::analysis {

// A place on the grid in cell-centre coordinates: column c, row r is the centre of that cell.
struct GridPlace {
  double column = 0.0;
  double row = 0.0;
};

struct ProfileSample {
  double u = 0.0;  // fraction of the way from the observer to the target
  GridPlace place;
  double z = 0.0;  // terrain; NaN on voids and off the grid
};

// The terrain under the line from a to b: a, every crossing of a column or a row of cell
// centres strictly between, then b; the ends take the value of the cell holding them.
std::vector<ProfileSample> SampleProfile(const GridView<float>& grid, GridPlace a, GridPlace b);

struct SightLineOptions {
  CurvatureOptions curvature;
};

// A stretch of the line between two fractions of its length.
struct Stretch {
  double from = 0.0;
  double to = 0.0;
  bool visible = false;
};

struct SightLineResult {
  std::vector<ProfileSample> profile;
  // Consecutive stretches from observer to target, covering the whole line; adjacent stretches
  // differ in visibility. Voids count as not seen.
  std::vector<Stretch> stretches;
  bool targetVisible = false;
  // The profile sample that hides the target (its highest apparent horizon), when hidden.
  std::optional<ProfileSample> obstruction;
};

// eye: absolute height of the observer's eye; targetZ: absolute height of the target point.
// The grid's cellX / cellY give the metres of a column and a row (for curvature).
SightLineResult ComputeSightLine(const GridView<float>& grid, GridPlace observer, double eye,
                                 GridPlace target, double targetZ,
                                 const SightLineOptions& options = {});

}  // namespace velk::host::analysis
