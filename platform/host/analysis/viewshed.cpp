#include "platform/host/analysis/viewshed.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <type_traits>

#include "platform/host/analysis/parallel_rows.h"


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
  std::vector<std::int64_t> rem, step;
  std::vector<int> j;
  std::vector<double> prevY, horizon, stepLen, stepsPerMinor;
  // Terrain of the line the rays have reached and of the one before, from index -1 (a void
  // pad) to one past the last cell read (another).
  std::vector<double> line[2];
  void Fit(std::size_t rays, int lineLength) {
    if (rem.size() < rays) {
      for (auto* v : {&rem, &step}) v->resize(rays);
      j.resize(rays);
      for (auto* v : {&prevY, &horizon, &stepLen, &stepsPerMinor}) v->resize(rays);
    }
    const std::size_t need = static_cast<std::size_t>(lineLength) + 3;
    for (auto& l : line)
      if (l.size() < need) l.resize(need);
  }
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
  const double margin = sector.full ? 0.0
                                    : 3.0 * 57.29577951308232 * std::max(cellX, cellY) /
                                              (std::min(cellX, cellY) * R) +
                                          0.5;
  for (int m = first; m <= last; ++m)
    if (sector.full || AngularDistance(sector, RayAzimuth(o, m, R, cellX, cellY)) <= margin)
      rays.push_back(m);
  return rays;
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

  void Run(const Prepared& o, const Octant& oct, RayLines& s) const {
    const std::vector<int> rays = RaysOf(oct, o, grid_.cellX, grid_.cellY);
    if (rays.empty()) return;
    const int columns = grid_.columns, rows = grid_.rows, R = o.R;
    const int majLimit = oct.xMajor ? (oct.majorSign > 0 ? columns - 1 - o.column : o.column)
                                    : (oct.majorSign > 0 ? rows - 1 - o.row : o.row);
    const int minLimit = oct.xMajor ? (oct.minorSign > 0 ? rows - 1 - o.row : o.row)
                                    : (oct.minorSign > 0 ? columns - 1 - o.column : o.column);
    const int last = std::min(R, majLimit);
    const double cMaj = oct.xMajor ? grid_.cellX : grid_.cellY;
    const double cMin = oct.xMajor ? grid_.cellY : grid_.cellX;
    // Metric direction of a unit step in (major, minor) for the limits: east and north.
    const double eastPerMaj = oct.xMajor ? oct.majorSign * grid_.cellX : 0.0;
    const double northPerMaj = oct.xMajor ? 0.0 : -oct.majorSign * grid_.cellY;
    const double eastPerMin = oct.xMajor ? 0.0 : oct.minorSign * grid_.cellX;
    const double northPerMin = oct.xMajor ? -oct.minorSign * grid_.cellY : 0.0;
    const std::ptrdiff_t stride = grid_.RowStride();
    const std::ptrdiff_t gridMaj = oct.xMajor ? oct.majorSign : oct.majorSign * stride;
    const std::ptrdiff_t gridMin = oct.xMajor ? oct.minorSign * stride : oct.minorSign;
    const std::ptrdiff_t countMaj =
        oct.xMajor ? oct.majorSign : static_cast<std::ptrdiff_t>(oct.majorSign) * columns;
    const std::ptrdiff_t countMin =
        oct.xMajor ? static_cast<std::ptrdiff_t>(oct.minorSign) * columns : oct.minorSign;
    const T* gridOrigin = &grid_.At(o.column, o.row);
    std::uint16_t* countOrigin = counts_ + static_cast<std::ptrdiff_t>(o.row) * columns + o.column;
    const LimitTest limits(o.limits);
    const bool trivial = limits.Trivial();
    const double offsetB = o.limits.offsetB, eye = o.eye, maxHorizontal = o.maxHorizontal;

    std::size_t alive = rays.size();
    s.Fit(alive, std::min(last + 1, minLimit) + 1);
    const std::int64_t R2 = 2L * R;
    const double inv2R = 1.0 / static_cast<double>(R2);
    for (std::size_t k = 0; k < alive; ++k) {
      const int m = rays[k];
      s.rem[k] = R;
      s.step[k] = 2L * m;
      s.j[k] = 0;
      s.prevY[k] = 0;
      s.horizon[k] = -std::numeric_limits<double>::infinity();
      const double minorPerStep = static_cast<double>(m) / R;
      s.stepsPerMinor[k] = m ? static_cast<double>(R) / m : 0.0;
      s.stepLen[k] = std::sqrt(cMaj * cMaj + minorPerStep * cMin * minorPerStep * cMin);
    }
    // A line's cells 0 .. n - 1 (n at most minLimit + 1) into a buffer with its pads.
    auto load = [&](int i, double* buffer, int n) {
      double* z = buffer + 1;
      z[-1] = kNaN;
      const T* cells = gridOrigin + i * gridMaj;
      for (int jj = 0; jj < n; ++jj) z[jj] = sample_(cells[jj * gridMin]);
      z[n] = kNaN;
    };
    load(0, s.line[0].data(), std::min(2, minLimit + 1));
    for (int i = 1; i <= last && alive; ++i) {
      // Rays advance to column (row) i; those that left the grid or the reach stop. They are
      // in order of m, so the survivors stay in front.
      for (std::size_t k = 0; k < alive; ++k) {
        s.rem[k] += s.step[k];
        if (s.rem[k] >= R2) {
          s.rem[k] -= R2;
          ++s.j[k];
        }
      }
      while (alive && (s.j[alive - 1] > minLimit || i * s.stepLen[alive - 1] > maxHorizontal))
        --alive;
      if (!alive) break;
      const double* prev = s.line[(i + 1) & 1].data() + 1;
      double* z = s.line[i & 1].data() + 1;
      load(i, z - 1, std::min(s.j[alive - 1] + 2, minLimit + 1));
      std::uint16_t* countLine = countOrigin + i * countMaj;
      for (std::size_t k = 0; k < alive; ++k) {
        const long rem = static_cast<long>(s.rem[k]);
        const int j = s.j[k];
        double horizon = s.horizon[k];
        const double stepLen = s.stepLen[k];
        const double di = i * stepLen;
        const double zj = z[j];
        // Terrain where the ray crosses this column (row) of cell centres.
        const double t = static_cast<double>(rem - R) * inv2R;  // offset from row j, [-0.5, 0.5)
        const double zc = t >= 0 ? InterpolateCells(zj, z[j + 1], t)
                                 : InterpolateCells(z[j - 1], zj, 1.0 + t);
        // Where the ray crossed a row (column) of cell centres since the last step, that
        // terrain counts too: before the judged cell when the row lies before it, after it when
        // the crossing is the cell's own row.
        const double yi = j + t;
        double rowRise = kNaN, rowDist = 0;
        const int kr = t >= 0 ? j : j - 1;  // floor(yi)
        if (kr > s.prevY[k] && yi > kr) {
          const double xc = i - (yi - kr) * s.stepsPerMinor[k];
          const double zr = InterpolateCells(prev[kr], z[kr], xc - (i - 1));
          if (!std::isnan(zr)) {
            rowDist = xc * stepLen;
            rowRise = curvature_.Apparent(zr, rowDist) - eye;
            if (kr < j && rowRise > horizon * rowDist) horizon = rowRise / rowDist;
          }
        }
        s.prevY[k] = yi;
        // The cell this ray passes nearest to its centre is judged here, against the horizon
        // of the crossings before it. The cell is seen when its centre or the terrain where
        // the ray passes it clears the horizon: the ray runs up to half a ray spacing beside
        // the centre, and on an even slope that offset alone must not hide the cell.
        if (rem > R - i && rem <= R + i && !std::isnan(zj)) {
          const double dMaj = i * cMaj, dMin = j * cMin;
          const double h = std::sqrt(dMaj * dMaj + dMin * dMin);
          const double dz = curvature_.Apparent(zj + offsetB, h) - eye;
          const bool clears = dz >= horizon * h ||
                              curvature_.Apparent(zc + offsetB, di) - eye >= horizon * di;
          if (clears && (trivial || limits.Admits(i * eastPerMaj + j * eastPerMin,
                                                  i * northPerMaj + j * northPerMin, dz)))
            Add(countLine[j * countMin]);
        }
        if (!std::isnan(rowRise) && kr >= j && rowRise > horizon * rowDist)
          horizon = rowRise / rowDist;
        if (!std::isnan(zc)) {
          const double rise = curvature_.Apparent(zc, di) - eye;
          if (rise > horizon * di) horizon = rise / di;
        }
        s.horizon[k] = horizon;
      }
    }
  }

 private:
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
ViewshedResult Compute(const GridView<T>& grid, const std::vector<ViewshedObserver>& observers,
                       const ViewshedOptions& options) {
  ViewshedResult result;
  if (!grid.values || grid.columns < 2 || grid.rows < 2) {
    result.error = "the surface must have at least two cells in each direction";
    return result;
  }
  if (!(grid.cellX > 0) || !(grid.cellY > 0) || !std::isfinite(grid.cellX) ||
      !std::isfinite(grid.cellY)) {
    result.error = "the surface's cell size is not a positive number";
    return result;
  }
  if (observers.empty()) {
    result.error = "no observers";
    return result;
  }
  if (observers.size() > kMaxObservers) {
    result.error = "too many observers";
    return result;
  }
  const Sampler<T> sample = MakeSampler(grid);
  std::vector<Prepared> prepared;
  prepared.reserve(observers.size());
  for (std::size_t k = 0; k < observers.size(); ++k) {
    const auto& o = observers[k];
    const std::string which = "observer " + std::to_string(k + 1) + ": ";
    if (o.column < 0 || o.row < 0 || o.column >= grid.columns || o.row >= grid.rows) {
      result.error = which + "outside the surface";
      return result;
    }
    const double ground = sample(grid.At(o.column, o.row));
    if (std::isnan(ground)) {
      result.error = which + "on a void of the surface";
      return result;
    }
    if (o.spot && !std::isfinite(*o.spot)) {
      result.error = which + "the observer elevation is not a number";
      return result;
    }
    const std::string why = CheckObserverLimits(o.limits);
    if (!why.empty()) {
      result.error = which + why;
      return result;
    }
    Prepared p;
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
    prepared.push_back(p);
  }

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads = std::max(1u, threads);
  const int columns = grid.columns, rows = grid.rows;
  result.counts.resize(static_cast<std::size_t>(columns) * rows);
  // Zero, or the void mark, on every cell: in bands of rows on all the threads.
  ForEachRowBand(rows, ThreadCount(static_cast<int>(threads), rows, 64), [&](int from, int to) {
    for (int r = from; r < to; ++r) {
      const T* in = &grid.At(0, r);
      std::uint16_t* out = result.counts.data() + static_cast<std::size_t>(r) * columns;
      for (int c = 0; c < columns; ++c) out[c] = std::isnan(sample(in[c])) ? kVoidCount : 0;
    }
  });

  // The observer's own cell: seen unless the near distance excludes it.
  for (const auto& p : prepared)
    if (LimitTest(p.limits).DistanceAdmits(0.0, p.limits.offsetB - p.limits.offsetA))
      ++result.counts[static_cast<std::size_t>(p.row) * columns + p.column];

  struct Task {
    std::size_t observer;
    int octant;
  };
  std::vector<Task> tasks;
  for (std::size_t k = 0; k < prepared.size(); ++k)
    for (int i = 0; i < 8; ++i) tasks.push_back({k, i});
  const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(threads, tasks.size()));
  // Octants of one observer write apart; observers swept at the same time may meet.
  const Engine<T> engine(grid, CurvatureModel(options.curvature), result.counts.data(),
                         workers > 1 && prepared.size() > 1);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    RayLines buffers;
    for (std::size_t t; (t = next.fetch_add(1)) < tasks.size();)
      engine.Run(prepared[tasks[t].observer], kOctants[tasks[t].octant], buffers);
  };
  if (workers <= 1) {
    work();
  } else {
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < workers; ++t) pool.emplace_back(work);
    work();
    for (auto& th : pool) th.join();
  }
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
