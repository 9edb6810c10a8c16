#include "platform/host/analysis/hillshade.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "platform/host/analysis/parallel_rows.h"

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

  Shading(const ElevationGrid& g, const HillshadeOptions& o) {
    const double az = o.azimuth * kDegToRad;
    const double alt = o.altitude * kDegToRad;
    sinAlt = std::sin(alt);
    px = o.zFactor / (8.0 * g.cellX);
    qy = o.zFactor / (8.0 * g.cellY);
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
  bool hasNoData;
  T noData;

  explicit CellReader(const ElevationGrid& g)
      : values(static_cast<const T*>(g.values)),
        hasNoData(g.noData.has_value()),
        noData(g.noData ? static_cast<T>(*g.noData) : T()) {}
  float operator[](long long i) const {
    const T v = values[i];
    return hasNoData && v == noData ? NAN : static_cast<float>(v);
  }
  void Row(int r, int w, float* dst) const {
    const T* src = values + static_cast<long long>(r) * w;
    for (int c = 0; c < w; ++c) dst[c] = hasNoData && src[c] == noData ? NAN : float(src[c]);
  }
};

// One row of the shaded relief from the float rows above, at and below it (null outside the
// grid); neighbours outside the grid or void take the centre's value.
void ShadeRow(const Shading& s, int w, const float* up, const float* cur, const float* dn,
              std::uint8_t* out) {
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
    for (int c = 0; c < w; ++c) cell(c);
    return;
  }
  cell(0);
  for (int c = 1; c + 1 < w; ++c) {
    const float e = cur[c];
    if (std::isnan(e)) {
      out[c] = kHillshadeNoData;
      continue;
    }
    out[c] = s.Shade(Or(up[c - 1], e), Or(up[c], e), Or(up[c + 1], e), Or(cur[c - 1], e),
                     Or(cur[c + 1], e), Or(dn[c - 1], e), Or(dn[c], e), Or(dn[c + 1], e));
  }
  cell(w - 1);
}

