// The host's cell statistics and map-algebra operators over their analysis environment, and
// raster to points: results against a brute-force scan of the grid and ogr2ogr's reading of
// the points; refused input leaves no file behind.
#include <gtest/gtest.h>

#include <gdal_priv.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com/text.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/operations/local_analysis.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/operations/surface_analysis.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

// 12 x 10 cells of 10 m; a void in row 2, values distinct.
DemSpec Grid() {
  DemSpec spec;
  spec.columns = 12;
  spec.rows = 10;
  spec.originX = 500000;
  spec.originY = 4000100;
  spec.cellX = spec.cellY = 10;
  spec.epsg = 32631;
  spec.noData = -9999;
  spec.value = [](int c, int r) { return r == 2 && c == 3 ? -9999.0 : 50 + 3.5 * r - 1.25 * c; };
  return spec;
}

ComPtr<IGeoDataset> Open(const std::string& path) {
  ComPtr<IRasterDataset> ds;
  EXPECT_EQ(OpenRasterFile(path, nullptr, ds.put()), S_OK) << path;
  return QueryAs<IGeoDataset>(ds.get());
}

template <class I>
ComPtr<I> NewOp(HRESULT (*create)(IUnknown*, REFIID, void**), const std::string& folder,
                IEnvelope* extent) {
  ComPtr<I> op;
  EXPECT_EQ(create(nullptr, IidOf<I>(), op.put_void()), S_OK);
  auto env = op.template Query<IRasterAnalysisEnvironment>();
  EXPECT_EQ(env->putref_OutWorkspace(OpenWorkspace(RasterFactory().get(), folder).get()), S_OK);
  if (extent) {
    Variant e;
    e.vt = VT_UNKNOWN;
    e.punkVal = extent;
    extent->AddRef();
    EXPECT_EQ(env->SetExtent(kExtentValue, &e, nullptr), S_OK);
  }
  return op;
}

std::string PathOf(IUnknown* dataset) {
  Bstr path;
  EXPECT_EQ(QueryAs<IRasterDataset>(dataset)->get_CompleteName(&path), S_OK);
  return ToUtf8(path.str());
}

WindowGrid Read(const std::string& path) {
  WindowGrid g;
  EXPECT_EQ(ReadWindowGrid(path, nullptr, &g), S_OK);
  return g;
}

