#include "platform/host/analysis/viewshed.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <type_traits>

#include "platform/host/analysis/parallel_rows.h"

// The rays' step is built twice on x86-64, plain and with AVX2, and the better one is chosen
// when the library loads. Neither contracts into fused multiply-adds, so both give the same bits.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VELK_VIEWSHED_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELK_VIEWSHED_CLONES
#endif

namespace velk::host::analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Elevation of a cell as double, NaN for voids.
template <typename T>
struct Sampler {
  bool hasNoData = false;
  T noData{};
  double operator()(T v) const {
    if constexpr (std::is_floating_point_v<T>) {
      if (std::isnan(v)) return kNaN;
    }
    if (hasNoData && v == noData) return kNaN;
    return static_cast<double>(v);
  }
};

template <typename T>
Sampler<T> MakeSampler(const GridView<T>& grid) {
  Sampler<T> s;
  if (grid.noData && !std::isnan(*grid.noData)) {
    const double nd = *grid.noData;
    // A no-data value the type cannot hold marks nothing.
    if (static_cast<double>(static_cast<T>(nd)) == nd) {
      s.hasNoData = true;
      s.noData = static_cast<T>(nd);
    }
  }
  return s;
}

// The rays of one octant: from the observer towards the cells (R, m) of the square's border,
// m = minor offset of the target, R = the square's half side; major steps of one column (or
// row) each. State of each ray as it is marched, one array per quantity, rays in order of m.
struct RayLines {
  std::vector<std::int32_t> rem, step, j;
  std::vector<double> prevY, horizon, stepLen, stepsPerMinor;
  std::vector<std::uint8_t> seen;
  std::vector<std::uint16_t> spare;
  // Terrain of the line the rays have reached and of the one before, from index -1 (a void
  // pad) to one past the last cell read (another).
  std::vector<double> line[2];
  std::vector<double> distance, rise;
  void Fit(std::size_t rays, int lineLength) {
    if (rem.size() < rays) {
      for (auto* v : {&rem, &step, &j}) v->resize(rays);
      for (auto* v : {&prevY, &horizon, &stepLen, &stepsPerMinor}) v->resize(rays);
      seen.resize(rays);
      spare.resize(rays);
    }
    const std::size_t need = static_cast<std::size_t>(lineLength) + 3;
    for (auto* l : {&line[0], &line[1], &distance, &rise})
      if (l->size() < need) l->resize(need);
  }
};

// What the rays of an octant share at one step.
struct StepGeometry {
  int i = 1;  // the line reached: major distance in cells
  int R = 1;
  double inv2R = 0.5;
  double cMaj = 1, cMin = 1;
  double eye = 0, offsetB = 0;
  double drop = 0;  // curvature: apparent z = z - drop * d * d
};

// Ray k takes its step onto line i: z holds that line's terrain, prev the line before. The ray
// interpolates the terrain where it crosses the line and where it crossed a row (column) of
// cell centres since the line before, and keeps its running horizon; seen[k] is 1 when the ray
// judges its cell j[k] (it passes nearest that cell's centre) and the cell clears the horizon
// before it. The cell is seen when its centre or the terrain where the ray passes it clears
// the horizon: the ray runs up to half a ray spacing beside the centre, and on an even slope
// that offset alone must not hide the cell.
struct RayArrays {
  std::int32_t* rem;         // R + 2 m i modulo 2 R
  std::int32_t* j;           // the ray's nearest cell on the line: round(m i / R)
  const std::int32_t* step;  // 2 m
  double* prevY;
  double* horizon;
  const double* stepLen;
  const double* stepsPerMinor;
  const double* z;
  const double* prev;
  // Of each cell of the line: its distance from the eye (NaN where no verdict is wanted: a
  // void, or a cell out of the observer's horizontal range), and the height of its target over
  // the eye as the eye sees it (curvature included).
  const double* distance;
  const double* rise;
  std::uint8_t* seen;
  // When given, seen cells are counted here at once (j steps of countStep from the line's
  // first cell); the rays that see nothing write to spare[k] instead, so nothing branches.
  std::uint16_t* counts;
  std::ptrdiff_t countStep;
  std::uint16_t* spare;
};

