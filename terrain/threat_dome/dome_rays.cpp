#include "terrain/threat_dome/dome_rays.h"

#include <atomic>
#include <cmath>
#include <limits>

#include "platform/com/parallel.h"

namespace velk::corvane {

namespace {

using host::analysis::GridPlace;

constexpr double kDegree = 0.017453292519943295;

// Cell-centre coordinates of a place, as the surface's line of sight takes them.
GridPlace PlaceOf(const DomeSurface& s, double x, double y) {
  return {(x - s.originX) / s.grid.cellX - 0.5, (s.originY - y) / s.grid.cellY - 0.5};
}

// The ground of the cell holding (x, y); NaN off the grid and on voids.
double GroundAt(const DomeSurface& s, double x, double y) {
  const double column = std::floor((x - s.originX) / s.grid.cellX);
  const double row = std::floor((s.originY - y) / s.grid.cellY);
  if (!(column >= 0 && row >= 0 && column < s.grid.columns && row < s.grid.rows))
    return std::numeric_limits<double>::quiet_NaN();
  const float v = s.grid.At(static_cast<long>(column), static_cast<long>(row));
  if (s.grid.noData && v == static_cast<float>(*s.grid.noData))
    return std::numeric_limits<double>::quiet_NaN();
  return v;
}

}  // namespace

std::string CheckDomeSteps(double azimuthStep, double elevationStep) {
  if (!(azimuthStep > 0.0) || !std::isfinite(azimuthStep))
    return "The azimuth step of the dome must be a number greater than 0 degrees";
  if (!(elevationStep > 0.0) || !std::isfinite(elevationStep))
    return "The elevation step of the dome must be a number greater than 0 degrees";
  if (azimuthStep > 360.0) return "The azimuth step of the dome must be at most 360 degrees";
  if (elevationStep > 90.0) return "The elevation step of the dome must be at most 90 degrees";
  return {};
}

DomeCounts CountsOf(double azimuthStep, double elevationStep) {
  if (!CheckDomeSteps(azimuthStep, elevationStep).empty()) return {};
  return {static_cast<std::int32_t>(std::trunc(360.0 / azimuthStep)),
          static_cast<std::int32_t>(std::trunc(90.0 / elevationStep))};
}

DomePoint DomeRayTarget(const DomePoint& centre, double radius, double azimuthDegrees,
                        double elevationDegrees) {
  const double az = azimuthDegrees * kDegree, el = elevationDegrees * kDegree;
  // Straight up and down stay exactly over the centre.
  const double horizontal = std::fabs(elevationDegrees) == 90.0 ? 0.0 : radius * std::cos(el);
  return {centre.x + horizontal * std::sin(az), centre.y + horizontal * std::cos(az),
          centre.z + radius * std::sin(el), 0.0};
}

DomeRay TraceDomeRay(const DomeSurface& s, const DomePoint& centre, const DomePoint& target,
                     const host::analysis::CurvatureOptions& curvature) {
  DomeRay ray;
  const GridPlace a = PlaceOf(s, centre.x, centre.y), b = PlaceOf(s, target.x, target.y);
  host::analysis::SightLineOptions options;
  options.curvature = curvature;
  const auto r = host::analysis::ComputeSightLine(s.grid, a, centre.z, b, target.z, options);
  ray.samples = r.profile.size();
  if (a.column == b.column && a.row == b.row) {
    // A vertical ray has no terrain along it but the ground under the centre: up it is open,
    // down it ends on that ground.
    const double ground = GroundAt(s, centre.x, centre.y);
    ray.samples = 1;
    if (std::isnan(ground) || ground > centre.z) {
      ray.point = {centre.x, centre.y, centre.z, 0.0};
      ray.kind = DomeRayEndKind::kCentre;
    } else if (target.z >= ground) {
      ray.point = {target.x, target.y, target.z, 0.0};
    } else {
      ray.point = {centre.x, centre.y, ground, 0.0};
      ray.kind = DomeRayEndKind::kObstructed;
    }
    return ray;
  }
  if (r.profile.empty() || std::isnan(r.profile.front().z) || std::isnan(r.profile.back().z)) {
    ray.point = {centre.x, centre.y, centre.z, 0.0};
    ray.kind = DomeRayEndKind::kCentre;
  } else if (r.targetVisible) {
    ray.point = {target.x, target.y, target.z, 0.0};
  } else if (r.obstruction) {
    const GridPlace& p = r.obstruction->place;
    ray.point = {s.originX + (p.column + 0.5) * s.grid.cellX,
                 s.originY - (p.row + 0.5) * s.grid.cellY, r.obstruction->z, 0.0};
    ray.kind = DomeRayEndKind::kObstructed;
  } else {
    ray.point = {centre.x, centre.y, centre.z, 0.0};
    ray.kind = DomeRayEndKind::kCentre;
  }
  return ray;
}

DomeRaysResult ComputeDomeRays(const DomeSurface& surface, const DomePoint& centre, double radius,
                               const DomeRayOptions& options,
                               const std::function<bool()>& keepGoing) {
  DomeRaysResult result;
  result.error = CheckDomeSteps(options.azimuthStep, options.elevationStep);
  if (result.error.empty() && (!(radius > 0.0) || !std::isfinite(radius)))
    result.error = "The dome radius must be a number greater than 0";
  if (!result.error.empty()) return result;
  const DomeCounts counts = CountsOf(options.azimuthStep, options.elevationStep);
  result.grid = DomePointGrid(counts.Rows(), counts.Columns());

  const int rows = counts.Rows();
  const int threads = ThreadCount(static_cast<int>(options.threads), rows, 1);
  std::atomic<bool> stop{false};
  std::atomic<std::size_t> samples{0};
  const int lastBandStart =
      static_cast<int>(static_cast<long long>(rows) * (threads - 1) / std::max(1, threads));
  ForEachRowBand(rows, threads, [&](int first, int last) {
    // The calling thread runs the last band; only it asks keepGoing.
    const bool asks = keepGoing && first == lastBandStart;
    std::size_t local = 0;
    for (int i = first; i < last && !stop.load(std::memory_order_relaxed); ++i) {
      const double az = i * options.azimuthStep;
      for (int j = 0; j < counts.Columns(); ++j) {
        if (asks && !keepGoing()) {
          stop = true;
          break;
        }
        if (stop.load(std::memory_order_relaxed)) break;
        const double el = (j - counts.elevationCount) * options.elevationStep;
        const DomeRay ray =
            TraceDomeRay(surface, centre, DomeRayTarget(centre, radius, az, el), options.curvature);
        local += ray.samples;
        result.grid.At(static_cast<std::size_t>(i), static_cast<std::size_t>(j)) = ray.point;
      }
    }
    samples += local;
  });
  result.samples = samples;
  result.cancelled = stop;
  return result;
}

}  // namespace velk::corvane