TEST(HostLocalOp, StatisticsCutTheAreaAndKeepTheCellsExactly) {
  ScratchDir dir;
  ASSERT_TRUE(MakeGeoTiffDem(dir / "dem.tif", Grid()));
  // Cells 2..5 across, 1..3 down (the envelope cuts into the cells at its edges).
  auto area = NewEnvelope(500025, 4000065, 500055, 4000085, SpatialReference(32631).get());
  auto op = NewOp<ILocalOp>(&CreateRasterLocalOpObject, dir.path(), area.get());
  ComPtr<IGeoDataset> result;
  ASSERT_EQ(op->LocalStatistics(Open(dir / "dem.tif").get(), kCellStatisticMaximum, result.put()),
            S_OK);
  EXPECT_EQ(std::filesystem::path(PathOf(result.get())).filename(), "stats0000.tif");
  const WindowGrid got = Read(PathOf(result.get()));
  ASSERT_EQ(got.columns, 4);
  ASSERT_EQ(got.rows, 3);
  const auto spec = Grid();
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      const double want = spec.value(c + 2, r + 1);
      const double v = got.values[r * 4 + c];
      if (want == -9999)
        EXPECT_TRUE(std::isnan(v)) << c << "," << r;
      else
        EXPECT_EQ(v, static_cast<float>(want)) << c << "," << r;
    }
  EXPECT_DOUBLE_EQ(got.geoTransform[0], 500020);
  EXPECT_DOUBLE_EQ(got.geoTransform[3], 4000090);

  // The band statistics give the extreme within the area, as a scan finds it.
  ComPtr<IRasterBand> band;
  ASSERT_EQ(QueryAs<IRasterBandCollection>(result.get())->Item(0, band.put()), S_OK);
  ComPtr<IRasterStatistics> stats;
  ASSERT_EQ(band->get_Statistics(stats.put()), S_OK);
  double hi = 0, lo = 0;
  stats->get_Maximum(&hi);
  stats->get_Minimum(&lo);
  EXPECT_EQ(hi, static_cast<float>(spec.value(2, 3)));
  EXPECT_EQ(lo, static_cast<float>(spec.value(5, 1)));

  // A second run takes the next name; other output names follow the prefix.
  ComPtr<IGeoDataset> second;
  ASSERT_EQ(op->LocalStatistics(Open(dir / "dem.tif").get(), kCellStatisticMinimum, second.put()),
            S_OK);
  EXPECT_EQ(std::filesystem::path(PathOf(second.get())).filename(), "stats0001.tif");
  ASSERT_EQ(op.Query<IRasterAnalysisOutputNames>()->put_DefaultOutputRasterPrefix(Bstr(L"mx")),
            S_OK);
  ComPtr<IGeoDataset> third;
  ASSERT_EQ(op->LocalStatistics(Open(dir / "dem.tif").get(), kCellStatisticMinimum, third.put()),
            S_OK);
  EXPECT_EQ(std::filesystem::path(PathOf(third.get())).filename(), "mx0000.tif");
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HostLocalOp, StatisticsOverAWholeFileKeepEveryCellAndLeaveTheInputAsItWas) {
  // Whole grids of several kinds: a plain GeoTIFF (the result may be a copy of the file), the
  // same read-only, a NITF file and a GeoTIFF of two bands (copied cell by cell).
  ScratchDir dir;
  DemSpec spec = Grid();
  spec.columns = 300;
  spec.rows = 280;
  spec.value = [](int c, int r) {
    return (c * 7 + r * 13) % 97 == 0 ? -9999.0 : 40 + std::sin(c * 0.05) * 30 + r * 0.25;
  };
  ASSERT_TRUE(MakeGeoTiffDem(dir / "plain.tif", spec));
  ASSERT_TRUE(MakeGeoTiffDem(dir / "locked.tif", spec));
  std::filesystem::permissions(dir / "locked.tif", std::filesystem::perms::owner_read,
                               std::filesystem::perm_options::replace);
  ASSERT_TRUE(MakeNitfDem(dir / "dem.ntf", spec));
  ToolOutput("gdal_translate -q -b 1 -b 1 " + ShellQuote(dir / "plain.tif") + " " +
             ShellQuote(dir / "two.tif"));
  for (const char* name : {"plain.tif", "locked.tif", "dem.ntf", "two.tif"}) {
    const std::string input = dir / name;
    if (!std::filesystem::exists(input)) {
      ADD_FAILURE() << name << " was not made";
      continue;
    }
    // The input's cells as GDAL reads them, and the statistics a scan of them gives.
    const WindowGrid want = Read(input);
    double lo = INFINITY, hi = -INFINITY, sum = 0, squares = 0;
    long long count = 0;
    for (double v : want.values) {
      if (std::isnan(v)) continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      sum += v;
      squares += v * v;
      ++count;
    }
    const double mean = sum / count;
    const std::string before = Bytes(input);
    const std::string out = dir / (std::string("out_") + name);
    std::filesystem::create_directory(out);
    auto op = NewOp<ILocalOp>(&CreateRasterLocalOpObject, out, nullptr);
    ComPtr<IGeoDataset> result;
    ASSERT_EQ(op->LocalStatistics(Open(input).get(), kCellStatisticMaximum, result.put()), S_OK)
        << name;
    EXPECT_EQ(Bytes(input), before) << name << " was changed";
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"stats0000.tif"}) << name;
    const WindowGrid got = Read(PathOf(result.get()));
    ASSERT_EQ(got.values.size(), want.values.size()) << name;
    for (std::size_t i = 0; i < got.values.size(); ++i)
      if (!(got.values[i] == want.values[i] ||
            (std::isnan(got.values[i]) && std::isnan(want.values[i]))))
        ADD_FAILURE() << name << " cell " << i << ": " << got.values[i] << " for "
                      << want.values[i];
    EXPECT_EQ(got.geoTransform, want.geoTransform) << name;
    ComPtr<IRasterBand> band;
    ASSERT_EQ(QueryAs<IRasterBandCollection>(result.get())->Item(0, band.put()), S_OK);
    ComPtr<IRasterStatistics> stats;
    ASSERT_EQ(band->get_Statistics(stats.put()), S_OK) << name;
    double gotHi = 0, gotLo = 0, gotMean = 0, gotDeviation = 0;
    stats->get_Maximum(&gotHi);
    stats->get_Minimum(&gotLo);
    stats->get_Mean(&gotMean);
    stats->get_StandardDeviation(&gotDeviation);
    // Exactly: the extreme is what the highest and lowest point compare every cell with.
    EXPECT_EQ(gotHi, hi) << name;
    EXPECT_EQ(gotLo, lo) << name;
    EXPECT_NEAR(gotMean, mean, 1e-9 * std::fabs(mean)) << name;
    EXPECT_NEAR(gotDeviation, std::sqrt(squares / count - mean * mean), 1e-6) << name;
    // The result's statistics are stored in it: gdalinfo reads them without a scan.
    const std::string info = ToolOutput("GDAL_PAM_ENABLED=NO gdalinfo " + ShellQuote(PathOf(result.get())));
    EXPECT_NE(info.find("STATISTICS_MAXIMUM="), std::string::npos) << name << "\n" << info;
  }
}

