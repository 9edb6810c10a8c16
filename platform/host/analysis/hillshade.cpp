#include "platform/host/analysis/hillshade.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <type_traits>

#include "platform/com/parallel.h"

namespace velk::host::analysis {

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// The share of a run done, told to the caller's callback one call at a time; once the callback
// says stop, every thread sees it.
class RunProgress {
 public:
  RunProgress(const std::function<bool(double)>& callback, double total)
      : callback_(callback), total_(total > 0 ? total : 1.0) {}
  // Adds work done; false once the run is to stop.
  bool Add(double work) {
    if (!callback_) return true;
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ += work;
    if (!stopped_ && !callback_(std::min(1.0, done_ / total_))) stopped_ = true;
    return !stopped_;
  }
  bool Stopped() const { return stopped_; }

 private:
  const std::function<bool(double)>& callback_;
  const double total_;
  double done_ = 0.0;
  std::mutex mutex_;
  std::atomic<bool> stopped_{false};
};

// Rows worked between two progress reports of a thread.
constexpr int kRowsPerReport = 64;

// Per-run constants of the shading formula: with p = dz/dx east and q = dz/dy north (both
// already times the z factor), the cosine of the angle between the surface normal
// (-p, -q, 1) / |..| and the sun direction is
//   (sin(alt) - p sin(az) cos(alt) - q cos(az) cos(alt)) / sqrt(1 + p^2 + q^2).
struct Shading {
  double sinAlt;
  double kx;  // sin(az) cos(alt) z / (8 cellX)
  double ky;  // cos(az) cos(alt) z / (8 cellY)
  double px;  // z / (8 cellX)
  double qy;  // z / (8 cellY)

  Shading(double cellX, double cellY, const HillshadeOptions& o) {
    const double az = o.azimuth * kDegToRad;
    const double alt = o.altitude * kDegToRad;
    sinAlt = std::sin(alt);
    px = o.zFactor / (8.0 * cellX);
    qy = o.zFactor / (8.0 * cellY);
    kx = std::sin(az) * std::cos(alt) * px;
    ky = std::cos(az) * std::cos(alt) * qy;
  }

  // Horn's window, a b c / d e f / g h i, row a b c to the north.
  std::uint8_t Shade(float a, float b, float c, float d, float f, float g, float h, float i) const {
    const double ex = (double(c) + 2.0 * f + i) - (double(a) + 2.0 * d + g);
    const double ny = (double(a) + 2.0 * b + c) - (double(g) + 2.0 * h + i);
    const double p = ex * px;
    const double q = ny * qy;
    const double cang = (sinAlt - ex * kx - ny * ky) / std::sqrt(1.0 + p * p + q * q);
    if (cang <= 0.0) return kHillshadeDark;
    const int v = static_cast<int>(1.5 + 254.0 * cang);  // rounded: the value is positive
    return static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
};

inline float Or(float v, float centre) { return std::isnan(v) ? centre : v; }

// Reads cells of the grid as floats, voids as NaN.
template <typename T>
struct CellReader {
  const T* values;
  std::ptrdiff_t stride;
  int columns, rows;
  bool hasNoData;
  T noData;

  explicit CellReader(const GridView<T>& g)
      : values(g.values),
        stride(g.RowStride()),
        columns(g.columns),
        rows(g.rows),
        // A no-data value a whole-number type cannot hold marks no cell.
        hasNoData(g.noData.has_value() &&
                  (std::is_floating_point_v<T> || double(static_cast<T>(*g.noData)) == *g.noData)),
        noData(hasNoData ? static_cast<T>(*g.noData) : T()) {}
  float Value(T v) const { return hasNoData && v == noData ? NAN : static_cast<float>(v); }
  const T* At(int c, int r) const { return values + r * stride + c; }
  void Row(int r, float* dst) const { Span(r, 0, columns, dst); }
  // Columns from .. to - 1 of row r into dst[from] .. dst[to - 1].
  void Span(int r, int from, int to, float* dst) const {
    const T* src = At(0, r);
    for (int c = from; c < to; ++c) dst[c] = Value(src[c]);
  }

