// The rays of a threat dome over an elevation grid: from the centre, one straight line of the
// dome's radius towards every azimuth and elevation of the grid, each cut short where the
// terrain hides its far end. A ray is judged exactly as the host surface's line of sight judges
// the line from the centre to the ray's end (same sampling, interpolation, curvature and
// refraction), so a dome built here equals one built through the surface query by query. The
// rays of one dome run on all cores.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/host/analysis/sight_line.h"
#include "terrain/threat_dome/dome_point_grid.h"

namespace velk::corvane {

// A north-up elevation grid in a projected system of metres: cell (0, 0) has its top-left
// corner at (originX, originY); columns run east by grid.cellX, rows south by grid.cellY.
// Voids are NaN (or the grid's no-data value).
struct DomeSurface {
  host::analysis::GridView<float> grid;
  double originX = 0.0;
  double originY = 0.0;
};

struct DomeRayOptions {
  double azimuthStep = 10.0;    // degrees
  double elevationStep = 10.0;  // degrees
  host::analysis::CurvatureOptions curvature;  // off unless asked
  unsigned threads = 0;  // 0: every core
};

// The grid's counts: azimuthCount = trunc(360 / azimuthStep), elevationCount =
// trunc(90 / elevationStep).
struct DomeCounts {
  std::int32_t azimuthCount = 0;
  std::int32_t elevationCount = 0;
  std::int32_t Rows() const { return azimuthCount + 1; }
  std::int32_t Columns() const { return 2 * elevationCount + 1; }
};

// Empty when the steps make a dome; else why not (a step of zero or less, not a number, or one
// so large that it leaves no sector or no elevation above the horizon).
std::string CheckDomeSteps(double azimuthStep, double elevationStep);
// Counts of steps that CheckDomeSteps accepts (other steps give zero counts).
DomeCounts CountsOf(double azimuthStep, double elevationStep);

// The end of the straight ray from the centre: x += r cos(el) sin(az), y += r cos(el) cos(az),
// z += r sin(el), angles in degrees (azimuth clockwise from north); at +-90 degrees exactly
// over the centre.
DomePoint DomeRayTarget(const DomePoint& centre, double radius, double azimuthDegrees,
                        double elevationDegrees);

enum class DomeRayEndKind {
  kOpen,         // the target is seen: the ray ends at full length
  kObstructed,   // it ends at the terrain that hides the target
  kCentre,       // hidden with nothing to show for it (an end off the surface or on a void)
};

struct DomeRay {
  DomePoint point;  // m = 0
  DomeRayEndKind kind = DomeRayEndKind::kOpen;
  std::size_t samples = 0;  // terrain samples along the ray
};

// One ray from centre (its z is the eye) to target (its z the target height). A vertical ray
// (both ends over one place) is judged by the ground under the centre alone: up it is open,
// down it ends on the ground; an eye under the ground or off the surface sees nothing.
DomeRay TraceDomeRay(const DomeSurface& surface, const DomePoint& centre, const DomePoint& target,
                     const host::analysis::CurvatureOptions& curvature = {});

struct DomeRaysResult {
  DomePointGrid grid;   // Rows() x Columns() of CountsOf the steps; each a copy
  std::size_t samples = 0;  // terrain samples over every ray
  bool cancelled = false;   // keepGoing said no: the rays not traced are left empty
  std::string error;        // steps or radius refused: nothing traced
};

// Every ray of the dome. keepGoing, when given, is asked on the calling thread between rays;
// answering false stops the work.
DomeRaysResult ComputeDomeRays(const DomeSurface& surface, const DomePoint& centre, double radius,
                               const DomeRayOptions& options = {},
                               const std::function<bool()>& keepGoing = {});

}  // namespace velk::corvane