TEST(HostLocalOp, RefusesWhatItCannotComputeAndWritesNothing) {
  ScratchDir dir;
  ASSERT_TRUE(MakeGeoTiffDem(dir / "dem.tif", Grid()));
  std::filesystem::create_directory(dir / "out");
  auto outside = NewEnvelope(0, 0, 10, 10, SpatialReference(32631).get());
  auto op = NewOp<ILocalOp>(&CreateRasterLocalOpObject, dir / "out", outside.get());
  ComPtr<IGeoDataset> result;
  EXPECT_EQ(op->LocalStatistics(Open(dir / "dem.tif").get(), kCellStatisticMaximum, result.put()),
            E_INVALIDARG);
  EXPECT_FALSE(result);
  auto whole = NewOp<ILocalOp>(&CreateRasterLocalOpObject, dir / "out", nullptr);
  EXPECT_EQ(whole->LocalStatistics(Open(dir / "dem.tif").get(), 7, result.put()), E_INVALIDARG);
  EXPECT_EQ(whole->LocalStatistics(nullptr, kCellStatisticMaximum, result.put()), E_POINTER);
  EXPECT_TRUE(FilesIn(dir / "out").empty());
  EXPECT_EQ(op.Query<IRasterAnalysisOutputNames>()->put_DefaultOutputRasterPrefix(Bstr(L"a/b")),
            E_INVALIDARG);
}

