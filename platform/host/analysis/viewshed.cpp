#include "platform/host/analysis/viewshed.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/com/parallel.h"
#include "platform/host/analysis/large_buffer.h"
#include "platform/com/parallel.h"
#include "platform/host/analysis/viewshed_rays.h"

// The cells' step is built for AVX-512, AVX2 and plain x86-64, and the best the processor has is
// chosen when the library loads. None fuses multiply-adds, so all give the same bits.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VELK_VIEWSHED_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define VELK_VIEWSHED_CLONES
#endif

namespace velk::host::analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Elevation of a cell as double (or float), NaN for voids.
template <typename T>
struct Sampler {
  bool hasNoData = false;
  T noData{};
  bool IsVoid(T v) const {
    if constexpr (std::is_floating_point_v<T>) {
      if (v != v) return true;
    }
    return hasNoData && v == noData;
  }
  double operator()(T v) const { return IsVoid(v) ? kNaN : static_cast<double>(v); }
  float Float(T v) const {
    return IsVoid(v) ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(v);
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

constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();

// The rays of one octant: from the observer towards the cells (R, m) of the square's border,
// m = minor offset of the target, R = the square's half side; major steps of one column (or
// row) each. State of each ray as it is marched, one array per quantity, rays in order of m
// (viewshed_rays.h), and the cells of the lines they are on.
struct RayLines {
  // Lines are read from the grid, and their verdicts added to the counts, a band of kBand at a
  // time, across the band: a column of the grid is many rows apart, and stepping down it cell by
  // cell costs far more than the rays' work.
  static constexpr int kBand = 8;
  std::vector<std::int32_t> rem, step, j;
  std::vector<float> stepLen, halfInvM, horizonZ, horizonD;
  std::vector<std::uint8_t> seen;
  // Terrain of the band's lines, row 0 the line before the band, each from index
  // -1 (a void pad) to one past the last cell read (another); stride values per line.
  std::vector<float> band;
  // The band's lines' verdicts, stride per line.
  std::vector<std::uint32_t> tally;
  // Of the line's cells from index -1 (the first unused).
  std::vector<float> distance, target;
  std::size_t stride = 0;
  void Fit(std::size_t rays, int lineLength) {
    if (rem.size() < rays) {
      for (auto* v : {&rem, &step, &j}) v->resize(rays);
      for (auto* v : {&stepLen, &halfInvM, &horizonZ, &horizonD}) v->resize(rays);
      seen.resize(rays);
    }
    // Room for a line's pads, and for the step to read 32 values past a line's last cell.
    stride = static_cast<std::size_t>(lineLength) + 3;
    const std::size_t over = 32;
    if (band.size() < (kBand + 1) * stride + over) band.resize((kBand + 1) * stride + over);
    if (tally.size() < kBand * stride) tally.resize(kBand * stride);
    for (auto* l : {&distance, &target})
      if (l->size() < stride + over) l->resize(stride + over);
  }
  // Line b of the band (0: the line before it) from its cell 0.
  float* Line(int b) { return band.data() + b * stride + 1; }
  std::uint32_t* Tally(int b) { return tally.data() + (b - 1) * stride; }
};

// What the cells of a line share.
struct LineCells {
  double dMaj = 0;     // the line's major distance, metres
  double cMin = 1;     // metres of a minor step
  double offsetB = 0;  // height added to every target
  double inner2 = 0;   // squared horizontal distances judged: [inner2, outer2]
  double outer2 = 0;
};

// The distance and target height of cells from .. n - 1 of a line (z: their terrain); cells whose
// squared horizontal distance lies outside [inner2, outer2] get no verdict.
VELK_VIEWSHED_CLONES
void CellsOfLine(const LineCells& c, const float* __restrict z, float* __restrict distance,
                 float* __restrict target, int from, int n) {
  for (int j = from; j < n; ++j) {
    const double dMin = j * c.cMin;
    const double h2 = c.dMaj * c.dMaj + dMin * dMin;
    const bool wanted = (z[j] == z[j]) & (h2 >= c.inner2) & (h2 <= c.outer2);
    distance[j] = wanted ? static_cast<float>(std::sqrt(h2)) : kNaNf;
    target[j] = static_cast<float>(static_cast<double>(z[j]) + c.offsetB);
  }
}

// The share of the sweep done, counted by the workers in lines and handed to the caller's
// callback by the thread that waits for them; once the callback says stop, every worker leaves
// its octant at its next count.
class SweepProgress {
 public:
  // Lines between two counts of a worker.
  static constexpr int kLines = 256;

  SweepProgress(const std::function<bool(double)>& callback, double totalLines)
      : callback_(callback), total_(std::max(1.0, totalLines)) {}
  // lines more are done; false when the run is to stop.
  bool Add(int lines) {
    done_.fetch_add(lines, std::memory_order_relaxed);
    return !Stopped();
  }
  bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }
  // The callback's say on the share done now; false (and the workers stop) when it says stop.
  bool Report() {
    if (!callback_ || Stopped()) return !Stopped();
    const double share = std::min(1.0, static_cast<double>(done_.load()) / total_);
    if (!callback_(share)) stopped_.store(true);
    return !Stopped();
  }

 private:
  const std::function<bool(double)>& callback_;
  const double total_;
  std::atomic<long long> done_{0};
  std::atomic<bool> stopped_{false};
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
  // Sweeps part of parts of the octant's rays (a run of neighbouring rays, the parts judge
  // cells apart), reporting its lines to progress; leaves early when the run is stopped.
  void Run(const Prepared& o, const Octant& oct, int part, int parts, RayLines& s,
           SweepProgress& progress) const {
    const std::vector<int> all = RaysOf(oct, o, grid_.cellX, grid_.cellY);
    const std::vector<int> rays(all.begin() + static_cast<long>(all.size() * part / parts),
                                all.begin() + static_cast<long>(all.size() * (part + 1) / parts));
    const LimitTest limits(o.limits);
    const OctantFrame f = FrameOf(grid_, o, oct, limits);
    int reported = 0;
    if (!rays.empty()) reported = March(o, f, limits, rays, s, progress);
    if (!progress.Stopped()) progress.Add(f.last - reported);
  }

 private:
  // The rays' state at the observer, and what their steps share.
  rays::LineStep Start(const Prepared& o, const OctantFrame& f, const std::vector<int>& rays,
                       RayLines& s) const {
    const int R = o.R;
    s.Fit(rays.size(), std::min(f.last + 1, f.minLimit) + 1);
    rays::LineStep g;
    g.R = R;
    g.inv2R = static_cast<float>(1.0 / static_cast<double>(2L * R));
    g.offsetB = static_cast<float>(o.limits.offsetB);
    g.eye = static_cast<float>(o.eye);
    g.drop = static_cast<float>(curvature_.Factor());
    for (std::size_t k = 0; k < rays.size(); ++k) {
      const int m = rays[k];
      s.rem[k] = R;
      s.step[k] = 2 * m;
      s.j[k] = 0;
      // No horizon yet: anything is steeper than a bottomless pit a metre out.
      s.horizonZ[k] = -1e30f;
      s.horizonD[k] = 1.0f;
      s.halfInvM[k] = m ? static_cast<float>(0.5 / m) : 0.0f;
      const double minorPerStep = static_cast<double>(m) / R;
      s.stepLen[k] = static_cast<float>(
          std::sqrt(f.cMaj * f.cMaj + minorPerStep * f.cMin * minorPerStep * f.cMin));
    }
    return g;
  }

  // Lines first .. first + lines - 1 (cells lo .. n - 1 of each) into the band's lines
  // 1 .. lines, read across the band.
  void Fill(const OctantFrame& f, const T* origin, int first, int lines, int lo, int n,
            RayLines& s) const {
    const bool acrossRows = f.gridMaj == 1 || f.gridMaj == -1;
    const T* start = origin + first * f.gridMaj;
    if (acrossRows) {
      for (int j = lo; j < n; ++j)
        for (int b = 0; b < lines; ++b)
          s.Line(b + 1)[j] = sample_.Float(start[b * f.gridMaj + j * f.gridMin]);
    } else {
      for (int b = 0; b < lines; ++b)
        for (int j = lo; j < n; ++j)
          s.Line(b + 1)[j] = sample_.Float(start[b * f.gridMaj + j * f.gridMin]);
    }
    for (int b = 0; b < lines; ++b) std::fill(s.Tally(b + 1) + lo, s.Tally(b + 1) + n, 0u);
  }

  // The band's verdicts (cells lo .. n - 1) added to the counts, across the band.
  void Flush(const OctantFrame& f, std::uint16_t* origin, int first, int lines, int lo, int n,
             RayLines& s) const {
    const bool acrossRows = f.countMaj == 1 || f.countMaj == -1;
    std::uint16_t* start = origin + first * f.countMaj;
    auto add = [&](int b, int j) {
      if (const std::uint32_t v = s.Tally(b + 1)[j])
        Add(start[b * f.countMaj + j * f.countMin], static_cast<std::uint16_t>(v));
    };
    if (acrossRows) {
      for (int j = lo; j < n; ++j)
        for (int b = 0; b < lines; ++b) add(b, j);
    } else {
      for (int b = 0; b < lines; ++b)
        for (int j = lo; j < n; ++j) add(b, j);
    }
  }

  // The rays march outward line by line; returns the lines reported to progress.
  int March(const Prepared& o, const OctantFrame& f, const LimitTest& limits,
            const std::vector<int>& rays, RayLines& s, SweepProgress& progress) const {
    const int R = o.R;
    rays::LineStep g = Start(o, f, rays, s);
    LineCells c{0.0, f.cMin, o.limits.offsetB, f.inner2, f.outer2};
    const T* gridOrigin = &grid_.At(o.column, o.row);
    std::uint16_t* countOrigin =
        counts_ + static_cast<std::ptrdiff_t>(o.row) * grid_.columns + o.column;
    std::size_t alive = rays.size();
    // The cell a ray reaches on line i.
    const auto jAt = [&](std::size_t k, int i) {
      return static_cast<int>((R + 2L * rays[k] * i) / (2L * R));
    };
    int reported = 0;
    Fill(f, gridOrigin, 0, 1, 0, std::min(2, f.minLimit + 1), s);
    std::copy_n(s.Line(1) - 1, s.stride, s.Line(0) - 1);
    s.Line(0)[-1] = kNaNf;
    s.Line(0)[std::min(2, f.minLimit + 1)] = kNaNf;
    for (int first = 1; first <= f.last && alive; first += RayLines::kBand) {
      const int lines = std::min(RayLines::kBand, f.last - first + 1);
      // No ray that is still alive reaches beyond the last line's cells.
      const int most = std::min(jAt(alive - 1, first + lines - 1) + 2, f.minLimit + 1);
      // Nor before the cell before the first ray's (the rays may be a part of the octant's).
      const int lo = std::max(0, jAt(0, first) - 1);
      Fill(f, gridOrigin, first, lines, lo, most, s);
      int b = 1;
      for (; b <= lines; ++b) {
        const int i = first + b - 1;
        if (i - reported >= SweepProgress::kLines) {
          reported = i;
          if (!progress.Add(SweepProgress::kLines)) return reported;
        }
        // Rays advance to column (row) i; those that left the grid or the reach stop. They
        // are in order of m, so the survivors stay in front.
        while (alive &&
               (jAt(alive - 1, i) > f.minLimit || i * s.stepLen[alive - 1] > o.maxHorizontal))
          --alive;
        if (!alive) break;
        float* z = s.Line(b);
        const int cells = std::min(jAt(alive - 1, i) + 2, f.minLimit + 1);
        z[-1] = kNaNf;
        z[cells] = kNaNf;
        g.i = i;
        c.dMaj = i * f.cMaj;
        CellsOfLine(c, z, s.distance.data() + 1, s.target.data() + 1, lo, cells);
        // With no limits but the distance, the rays count what they see as they go.
        rays::StepRays(g,
                       {s.rem.data(), s.j.data(), s.step.data(), s.stepLen.data(),
                        s.halfInvM.data(), s.horizonZ.data(), s.horizonD.data(), z, s.Line(b - 1),
                        s.distance.data() + 1, s.target.data() + 1,
                        f.onlyRange ? nullptr : s.seen.data(), f.onlyRange ? s.Tally(b) : nullptr},
                       static_cast<int>(alive));
        if (!f.onlyRange)
          CountSeen(o, f, limits, i, gridOrigin + i * f.gridMaj, s, alive, s.Tally(b));
      }
      Flush(f, countOrigin, first, b - 1, lo, most, s);
      std::copy_n(s.Line(lines) + lo - 1, most - lo + 2, s.Line(0) + lo - 1);
    }
    return reported;
  }

  // The cells the rays saw on line i (its cells from the observer's column or row on) that the
  // observer's limits admit.
  void CountSeen(const Prepared& o, const OctantFrame& f, const LimitTest& limits, int i,
                 const T* cells, const RayLines& s, std::size_t alive, std::uint32_t* tally) const {
    for (std::size_t k = 0; k < alive; ++k) {
      if (!s.seen[k]) continue;
      const int j = s.j[k];
      if (!f.onlyRange) {
        const double dMaj = i * f.cMaj, dMin = j * f.cMin;
        const double h = std::sqrt(dMaj * dMaj + dMin * dMin);
        const double z = sample_(cells[j * f.gridMin]);
        const double dz = curvature_.Apparent(z + o.limits.offsetB, h) - o.eye;
        if (!limits.Admits(i * f.eastPerMaj + j * f.eastPerMin,
                           i * f.northPerMaj + j * f.northPerMin, dz))
          continue;
      }
      ++tally[j];
    }
  }

  void Add(std::uint16_t& count, std::uint16_t more) const {
    if (atomic_)
      std::atomic_ref<std::uint16_t>(count).fetch_add(more, std::memory_order_relaxed);
    else
      count = static_cast<std::uint16_t>(count + more);
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
  const std::size_t cells = static_cast<std::size_t>(columns) * rows;
  counts.reserve(cells);
  PreferLargePages(counts.data(), cells * sizeof(std::uint16_t));
  counts.resize(cells);
  ForEachRowBand(rows, ThreadCount(threads, rows, 64), [&](int from, int to) {
    for (int r = from; r < to; ++r) {
      const T* in = &grid.At(0, r);
      std::uint16_t* out = counts.data() + static_cast<std::size_t>(r) * columns;
      // The grid came zeroed: only the voids are marked.
      for (int c = 0; c < columns; ++c) out[c] = sample.IsVoid(in[c]) ? kVoidCount : 0;
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
  // Every part of an observer's octant is a task, its lines the measure of the progress.
  struct Task {
    std::size_t observer;
    int octant;
    int part;
  };
  const int threads = static_cast<int>(WorkerThreads(options.threads));
  // With few observers for the threads an octant's rays are parted among several tasks, so
  // that every thread has a few and a large octant does not finish alone.
  const int parts = std::clamp(static_cast<int>(4 * threads / (8 * prepared.size())), 1, 8);
  std::vector<Task> tasks;
  double lines = 0;
  for (std::size_t k = 0; k < prepared.size(); ++k)
    for (int i = 0; i < 8; ++i)
      for (int part = 0; part < parts; ++part) {
        tasks.push_back({k, i, part});
        lines += OctantLines(prepared[k], kOctants[i], grid.columns, grid.rows);
      }
  SweepProgress progress(options.progress, lines);
  const auto cancel = [&result] {
    result = {};
    result.cancelled = true;
    result.error = "cancelled";
    return result;
  };
  if (!progress.Report()) return cancel();

  StartCounts(grid, prepared, threads, result.counts);
  const int workers = static_cast<int>(std::min<std::size_t>(threads, tasks.size()));
  // Octants and their parts of one observer write apart; observers swept at the same time may
  // meet.
  const Engine<T> engine(grid, CurvatureModel(options.curvature), result.counts.data(),
                         workers > 1 && prepared.size() > 1);
  const bool swept = ForEachIndex(
      tasks.size(), static_cast<unsigned>(workers),
      [&](std::size_t t) {
        if (progress.Stopped()) return;
        RayLines buffers;
        const Task& task = tasks[t];
        engine.Run(prepared[task.observer], kOctants[task.octant], task.part, parts, buffers,
                   progress);
      },
      [&](std::size_t) { return progress.Report(); });
  if (!swept || progress.Stopped()) return cancel();
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
