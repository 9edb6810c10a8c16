#include "platform/host/analysis/region_polygons.h"

#include <algorithm>
#include <cstring>

namespace velk::host::analysis {

namespace {

// A run of equal cells in a row: [first, last] inclusive.
struct Run {
  int first, last;
  std::int32_t value;
};

int Root(std::vector<int>& parent, int i) {
  while (parent[i] != i) {
    parent[i] = parent[parent[i]];
    i = parent[i];
  }
  return i;
}

void Join(std::vector<int>& parent, int a, int b) {
  a = Root(parent, a);
  b = Root(parent, b);
  if (a != b) parent[std::max(a, b)] = std::min(a, b);  // the earlier run stays the root
}

// The grid as runs of equal cells (voids left out), row by row, each numbered by its region.
class RegionRuns {
 public:
  RegionRuns(int columns, int rows, const RegionRowReader& read, std::optional<double> noData,
             bool eight)
      : columns_(columns), rows_(rows) {
    std::vector<std::int32_t> band;
    std::vector<int> parent;
    rowStart_.push_back(0);
    for (int first = 0; first < rows && ok_; first += kRowsPerRead) {
      const int n = std::min(kRowsPerRead, rows - first);
      band.resize(static_cast<std::size_t>(n) * columns);
      ok_ = read(first, n, band.data());
      for (int r = 0; r < n && ok_; ++r)
        AddRow(band.data() + static_cast<std::size_t>(r) * columns, noData, eight ? 1 : 0, parent);
    }
    // Regions numbered in the order of their first run, which holds their top-left cell.
    std::vector<std::int32_t> regionOfRoot(runs_.size(), -1);
    region_.resize(runs_.size());
    for (std::size_t i = 0; i < runs_.size(); ++i) {
      const int root = Root(parent, static_cast<int>(i));
      if (regionOfRoot[root] < 0) {
        regionOfRoot[root] = static_cast<std::int32_t>(values_.size());
        values_.push_back(runs_[i].value);
      }
      region_[i] = regionOfRoot[root];
    }
  }

  bool ok() const { return ok_; }
  int columns() const { return columns_; }
  int rows() const { return rows_; }
  const std::vector<std::int32_t>& values() const { return values_; }
  std::size_t RowBegin(int y) const { return rowStart_[y]; }
  std::size_t RowEnd(int y) const { return rowStart_[y + 1]; }
  const Run& run(std::size_t k) const { return runs_[k]; }
  std::int32_t RegionOfRun(std::size_t k) const { return region_[k]; }

  // The region of cell (x, y); -1 for a void or a cell off the grid.
  std::int32_t Label(int x, int y) const {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) return -1;
    const auto begin = runs_.begin() + static_cast<std::ptrdiff_t>(rowStart_[y]);
    const auto end = runs_.begin() + static_cast<std::ptrdiff_t>(rowStart_[y + 1]);
    const auto it = std::upper_bound(begin, end, x, [](int v, const Run& r) { return v < r.first; });
    if (it == begin || (it - 1)->last < x) return -1;
    return region_[static_cast<std::size_t>(it - 1 - runs_.begin())];
  }

 private:
  static constexpr int kRowsPerRead = 256;

  void AddRow(const std::int32_t* cells, std::optional<double> noData, int reach,
              std::vector<int>& parent) {
    const std::size_t above = rowStart_.size() >= 2 ? rowStart_[rowStart_.size() - 2] : 0;
    const std::size_t aboveEnd = rowStart_.back();
    for (int c = 0; c < columns_;) {
      const std::int32_t v = cells[c];
      int e = c;
      while (e + 1 < columns_ && cells[e + 1] == v) ++e;
      if (!noData || static_cast<double>(v) != *noData) runs_.push_back({c, e, v});
      c = e + 1;
    }
    parent.resize(runs_.size());
    std::size_t k = above;
    for (std::size_t i = aboveEnd; i < runs_.size(); ++i) {
      parent[i] = static_cast<int>(i);
      const Run& run = runs_[i];
      while (k < aboveEnd && runs_[k].last < run.first - reach) ++k;
      for (std::size_t j = k; j < aboveEnd && runs_[j].first <= run.last + reach; ++j)
        if (runs_[j].value == run.value) Join(parent, static_cast<int>(i), static_cast<int>(j));
    }
    rowStart_.push_back(runs_.size());
  }

  int columns_, rows_;
  bool ok_ = true;
  std::vector<Run> runs_;
  std::vector<std::size_t> rowStart_;  // rows + 1 offsets into runs_
  std::vector<std::int32_t> region_;   // per run
  std::vector<std::int32_t> values_;   // per region
};

// Steps east, south, west and north on the corner lattice (rows downward).
constexpr int kDx[4] = {1, 0, -1, 0};
constexpr int kDy[4] = {0, 1, 0, -1};
// The cells right and left of a step leaving corner (x, y), as offsets from (x, y).
constexpr int kRightDx[4] = {0, -1, -1, 0}, kRightDy[4] = {0, 0, -1, -1};
constexpr int kLeftDx[4] = {0, 0, -1, -1}, kLeftDy[4] = {-1, 0, 0, -1};

class Tracer {
 public:
  explicit Tracer(const RegionRuns& runs)
      : runs_(runs),
        topVisited_((static_cast<std::size_t>(runs.columns()) * runs.rows() + 63) / 64, 0) {}

