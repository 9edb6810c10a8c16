// Shaded relief of an elevation grid: the surface's brightness under a sun at an azimuth and
// altitude, by Horn's third-order slope estimate, optionally with the shadows that higher
// ground casts. Plain C++ over a grid of floats or 16-bit integers; the host's surface analysis
// wraps it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/analysis/grid_view.h"

namespace velk::host::analysis {

// The grids shaded: cell sizes in the horizontal units, the z factor turns elevations into
// those units; void cells hold the no-data value, NaN cells of a float grid are void too.
using FloatGrid = GridView<float>;
using Int16Grid = GridView<std::int16_t>;

struct HillshadeOptions {
  double azimuth = 315.0;  // degrees clockwise from north, towards the sun; 0 to 360
  double altitude = 45.0;  // degrees above the horizon; 0 to 90
  bool shadows = false;    // darken cells that higher ground hides from the sun
  double zFactor = 1.0;    // elevation units to horizontal units; finite, not 0
  int threads = 0;         // 0: every hardware thread
  // Called with the share done (0 to 1) from time to time, one call at a time from any of the
  // run's threads; false stops the run soon. Empty: no calls.
  std::function<bool(double)> progress;
};

// How a run ended: finished, or stopped by its progress callback (the output is then
// unfinished and is to be thrown away).
enum class HillshadeStatus { Finished, Stopped };

// Grey levels of the result: 0 marks a cell without a value (a void, or a void centre), lit
// cells run from 1 (no direct sun) to 255 (facing the sun).
constexpr std::uint8_t kHillshadeNoData = 0;
constexpr std::uint8_t kHillshadeDark = 1;

// Why options or a grid are refused; empty when they can be run.
std::string CheckHillshadeInput(const FloatGrid& grid, const HillshadeOptions& options);
std::string CheckHillshadeInput(const Int16Grid& grid, const HillshadeOptions& options);

// The shaded relief, one grey level per cell (columns * rows, row by row). A cell's eight
// neighbours that lie outside the grid or are void take the cell's own elevation, so edges and
// the rims of voids are shaded too. Throws std::invalid_argument with the reason for refused
// input. Empty when the progress callback stopped the run.
std::vector<std::uint8_t> Hillshade(const FloatGrid& grid, const HillshadeOptions& options);
std::vector<std::uint8_t> Hillshade(const Int16Grid& grid, const HillshadeOptions& options);
// The same into out (columns * rows bytes), which the caller may leave uninitialised.
HillshadeStatus Hillshade(const FloatGrid& grid, const HillshadeOptions& options,
                          std::uint8_t* out);
HillshadeStatus Hillshade(const Int16Grid& grid, const HillshadeOptions& options,
                          std::uint8_t* out);

// Which cells higher ground hides from the sun (1 in shadow, 0 lit or void): one sweep away
// from the sun that carries the running horizon from row to row (or column to column) along
// parallel digital lines in the sun's direction. Exposed for tests; empty when stopped.
std::vector<std::uint8_t> CastShadows(const FloatGrid& grid, const HillshadeOptions& options);
std::vector<std::uint8_t> CastShadows(const Int16Grid& grid, const HillshadeOptions& options);

}  // namespace velk::host::analysis