  // The shading of cell (c, r), whose own elevation e has a value, from the cells around it.
  std::uint8_t ShadeCell(const Shading& s, int c, int r, float e) const {
    if (c > 0 && r > 0 && c + 1 < columns && r + 1 < rows) {
      const T* p = At(c, r);
      const T* up = p - stride;
      const T* dn = p + stride;
      return s.Shade(Or(Value(up[-1]), e), Or(Value(up[0]), e), Or(Value(up[1]), e),
                     Or(Value(p[-1]), e), Or(Value(p[1]), e), Or(Value(dn[-1]), e),
                     Or(Value(dn[0]), e), Or(Value(dn[1]), e));
    }
    auto at = [&](int cc, int rr) {
      if (cc < 0 || rr < 0 || cc >= columns || rr >= rows) return e;
      return Or(Value(*At(cc, rr)), e);
    };
    return s.Shade(at(c - 1, r - 1), at(c, r - 1), at(c + 1, r - 1), at(c - 1, r), at(c + 1, r),
                   at(c - 1, r + 1), at(c, r + 1), at(c + 1, r + 1));
  }
};

// Columns c0 .. c1 - 1 of a row of the shaded relief, from the float rows above, at and below
// it (null outside the grid; each read at columns c0 - 1 .. c1 inside the grid); neighbours
// outside the grid or void take the centre's value. out is the row's start.
void ShadeRow(const Shading& s, int w, const float* up, const float* cur, const float* dn, int c0,
              int c1, std::uint8_t* out) {
  auto at = [&](const float* row, int c, float e) {
    if (!row || c < 0 || c >= w) return e;
    return Or(row[c], e);
  };
  auto cell = [&](int c) {
    const float e = cur[c];
    if (std::isnan(e)) {
      out[c] = kHillshadeNoData;
      return;
    }
    out[c] = s.Shade(at(up, c - 1, e), at(up, c, e), at(up, c + 1, e), at(cur, c - 1, e),
                     at(cur, c + 1, e), at(dn, c - 1, e), at(dn, c, e), at(dn, c + 1, e));
  };
  if (!up || !dn || w < 3) {
    for (int c = c0; c < c1; ++c) cell(c);
    return;
  }
  if (c0 == 0) cell(0);
  const int last = std::min(c1, w - 1);
  for (int c = std::max(c0, 1); c < last; ++c) {
    const float e = cur[c];
    if (std::isnan(e)) {
      out[c] = kHillshadeNoData;
      continue;
    }
    out[c] = s.Shade(Or(up[c - 1], e), Or(up[c], e), Or(up[c + 1], e), Or(cur[c - 1], e),
                     Or(cur[c + 1], e), Or(dn[c - 1], e), Or(dn[c], e), Or(dn[c + 1], e));
  }
  if (c1 == w && c0 < w - 1) cell(w - 1);
}

// Rows first .. last - 1, keeping three converted rows in turn.
template <typename T>
void ShadeRows(const CellReader<T>& read, const Shading& s, int first, int last, std::uint8_t* out,
               RunProgress& progress) {
  const int w = read.columns;
  std::vector<float> buf(3 * static_cast<size_t>(w));
  float* rows[3] = {buf.data(), buf.data() + w, buf.data() + 2 * w};
  if (first > 0) read.Row(first - 1, rows[0]);
  read.Row(first, rows[1]);
  for (int r = first; r < last; ++r) {
    const bool hasDown = r + 1 < read.rows;
    if (hasDown) read.Row(r + 1, rows[2]);
    ShadeRow(s, w, r > 0 ? rows[0] : nullptr, rows[1], hasDown ? rows[2] : nullptr, 0, w,
             out + static_cast<size_t>(r) * w);
    float* t = rows[0];
    rows[0] = rows[1];
    rows[1] = rows[2];
    rows[2] = t;
    if ((r + 1 - first) % kRowsPerReport == 0 && !progress.Add(double(kRowsPerReport) * w)) return;
  }
  progress.Add(double((last - first) % kRowsPerReport) * w);
}

// The grid seen in the order of the sweep: view row 0 is nearest the sun, and the sun's rays
// move `shift` view columns per view row while covering `step` horizontal units. View rows are
// grid rows (alongRows) or grid columns, counted from the grid's far side when flipped.
struct SweepView {
  bool alongRows = true;
  bool flipped = false;
  int rows = 0;
  int cols = 0;
  int gridColumns = 0;
  int gridRows = 0;
  double shift = 0.0;
  double step = 0.0;

