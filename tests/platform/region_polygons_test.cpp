// Regions of equal value as polygons, against gdal_polygonize of the same grid (per value: the
// number of polygons, their area and their holes) and against a flood fill (each polygon's area
// is the cell count of one connected region).
#include "platform/host/analysis/region_polygons.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <random>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/visibility_raster.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"

namespace velk::host::analysis {
namespace {

constexpr std::int32_t kVoid = -1;

struct Case {
  const char* name;
  int columns, rows;
  std::vector<std::int32_t> cells;
};

// Per value: polygons, their total area in cells, their holes.
struct Tally {
  int polygons = 0, holes = 0;
  double area = 0;
  bool operator==(const Tally& o) const {
    return polygons == o.polygons && holes == o.holes && std::fabs(area - o.area) < 1e-6;
  }
};
using Tallies = std::map<int, Tally>;

void PrintTo(const Tally& x, std::ostream* os) {
  *os << x.polygons << " polygons of " << x.area << " cells with " << x.holes << " holes";
}

double RingArea(const std::vector<CellCorner>& ring) {
  double a = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const CellCorner& p = ring[i];
    const CellCorner& q = ring[(i + 1) % ring.size()];
    a += static_cast<double>(p.column) * q.row - static_cast<double>(q.column) * p.row;
  }
  return a / 2;  // positive clockwise on the screen (rows downward)
}

Tallies TallyPolygons(const std::vector<RegionPolygon>& polygons) {
  Tallies t;
  for (const RegionPolygon& p : polygons) {
    Tally& x = t[p.value];
    ++x.polygons;
    x.holes += static_cast<int>(p.rings.size()) - 1;
    for (std::size_t i = 0; i < p.rings.size(); ++i) {
      const double a = RingArea(p.rings[i]);
      EXPECT_EQ(a > 0, i == 0) << "outer rings clockwise, holes anticlockwise";
      x.area += a;
    }
  }
  return t;
}

Tallies TallyShapefile(const std::string& path) {
  Tallies t;
  GDALDataset* ds =
      static_cast<GDALDataset*>(GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  if (!ds) return t;
  OGRLayer* layer = ds->GetLayer(0);
  for (auto& f : *layer) {
    const OGRPolygon* p = f->GetGeometryRef()->toPolygon();
    Tally& x = t[f->GetFieldAsInteger("GRIDCODE")];
    ++x.polygons;
    x.holes += p->getNumInteriorRings();
    x.area += p->get_Area();
  }
  GDALClose(ds);
  return t;
}

// The sizes of the connected regions of each value, by flood fill.
std::map<int, std::multiset<long>> RegionSizes(const Case& c, bool eight) {
  std::map<int, std::multiset<long>> sizes;
  std::vector<bool> seen(c.cells.size());
  for (std::size_t start = 0; start < c.cells.size(); ++start) {
    if (seen[start] || c.cells[start] == kVoid) continue;
    long n = 0;
    std::vector<std::size_t> stack{start};
    seen[start] = true;
    while (!stack.empty()) {
      const std::size_t i = stack.back();
      stack.pop_back();
      ++n;
      const int x = static_cast<int>(i % c.columns), y = static_cast<int>(i / c.columns);
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          if ((dx == 0 && dy == 0) || (!eight && dx != 0 && dy != 0)) continue;
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= c.columns || ny >= c.rows) continue;
          const std::size_t j = static_cast<std::size_t>(ny) * c.columns + nx;
          if (!seen[j] && c.cells[j] == c.cells[start]) {
            seen[j] = true;
            stack.push_back(j);
          }
        }
    }
    sizes[c.cells[start]].insert(n);
  }
  return sizes;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  // Cells meeting only at corners, in both values: joined with eight neighbours, apart with four.
  cases.push_back({"corners", 6, 4, {1, 0, 1, 0, 1, 0,  //
                                     0, 1, 0, 1, 0, 1,  //
                                     1, 0, 1, 0, 1, 0,  //
                                     0, 1, 1, 0, 0, 1}});
  // An island in a lake in an island: holes within holes.
  std::vector<std::int32_t> nested(9 * 9, 0);
  for (int y = 1; y < 8; ++y)
    for (int x = 1; x < 8; ++x) nested[y * 9 + x] = (x == 1 || x == 7 || y == 1 || y == 7) ? 1 : 2;
  nested[4 * 9 + 4] = 1;
  nested[3 * 9 + 3] = kVoid;
  cases.push_back({"nested", 9, 9, nested});
  // A ring touching itself at a corner, voids at the edges of the grid.
  cases.push_back({"pinched ring and voids", 5, 5, {kVoid, 3, 3, 0, 0,  //
                                                    3, 0, 3, 0, kVoid,  //
                                                    3, 3, 0, 3, 3,      //
                                                    0, 0, 3, 0, 3,      //
                                                    kVoid, 0, 3, 3, 3}});
  // Degenerate grids: one cell, one row, one column, nothing but voids.
  cases.push_back({"one cell", 1, 1, {5}});
  cases.push_back({"one row", 7, 1, {1, 1, kVoid, 2, 1, 1, 1}});
  cases.push_back({"one column", 1, 5, {4, 4, 0, kVoid, 4}});
  cases.push_back({"only voids", 3, 2, {kVoid, kVoid, kVoid, kVoid, kVoid, kVoid}});
  std::mt19937 random(36);
  std::vector<std::int32_t> noise(60 * 45);
  for (auto& v : noise) {
    const unsigned r = random() % 20;
    v = r == 0 ? kVoid : static_cast<std::int32_t>(r % 3);
  }
  cases.push_back({"random", 60, 45, noise});
  return cases;
}