  bool TopVisited(int x, int y) const {
    const std::size_t i = Index(x, y);
    return (topVisited_[i / 64] >> (i % 64)) & 1U;
  }

  // The ring of region `label` through the top edge of cell (x, y), the region on its right.
  std::vector<CellCorner> Ring(int x, int y, std::int32_t label) {
    std::vector<CellCorner> corners;
    int px = x, py = y, d = 0;
    // A ring passes each cell edge once at most: the bound only guards against a fault.
    const std::size_t most = 4 * static_cast<std::size_t>(runs_.columns()) * runs_.rows() + 4;
    for (std::size_t step = 0; step < most; ++step) {
      if (d == 0) {
        const std::size_t i = Index(px, py);
        topVisited_[i / 64] |= std::uint64_t{1} << (i % 64);
      }
      px += kDx[d];
      py += kDy[d];
      const int next = Next(px, py, d, label);
      if (next != d) corners.push_back({px, py});
      if (px == x && py == y && next == 0) break;
      d = next;
    }
    return corners;
  }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * runs_.columns() + x;
  }

  bool Boundary(int x, int y, int d, std::int32_t label) const {
    return runs_.Label(x + kRightDx[d], y + kRightDy[d]) == label &&
           runs_.Label(x + kLeftDx[d], y + kLeftDy[d]) != label;
  }

  // Where the ring goes on from corner (x, y) after a step d. Where two ways are open (cells of
  // the region touching at the corner), the left turn passes between them: the region keeps its
  // outer ring and holes apart, whichever cells count as joined.
  int Next(int x, int y, int d, std::int32_t label) const {
    for (int n : {(d + 3) % 4, d, (d + 1) % 4})
      if (Boundary(x, y, n, label)) return n;
    return d;  // not reached on a closed boundary
  }

  const RegionRuns& runs_;
  std::vector<std::uint64_t> topVisited_;  // a bit per cell: its top edge is on a traced ring
};

// Every ring has a top edge; a region's first one found row by row lies on its outer ring. Top
// edges are looked for run against run of the row above, cell by cell only where they differ.
void TraceRings(const RegionRuns& runs, std::vector<RegionPolygon>& polygons) {
  Tracer tracer(runs);
  for (int y = 0; y < runs.rows(); ++y) {
    std::size_t j = y > 0 ? runs.RowBegin(y - 1) : 0;
    const std::size_t aboveEnd = y > 0 ? runs.RowEnd(y - 1) : 0;
    for (std::size_t k = runs.RowBegin(y); k < runs.RowEnd(y); ++k) {
      const Run& run = runs.run(k);
      const std::int32_t label = runs.RegionOfRun(k);
      for (int x = run.first; x <= run.last;) {
        while (j < aboveEnd && runs.run(j).last < x) ++j;
        // Cells up to `end` share what lies above them: a run of the same region, or not.
        int end = run.last;
        bool same = false;
        if (j < aboveEnd && runs.run(j).first <= x) {
          end = std::min(end, runs.run(j).last);
          same = runs.RegionOfRun(j) == label;
        } else if (j < aboveEnd) {
          end = std::min(end, runs.run(j).first - 1);
        }
        for (; !same && x <= end; ++x)
          if (!tracer.TopVisited(x, y)) polygons[label].rings.push_back(tracer.Ring(x, y, label));
        x = end + 1;
      }
    }
  }
}

}  // namespace

std::vector<RegionPolygon> TraceRegionPolygons(int columns, int rows, const RegionRowReader& read,
                                               std::optional<double> noData, bool* ok,
                                               const RegionPolygonOptions& options) {
  std::vector<RegionPolygon> polygons;
  *ok = true;
  if (columns <= 0 || rows <= 0) return polygons;
  const RegionRuns runs(columns, rows, read, noData, options.eightConnected);
  *ok = runs.ok();
  if (!*ok) return polygons;
  for (std::int32_t v : runs.values()) polygons.push_back({v, {}});
  TraceRings(runs, polygons);
  return polygons;
}

std::vector<RegionPolygon> TraceRegionPolygons(const GridView<std::int32_t>& cells,
                                               const RegionPolygonOptions& options) {
  bool ok = true;
  return TraceRegionPolygons(
      cells.columns, cells.rows,
      [&cells](int first, int count, std::int32_t* out) {
        for (int r = 0; r < count; ++r)
          std::memcpy(out + static_cast<std::size_t>(r) * cells.columns, &cells.At(0, first + r),
                      sizeof(std::int32_t) * cells.columns);
        return true;
      },
      cells.noData, &ok, options);
}

}  // namespace velk::host::analysis
