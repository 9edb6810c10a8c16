#include "platform/host/analysis/bilinear_warp.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <type_traits>

#include "platform/com/parallel.h"

namespace velk::host::analysis {

namespace {

// 0, step, 2 step, ... and always the last index.
std::vector<int> LatticeIndices(int count, int step) {
  std::vector<int> v;
  for (int i = 0; i < count - 1; i += step) v.push_back(i);
  v.push_back(count - 1);
  return v;
}

// The lattice segment [v[k], v[k + 1]] holding index i (the points lie step apart but for the
// last).
int SegmentOf(const std::vector<int>& v, int step, int i) {
  return std::clamp(i / step, 0, std::max(0, static_cast<int>(v.size()) - 2));
}

double Fraction(const std::vector<int>& v, int k, int i) {
  if (v.size() < 2 || v[k + 1] == v[k]) return 0.0;
  return static_cast<double>(i - v[k]) / (v[k + 1] - v[k]);
}

// Within the lattice's interpolation error of a cell edge (edges lie at whole numbers).
bool NearEdge(double v) {
  constexpr double kInterpolationError = 1e-4;
  return std::fabs(v - std::round(v)) < kInterpolationError;
}

// Target cell centre to the target's system, and the source's system to source cells.
struct Placements {
  std::array<double, 6> target;
  double sx0, sdx, sy0, sdy;  // source cell = s?0 + s?d * coordinate
  explicit Placements(const WarpPositions& p)
      : target(p.target.geoTransform),
        sx0(-p.sourceGeoTransform[0] / p.sourceGeoTransform[1]),
        sdx(1.0 / p.sourceGeoTransform[1]),
        sy0(-p.sourceGeoTransform[3] / p.sourceGeoTransform[5]),
        sdy(1.0 / p.sourceGeoTransform[5]) {}
  double X(int column) const { return target[0] + (column + 0.5) * target[1]; }
  double Y(int row) const { return target[3] + (row + 0.5) * target[5]; }
};

// The source cells of one target row: interpolated on the lattice, mapped exactly next to a
// lattice point that failed (those without a position get NaN).
void RowPositions(const WarpPositions& p, int row, std::mutex& mappingLock, double* xs,
                  double* ys) {
  const int lc = static_cast<int>(p.latticeColumns.size());
  const int k = SegmentOf(p.latticeRows, p.latticeStep, row);
  const int k1 = std::min(k + 1, static_cast<int>(p.latticeRows.size()) - 1);
  const double t = Fraction(p.latticeRows, k, row);
  std::vector<double> ax(lc), ay(lc);
  std::vector<std::uint8_t> ok(lc);
  for (int i = 0; i < lc; ++i) {
    const std::size_t a = static_cast<std::size_t>(k) * lc + i,
                      b = static_cast<std::size_t>(k1) * lc + i;
    ax[i] = p.sourceX[a] + t * (p.sourceX[b] - p.sourceX[a]);
    ay[i] = p.sourceY[a] + t * (p.sourceY[b] - p.sourceY[a]);
    ok[i] = p.mapped[a] && p.mapped[b];
  }
  std::vector<int> exact;
  for (int c = 0; c < p.columns; ++c) {
    const int s = SegmentOf(p.latticeColumns, p.latticeStep, c);
    const int s1 = std::min(s + 1, lc - 1);
    if (!ok[s] || !ok[s1]) {
      exact.push_back(c);
      continue;
    }
    const double u = Fraction(p.latticeColumns, s, c);
    xs[c] = ax[s] + u * (ax[s1] - ax[s]);
    ys[c] = ay[s] + u * (ay[s1] - ay[s]);
    // Which cell a centre falls in decides whether it is a void: next to a cell edge the
    // interpolation's error could tip it, so there the position is mapped exactly.
    if (NearEdge(xs[c]) || NearEdge(ys[c])) exact.push_back(c);
  }
  if (exact.empty()) return;
  const Placements at(p);
  std::vector<double> x(exact.size()), y(exact.size());
  std::vector<int> done(exact.size());
  for (std::size_t i = 0; i < exact.size(); ++i) {
    x[i] = at.X(exact[i]);
    y[i] = at.Y(row);
  }
  {
    const std::lock_guard<std::mutex> hold(mappingLock);
    p.mapping(static_cast<int>(exact.size()), x.data(), y.data(), done.data());
  }
  for (std::size_t i = 0; i < exact.size(); ++i) {
    xs[exact[i]] = done[i] ? at.sx0 + at.sdx * x[i] : NAN;
    ys[exact[i]] = done[i] ? at.sy0 + at.sdy * y[i] : NAN;
  }
}

template <typename T>
bool Usable(const GridView<T>& g, T v) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(v)) return false;
  }
  return !g.noData || static_cast<double>(v) != *g.noData;
}