// Rows first .. last - 1, keeping three converted rows in turn.
template <typename T>
void ShadeRows(const ElevationGrid& g, const Shading& s, int first, int last, std::uint8_t* out,
               RunProgress& progress) {
  const CellReader<T> read(g);
  const int w = g.columns;
  std::vector<float> buf(3 * static_cast<size_t>(w));
  float* rows[3] = {buf.data(), buf.data() + w, buf.data() + 2 * w};
  if (first > 0) read.Row(first - 1, w, rows[0]);
  read.Row(first, w, rows[1]);
  for (int r = first; r < last; ++r) {
    const bool hasDown = r + 1 < g.rows;
    if (hasDown) read.Row(r + 1, w, rows[2]);
    ShadeRow(s, w, r > 0 ? rows[0] : nullptr, rows[1], hasDown ? rows[2] : nullptr,
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
// move `shift` view columns per view row while covering `step` horizontal units.
struct SweepView {
  long long base = 0;
  long long rowStride = 0;
  long long colStride = 0;
  int rows = 0;
  int cols = 0;
  double shift = 0.0;
  double step = 0.0;
};

SweepView MakeSweepView(const ElevationGrid& g, double azimuthDeg) {
  const double az = azimuthDeg * kDegToRad;
  // Away from the sun, in cells per horizontal unit (rows grow southwards).
  double dcol = -std::sin(az) / g.cellX;
  double drow = std::cos(az) / g.cellY;
  if (std::fabs(dcol) < 1e-15) dcol = 0.0;
  if (std::fabs(drow) < 1e-15) drow = 0.0;
  const long long w = g.columns;
  SweepView v;
  if (std::fabs(drow) >= std::fabs(dcol)) {
    v.rows = g.rows;
    v.cols = g.columns;
    v.colStride = 1;
    if (drow > 0) {
      v.rowStride = w;
    } else {
      v.base = (g.rows - 1) * w;
      v.rowStride = -w;
    }
    v.step = 1.0 / std::fabs(drow);
    v.shift = dcol * v.step;
  } else {
    v.rows = g.columns;
    v.cols = g.rows;
    v.colStride = w;
    if (dcol > 0) {
      v.rowStride = 1;
    } else {
      v.base = g.columns - 1;
      v.rowStride = -1;
    }
    v.step = 1.0 / std::fabs(dcol);
    v.shift = drow * v.step;
  }
  return v;
}

}  // namespace

std::string CheckHillshadeInput(const ElevationGrid& grid, const HillshadeOptions& o) {
  if (!grid.values || grid.columns < 1 || grid.rows < 1) return "the surface has no cells";
  if (!(std::isfinite(grid.cellX) && grid.cellX > 0 && std::isfinite(grid.cellY) && grid.cellY > 0))
    return "the cell size must be a number above 0";
  if (!(o.azimuth >= 0.0 && o.azimuth <= 360.0)) return "the azimuth must be from 0 to 360";
  if (!(o.altitude >= 0.0 && o.altitude <= 90.0)) return "the altitude must be from 0 to 90";
  if (!(std::isfinite(o.zFactor) && o.zFactor > 0.0))
    return "the z factor must be a number above 0";
  return {};
}

namespace {

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

// Marks the cells in cast shadow: 1 in a mask, or, over a shaded relief (darken), the dark
// grey level on cells that have a value. Each line carries its own horizon, so bands of lines
// run on their own threads without waiting for one another.
template <typename T>
void Sweep(const ElevationGrid& g, const HillshadeOptions& o, std::uint8_t* target, bool darken,
           RunProgress& progress) {
  const CellReader<T> read(g);
  const SweepView v = MakeSweepView(g, o.azimuth);
  const SweepLines lines{v};
  const double drop = std::tan(o.altitude * kDegToRad) * v.step;
  const double z = o.zFactor;
  constexpr double kNone = -std::numeric_limits<double>::infinity();
  const int threads = ThreadCount(o.threads, v.cols, 256);
  const std::vector<long long> bands = lines.Bands(threads);
  // Progress in cells: the lines cover more ground than the grid where they run aslant.
  const double cellsPerLineRow = double(v.cols) / double(lines.Last() - lines.First());
  // Lines taken together: all of a band's when the view's columns are the grid's (one stretch
  // of a grid row per view row), a few dozen when they are the grid's rows (a view row then
  // steps across grid rows, and the few cache lines a chunk touches stay warm from one view row
  // to the next).
  const long long chunk = v.colStride == 1 ? std::numeric_limits<long long>::max() : 64;
  auto sweep = [&](int firstBand, int lastBand) {
    std::vector<double> horizon;
    for (int b = firstBand; b < lastBand; ++b) {
      for (long long k0 = bands[b]; k0 < bands[b + 1]; k0 += std::min(chunk, bands[b + 1] - k0)) {
        const long long k1 = k0 + std::min(chunk, bands[b + 1] - k0);
        // The running horizon of each line: the height a sun ray grazing every cell so far has
        // where it crosses the current view row; kNone until the line enters the grid.
        horizon.assign(static_cast<size_t>(k1 - k0), kNone);
        double* hz = horizon.data();
        for (int vr = 0; vr < v.rows; ++vr) {
          if (vr % kRowsPerReport == 0 && vr > 0 &&
              !progress.Add(cellsPerLineRow * kRowsPerReport * double(k1 - k0)))
            return;
          const long long off = lines.Offset(vr);
          const long long c0 = std::max<long long>(0, k0 + off);
          const long long c1 = std::min<long long>(v.cols, k1 + off);
          const long long rowBase = v.base + vr * v.rowStride;
          for (long long vc = c0; vc < c1; ++vc) {
            double& line = hz[vc - off - k0];
            const double in = line == kNone ? kNone : line - drop;
            const long long idx = rowBase + vc * v.colStride;
            const float e = read[idx];
            if (std::isnan(e)) {
              line = in;
              continue;
            }
            const double h = e * z;
            // A ray that only grazes the cell (to rounding) leaves it lit.
            if (in > h + 1e-9 * (std::fabs(h) + drop + 1.0)) {
              if (!darken) {
                target[idx] = 1;
              } else if (target[idx] != kHillshadeNoData) {
                target[idx] = kHillshadeDark;
              }
            }
            line = in > h ? in : h;
          }
        }
        progress.Add(cellsPerLineRow * ((v.rows - 1) % kRowsPerReport + 1) * double(k1 - k0));
      }
    }
  };
  ForEachRowBand(threads, threads, sweep);
}

}  // namespace

// Shadow sweeps cover the lines that cross the grid: about as many cells as the grid holds.
std::vector<std::uint8_t> CastShadows(const ElevationGrid& g, const HillshadeOptions& o) {
  if (auto why = CheckHillshadeInput(g, o); !why.empty()) throw std::invalid_argument(why);
  const double cells = double(g.columns) * g.rows;
  RunProgress progress(o.progress, cells);
  if (!progress.Add(0.0)) return {};
  std::vector<std::uint8_t> shadow(static_cast<size_t>(g.columns) * g.rows, 0);
  if (o.altitude >= 90.0) return shadow;  // a sun overhead casts no shadow
  if (g.type == CellType::Int16) {
    Sweep<std::int16_t>(g, o, shadow.data(), false, progress);
  } else {
    Sweep<float>(g, o, shadow.data(), false, progress);
  }
  if (progress.Stopped()) return {};
  return shadow;
}

HillshadeStatus Hillshade(const ElevationGrid& g, const HillshadeOptions& o, std::uint8_t* out) {
  if (auto why = CheckHillshadeInput(g, o); !why.empty()) throw std::invalid_argument(why);
  const Shading s(g, o);
  const bool shadows = o.shadows && o.altitude < 90.0;  // a sun overhead casts no shadow
  const double cells = double(g.columns) * g.rows;
  RunProgress progress(o.progress, shadows ? 2.0 * cells : cells);
  if (!progress.Add(0.0)) return HillshadeStatus::Stopped;
  ForEachRowBand(g.rows, ThreadCount(o.threads, g.rows), [&](int first, int last) {
    if (g.type == CellType::Int16) {
      ShadeRows<std::int16_t>(g, s, first, last, out, progress);
    } else {
      ShadeRows<float>(g, s, first, last, out, progress);
    }
  });
  if (shadows && !progress.Stopped()) {
    if (g.type == CellType::Int16) {
      Sweep<std::int16_t>(g, o, out, true, progress);
    } else {
      Sweep<float>(g, o, out, true, progress);
    }
  }
  return progress.Stopped() ? HillshadeStatus::Stopped : HillshadeStatus::Finished;
}

std::vector<std::uint8_t> Hillshade(const ElevationGrid& g, const HillshadeOptions& o) {
  if (auto why = CheckHillshadeInput(g, o); !why.empty()) throw std::invalid_argument(why);
  std::vector<std::uint8_t> out(static_cast<size_t>(g.columns) * g.rows);
  if (Hillshade(g, o, out.data()) == HillshadeStatus::Stopped) return {};
  return out;
}

}  // namespace velk::host::analysis