// Advances the ray's place onto the next line: rem by 2 m, a whole row (column) at 2 R.
[[gnu::always_inline]] inline void Advance(std::int32_t& rem, std::int32_t& j, std::int32_t step,
                                           std::int32_t R2) {
  rem += step;
  const std::int32_t wrap = rem >= R2;
  rem -= wrap * R2;
  j += wrap;
}

[[gnu::always_inline]] inline double Interpolate(double a, double b, double t) {
  return a != a ? b : (b != b ? a : a + (b - a) * t);
}

[[gnu::always_inline]] inline void StepRay(const StepGeometry& g, const RayArrays& r, int k) {
  const int i = g.i, R = g.R, rem = r.rem[k], j = r.j[k];
  const double drop = g.drop, eye = g.eye;
  double horizon = r.horizon[k];
  const double stepLen = r.stepLen[k];
  const double di = i * stepLen;
  const double t = static_cast<double>(rem - R) * g.inv2R;  // offset from row j, [-0.5, 0.5)
  const bool ahead = t >= 0;
  // Terrain where the ray crosses this line of cell centres (a void gives way to the other).
  const double zj = r.z[j];
  const double zc = ahead ? Interpolate(zj, r.z[j + 1], t) : Interpolate(r.z[j - 1], zj, 1.0 + t);
  // Where the ray crossed a row (column) of cell centres since the line before: before the
  // judged cell when that row lies before it, after it when it is the cell's own row.
  const double yi = j + t;
  const int kr = ahead ? j : j - 1;  // floor(yi)
  double rowRise = 0, rowDist = 0;
  bool row = false;
  if (kr > r.prevY[k] && yi > kr) {
    const double xc = i - (yi - kr) * r.stepsPerMinor[k];
    const double zr = Interpolate(r.prev[kr], r.z[kr], xc - (i - 1));
    if (zr == zr) {
      row = true;
      rowDist = xc * stepLen;
      rowRise = zr - drop * rowDist * rowDist - eye;
      if (!ahead && rowRise > horizon * rowDist) horizon = rowRise / rowDist;
    }
  }
  r.prevY[k] = yi;
  bool seen = false;
  const double h = r.distance[j];
  if (rem > R - i && rem <= R + i && h == h) {
    const double dz = r.rise[j];
    seen = dz >= horizon * h || zc + g.offsetB - drop * di * di - eye >= horizon * di;
  }
  r.seen[k] = seen;
  if (r.counts) ++*(seen ? r.counts + j * r.countStep : r.spare + k);
  if (row && ahead && rowRise > horizon * rowDist) horizon = rowRise / rowDist;
  const double rise = zc - drop * di * di - eye;
  if (zc == zc && rise > horizon * di) horizon = rise / di;
  r.horizon[k] = horizon;
}

// Four rays side by side: StepRay without branches, lane by lane the same arithmetic.
using V4d = double __attribute__((vector_size(32)));
using V4l = long long __attribute__((vector_size(32)));

[[gnu::always_inline]] inline V4d Pick(V4l mask, V4d yes, V4d no) {
  V4l y, n;
  std::memcpy(&y, &yes, sizeof y);
  std::memcpy(&n, &no, sizeof n);
  const V4l out = (y & mask) | (n & ~mask);
  V4d d;
  std::memcpy(&d, &out, sizeof d);
  return d;
}

[[gnu::always_inline]] inline bool Any(V4l mask) {
  return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
}

