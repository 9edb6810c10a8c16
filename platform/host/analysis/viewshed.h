// The host's visibility engine: how many observers see each cell of an elevation grid.
//
// From each observer, rays to every cell of the border of a square around it (the square covers
// everything the observer can reach). Along a ray the terrain is interpolated where the ray
// crosses each column (or row) of cell centres and a running horizon is kept; every cell is
// judged by the one ray that passes nearest its centre, so each observer costs O(cells in
// reach). The rays of an octant advance together, line by line outward from the observer: each
// line of cells is read once into a small buffer and every ray takes its step from it, so the
// work stays in cache and the octants (and observers) run on separate cores. Curvature,
// refraction, interpolation and the observer's limits come from visibility_model.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/analysis/grid_view.h"
#include "platform/host/analysis/visibility_model.h"

namespace velk::host::analysis {

struct ViewshedObserver {
  // The cell that holds the observer; the eye stands over its centre.
  int column = 0;
  int row = 0;
  ObserverLimits limits;
  // Ground elevation of the observer when given (overrides the grid's).
  std::optional<double> spot;
};

struct ViewshedOptions {
  CurvatureOptions curvature;
  // Worker threads; 0 takes every core.
  unsigned threads = 1;
  // Called with the share done (0 to 1) before the sweep, every 50 ms or so and at its end, on
  // the calling thread; false stops the run soon, which then gives no counts.
  std::function<bool(double)> progress;
};

// Count of a void cell in the result.
inline constexpr std::uint16_t kVoidCount = 0xFFFF;
inline constexpr std::size_t kMaxObservers = kVoidCount - 1;

struct ViewshedResult {
  // Row-major, columns x rows of the grid without gaps: observers that see the cell, kVoidCount on
  // voids.
  std::vector<std::uint16_t> counts;
  // Empty on success; else why nothing was computed (counts is then empty).
  std::string error;
  // The progress callback stopped the run (error is then "cancelled").
  bool cancelled = false;
};

ViewshedResult ComputeViewshed(const GridView<float>& grid,
                               const std::vector<ViewshedObserver>& observers,
                               const ViewshedOptions& options = {});
ViewshedResult ComputeViewshed(const GridView<std::int16_t>& grid,
                               const std::vector<ViewshedObserver>& observers,
                               const ViewshedOptions& options = {});

}  // namespace velk::host::analysis
