#include "platform/host/analysis/sight_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velk::host::analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double CellAt(const GridView<float>& g, long c, long r) {
  if (c < 0 || r < 0 || c >= g.columns || r >= g.rows) return kNaN;
  const float v = g.At(c, r);
  if (std::isnan(v) || (g.noData && v == static_cast<float>(*g.noData))) return kNaN;
  return v;
}

// The terrain where the line crosses column k at fractional row y (or row k at column y).
double Crossing(const GridView<float>& g, long k, double y, bool alongColumn) {
  const long y0 = static_cast<long>(std::floor(y));
  const double t = y - static_cast<double>(y0);
  const double a = alongColumn ? CellAt(g, k, y0) : CellAt(g, y0, k);
  if (t <= 0) return a;
  const double b = alongColumn ? CellAt(g, k, y0 + 1) : CellAt(g, y0 + 1, k);
  return InterpolateCells(a, b, t);
}

double HoldingCell(const GridView<float>& g, GridPlace p) {
  return CellAt(g, static_cast<long>(std::floor(p.column + 0.5)),
                static_cast<long>(std::floor(p.row + 0.5)));
}

// Crossings of the whole numbers strictly between from and to.
template <class F>
void ForEachCrossing(double from, double to, F&& f) {
  if (from == to) return;
  const double lo = std::min(from, to), hi = std::max(from, to);
  for (long k = static_cast<long>(std::floor(lo)) + 1; static_cast<double>(k) < hi; ++k) {
    if (static_cast<double>(k) <= lo) continue;
    f(k, (static_cast<double>(k) - from) / (to - from));
  }
}

}  // namespace

std::vector<ProfileSample> SampleProfile(const GridView<float>& g, GridPlace a, GridPlace b) {
  std::vector<ProfileSample> samples;
  const double dc = b.column - a.column, dr = b.row - a.row;
  samples.reserve(static_cast<std::size_t>(std::fabs(dc) + std::fabs(dr)) + 4);
  samples.push_back({0.0, a, HoldingCell(g, a)});
  ForEachCrossing(a.column, b.column, [&](long k, double u) {
    const double y = a.row + u * dr;
    samples.push_back({u, {static_cast<double>(k), y}, Crossing(g, k, y, true)});
  });
  const std::ptrdiff_t columns = static_cast<std::ptrdiff_t>(samples.size());
  ForEachCrossing(a.row, b.row, [&](long k, double u) {
    const double x = a.column + u * dc;
    samples.push_back({u, {x, static_cast<double>(k)}, Crossing(g, k, x, false)});
  });
  // Each kind of crossing comes in order of k, so in order of u or against it: two sorted runs.
  if (dc < 0) std::reverse(samples.begin() + 1, samples.begin() + columns);
  if (dr < 0) std::reverse(samples.begin() + columns, samples.end());
  std::inplace_merge(samples.begin() + 1, samples.begin() + columns, samples.end(),
                     [](const ProfileSample& p, const ProfileSample& q) { return p.u < q.u; });
  // A line through a cell centre crosses its column and its row at once: keep one.
  samples.erase(std::unique(samples.begin() + 1, samples.end(),
                            [](const ProfileSample& p, const ProfileSample& q) {
                              return std::fabs(p.u - q.u) < 1e-12;
                            }),
                samples.end());
  if (a.column != b.column || a.row != b.row) samples.push_back({1.0, b, HoldingCell(g, b)});
  return samples;
}

SightLineResult ComputeSightLine(const GridView<float>& g, GridPlace observer, double eye,
                                 GridPlace target, double targetZ,
                                 const SightLineOptions& options) {
  SightLineResult result;
  result.profile = SampleProfile(g, observer, target);
  const auto& p = result.profile;
  const CurvatureModel curvature(options.curvature);
  const double h = std::hypot((target.column - observer.column) * g.cellX,
                              (target.row - observer.row) * g.cellY);
  if (p.size() < 2 || !(h > 0)) {
    result.targetVisible = true;
    return result;
  }
  auto slopeOf = [&](double z, double u) {
    const double d = u * h;
    return (curvature.Apparent(z, d) - eye) / d;
  };

  // Horizon before each sample, and whether the sample's ground is seen.
  const std::size_t n = p.size();
  std::vector<double> horizon(n, -std::numeric_limits<double>::infinity());
  std::vector<bool> seen(n, false);
  seen[0] = !std::isnan(p[0].z);
  double running = -std::numeric_limits<double>::infinity();
  std::size_t highest = 0;
  for (std::size_t i = 1; i < n; ++i) {
    horizon[i] = running;
    if (std::isnan(p[i].z)) continue;
    const double s = slopeOf(p[i].z, p[i].u);
    seen[i] = s >= running;
    if (i + 1 < n && s > running) highest = i;
    running = std::max(running, s);
  }
  result.targetVisible = slopeOf(targetZ, 1.0) >= horizon[n - 1];
  if (!result.targetVisible && highest > 0) result.obstruction = p[highest];

  auto add = [&](double from, double to, bool visible) {
    if (to <= from) return;
    if (!result.stretches.empty() && result.stretches.back().visible == visible)
      result.stretches.back().to = to;
    else
      result.stretches.push_back({from, to, visible});
  };
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const ProfileSample &s0 = p[i], &s1 = p[i + 1];
    const bool v0 = seen[i], v1 = seen[i + 1];
    if (std::isnan(s0.z) || std::isnan(s1.z)) {
      add(s0.u, s1.u, false);
    } else if (i == 0 || v0 == v1) {
      add(s0.u, s1.u, v1);
    } else if (v0) {
      // The ground falls away from a seen point: hidden right behind it.
      add(s0.u, s1.u, false);
    } else {
      // The ground rises out of the shadow: find where it meets the horizon.
      double lo = s0.u, hi = s1.u;
      for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        const double z = s0.z + (s1.z - s0.z) * (mid - s0.u) / (s1.u - s0.u);
        (slopeOf(z, mid) >= horizon[i + 1] ? hi : lo) = mid;
      }
      add(s0.u, hi, false);
      add(hi, s1.u, true);
    }
  }
  return result;
}

}  // namespace velk::host::analysis