bool WriteGrid(const std::string& path, const Case& c) {
  GDALDataset* ds = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
      path.c_str(), c.columns, c.rows, 1, GDT_Int32, nullptr);
  if (!ds) return false;
  double gt[6] = {0, 1, 0, 0, 0, -1};  // unit cells: areas count cells
  ds->SetGeoTransform(gt);
  ds->GetRasterBand(1)->SetNoDataValue(kVoid);
  const bool ok = ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, c.columns, c.rows,
                                                 const_cast<std::int32_t*>(c.cells.data()), c.columns,
                                                 c.rows, GDT_Int32, 0, 0) == CE_None;
  GDALClose(ds);
  return ok;
}

TEST(RegionPolygons, AsGdalPolygonizeWithFourAndEightNeighbours) {
  GDALAllRegister();
  for (const Case& c : Cases()) {
    for (const bool eight : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (eight ? ", eight neighbours" : ", four neighbours"));
      const GridView<std::int32_t> view{c.cells.data(), c.columns, c.rows, 1, 1, double(kVoid)};
      RegionPolygonOptions options;
      options.eightConnected = eight;
      const std::vector<RegionPolygon> polygons = TraceRegionPolygons(view, options);
      // Each polygon is one region: its area is that region's cell count.
      std::map<int, std::multiset<long>> areas;
      for (const RegionPolygon& p : polygons) {
        double a = 0;
        for (const auto& ring : p.rings) a += RingArea(ring);
        areas[p.value].insert(std::lround(a));
      }
      EXPECT_EQ(areas, RegionSizes(c, eight));

      test::TempRoot root;
      const std::string raster = root.path() + "/grid.tif", oracle = root.path() + "/gdal.shp";
      ASSERT_TRUE(WriteGrid(raster, c));
      const auto run = test::RunCommand(std::string("gdal_polygonize.py -q ") + (eight ? "-8 " : "") +
                                        raster + " -f 'ESRI Shapefile' " + oracle + " gdal GRIDCODE");
      VELK_REQUIRE(run.status == 0, "gdal_polygonize.py not available");
      const Tallies theirs = TallyShapefile(oracle);
      EXPECT_EQ(TallyPolygons(polygons), theirs);
      if (eight) {  // the count raster's polygons go through the shapefile the same way
        const std::string ours = root.path() + "/loscov0000.shp";
        ASSERT_EQ(PolygonizeCountRaster(raster, ours), "");
        EXPECT_EQ(TallyShapefile(ours), theirs);
      }
    }
  }
}

}  // namespace
}  // namespace velk::host::analysis
