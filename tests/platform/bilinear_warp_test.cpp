// The prepared azimuthal grid against gdalwarp's bilinear warp of the same source onto the same
// grid: with exact transforms (-et 0) cell for cell, within float rounding, voids where it has
// them; against its default approximate transforms within what that approximation moves.
#include "platform/host/analysis/bilinear_warp.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include "platform/host/analysis/surface_preparation.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"

namespace velk::host::analysis {
namespace {

const std::string kDted = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";

struct Grid {
  int columns = 0, rows = 0;
  double gt[6] = {0, 1, 0, 0, 0, -1};
  std::string wkt;
  std::vector<double> values;
  std::optional<double> noData;
};

bool Read(const std::string& path, Grid& g) {
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly));
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  if (!ds) return false;
  g.columns = ds->GetRasterXSize();
  g.rows = ds->GetRasterYSize();
  ds->GetGeoTransform(g.gt);
  if (const OGRSpatialReference* srs = ds->GetSpatialRef()) {
    char* w = nullptr;
    srs->exportToWkt(&w);
    g.wkt = w;
    CPLFree(w);
  }
  int has = 0;
  const double nd = ds->GetRasterBand(1)->GetNoDataValue(&has);
  if (has) g.noData = nd;
  g.values.resize(static_cast<std::size_t>(g.columns) * g.rows);
  const bool ok = ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, g.columns, g.rows, g.values.data(),
                                                 g.columns, g.rows, GDT_Float64, 0, 0) == CE_None;
  GDALClose(ds);
  return ok;
}

// A one-band source of the given type, cells from value (NaN: a void where there is no-data).
struct Source {
  GDALDataType type = GDT_Int16;
  int columns = 0, rows = 0;
  double gt[6] = {0, 1, 0, 0, 0, -1};
  int epsg = 32632;
  std::optional<double> noData;
  std::function<double(int, int)> value;
};

bool Make(const std::string& path, const Source& s) {
  GDALDataset* ds = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
      path.c_str(), s.columns, s.rows, 1, s.type, nullptr);
  if (!ds) return false;
  double gt[6];
  std::copy(std::begin(s.gt), std::end(s.gt), gt);
  ds->SetGeoTransform(gt);
  OGRSpatialReference srs;
  srs.importFromEPSG(s.epsg);
  ds->SetSpatialRef(&srs);
  if (s.noData) ds->GetRasterBand(1)->SetNoDataValue(*s.noData);
  std::vector<double> cells(static_cast<std::size_t>(s.columns) * s.rows);
  for (int r = 0; r < s.rows; ++r)
    for (int c = 0; c < s.columns; ++c) {
      const double v = s.value(c, r);
      cells[static_cast<std::size_t>(r) * s.columns + c] = std::isnan(v) ? *s.noData : v;
    }
  const bool ok = ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, s.columns, s.rows, cells.data(),
                                                 s.columns, s.rows, GDT_Float64, 0, 0) == CE_None;
  GDALClose(ds);
  return ok;
}

// gdalwarp of source onto the grid of ours (its system, extent and size).
std::string Oracle(const std::string& folder, const std::string& source, const Grid& ours,
                   bool exact, bool sourceHasNoData, std::string* out) {
  const std::string wktFile = folder + "/grid.wkt";
  std::ofstream(wktFile) << ours.wkt;
  *out = folder + (exact ? "/exact.tif" : "/approx.tif");
  char te[256];
  std::snprintf(te, sizeof te, "-te %.12g %.12g %.12g %.12g -ts %d %d", ours.gt[0],
                ours.gt[3] + ours.rows * ours.gt[5], ours.gt[0] + ours.columns * ours.gt[1],
                ours.gt[3], ours.columns, ours.rows);
  const std::string cmd = std::string("gdalwarp -q -overwrite --config GDAL_PAM_ENABLED NO ") +
                          (exact ? "-et 0 " : "") + "-t_srs " + wktFile + " " + te +
                          " -r bilinear -ot Float32 " +
                          (sourceHasNoData ? "" : "-dstnodata -32767 ") + source + " " + *out;
  return test::RunCommand(cmd).status == 0 ? "" : "gdalwarp failed: " + cmd;
}

struct Comparison {
  long voidsDiffer = 0, cells = 0, within = 0;
  double largest = 0;
};

Comparison Compare(const Grid& ours, const Grid& theirs, double tolerance) {
  Comparison c;
  const double nd = ours.noData.value_or(-32767);
  for (std::size_t i = 0; i < ours.values.size(); ++i) {
    const bool a = ours.values[i] == nd, b = theirs.values[i] == nd;
    if (a != b) ++c.voidsDiffer;
    if (a || b) continue;
    const double d = std::fabs(ours.values[i] - theirs.values[i]);
    ++c.cells;
    c.largest = std::max(c.largest, d);
    if (d <= tolerance) ++c.within;
  }
  return c;
}

// A north-up source of square cells whose top-left corner is (x, y).
Source Placed(GDALDataType type, int epsg, int columns, int rows, double x, double y, double cell) {
  Source s;
  s.type = type;
  s.epsg = epsg;
  s.columns = columns;
  s.rows = rows;
  s.gt[0] = x;
  s.gt[1] = cell;
  s.gt[3] = y;
  s.gt[5] = -cell;
  return s;
}

double Hills(int c, int r) { return 300 + 120 * std::sin(c / 7.3) * std::cos(r / 5.1) + 0.7 * c - 0.4 * r; }