  // The grid row (alongRows) or column that view row vr is.
  int GridLine(int vr) const {
    return flipped ? (alongRows ? gridRows : gridColumns) - 1 - vr : vr;
  }
};

SweepView MakeSweepView(int columns, int rows, double cellX, double cellY, double azimuthDeg) {
  const double az = azimuthDeg * kDegToRad;
  // Away from the sun, in cells per horizontal unit (rows grow southwards).
  double dcol = -std::sin(az) / cellX;
  double drow = std::cos(az) / cellY;
  if (std::fabs(dcol) < 1e-15) dcol = 0.0;
  if (std::fabs(drow) < 1e-15) drow = 0.0;
  SweepView v;
  v.gridColumns = columns;
  v.gridRows = rows;
  if (std::fabs(drow) >= std::fabs(dcol)) {
    v.rows = rows;
    v.cols = columns;
    v.flipped = drow < 0;
    v.step = 1.0 / std::fabs(drow);
    v.shift = dcol * v.step;
  } else {
    v.alongRows = false;
    v.rows = columns;
    v.cols = rows;
    v.flipped = dcol < 0;
    v.step = 1.0 / std::fabs(dcol);
    v.shift = drow * v.step;
  }
  return v;
}

// The sun's rays as parallel digital lines over the view: line k holds view column
// k + Offset(row) of every view row, so each cell lies on exactly one line, no line strays more
// than half a cell from its true course, and a horizon carried along a line does not blur.
// |shift| <= 1, so a line moves at most one column per row and crosses the grid once.
struct SweepLines {
  const SweepView& v;
  long long Offset(int vr) const { return std::llround(v.shift * vr); }
  long long First() const { return std::min<long long>(0, -Offset(v.rows - 1)); }
  long long Last() const { return std::max<long long>(v.cols, v.cols - Offset(v.rows - 1)); }
  // Bands of lines [bounds[i], bounds[i + 1]) with about as many cells each.
  std::vector<long long> Bands(int count) const {
    const long long first = First(), lines = Last() - first;
    std::vector<long long> cells(lines + 1, 0);  // cells per line, as a difference array
    for (int vr = 0; vr < v.rows; ++vr) {
      const long long o = Offset(vr);
      cells[-o - first] += 1;
      cells[v.cols - o - first] -= 1;
    }
    std::vector<long long> bounds{first};
    const double share = double(v.rows) * v.cols / count;
    long long running = 0, total = 0;
    for (long long k = 0; k < lines && int(bounds.size()) < count; ++k) {
      running += cells[k];
      total += running;
      if (total >= share * double(bounds.size())) bounds.push_back(first + k + 1);
    }
    while (int(bounds.size()) <= count) bounds.push_back(Last());
    bounds.back() = Last();
    return bounds;
  }
};

// The horizons of a stretch of n lines carried over one cell each (elevations e, NaN for a
// void, which casts nothing): out[i] becomes mark where the cell lies in shadow.
inline void CarryHorizons(const float* e, int n, double* hz, double drop, double z,
                          std::uint8_t* out, std::uint8_t mark) {
  for (int i = 0; i < n; ++i) {
    const double in = hz[i] - drop;
    const double h = double(e[i]) * z;
    // A ray that only grazes the cell (to rounding) leaves it lit.
    const bool shadowed = in > h + 1e-9 * (std::fabs(h) + drop + 1.0);
    out[i] = shadowed ? mark : out[i];
    hz[i] = in > h || std::isnan(h) ? in : h;
  }
}

// What the sweep does with the cells: mark those in shadow in a mask, or shade every cell and
// make those in shadow dark. Scratch is a thread's own memory. Where view rows are grid rows,
// the sweep hands over whole stretches of a row (Stretch): the shading then works as the plain
// shading does, three converted rows at hand; elsewhere cell by cell (Cell).
template <typename T>
struct MaskCells {
  const CellReader<T>& read;
  std::uint8_t* mask;
  struct Scratch {
    std::vector<float> row;
    explicit Scratch(int columns) : row(static_cast<std::size_t>(columns)) {}
  };
  void Stretch(Scratch& scratch, int r, int c0, int c1, double* hz, double drop, double z) const {
    read.Span(r, c0, c1, scratch.row.data());
    CarryHorizons(scratch.row.data() + c0, c1 - c0, hz, drop, z,
                  mask + static_cast<std::size_t>(r) * read.columns + c0, 1);
  }
  void Void(std::size_t) const {}
  void Cell(std::size_t at, int, int, float, bool shadowed) const {
    if (shadowed) mask[at] = 1;
  }
};
template <typename T>
struct ShadeCells {
  const CellReader<T>& read;
  const Shading& shading;
  std::uint8_t* out;
  struct Scratch {
    std::vector<float> rows;  // rows above, at and below, each as wide as the grid
    explicit Scratch(int columns) : rows(3 * static_cast<std::size_t>(columns)) {}
  };
  void Stretch(Scratch& scratch, int r, int c0, int c1, double* hz, double drop, double z) const {
    const int w = read.columns;
    float* up = scratch.rows.data();
    float* cur = up + w;
    float* dn = cur + w;
    const int from = std::max(0, c0 - 1), to = std::min(w, c1 + 1);
    if (r > 0) read.Span(r - 1, from, to, up);
    read.Span(r, from, to, cur);
    if (r + 1 < read.rows) read.Span(r + 1, from, to, dn);
    std::uint8_t* row = out + static_cast<std::size_t>(r) * w;
    ShadeRow(shading, w, r > 0 ? up : nullptr, cur, r + 1 < read.rows ? dn : nullptr, c0, c1, row);
    CarryHorizons(cur + c0, c1 - c0, hz, drop, z, row + c0, kHillshadeDark);
  }
  void Void(std::size_t at) const { out[at] = kHillshadeNoData; }
  void Cell(std::size_t at, int c, int r, float e, bool shadowed) const {
    out[at] = shadowed ? kHillshadeDark : read.ShadeCell(shading, c, r, e);
  }
};

// Sweeps the lines away from the sun, each carrying its own horizon, and hands every cell to
// cells with whether it is in cast shadow. Bands of lines are taken in turn by the threads, so
// no thread waits for another and a slow core holds up only its own band.
template <typename T, typename Cells>
void Sweep(const CellReader<T>& read, double cellX, double cellY, const HillshadeOptions& o,
           const Cells& cells, RunProgress& progress) {
  const SweepView v = MakeSweepView(read.columns, read.rows, cellX, cellY, o.azimuth);
  const SweepLines lines{v};
  const double drop = std::tan(o.altitude * kDegToRad) * v.step;
  const double z = o.zFactor;
  constexpr double kNone = -std::numeric_limits<double>::infinity();
  const int threads = ThreadCount(o.threads, v.cols, 256);
  // Several bands a thread; one when the run has one thread.
  const int bandCount = threads == 1 ? 1 : 4 * threads;
  const std::vector<long long> bands = lines.Bands(bandCount);
  // Progress in cells: the lines cover more ground than the grid where they run aslant.
  const double cellsPerLineRow = double(v.cols) / double(lines.Last() - lines.First());
  // Lines taken together: all of a band's when view rows are grid rows (one stretch of a grid
  // row per view row), a few dozen when they are grid columns (a view row then steps across
  // grid rows, and the few cache lines a chunk touches stay warm from one view row to the
  // next).
  const long long chunk = v.alongRows ? std::numeric_limits<long long>::max() : 64;
  const std::size_t w = static_cast<std::size_t>(read.columns);
  auto sweepLines = [&](long long k0, long long k1, std::vector<double>& horizon,
                        typename Cells::Scratch& scratch) {
    // The running horizon of each line: the height a sun ray grazing every cell so far has
    // where it crosses the current view row; minus infinity until the line enters the grid.
    horizon.assign(static_cast<size_t>(k1 - k0), kNone);
    double* hz = horizon.data();
    for (int vr = 0; vr < v.rows; ++vr) {
      if (vr % kRowsPerReport == 0 && vr > 0 &&
          !progress.Add(cellsPerLineRow * kRowsPerReport * double(k1 - k0)))
        return false;
      const long long off = lines.Offset(vr);
      const int c0 = static_cast<int>(std::max<long long>(0, k0 + off));
      const int c1 = static_cast<int>(std::min<long long>(v.cols, k1 + off));
      const long long lineAt = off + k0;  // view column vc is on line vc - lineAt of the chunk
      const int fixed = v.GridLine(vr);
      auto cell = [&](int c, int r, double& line) {
        const double in = line - drop;
        const std::size_t at = static_cast<std::size_t>(r) * w + c;
        const float e = read.Value(*read.At(c, r));
        if (std::isnan(e)) {
          cells.Void(at);
          line = in;
          return;
        }
        const double h = e * z;
        // A ray that only grazes the cell (to rounding) leaves it lit.
        cells.Cell(at, c, r, e, in > h + 1e-9 * (std::fabs(h) + drop + 1.0));
        line = in > h ? in : h;
      };
      if (v.alongRows) {
        if (c0 < c1) cells.Stretch(scratch, fixed, c0, c1, hz + (c0 - lineAt), drop, z);
      } else {
        for (int vc = c0; vc < c1; ++vc) cell(fixed, vc, hz[vc - lineAt]);
      }
    }
    progress.Add(cellsPerLineRow * ((v.rows - 1) % kRowsPerReport + 1) * double(k1 - k0));
    return true;
  };
  std::atomic<int> next{0};
  ForEachRowBand(threads, threads, [&](int, int) {
    std::vector<double> horizon;
    typename Cells::Scratch scratch(read.columns);
    for (int b = next++; b < bandCount; b = next++) {
      for (long long k0 = bands[b]; k0 < bands[b + 1]; k0 += std::min(chunk, bands[b + 1] - k0)) {
        if (!sweepLines(k0, k0 + std::min(chunk, bands[b + 1] - k0), horizon, scratch)) return;
      }
    }
  });
}

template <typename T>
std::string CheckInput(const GridView<T>& grid, const HillshadeOptions& o) {
  if (!grid.values || grid.columns < 1 || grid.rows < 1) return "the surface has no cells";
  if (grid.stride != 0 && grid.stride < grid.columns) return "the surface's rows overlap";
  if (!(std::isfinite(grid.cellX) && grid.cellX > 0 && std::isfinite(grid.cellY) && grid.cellY > 0))
    return "the cell size must be a number above 0";
  if (!(o.azimuth >= 0.0 && o.azimuth <= 360.0)) return "the azimuth must be from 0 to 360";
  if (!(o.altitude >= 0.0 && o.altitude <= 90.0)) return "the altitude must be from 0 to 90";
  if (!(std::isfinite(o.zFactor) && o.zFactor > 0.0))
    return "the z factor must be a number above 0";
  return {};
}

// Progress of a sweep is counted in the grid's cells.
template <typename T>
std::vector<std::uint8_t> ShadowMask(const GridView<T>& g, const HillshadeOptions& o) {
  if (auto why = CheckInput(g, o); !why.empty()) throw std::invalid_argument(why);
  RunProgress progress(o.progress, double(g.columns) * g.rows);
  if (!progress.Add(0.0)) return {};
  std::vector<std::uint8_t> shadow(static_cast<size_t>(g.columns) * g.rows, 0);
  if (o.altitude >= 90.0) return shadow;  // a sun overhead casts no shadow
  const CellReader<T> read(g);
  Sweep(read, g.cellX, g.cellY, o, MaskCells<T>{read, shadow.data()}, progress);
  if (progress.Stopped()) return {};
  return shadow;
}

// With shadows, the cells are shaded on the sweep's way, so the grid is read and the result
// written once; without them, row by row.
template <typename T>
HillshadeStatus ShadeInto(const GridView<T>& g, const HillshadeOptions& o, std::uint8_t* out) {
  if (auto why = CheckInput(g, o); !why.empty()) throw std::invalid_argument(why);
  const CellReader<T> read(g);
  const Shading s(g.cellX, g.cellY, o);
  RunProgress progress(o.progress, double(g.columns) * g.rows);
  if (!progress.Add(0.0)) return HillshadeStatus::Stopped;
  if (o.shadows && o.altitude < 90.0) {  // a sun overhead casts no shadow
    Sweep(read, g.cellX, g.cellY, o, ShadeCells<T>{read, s, out}, progress);
  } else {
    ForEachRowBand(g.rows, ThreadCount(o.threads, g.rows),
                   [&](int first, int last) { ShadeRows(read, s, first, last, out, progress); });
  }
  return progress.Stopped() ? HillshadeStatus::Stopped : HillshadeStatus::Finished;
}

template <typename T>
std::vector<std::uint8_t> ShadeGrid(const GridView<T>& g, const HillshadeOptions& o) {
  if (auto why = CheckInput(g, o); !why.empty()) throw std::invalid_argument(why);
  std::vector<std::uint8_t> out(static_cast<size_t>(g.columns) * g.rows);
  if (ShadeInto(g, o, out.data()) == HillshadeStatus::Stopped) return {};
  return out;
}

}  // namespace

std::string CheckHillshadeInput(const FloatGrid& grid, const HillshadeOptions& options) {
  return CheckInput(grid, options);
}
std::string CheckHillshadeInput(const Int16Grid& grid, const HillshadeOptions& options) {
  return CheckInput(grid, options);
}

std::vector<std::uint8_t> Hillshade(const FloatGrid& grid, const HillshadeOptions& options) {
  return ShadeGrid(grid, options);
}
std::vector<std::uint8_t> Hillshade(const Int16Grid& grid, const HillshadeOptions& options) {
  return ShadeGrid(grid, options);
}
HillshadeStatus Hillshade(const FloatGrid& grid, const HillshadeOptions& options,
                          std::uint8_t* out) {
  return ShadeInto(grid, options, out);
}
HillshadeStatus Hillshade(const Int16Grid& grid, const HillshadeOptions& options,
                          std::uint8_t* out) {
  return ShadeInto(grid, options, out);
}

std::vector<std::uint8_t> CastShadows(const FloatGrid& grid, const HillshadeOptions& options) {
  return ShadowMask(grid, options);
}
std::vector<std::uint8_t> CastShadows(const Int16Grid& grid, const HillshadeOptions& options) {
  return ShadowMask(grid, options);
}

}  // namespace velk::host::analysis