TEST(HostMapAlgebraOp, KeepsTheCellsTheExpressionLeavesAndRefusesBadExpressions) {
  ScratchDir dir;
  ASSERT_TRUE(MakeGeoTiffDem(dir / "dem.tif", Grid()));
  auto op = NewOp<IMapAlgebraOp>(&CreateRasterMapAlgebraOpObject, dir.path(), nullptr);
  ASSERT_EQ(op->BindRaster(Open(dir / "dem.tif").get(), Bstr(L"in")), S_OK);
  ComPtr<IGeoDataset> result;
  ASSERT_EQ(op->Execute(Bstr(L"setnull([in] < 70 , [in])"), result.put()), S_OK);
  const WindowGrid got = Read(PathOf(result.get()));
  const auto spec = Grid();
  int kept = 0;
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 12; ++c) {
      const double want = spec.value(c, r);
      const double v = got.values[r * 12 + c];
      if (want == -9999 || want < 70) {
        EXPECT_TRUE(std::isnan(v)) << c << "," << r;
      } else {
        EXPECT_EQ(v, want) << c << "," << r;
        ++kept;
      }
    }
  EXPECT_GT(kept, 0);
  for (const wchar_t* bad : {L"setnull([in] <", L"[other] + 1", L"42"}) {
    ComPtr<IGeoDataset> none;
    EXPECT_EQ(op->Execute(Bstr(bad), none.put()), E_INVALIDARG) << bad;
    EXPECT_FALSE(none);
  }
  EXPECT_EQ(op->UnbindRaster(Bstr(L"in")), S_OK);
  EXPECT_EQ(op->UnbindRaster(Bstr(L"in")), S_FALSE);
  ComPtr<IGeoDataset> unbound;
  EXPECT_EQ(op->Execute(Bstr(L"[in] * 2"), unbound.put()), E_INVALIDARG);
}

// An Int16 grid of several of the operators' blocks, with voids: its cells as GDAL reads them.
WindowGrid MakeLargeInt16(const std::string& path, int columns, int rows) {
  GDALAllRegister();
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  GDALDataset* ds = gtiff->Create(path.c_str(), columns, rows, 1, GDT_Int16, nullptr);
  EXPECT_NE(ds, nullptr);
  if (!ds) return {};
  double gt[6] = {500000, 10, 0, 4100000, 0, -10};
  ds->SetGeoTransform(gt);
  ds->GetRasterBand(1)->SetNoDataValue(-32767);
  std::vector<std::int16_t> row(columns);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c)
      row[c] = (c * 31 + r * 17) % 1009 == 0 ? -32767
                                             : std::int16_t((c * 7919 + r * 104729) % 3001 - 500);
    EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, 0, r, columns, 1, row.data(), columns, 1,
                                             GDT_Int16, 0, 0),
              CE_None);
  }
  GDALClose(ds);
  return Read(path);
}

TEST(HostLocalOp, StatisticsAndMapAlgebraOverManyBlocksMatchAScanOfTheCells) {
  // 2100 x 2000 cells: the operators work it in blocks of 1792 rows, read by several readers.
  ScratchDir dir;
  const WindowGrid dem = MakeLargeInt16(dir / "large.tif", 2100, 2000);
  ASSERT_EQ(dem.values.size(), 2100u * 2000u);
  // Over the whole grid and over rows 100 .. 1899 (another window, copied cell by cell).
  auto rows = NewEnvelope(500000, 4100000 - 1900 * 10 + 1, 500000 + 2100 * 10,
                          4100000 - 100 * 10 - 1, SpatialReference(32631).get());
  for (IEnvelope* area : {static_cast<IEnvelope*>(nullptr), rows.get()}) {
    const int first = area ? 100 : 0, count = area ? 1800 : 2000;
    const std::string out = dir / (area ? "rows" : "whole");
    std::filesystem::create_directory(out);
    auto stats = NewOp<ILocalOp>(&CreateRasterLocalOpObject, out, area);
    ComPtr<IGeoDataset> result;
    ASSERT_EQ(stats->LocalStatistics(Open(dir / "large.tif").get(), kCellStatisticMaximum,
                                     result.put()),
              S_OK);
    const WindowGrid got = Read(PathOf(result.get()));
    ASSERT_EQ(got.rows, count);
    double want = -INFINITY;
    for (int i = 0; i < 2100 * count; ++i) {
      const double v = dem.values[static_cast<std::size_t>(first) * 2100 + i];
      if (!std::isnan(v)) want = std::max(want, v);
      if (!(got.values[i] == v || (std::isnan(v) && std::isnan(got.values[i]))))
        ADD_FAILURE() << "cell " << i << ": " << got.values[i] << " for " << v;
    }
    ComPtr<IRasterBand> band;
    ASSERT_EQ(QueryAs<IRasterBandCollection>(result.get())->Item(0, band.put()), S_OK);
    ComPtr<IRasterStatistics> statistics;
    ASSERT_EQ(band->get_Statistics(statistics.put()), S_OK);
    double maximum = 0;
    statistics->get_Maximum(&maximum);
    EXPECT_EQ(maximum, want);

    // Map algebra over the statistics: a kept whole-number result, and one that no longer fits
    // 16 bits and is written again as floating cells.
    auto algebra = NewOp<IMapAlgebraOp>(&CreateRasterMapAlgebraOpObject, out, nullptr);
    ASSERT_EQ(algebra->BindRaster(result.get(), Bstr(L"in")), S_OK);
    struct Expression {
      const wchar_t* text;
      double (*cell)(double v, double max);
    } const expressions[] = {
        {L"setnull([in] < 2500 , [in])", [](double v, double) { return v < 2500 ? NAN : v; }},
        {L"[in] * 2 - 7", [](double v, double) { return v * 2 - 7; }},
        {L"[in] * 1000", [](double v, double) { return v * 1000; }},
    };
    for (const Expression& e : expressions) {
      ComPtr<IGeoDataset> calc;
      ASSERT_EQ(algebra->Execute(Bstr(e.text), calc.put()), S_OK);
      const WindowGrid values = Read(PathOf(calc.get()));
      ASSERT_EQ(values.values.size(), got.values.size());
      int off = 0;
      for (std::size_t i = 0; i < values.values.size(); ++i) {
        const double v = got.values[i];
        const double expect = std::isnan(v) ? NAN : e.cell(v, want);
        if (!(values.values[i] == expect || (std::isnan(expect) && std::isnan(values.values[i]))) &&
            ++off <= 5)
          ADD_FAILURE() << ToUtf8(e.text) << " cell " << i << ": " << values.values[i]
                        << " for " << expect;
      }
    }
  }
}