TEST(BilinearWarp, EqualsGdalwarpWithExactTransformsCellForCell) {
  GDALAllRegister();
  struct Case {
    const char* name;
    Source source;
    ResampleRequest area;  // sourcePath filled in below
  };
  // Int16 hills on 30 m UTM cells with a void block and scattered void cells.
  Source utm = Placed(GDT_Int16, 32632, 300, 240, 590000, 60000, 30);
  utm.noData = -32767;
  utm.value = [](int c, int r) {
    if ((c > 120 && c < 140 && r > 100 && r < 130) || (c * 7 + r * 13) % 97 == 0) return double(NAN);
    return std::round(Hills(c, r));
  };
  Source geographic = Placed(GDT_Float32, 4326, 220, 200, 6.3, 0.7, 0.0009);
  geographic.value = [](int c, int r) { return Hills(c, r) + 0.37 * std::sin(c * r * 0.01); };
  Source wide = utm;  // Float64 kept as read, no voids, no no-data value
  wide.type = GDT_Float64;
  wide.noData.reset();
  wide.value = [](int c, int r) { return Hills(c, r) * 1.001; };
  const Case cases[] = {
      // Over the source's east edge: cells beyond it are voids, those at it use what is there.
      {"Int16 UTM with voids, past the east edge", utm, {"", 9.86, 0.49, 9.91, 0.53, 9.885, 0.51}},
      {"Float32 geographic, no no-data", geographic, {"", 6.35, 0.56, 6.45, 0.66, 6.40, 0.61}},
      {"Float64 UTM, past the north edge", wide, {"", 9.82, 0.51, 9.86, 0.56, 9.84, 0.535}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempRoot root;
    const std::string src = root.path() + "/source.tif";
    ASSERT_TRUE(Make(src, c.source));
    ResampleRequest request = c.area;
    request.sourcePath = src;
    const std::string out = root.path() + "/rlo0001.tif";
    const ResampleResult result = ResampleToAzimuthalEquidistant(request, out);
    ASSERT_EQ(result.error, "");
    Grid ours, theirs;
    ASSERT_TRUE(Read(out, ours));
    std::string oracle;
    const std::string failed = Oracle(root.path(), src, ours, true, c.source.noData.has_value(), &oracle);
    VELK_REQUIRE(failed.empty(), failed);
    ASSERT_TRUE(Read(oracle, theirs));
    ASSERT_EQ(theirs.values.size(), ours.values.size());
    EXPECT_EQ(ours.noData, theirs.noData);
    const Comparison cmp = Compare(ours, theirs, 1e-3);
    EXPECT_EQ(cmp.voidsDiffer, 0);
    EXPECT_EQ(cmp.within, cmp.cells) << "largest difference " << cmp.largest;
    EXPECT_GT(cmp.cells, ours.values.size() / 3) << "too few cells with values to compare";
    const long voids = static_cast<long>(ours.values.size()) - cmp.cells;
    if (c.source.noData || std::string(c.name).find("past") != std::string::npos) {
      EXPECT_GT(voids, 0) << "the case is meant to have voids";
    }
  }
}

// The shared DTED cell (Int16, voids, geographic) around its middle: equal to gdalwarp with exact
// transforms; gdalwarp's default approximates the transform to an eighth of a cell, which moves
// a bilinear value by up to an eighth of the height step between neighbouring cells (here less
// than a metre) and may move a cell's centre across the edge of a void.
TEST(BilinearWarp, MatchesGdalwarpOnTheSharedDtedCell) {
  GDALAllRegister();
  Grid dted;
  VELK_REQUIRE(Read(kDted, dted), "shared DTED cell not found: " + kDted);
  test::TempRoot root;
  const ResampleRequest request{kDted, 6.30, 0.30, 6.70, 0.70, 6.50, 0.50};
  const std::string out = root.path() + "/rlo0002.tif";
  ASSERT_EQ(ResampleToAzimuthalEquidistant(request, out).error, "");
  Grid ours;
  ASSERT_TRUE(Read(out, ours));
  for (const bool exact : {true, false}) {
    SCOPED_TRACE(exact ? "-et 0" : "default transforms");
    std::string oracle;
    const std::string failed = Oracle(root.path(), kDted, ours, exact, true, &oracle);
    VELK_REQUIRE(failed.empty(), failed);
    Grid theirs;
    ASSERT_TRUE(Read(oracle, theirs));
    const Comparison cmp = Compare(ours, theirs, exact ? 1e-3 : 1.0);
    EXPECT_GT(cmp.cells, 100000);
    if (exact) {
      EXPECT_EQ(cmp.voidsDiffer, 0);
      EXPECT_EQ(cmp.within, cmp.cells) << "largest difference " << cmp.largest;
    } else {
      // Where the approximated position crosses a cell edge next to a void, one side has a
      // value and the other none; elsewhere the values stay within a metre.
      EXPECT_LE(cmp.voidsDiffer, cmp.cells / 1000);
      EXPECT_EQ(cmp.within, cmp.cells) << "largest difference " << cmp.largest;
    }
  }
}

// A grid turned against its system's axes is refused with the reason, and nothing is written.
TEST(BilinearWarp, ARotatedSourceIsRefusedAndLeavesNoFile) {
  GDALAllRegister();
  test::TempRoot root;
  Source turned = Placed(GDT_Float32, 32632, 100, 80, 590000, 60000, 30);
  turned.gt[2] = 3;
  turned.value = Hills;
  const std::string src = root.path() + "/turned.tif", out = root.path() + "/rlo0003.tif";
  ASSERT_TRUE(Make(src, turned));
  const ResampleResult result =
      ResampleToAzimuthalEquidistant({src, 9.82, 0.51, 9.83, 0.52, 9.825, 0.515}, out);
  EXPECT_NE(result.error.find("rotated"), std::string::npos) << result.error;
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".part"));
}

}  // namespace
}  // namespace velk::host::analysis