// The bilinear value at source cell position (x, y): the four cells around it weighted by
// nearness, voids and cells off the window left out; false when none is left.
template <typename T>
bool Sample(const WarpSource<T>& s, double x, double y, double* value) {
  if (!(x >= 0) || !(y >= 0)) return false;  // also NaN
  if (x + 1e-10 >= s.sourceColumns || y + 1e-10 >= s.sourceRows) return false;
  // The cell the centre falls in must hold a value: a target cell over a void stays one.
  const int hc = static_cast<int>(x + 1e-10) - s.window.column;
  const int hr = static_cast<int>(y + 1e-10) - s.window.row;
  if (hc < 0 || hr < 0 || hc >= s.cells.columns || hr >= s.cells.rows ||
      !Usable(s.cells, s.cells.At(hc, hr)))
    return false;
  const double fx = std::floor(x - 0.5), fy = std::floor(y - 0.5);
  const int c = static_cast<int>(fx) - s.window.column, r = static_cast<int>(fy) - s.window.row;
  const double rx = 1.5 - (x - fx), ry = 1.5 - (y - fy);
  const double weights[4] = {rx * ry, (1 - rx) * ry, (1 - rx) * (1 - ry), rx * (1 - ry)};
  const int dc[4] = {0, 1, 1, 0}, dr[4] = {0, 0, 1, 1};
  double sum = 0, divisor = 0;
  for (int i = 0; i < 4; ++i) {
    const int cc = c + dc[i], rr = r + dr[i];
    if (cc < 0 || rr < 0 || cc >= s.cells.columns || rr >= s.cells.rows) continue;
    const T v = s.cells.At(cc, rr);
    if (!Usable(s.cells, v)) continue;
    sum += static_cast<double>(v) * weights[i];
    divisor += weights[i];
  }
  if (divisor < 0.00001) return false;
  *value = divisor == 1.0 ? sum : sum / divisor;
  return true;
}

}  // namespace

WarpPositions::Window WarpPositions::SourceWindow(int sourceColumns, int sourceRows) const {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  for (std::size_t i = 0; i < sourceX.size(); ++i) {
    if (!mapped[i]) continue;
    minX = std::min(minX, sourceX[i]);
    maxX = std::max(maxX, sourceX[i]);
    minY = std::min(minY, sourceY[i]);
    maxY = std::max(maxY, sourceY[i]);
  }
  // Cells next to a failed lattice point are mapped one by one and may fall anywhere.
  if (std::find(mapped.begin(), mapped.end(), 0) != mapped.end())
    return {0, 0, sourceColumns, sourceRows};
  Window w;
  if (!(minX <= maxX) || !(minY <= maxY)) return w;
  const double left = std::max(0.0, std::floor(minX) - 2);
  const double top = std::max(0.0, std::floor(minY) - 2);
  const double right = std::min<double>(sourceColumns, std::ceil(maxX) + 2);
  const double bottom = std::min<double>(sourceRows, std::ceil(maxY) + 2);
  if (right <= left || bottom <= top) return w;
  w.column = static_cast<int>(left);
  w.row = static_cast<int>(top);
  w.columns = static_cast<int>(right - left);
  w.rows = static_cast<int>(bottom - top);
  return w;
}

WarpPositions MapCellCentres(const WarpGrid& target,
                             const std::array<double, 6>& sourceGeoTransform, PointMapping mapping,
                             const BilinearWarpOptions& options, std::string* error) {
  WarpPositions p;
  if (target.columns <= 0 || target.rows <= 0) {
    *error = "the target grid has no cells";
    return p;
  }
  if (sourceGeoTransform[1] == 0 || sourceGeoTransform[5] == 0 || sourceGeoTransform[2] != 0 ||
      sourceGeoTransform[4] != 0) {
    *error = "the source's grid is rotated";
    return p;
  }
  p.columns = target.columns;
  p.rows = target.rows;
  p.target = target;
  p.sourceGeoTransform = sourceGeoTransform;
  p.mapping = std::move(mapping);
  const int step = std::max(1, options.latticeStep);
  p.latticeStep = step;
  p.latticeColumns = LatticeIndices(target.columns, step);
  p.latticeRows = LatticeIndices(target.rows, step);
  const std::size_t n = p.latticeColumns.size() * p.latticeRows.size();
  p.sourceX.resize(n);
  p.sourceY.resize(n);
  const Placements at(p);
  std::size_t i = 0;
  for (int r : p.latticeRows)
    for (int c : p.latticeColumns) {
      p.sourceX[i] = at.X(c);
      p.sourceY[i++] = at.Y(r);
    }
  std::vector<int> ok(n, 0);
  p.mapping(static_cast<int>(n), p.sourceX.data(), p.sourceY.data(), ok.data());
  p.mapped.resize(n);
  for (i = 0; i < n; ++i) {
    p.mapped[i] = ok[i] && std::isfinite(p.sourceX[i]) && std::isfinite(p.sourceY[i]);
    p.sourceX[i] = at.sx0 + at.sdx * p.sourceX[i];
    p.sourceY[i] = at.sy0 + at.sdy * p.sourceY[i];
  }
  return p;
}

template <typename T>
void BilinearWarp(const WarpSource<T>& source, const WarpPositions& positions, float noData,
                  float* out, const BilinearWarpOptions& options) {
  std::mutex mappingLock;
  const int columns = positions.columns;
  ForEachRowBand(positions.rows, ThreadCount(options.threads, positions.rows),
                 [&](int first, int last) {
                   std::vector<double> xs(columns), ys(columns);
                   for (int r = first; r < last; ++r) {
                     RowPositions(positions, r, mappingLock, xs.data(), ys.data());
                     float* row = out + static_cast<std::size_t>(r) * columns;
                     for (int c = 0; c < columns; ++c) {
                       double v = 0;
                       row[c] = Sample(source, xs[c], ys[c], &v) ? static_cast<float>(v) : noData;
                     }
                   }
                 });
}

template void BilinearWarp<std::int16_t>(const WarpSource<std::int16_t>&, const WarpPositions&,
                                         float, float*, const BilinearWarpOptions&);
template void BilinearWarp<float>(const WarpSource<float>&, const WarpPositions&, float, float*,
                                  const BilinearWarpOptions&);
template void BilinearWarp<double>(const WarpSource<double>&, const WarpPositions&, float, float*,
                                   const BilinearWarpOptions&);

}  // namespace velk::host::analysis