[[gnu::always_inline]] inline V4d Load(const double* p) {
  V4d v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

[[gnu::always_inline]] inline V4d Interpolate(V4d a, V4d b, V4d t) {
  return Pick(a != a, b, Pick(b != b, a, a + (b - a) * t));
}

[[gnu::always_inline]] inline void StepFourRays(const StepGeometry& g, const RayArrays& r, int k) {
  const double drop = g.drop, eye = g.eye;
  const V4l rem = {r.rem[k], r.rem[k + 1], r.rem[k + 2], r.rem[k + 3]};
  const std::int32_t* jl = r.j + k;
  const V4l j = {jl[0], jl[1], jl[2], jl[3]};
  const V4d iD = V4d{} + static_cast<double>(g.i);
  V4d horizon = Load(r.horizon + k);
  const V4d stepLen = Load(r.stepLen + k);
  const V4d di = iD * stepLen;
  const V4d t = __builtin_convertvector(rem - g.R, V4d) * g.inv2R;
  const V4l ahead = t >= 0;
  const double* z = r.z;
  const V4d zj = {z[jl[0]], z[jl[1]], z[jl[2]], z[jl[3]]};
  const V4d before = {z[jl[0] - 1], z[jl[1] - 1], z[jl[2] - 1], z[jl[3] - 1]};
  const V4d after = {z[jl[0] + 1], z[jl[1] + 1], z[jl[2] + 1], z[jl[3] + 1]};
  const V4d zc =
      Interpolate(Pick(ahead, zj, before), Pick(ahead, after, zj), Pick(ahead, t, 1.0 + t));
  const V4d jD = __builtin_convertvector(j, V4d);
  const V4d yi = jD + t;
  const V4d kd = Pick(ahead, jD, jD - 1.0);
  const V4l crossed = (kd > Load(r.prevY + k)) & (yi > kd);
  const V4d xc = iD - (yi - kd) * Load(r.stepsPerMinor + k);
  const V4l back = crossed & ~ahead;
  const V4d ra = {r.prev[jl[0] - (back[0] & 1)], r.prev[jl[1] - (back[1] & 1)],
                  r.prev[jl[2] - (back[2] & 1)], r.prev[jl[3] - (back[3] & 1)]};
  const V4d zr = Interpolate(ra, Pick(back, before, zj), xc - (iD - 1.0));
  const V4l row = crossed & (zr == zr);
  const V4d rowDist = xc * stepLen;
  const V4d rowRise = zr - drop * rowDist * rowDist - eye;
  // A division only where some lane takes its result: it is the slowest step here.
  const V4d rowSlope = Any(row) ? rowRise / rowDist : rowRise;
  horizon = Pick(row & ~ahead & (rowRise > horizon * rowDist), rowSlope, horizon);
  std::memcpy(r.prevY + k, &yi, sizeof yi);
  const V4d h = {r.distance[jl[0]], r.distance[jl[1]], r.distance[jl[2]], r.distance[jl[3]]};
  const V4d dz = {r.rise[jl[0]], r.rise[jl[1]], r.rise[jl[2]], r.rise[jl[3]]};
  const V4l clears = (dz >= horizon * h) | (zc + g.offsetB - drop * di * di - eye >= horizon * di);
  const V4l judged = (rem > g.R - g.i) & (rem <= g.R + g.i) & (h == h);
  const V4l seen = judged & clears;
  for (int l = 0; l < 4; ++l) r.seen[k + l] = static_cast<std::uint8_t>(seen[l] & 1);
  if (r.counts)
    for (int l = 0; l < 4; ++l) {
      const auto cell = reinterpret_cast<std::uintptr_t>(r.counts + jl[l] * r.countStep);
      const auto spare = reinterpret_cast<std::uintptr_t>(r.spare + k + l);
      const auto mask = static_cast<std::uintptr_t>(seen[l]);
      ++*reinterpret_cast<std::uint16_t*>((cell & mask) | (spare & ~mask));
    }
  horizon = Pick(row & ahead & (rowRise > horizon * rowDist), rowSlope, horizon);
  const V4d rise = zc - drop * di * di - eye;
  const V4l lifts = (zc == zc) & (rise > horizon * di);
  if (Any(lifts)) horizon = Pick(lifts, rise / di, horizon);
  std::memcpy(r.horizon + k, &horizon, sizeof horizon);
}

// The distance and target rise of cells 0 .. n - 1 of line g.i (z: their terrain); cells whose
// squared horizontal distance lies outside [inner2, outer2] get no verdict.
VELK_VIEWSHED_CLONES
void CellsOfLine(const StepGeometry& g, const double* __restrict z, double* __restrict distance,
                 double* __restrict rise, int n, double inner2, double outer2) {
  const double dMaj = g.i * g.cMaj;
  for (int j = 0; j < n; ++j) {
    const double dMin = j * g.cMin;
    const double h2 = dMaj * dMaj + dMin * dMin;
    const double h = std::sqrt(h2);
    const bool wanted = (z[j] == z[j]) & (h2 >= inner2) & (h2 <= outer2);
    distance[j] = wanted ? h : kNaN;
    rise[j] = z[j] + g.offsetB - g.drop * h * h - g.eye;
  }
}

// Rays 0 .. n - 1 take their step onto line g.i.
VELK_VIEWSHED_CLONES
void MarchLine(const StepGeometry& g, const RayArrays& r, int n) {
  for (int k = 0; k < n; ++k) Advance(r.rem[k], r.j[k], r.step[k], 2 * g.R);
  int k = 0;
  for (; k + 4 <= n; k += 4) StepFourRays(g, r, k);
  for (; k < n; ++k) StepRay(g, r, k);
}

// The share of the sweep done, handed to the caller's callback from whichever worker reports,
// one at a time; once the callback says stop, every worker leaves its octant at the next report.
class SweepProgress {
 public:
  // Lines between two reports of a worker.
  static constexpr int kLines = 256;

  SweepProgress(const std::function<bool(double)>& callback, double totalLines)
      : callback_(callback), total_(std::max(1.0, totalLines)) {}
  // The callback's say before anything is swept; false when it stops the run.
  bool Begin() { return Call(0.0); }
  // lines more are done; false when the run is to stop.
  bool Add(int lines) {
    const double done = static_cast<double>(done_.fetch_add(lines) + lines);
    if (callback_) {
      // A worker that finds another reporting goes on; the next report catches up.
      std::unique_lock<std::mutex> lock(call_, std::try_to_lock);
      if (lock.owns_lock() && !stopped_.load()) {
        // Shares handed out only grow, whichever worker reports.
        last_ = std::max(last_, std::min(1.0, done / total_));
        if (!callback_(last_)) stopped_.store(true);
      }
    }
    return !stopped_.load(std::memory_order_relaxed);
  }
  bool Stopped() const { return stopped_.load(); }
  // The callback's say once everything is swept; false when it stops the run after all.
  bool End() { return Call(1.0); }

 private:
  bool Call(double share) {
    if (!callback_) return true;
    const std::lock_guard<std::mutex> lock(call_);
    if (!stopped_.load() && !callback_(share)) stopped_.store(true);
    return !stopped_.load();
  }

  const std::function<bool(double)>& callback_;
  const double total_;
  std::atomic<long long> done_{0};
  std::atomic<bool> stopped_{false};
  std::mutex call_;
  double last_ = 0.0;  // under call_
};

struct Octant {
  bool xMajor;    // rays step from column to column (else from row to row)
  int majorSign;  // direction of the steps
  int minorSign;  // side of the axis the targets lie on
};

constexpr Octant kOctants[8] = {{true, 1, 1},  {true, 1, -1},  {true, -1, 1},  {true, -1, -1},
                                {false, 1, 1}, {false, 1, -1}, {false, -1, 1}, {false, -1, -1}};

// An observer made ready for the sweep.
struct Prepared {
  int column = 0, row = 0;
  double eye = 0;
  ObserverLimits limits;
  double maxHorizontal = std::numeric_limits<double>::infinity();
  int R = 1;  // half side of the square, cells
};

double RayAzimuth(const Octant& o, int m, int R, double cellX, double cellY) {
  const double maj = R, min = m;
  const double east = o.xMajor ? o.majorSign * maj * cellX : o.minorSign * min * cellX;
  const double north = o.xMajor ? -o.minorSign * min * cellY : -o.majorSign * maj * cellY;
  return LimitTest::AzimuthOf(east, north);
}

double AngularDistance(const Sector& s, double az) {
  if (s.Contains(az)) return 0;
  auto diff = [](double a, double b) {
    double d = std::fabs(std::fmod(a - b, 360.0));
    return d > 180 ? 360 - d : d;
  };
  return std::min(diff(az, s.start), diff(az, s.start + s.width));
}

// The minor offsets of an octant's rays: x-major rays aim at the left and right columns of the
// square, corners included, y-major rays at the top and bottom rows without the corners; the
// ray along the axis belongs to the side of positive minor sign. A sector keeps the rays within
// a margin of it.
std::vector<int> RaysOf(const Octant& o, const Prepared& p, double cellX, double cellY) {
  std::vector<int> rays;
  const int R = p.R;
  const int first = o.minorSign > 0 ? 0 : 1, last = o.xMajor ? R : R - 1;
  const Sector sector = LimitTest(p.limits).sector();
  const double margin =
      sector.full
          ? 0.0
          : 3.0 * 57.29577951308232 * std::max(cellX, cellY) / (std::min(cellX, cellY) * R) + 0.5;
  for (int m = first; m <= last; ++m)
    if (sector.full || AngularDistance(sector, RayAzimuth(o, m, R, cellX, cellY)) <= margin)
      rays.push_back(m);
  return rays;
}

// How an octant's (major, minor) steps land on the grid and the counts, and the observer's
// limits as the octant's sweep applies them.
struct OctantFrame {
  int last = 0;      // the farthest line the rays reach
  int minLimit = 0;  // the last cell of a line on the grid
  double cMaj = 1, cMin = 1;
  // Metric direction of a unit step in (major, minor) for the limits: east and north.
  double eastPerMaj = 0, northPerMaj = 0, eastPerMin = 0, northPerMin = 0;
  std::ptrdiff_t gridMaj = 0, gridMin = 0, countMaj = 0, countMin = 0;
  // Limits of the horizontal distance alone are settled per cell before the rays judge.
  bool onlyRange = true;
  double inner2 = 0, outer2 = std::numeric_limits<double>::infinity();
};

// The lines (columns or rows) from the observer to the end of the octant's reach.
int OctantLines(const Prepared& o, const Octant& oct, int columns, int rows) {
  const int majLimit = oct.xMajor ? (oct.majorSign > 0 ? columns - 1 - o.column : o.column)
                                  : (oct.majorSign > 0 ? rows - 1 - o.row : o.row);
  return std::min(o.R, majLimit);
}

template <typename T>
OctantFrame FrameOf(const GridView<T>& grid, const Prepared& o, const Octant& oct,
                    const LimitTest& limits) {
  OctantFrame f;
  const int columns = grid.columns, rows = grid.rows;
  f.last = OctantLines(o, oct, columns, rows);
  f.minLimit = oct.xMajor ? (oct.minorSign > 0 ? rows - 1 - o.row : o.row)
                          : (oct.minorSign > 0 ? columns - 1 - o.column : o.column);
  f.cMaj = oct.xMajor ? grid.cellX : grid.cellY;
  f.cMin = oct.xMajor ? grid.cellY : grid.cellX;
  f.eastPerMaj = oct.xMajor ? oct.majorSign * grid.cellX : 0.0;
  f.northPerMaj = oct.xMajor ? 0.0 : -oct.majorSign * grid.cellY;
  f.eastPerMin = oct.xMajor ? 0.0 : oct.minorSign * grid.cellX;
  f.northPerMin = oct.xMajor ? -oct.minorSign * grid.cellY : 0.0;
  const std::ptrdiff_t stride = grid.RowStride();
  f.gridMaj = oct.xMajor ? oct.majorSign : oct.majorSign * stride;
  f.gridMin = oct.xMajor ? oct.minorSign * stride : oct.minorSign;
  f.countMaj = oct.xMajor ? oct.majorSign : static_cast<std::ptrdiff_t>(oct.majorSign) * columns;
  f.countMin = oct.xMajor ? static_cast<std::ptrdiff_t>(oct.minorSign) * columns : oct.minorSign;
  f.onlyRange = limits.OnlyHorizontalRange();
  if (f.onlyRange) {
    f.inner2 = limits.HorizontalRange().first;
    f.outer2 = limits.HorizontalRange().second;
  }
  return f;
}

template <typename T>
class Engine {
 public:
  Engine(const GridView<T>& grid, const CurvatureModel& curvature, std::uint16_t* counts,
         bool atomicCounts)
      : grid_(grid),
        sample_(MakeSampler(grid)),
        curvature_(curvature),
        counts_(counts),
        atomic_(atomicCounts) {}

  // Sweeps one octant of the observer, reporting its lines to progress; leaves early when the
  // run is stopped.
  void Run(const Prepared& o, const Octant& oct, RayLines& s, SweepProgress& progress) const {
    const std::vector<int> rays = RaysOf(oct, o, grid_.cellX, grid_.cellY);
    const LimitTest limits(o.limits);
    const OctantFrame f = FrameOf(grid_, o, oct, limits);
    int reported = 0;
    if (!rays.empty()) reported = March(o, f, limits, rays, s, progress);
    if (!progress.Stopped()) progress.Add(f.last - reported);
  }

 private:
  // The rays' state at the observer, and what their steps share.
  StepGeometry Start(const Prepared& o, const OctantFrame& f, const std::vector<int>& rays,
                     RayLines& s) const {
    const int R = o.R;
    s.Fit(rays.size(), std::min(f.last + 1, f.minLimit) + 1);
    StepGeometry g;
    g.R = R;
    g.inv2R = 1.0 / static_cast<double>(2L * R);
    g.cMaj = f.cMaj;
    g.cMin = f.cMin;
    g.eye = o.eye;
    g.offsetB = o.limits.offsetB;
    g.drop = curvature_.Drop(1.0);
    for (std::size_t k = 0; k < rays.size(); ++k) {
      const int m = rays[k];
      s.rem[k] = R;
      s.step[k] = 2 * m;
      s.j[k] = 0;
      s.prevY[k] = 0;
      s.horizon[k] = -std::numeric_limits<double>::infinity();
      const double minorPerStep = static_cast<double>(m) / R;
      s.stepsPerMinor[k] = m ? static_cast<double>(R) / m : 0.0;
      s.stepLen[k] = std::sqrt(f.cMaj * f.cMaj + minorPerStep * f.cMin * minorPerStep * f.cMin);
    }
    return g;
  }

  // A line's cells 0 .. n - 1 into a buffer with its void pads.
  void Load(const T* cells, std::ptrdiff_t step, double* buffer, int n) const {
    double* z = buffer + 1;
    z[-1] = kNaN;
    for (int j = 0; j < n; ++j) z[j] = sample_(cells[j * step]);
    z[n] = kNaN;
  }

  // The rays march outward line by line; returns the lines reported to progress.
  int March(const Prepared& o, const OctantFrame& f, const LimitTest& limits,
            const std::vector<int>& rays, RayLines& s, SweepProgress& progress) const {
    const int R = o.R;
    StepGeometry g = Start(o, f, rays, s);
    const T* gridOrigin = &grid_.At(o.column, o.row);
    std::uint16_t* countOrigin =
        counts_ + static_cast<std::ptrdiff_t>(o.row) * grid_.columns + o.column;
    // With no limits but the distance, and when no other observer's sweep may write beside
    // it, the rays count what they see as they go.
    const bool direct = f.onlyRange && !atomic_;
    std::size_t alive = rays.size();
    int reported = 0;
    Load(gridOrigin, f.gridMin, s.line[0].data(), std::min(2, f.minLimit + 1));
    for (int i = 1; i <= f.last && alive; ++i) {
      if (i - reported >= SweepProgress::kLines) {
        reported = i;
        if (!progress.Add(SweepProgress::kLines)) break;
      }
      // Rays advance to column (row) i; those that left the grid or the reach stop. They are
      // in order of m, so the survivors stay in front.
      const auto jAt = [&](std::size_t k) {
        return static_cast<int>((R + 2L * rays[k] * i) / (2L * R));
      };
      while (alive &&
             (jAt(alive - 1) > f.minLimit || i * s.stepLen[alive - 1] > o.maxHorizontal))
        --alive;
      if (!alive) break;
      const double* prev = s.line[(i + 1) & 1].data() + 1;
      double* z = s.line[i & 1].data() + 1;
      const int cells = std::min(jAt(alive - 1) + 2, f.minLimit + 1);
      Load(gridOrigin + i * f.gridMaj, f.gridMin, z - 1, cells);
      std::uint16_t* countLine = countOrigin + i * f.countMaj;
      g.i = i;
      CellsOfLine(g, z, s.distance.data(), s.rise.data(), cells, f.inner2, f.outer2);
      MarchLine(
          g,
          {s.rem.data(), s.j.data(), s.step.data(), s.prevY.data(), s.horizon.data(),
           s.stepLen.data(), s.stepsPerMinor.data(), z, prev, s.distance.data(), s.rise.data(),
           s.seen.data(), direct ? countLine : nullptr, f.countMin, s.spare.data()},
          static_cast<int>(alive));
      if (!direct) CountSeen(o, f, limits, i, z, s, alive, countLine);
    }
    return reported;
  }

  // The cells the rays saw on line i that the observer's limits admit.
  void CountSeen(const Prepared& o, const OctantFrame& f, const LimitTest& limits, int i,
                 const double* z, const RayLines& s, std::size_t alive,
                 std::uint16_t* countLine) const {
    for (std::size_t k = 0; k < alive; ++k) {
      if (!s.seen[k]) continue;
      const int j = s.j[k];
      if (!f.onlyRange) {
        const double dMaj = i * f.cMaj, dMin = j * f.cMin;
        const double h = std::sqrt(dMaj * dMaj + dMin * dMin);
        const double dz = curvature_.Apparent(z[j] + o.limits.offsetB, h) - o.eye;
        if (!limits.Admits(i * f.eastPerMaj + j * f.eastPerMin,
                           i * f.northPerMaj + j * f.northPerMin, dz))
          continue;
      }
      Add(countLine[j * f.countMin]);
    }
  }

  void Add(std::uint16_t& count) const {
    if (atomic_)
      std::atomic_ref<std::uint16_t>(count).fetch_add(1, std::memory_order_relaxed);
    else
      ++count;
  }

  GridView<T> grid_;
  Sampler<T> sample_;
  CurvatureModel curvature_;
  std::uint16_t* counts_;
  bool atomic_;
};

template <typename T>
std::string CheckGrid(const GridView<T>& grid, const std::vector<ViewshedObserver>& observers) {
  if (!grid.values || grid.columns < 2 || grid.rows < 2)
    return "the surface must have at least two cells in each direction";
  if (!(grid.cellX > 0) || !(grid.cellY > 0) || !std::isfinite(grid.cellX) ||
      !std::isfinite(grid.cellY))
    return "the surface's cell size is not a positive number";
  if (observers.empty()) return "no observers";
  if (observers.size() > kMaxObservers) return "too many observers";
  return {};
}

// The observer checked against the grid and made ready for the sweep; empty error when it can
// be swept, else why not.
template <typename T>
std::string Prepare(const GridView<T>& grid, const Sampler<T>& sample, const ViewshedObserver& o,
                    Prepared& p) {
  if (o.column < 0 || o.row < 0 || o.column >= grid.columns || o.row >= grid.rows)
    return "outside the surface";
  const double ground = sample(grid.At(o.column, o.row));
  if (std::isnan(ground)) return "on a void of the surface";
  if (o.spot && !std::isfinite(*o.spot)) return "the observer elevation is not a number";
  if (std::string why = CheckObserverLimits(o.limits); !why.empty()) return why;
  p.column = o.column;
  p.row = o.row;
  p.limits = o.limits;
  p.eye = (o.spot ? *o.spot : ground) + o.limits.offsetA;
  int R = std::max({o.column, grid.columns - 1 - o.column, o.row, grid.rows - 1 - o.row});
  const double reach = LimitTest(o.limits).MaxHorizontal();
  if (std::isfinite(reach)) {
    const double cells = std::ceil(reach / std::min(grid.cellX, grid.cellY)) + 1;
    R = static_cast<int>(std::min<double>(R, cells));
    p.maxHorizontal = reach + std::hypot(grid.cellX, grid.cellY);
  }
  p.R = std::max(R, 1);
  return {};
}

// Zero, or the void mark, on every cell, in bands of rows on all the threads; then the
// observers' own cells, seen unless the near distance excludes them.
template <typename T>
void StartCounts(const GridView<T>& grid, const std::vector<Prepared>& prepared, int threads,
                 std::vector<std::uint16_t>& counts) {
  const Sampler<T> sample = MakeSampler(grid);
  const int columns = grid.columns, rows = grid.rows;
  counts.resize(static_cast<std::size_t>(columns) * rows);
  ForEachRowBand(rows, ThreadCount(threads, rows, 64), [&](int from, int to) {
    for (int r = from; r < to; ++r) {
      const T* in = &grid.At(0, r);
      std::uint16_t* out = counts.data() + static_cast<std::size_t>(r) * columns;
      for (int c = 0; c < columns; ++c) out[c] = std::isnan(sample(in[c])) ? kVoidCount : 0;
    }
  });
  for (const auto& p : prepared)
    if (LimitTest(p.limits).DistanceAdmits(0.0, p.limits.offsetB - p.limits.offsetA))
      ++counts[static_cast<std::size_t>(p.row) * columns + p.column];
}

template <typename T>
ViewshedResult Compute(const GridView<T>& grid, const std::vector<ViewshedObserver>& observers,
                       const ViewshedOptions& options) {
  ViewshedResult result;
  result.error = CheckGrid(grid, observers);
  if (!result.error.empty()) return result;
  const Sampler<T> sample = MakeSampler(grid);
  std::vector<Prepared> prepared(observers.size());
  for (std::size_t k = 0; k < observers.size(); ++k) {
    const std::string why = Prepare(grid, sample, observers[k], prepared[k]);
    if (!why.empty()) {
      result.error = "observer " + std::to_string(k + 1) + ": " + why;
      return result;
    }
  }
  // Every (observer, octant) pair is a task, its lines the measure of the progress.
  struct Task {
    std::size_t observer;
    int octant;
  };
  std::vector<Task> tasks;
  double lines = 0;
  for (std::size_t k = 0; k < prepared.size(); ++k)
    for (int i = 0; i < 8; ++i) {
      tasks.push_back({k, i});
      lines += OctantLines(prepared[k], kOctants[i], grid.columns, grid.rows);
    }
  SweepProgress progress(options.progress, lines);
  const auto cancel = [&result] {
    result = {};
    result.cancelled = true;
    result.error = "cancelled";
    return result;
  };
  if (!progress.Begin()) return cancel();

  const int threads = static_cast<int>(
      std::max(1u, options.threads ? options.threads : std::thread::hardware_concurrency()));
  StartCounts(grid, prepared, threads, result.counts);
  const int workers = static_cast<int>(std::min<std::size_t>(threads, tasks.size()));
  // Octants of one observer write apart; observers swept at the same time may meet.
  const Engine<T> engine(grid, CurvatureModel(options.curvature), result.counts.data(),
                         workers > 1 && prepared.size() > 1);
  ForEachTask<RayLines>(tasks.size(), workers, [&](std::size_t t, RayLines& buffers) {
    if (progress.Stopped()) return;
    engine.Run(prepared[tasks[t].observer], kOctants[tasks[t].octant], buffers, progress);
  });
  if (progress.Stopped() || !progress.End()) return cancel();
  return result;
}

}  // namespace

ViewshedResult ComputeViewshed(const GridView<float>& grid,
                               const std::vector<ViewshedObserver>& observers,
                               const ViewshedOptions& options) {
  return Compute(grid, observers, options);
}

ViewshedResult ComputeViewshed(const GridView<std::int16_t>& grid,
                               const std::vector<ViewshedObserver>& observers,
                               const ViewshedOptions& options) {
  return Compute(grid, observers, options);
}

}  // namespace velk::host::analysis