TEST(HostConversionOp, RasterCellsWithAValueBecomePointsAtTheirCentres) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir dir;
  DemSpec spec = Grid();
  spec.columns = 3;
  spec.rows = 2;
  spec.value = [](int c, int r) { return r == 0 && c == 1 ? -9999.0 : 10.25 * (r * 3 + c); };
  ASSERT_TRUE(MakeGeoTiffDem(dir / "dem.tif", spec));
  ComPtr<IConversionOp> op;
  ASSERT_EQ(CreateConversionOpObject(nullptr, IidOf<IConversionOp>(), op.put_void()), S_OK);
  auto shapes = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> points;
  ASSERT_EQ(op->RasterDataToPointFeatureData(Open(dir / "dem.tif").get(), shapes.get(),
                                             Bstr(L"pts"), points.put()),
            S_OK);
  ASSERT_TRUE(points);
  bool ok = false;
  const auto rows = OgrRows(dir / "pts.shp",
                            "SELECT POINTID, GRID_CODE, ST_X(geometry) AS X, ST_Y(geometry) AS Y "
                            "FROM pts",
                            &ok, true);
  ASSERT_TRUE(ok);
  ASSERT_EQ(rows.size(), 5u);
  const double expected[][3] = {{0, 500005, 4000095},      {20.5, 500025, 4000095},
                                {30.75, 500005, 4000085},  {41, 500015, 4000085},
                                {51.25, 500025, 4000085}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(std::stoi(rows[i].at("POINTID")), static_cast<int>(i + 1));
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("GRID_CODE")), expected[i][0]) << i;
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("X")), expected[i][1]) << i;
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("Y")), expected[i][2]) << i;
  }
  // Something that is no raster gives no shapefile.
  ComPtr<IFeatureClass> none;
  auto fake = QueryAs<IGeoDataset>(points.get());
  EXPECT_NE(op->RasterDataToPointFeatureData(fake.get(), shapes.get(), Bstr(L"none"), none.put()),
            S_OK);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.shp"));
}

}  // namespace
