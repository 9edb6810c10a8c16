#include "platform/host/analysis/viewshed.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace velk::host::analysis {

namespace {

template <typename T>
struct Sampler {
  const T* values;
  bool hasNoData;
  T noData;
  double operator()(std::size_t index) const {
    const T v = values[index];
    if constexpr (std::is_floating_point_v<T>) {
      if (std::isnan(v)) return std::numeric_limits<double>::quiet_NaN();
    }
    if (hasNoData && v == noData) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(v);
  }
};

template <typename T>
Sampler<T> MakeSampler(const GridView<T>& grid) {
  Sampler<T> s{grid.values, false, T{}};
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

// One ray family member: major axis x (columns) or y (rows), its direction, and the offset of
// the target on the minor axis (|minor| <= R).
struct Ray {
  bool xMajor;
  int majorSign;
  int minorSign;
  int minor;  // magnitude
};

// Everything one observer's sweep needs.
template <typename T>
struct Sweep {
  Sampler<T> sample;
  int columns, rows;
  double cellX, cellY;
  int oc, orow;
  double eye;
  int R;
  CurvatureModel curvature;
  LimitTest limits;
  bool trivial;
  double maxHorizontal;  // stop a ray beyond this (metres), infinity when unlimited
  std::uint16_t* counts;

  // The state of one ray while it is marched.
  struct RayState {
    int last, minLimit;
    long majStride, minStride, step;
    double cMaj, cMin, minorPerStep, stepsPerMinor, stepLen;
    double eastPerMaj, northPerMaj, eastPerMin, northPerMin;
    long rem;
    int j;
    double prevY, horizon;
  };

  RayState Start(const Ray& ray) const {
    RayState r{};
    const long W = columns;
    const int majLimit = ray.xMajor ? (ray.majorSign > 0 ? columns - 1 - oc : oc)
                                    : (ray.majorSign > 0 ? rows - 1 - orow : orow);
    r.minLimit = ray.xMajor ? (ray.minorSign > 0 ? rows - 1 - orow : orow)
                            : (ray.minorSign > 0 ? columns - 1 - oc : oc);
    r.last = std::min(R, majLimit);
    r.majStride = ray.xMajor ? ray.majorSign : ray.majorSign * W;
    r.minStride = ray.xMajor ? ray.minorSign * W : ray.minorSign;
    r.cMaj = ray.xMajor ? cellX : cellY;
    r.cMin = ray.xMajor ? cellY : cellX;
    // Metric direction of a unit step in (major, minor) for the sector test: east and north.
    r.eastPerMaj = ray.xMajor ? ray.majorSign * cellX : 0.0;
    r.northPerMaj = ray.xMajor ? 0.0 : -ray.majorSign * cellY;
    r.eastPerMin = ray.xMajor ? 0.0 : ray.minorSign * cellX;
    r.northPerMin = ray.xMajor ? -ray.minorSign * cellY : 0.0;
    r.step = 2L * ray.minor;
    r.minorPerStep = static_cast<double>(ray.minor) / R;
    r.stepsPerMinor = ray.minor ? static_cast<double>(R) / ray.minor : 0.0;
    r.stepLen = std::sqrt(r.cMaj * r.cMaj + r.minorPerStep * r.cMin * r.minorPerStep * r.cMin);
    r.rem = R;
    r.j = 0;
    r.prevY = 0;
    r.horizon = -std::numeric_limits<double>::infinity();
    return r;
  }

  // Step i of a ray; false once the ray has left the grid or the reach.
  bool Step(RayState& r, int i) const {
    const long R2 = 2L * R;
    const double inv2R = 1.0 / static_cast<double>(R2);
    const std::size_t origin = static_cast<std::size_t>(orow) * columns + oc;
    if (i > r.last) return false;
    long& rem = r.rem;
    int& j = r.j;
    double& horizon = r.horizon;
    const long majStride = r.majStride, minStride = r.minStride;
    const int minLimit = r.minLimit;
    const double stepLen = r.stepLen;
    rem += r.step;
    if (rem >= R2) {
      rem -= R2;
      ++j;
    }
    if (j > minLimit) return false;
    const double di = i * stepLen;
    if (di > maxHorizontal) return false;
    const std::size_t idx = origin + i * majStride + j * minStride;
    // Terrain where the ray crosses this column (row) of cell centres.
    const double z = sample(idx);
    const double t = static_cast<double>(rem - R) * inv2R;  // offset from row j, [-0.5, 0.5)
    double zc;
    if (t >= 0) {
      const double b = j < minLimit ? sample(idx + minStride) : z;
      zc = InterpolateCells(z, b, t);
    } else {
      const double a = j > 0 ? sample(idx - minStride) : z;
      zc = InterpolateCells(a, z, 1.0 + t);
    }
    // Where the ray crossed a row (column) of cell centres since the last step, that
    // terrain counts too: before the judged cell when the row lies before it, after it when
    // the crossing is the cell's own row.
    const double yi = j + t;
    double rowRise = std::numeric_limits<double>::quiet_NaN(), rowDist = 0;
    const double k = t >= 0 ? j : j - 1;  // floor(yi)
    if (k > r.prevY && yi > k) {
      const double xc = i - (yi - k) * r.stepsPerMinor;
      const std::size_t at = origin + i * majStride + static_cast<long>(k) * minStride;
      const double zr = InterpolateCells(sample(at - majStride), sample(at), xc - (i - 1));
      if (!std::isnan(zr)) {
        rowDist = xc * stepLen;
        rowRise = curvature.Apparent(zr, rowDist) - eye;
        if (k < j && rowRise > horizon * rowDist) horizon = rowRise / rowDist;
      }
    }
    r.prevY = yi;
    // The cell this ray passes nearest to its centre is judged here, against the horizon
    // of the crossings before it. The cell is seen when its centre or the terrain where the
    // ray passes it clears the horizon: the ray runs up to half a ray spacing beside the
    // centre, and on an even slope that offset alone must not hide the cell.
    if (rem > R - i && rem <= R + i && !std::isnan(z)) {
      const double dMaj = i * r.cMaj, dMin = j * r.cMin;
      const double h = std::sqrt(dMaj * dMaj + dMin * dMin);
      const double dz = curvature.Apparent(z + limits_offsetB, h) - eye;
      const bool clears =
          dz >= horizon * h || curvature.Apparent(zc + limits_offsetB, di) - eye >= horizon * di;
      if (clears && (trivial || limits.Admits(i * r.eastPerMaj + j * r.eastPerMin,
                                              i * r.northPerMaj + j * r.northPerMin, dz)))
        ++counts[idx];
    }
    if (!std::isnan(rowRise) && k >= j && rowRise > horizon * rowDist) horizon = rowRise / rowDist;
    if (!std::isnan(zc)) {
      const double rise = curvature.Apparent(zc, di) - eye;
      if (rise > horizon * di) horizon = rise / di;
    }
    return true;
  }

  // Marches a bundle of neighbouring rays step by step together, so that at every step they
  // read cells close to each other (a few cache lines) instead of each ray running through
  // the whole grid on its own.
  void MarchBundle(const Ray* rays, std::size_t count) const {
    RayState states[kBundle];
    bool alive[kBundle];
    int longest = 0;
    for (std::size_t k = 0; k < count; ++k) {
      states[k] = Start(rays[k]);
      alive[k] = true;
      longest = std::max(longest, states[k].last);
    }
    std::size_t living = count;
    for (int i = 1; i <= longest && living; ++i)
      for (std::size_t k = 0; k < count; ++k)
        if (alive[k] && !Step(states[k], i)) {
          alive[k] = false;
          --living;
        }
  }
  static constexpr std::size_t kBundle = 64;
  double limits_offsetB = 0.0;
};

std::vector<Ray> RaysFor(int R) {
  std::vector<Ray> rays;
  rays.reserve(8 * static_cast<std::size_t>(R) + 4);
  // x-major rays aim at the left and right columns of the square, corners included;
  // y-major rays at the top and bottom rows without the corners.
  for (int s : {1, -1}) {
    for (int m = -R; m <= R; ++m) rays.push_back({true, s, m < 0 ? -1 : 1, std::abs(m)});
    for (int m = -(R - 1); m <= R - 1; ++m) rays.push_back({false, s, m < 0 ? -1 : 1, std::abs(m)});
  }
  // Keep rays in angular order within each family so neighbours share cache lines.
  return rays;
}

double RayAzimuth(const Ray& ray, int R, double cellX, double cellY) {
  const double maj = R, min = ray.minor;
  const double east = ray.xMajor ? ray.majorSign * maj * cellX : ray.minorSign * min * cellX;
  const double north = ray.xMajor ? -ray.minorSign * min * cellY : -ray.majorSign * maj * cellY;
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
  const std::size_t n = static_cast<std::size_t>(grid.columns) * grid.rows;
  for (std::size_t k = 0; k < observers.size(); ++k) {
    const auto& o = observers[k];
    const std::string which = "observer " + std::to_string(k + 1) + ": ";
    if (o.column < 0 || o.row < 0 || o.column >= grid.columns || o.row >= grid.rows) {
      result.error = which + "outside the surface";
      return result;
    }
    if (std::isnan(sample(static_cast<std::size_t>(o.row) * grid.columns + o.column))) {
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
  }

  result.counts.assign(n, 0);
  for (std::size_t i = 0; i < n; ++i)
    if (std::isnan(sample(i))) result.counts[i] = kVoidCount;

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads = std::max(1u, threads);
  const CurvatureModel curvature(options.curvature);

  for (const auto& o : observers) {
    const std::size_t origin = static_cast<std::size_t>(o.row) * grid.columns + o.column;
    const double ground = o.spot ? *o.spot : sample(origin);
    Sweep<T> sw{sample,
                grid.columns,
                grid.rows,
                grid.cellX,
                grid.cellY,
                o.column,
                o.row,
                ground + o.limits.offsetA,
                0,
                curvature,
                LimitTest(o.limits),
                false,
                std::numeric_limits<double>::infinity(),
                result.counts.data()};
    sw.limits_offsetB = o.limits.offsetB;
    sw.trivial = sw.limits.Trivial();
    int R = std::max({o.column, grid.columns - 1 - o.column, o.row, grid.rows - 1 - o.row});
    const double reach = sw.limits.MaxHorizontal();
    if (std::isfinite(reach)) {
      const double cells = std::ceil(reach / std::min(grid.cellX, grid.cellY)) + 1;
      R = static_cast<int>(std::min<double>(R, cells));
      sw.maxHorizontal = reach + std::hypot(grid.cellX, grid.cellY);
    }
    sw.R = std::max(R, 1);
    // The observer's own cell: seen unless the near distance excludes it.
    if (sw.limits.DistanceAdmits(0.0, o.limits.offsetB - o.limits.offsetA)) ++result.counts[origin];

    std::vector<Ray> rays = RaysFor(sw.R);
    if (!sw.limits.sector().full) {
      const double margin = 3.0 * 57.29577951308232 * std::max(grid.cellX, grid.cellY) /
                                (std::min(grid.cellX, grid.cellY) * sw.R) +
                            0.5;
      std::erase_if(rays, [&](const Ray& r) {
        return AngularDistance(sw.limits.sector(), RayAzimuth(r, sw.R, grid.cellX, grid.cellY)) >
               margin;
      });
    }
    const std::size_t chunk = Sweep<T>::kBundle;
    const std::size_t chunks = (rays.size() + chunk - 1) / chunk;
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (std::size_t c; (c = next.fetch_add(1)) < chunks;) {
        const std::size_t end = std::min(rays.size(), (c + 1) * chunk);
        sw.MarchBundle(rays.data() + c * chunk, end - c * chunk);
      }
    };
    const unsigned useThreads = static_cast<unsigned>(std::min<std::size_t>(threads, chunks));
    if (useThreads <= 1) {
      work();
    } else {
      std::vector<std::thread> pool;
      for (unsigned t = 0; t < useThreads; ++t) pool.emplace_back(work);
      for (auto& th : pool) th.join();
    }
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
