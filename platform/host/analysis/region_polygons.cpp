#include "platform/host/analysis/region_polygons.h"

#include <algorithm>

#include "platform/host/analysis/large_buffer.h"

namespace velk::host::analysis {

namespace {

// A run of equal cells in a row: [first, last] inclusive.
struct Run {
  int row, first, last;
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

bool IsVoid(const GridView<std::int32_t>& g, std::int32_t v) {
  return g.noData && static_cast<double>(v) == *g.noData;
}

// The runs of every row, joined with the runs of the row above that touch them.
std::vector<Run> JoinedRuns(const GridView<std::int32_t>& g, bool eight, std::vector<int>& parent) {
  std::vector<Run> runs;
  std::size_t above = 0, aboveEnd = 0;  // the previous row's runs
  for (int r = 0; r < g.rows; ++r) {
    const std::size_t rowStart = runs.size();
    for (int c = 0; c < g.columns;) {
      const std::int32_t v = g.At(c, r);
      int e = c;
      while (e + 1 < g.columns && g.At(e + 1, r) == v) ++e;
      if (!IsVoid(g, v)) runs.push_back({r, c, e, v});
      c = e + 1;
    }
    parent.resize(runs.size());
    const int reach = eight ? 1 : 0;
    std::size_t k = above;
    for (std::size_t i = rowStart; i < runs.size(); ++i) {
      parent[i] = static_cast<int>(i);
      const Run& run = runs[i];
      while (k < aboveEnd && runs[k].last < run.first - reach) ++k;
      for (std::size_t j = k; j < aboveEnd && runs[j].first <= run.last + reach; ++j)
        if (runs[j].value == run.value) Join(parent, static_cast<int>(i), static_cast<int>(j));
    }
    above = rowStart;
    aboveEnd = runs.size();
  }
  return runs;
}

// Steps east, south, west and north on the corner lattice (rows downward).
constexpr int kDx[4] = {1, 0, -1, 0};
constexpr int kDy[4] = {0, 1, 0, -1};
// The cells right and left of a step leaving corner (x, y), as offsets from (x, y).
constexpr int kRightDx[4] = {0, -1, -1, 0}, kRightDy[4] = {0, 0, -1, -1};
constexpr int kLeftDx[4] = {0, 0, -1, -1}, kLeftDy[4] = {-1, 0, 0, -1};

class Tracer {
 public:
  Tracer(int columns, int rows, const std::int32_t* labels)
      : columns_(columns), rows_(rows), labels_(labels),
        visited_(static_cast<std::size_t>(columns) * rows) {
    std::fill_n(visited_.get(), visited_.size(), std::uint8_t{0});
  }

  std::int32_t Label(int x, int y) const {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) return -1;
    return labels_[static_cast<std::size_t>(y) * columns_ + x];
  }
  bool TopVisited(int x, int y) const { return visited_.get()[Index(x, y)] != 0; }

  // The ring of region `label` through the top edge of cell (x, y), the region on its right.
  std::vector<CellCorner> Ring(int x, int y, std::int32_t label) {
    std::vector<CellCorner> corners;
    int px = x, py = y, d = 0;
    // A ring passes each cell edge once at most: the bound only guards against a fault.
    const std::size_t most = 4 * visited_.size() + 4;
    for (std::size_t step = 0; step < most; ++step) {
      if (d == 0) visited_.get()[Index(px, py)] = 1;
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
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * columns_ + x; }

  bool Boundary(int x, int y, int d, std::int32_t label) const {
    return Label(x + kRightDx[d], y + kRightDy[d]) == label &&
           Label(x + kLeftDx[d], y + kLeftDy[d]) != label;
  }

  // Where the ring goes on from corner (x, y) after a step d. Where two ways are open (cells of
  // the region touching at the corner), the left turn passes between them: the region keeps its
  // outer ring and holes apart, whichever cells count as joined.
  int Next(int x, int y, int d, std::int32_t label) const {
    for (int n : {(d + 3) % 4, d, (d + 1) % 4})
      if (Boundary(x, y, n, label)) return n;
    return d;  // not reached on a closed boundary
  }

  int columns_, rows_;
  const std::int32_t* labels_;
  LargeBuffer<std::uint8_t> visited_;
};

}  // namespace

std::vector<RegionPolygon> TraceRegionPolygons(const GridView<std::int32_t>& cells,
                                               const RegionPolygonOptions& options) {
  std::vector<RegionPolygon> polygons;
  if (cells.columns <= 0 || cells.rows <= 0) return polygons;
  std::vector<int> parent;
  const std::vector<Run> runs = JoinedRuns(cells, options.eightConnected, parent);
  // Regions numbered in the order of their first run, which holds their top-left cell.
  std::vector<std::int32_t> regionOfRoot(runs.size(), -1);
  const LargeBuffer<std::int32_t> labels(static_cast<std::size_t>(cells.columns) * cells.rows);
  std::fill_n(labels.get(), labels.size(), -1);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const int root = Root(parent, static_cast<int>(i));
    if (regionOfRoot[root] < 0) {
      regionOfRoot[root] = static_cast<std::int32_t>(polygons.size());
      polygons.push_back({runs[i].value, {}});
    }
    std::int32_t* row = labels.get() + static_cast<std::size_t>(runs[i].row) * cells.columns;
    std::fill(row + runs[i].first, row + runs[i].last + 1, regionOfRoot[root]);
  }
  // Every ring has a top edge; a region's first one found row by row lies on its outer ring.
  Tracer tracer(cells.columns, cells.rows, labels.get());
  for (int y = 0; y < cells.rows; ++y)
    for (int x = 0; x < cells.columns; ++x) {
      const std::int32_t label = tracer.Label(x, y);
      if (label < 0 || tracer.Label(x, y - 1) == label || tracer.TopVisited(x, y)) continue;
      polygons[label].rings.push_back(tracer.Ring(x, y, label));
    }
  return polygons;
}

}  // namespace velk::host::analysis
