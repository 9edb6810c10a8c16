// Rasters through GDAL and the raster surface: a small GeoTIFF made here and the real DTED cell
// of the shared data, checked against gdallocationinfo and gdalinfo.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/raster_objects.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/requirement.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

const std::string kDted = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";

// What gdallocationinfo reads at a location (NaN when it prints nothing, outside the raster).
double LocationInfo(const std::string& file, double x, double y) {
  std::ostringstream cmd;
  cmd.precision(17);
  cmd << "gdallocationinfo -valonly -geoloc " << ShellQuote(file) << " " << x << " " << y
      << " 2>/dev/null";
  std::string out = ToolOutput(cmd.str());
  if (out.find_first_not_of(" \r\n") == std::string::npos) return NAN;
  return std::stod(out);
}

ComPtr<IRasterDataset> OpenRaster(const std::string& path, HRESULT expected = S_OK) {
  std::filesystem::path p(path);
  auto ws = OpenWorkspace(RasterFactory().get(), p.parent_path().string());
  ComPtr<IRasterDataset> ds;
  if (!ws) return ds;
  EXPECT_EQ(ws.Query<IRasterWorkspace>()->OpenRasterDataset(Bstr(FromUtf8(p.filename().string())),
                                                            ds.put()),
            expected)
      << path;
  return ds;
}

ComPtr<ISurface> SurfaceOver(IRasterDataset* ds) {
  ComPtr<IRasterBand> band;
  EXPECT_EQ(QueryAs<IRasterBandCollection>(ds)->Item(0, band.put()), S_OK);
  ComPtr<ISurface> surface;
  EXPECT_EQ(CreateRasterSurfaceObject(nullptr, IidOf<ISurface>(), surface.put_void()), S_OK);
  EXPECT_EQ(surface.Query<IRasterSurface>()->putref_RasterBand(band.get()), S_OK);
  return surface;
}

double Elevation(ISurface* s, double x, double y, ISpatialReference* sr = nullptr) {
  double z = 0;
  EXPECT_EQ(s->GetElevation(NewPoint(x, y, sr).get(), &z), S_OK);
  return z;
}

void ExpectSameElevation(double ours, double oracle, double noData, const std::string& where) {
  if (std::isnan(oracle) || oracle == noData)
    EXPECT_TRUE(std::isnan(ours)) << where << " gave " << ours;
  else
    EXPECT_DOUBLE_EQ(ours, oracle) << where;
}

}  // namespace

TEST(HostDataRaster, GeoTiffSurfaceMatchesGdallocationinfo) {
  ScratchDir dir;
  DemSpec spec;  // 8 x 6 cells of 0.125 degrees from (6, 1) down to (7, 0.25)
  spec.noData = -9999.0;
  spec.value = [](int c, int r) {
    return (c == 2 && r == 3) ? -9999.0 : 100.0 + 10.0 * r + c + 0.25;
  };
  std::string tif = dir / "dem.tif";
  ASSERT_TRUE(MakeGeoTiffDem(tif, spec));
  auto ds = OpenRaster(tif);
  ASSERT_TRUE(ds);
  auto surface = SurfaceOver(ds.get());
  struct Case {
    double x, y;
  } cases[] = {
      {6.0625, 0.9375},               // first cell
      {6.99, 0.26},                   // last cell
      {6.3125, 0.5625},               // the no-data cell
      {6.125, 0.75},                  // a cell corner: the cell to its lower right
      {6.5, 0.5},       {5.99, 0.5},  // outside to the west
      {6.5, 1.01},                    // outside to the north
  };
  for (const auto& c : cases) {
    std::ostringstream where;
    where << c.x << "," << c.y;
    ExpectSameElevation(Elevation(surface.get(), c.x, c.y), LocationInfo(tif, c.x, c.y), -9999.0,
                        where.str());
  }
  // z factor, void test
  surface->put_ZFactor(2.0);
  EXPECT_DOUBLE_EQ(Elevation(surface.get(), 6.0625, 0.9375), 2 * 100.25);
  VARIANT_BOOL isVoid = VARIANT_FALSE;
  surface->IsVoidZ(Elevation(surface.get(), 6.3125, 0.5625), &isVoid);
  EXPECT_EQ(isVoid, VARIANT_TRUE);

  // A point in another reference is placed in the raster's first.
  surface->put_ZFactor(1.0);
  auto p = NewPoint(6.55, 0.45, SpatialReference(4326).get());
  ASSERT_EQ(p->Project(SpatialReference(32632).get()), S_OK);
  double z = 0;
  ASSERT_EQ(surface->GetElevation(p.get(), &z), S_OK);
  EXPECT_DOUBLE_EQ(z, LocationInfo(tif, 6.55, 0.45));

  // Size, cells, extent, statistics of the valid cells.
  ComPtr<IRaster> raster;
  ASSERT_EQ(ds->CreateDefaultRaster(raster.put()), S_OK);
  auto props = raster.Query<IRasterProps>();
  LONG w = 0, h = 0;
  props->get_Width(&w);
  props->get_Height(&h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 6);
  double cx = 0, cy = 0;
  props->QueryCellSize(&cx, &cy);
  EXPECT_DOUBLE_EQ(cx, 0.125);
  EXPECT_DOUBLE_EQ(cy, 0.125);
  ComPtr<IEnvelope> extent;
  props->get_Extent(extent.put());
  double x0, y0, x1, y1;
  extent->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(6.0, 0.25, 7.0, 1.0));
  Variant nd;
  props->get_NoDataValue(&nd);
  EXPECT_EQ(nd.vt, VT_R8);
  EXPECT_EQ(nd.dblVal, -9999.0);
  ComPtr<IRasterBand> band;
  raster.Query<IRasterBandCollection>()->Item(0, band.put());
  ComPtr<IRasterStatistics> stats;
  ASSERT_EQ(band->get_Statistics(stats.put()), S_OK);
  double mn, mx, mean;
  stats->get_Minimum(&mn);
  stats->get_Maximum(&mx);
  stats->get_Mean(&mean);
  EXPECT_DOUBLE_EQ(mn, 100.25);
  EXPECT_DOUBLE_EQ(mx, 157.25);
  double sum = 0;
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 8; ++c)
      if (!(c == 2 && r == 3)) sum += 100.0 + 10.0 * r + c + 0.25;
  EXPECT_NEAR(mean, sum / 47.0, 1e-9);
  EXPECT_TRUE(FilesIn(dir.path()) == std::vector<std::string>{"dem.tif"})
      << "statistics left files beside the raster";
  ComPtr<IRasterBand> none;
  EXPECT_EQ(raster.Query<IRasterBandCollection>()->Item(1, none.put()), E_INVALIDARG);
}

TEST(HostDataRaster, DtedCellMatchesGdallocationinfo) {
  VELK_REQUIRE(std::filesystem::exists(kDted), "the shared DTED cell is missing: " << kDted);
  auto ds = OpenRaster(kDted);
  ASSERT_TRUE(ds);
  Bstr format;
  ds->get_Format(&format);
  EXPECT_EQ(format.str(), L"DTED");
  auto surface = SurfaceOver(ds.get());
  struct Case {
    double x, y;
  } cases[] = {{6.5, 0.5},       {6.6, 0.3},       {6.65, 0.2}, {6.53, 0.21},
               {6.0001, 0.9999}, {6.9999, 0.0001}, {6.7, 0.35}, {7.5, 0.5}};
  for (const auto& c : cases) {
    std::ostringstream where;
    where << c.x << "," << c.y;
    ExpectSameElevation(Elevation(surface.get(), c.x, c.y), LocationInfo(kDted, c.x, c.y), -32767.0,
                        where.str());
  }

  // A void post: NaN here, the no-data value for GDAL.
  ComPtr<IRasterBand> band;
  QueryAs<IRasterBandCollection>(ds.get())->Item(0, band.put());
  auto props = band.Query<IRasterProps>();
  LONG w = 0, h = 0;
  props->get_Width(&w);
  props->get_Height(&h);
  ASSERT_EQ(w, 1201);
  ASSERT_EQ(h, 1201);
  std::vector<double> cells(static_cast<std::size_t>(w) * h);
  ASSERT_EQ(band->ReadBlock(0, 0, w, h, cells.data()), S_OK);
  auto voidAt = std::find_if(cells.begin(), cells.end(), [](double v) { return std::isnan(v); });
  ASSERT_NE(voidAt, cells.end()) << "the cell is known to hold voids";
  std::size_t k = static_cast<std::size_t>(voidAt - cells.begin());
  double step = 1.0 / 1200.0;
  // The cell's column and row, whole numbers.
  const std::size_t column = k % w, row = k / w;
  double x = 6.0 - step / 2 + (static_cast<double>(column) + 0.5) * step;
  double y = 1.0 + step / 2 - (static_cast<double>(row) + 0.5) * step;
  EXPECT_TRUE(std::isnan(Elevation(surface.get(), x, y)));
  EXPECT_EQ(LocationInfo(kDted, x, y), -32767.0);
  EXPECT_EQ(band->ReadBlock(1200, 0, 2, 1, cells.data()), E_INVALIDARG);

  // Minimum and maximum as gdalinfo computes them (without leaving files beside the data).
  std::string info = ToolOutput("gdalinfo --config GDAL_PAM_ENABLED NO -mm " + ShellQuote(kDted));
  auto at = info.find("Computed Min/Max=");
  ASSERT_NE(at, std::string::npos) << info;
  double emin = 0, emax = 0;
  std::sscanf(info.c_str() + at, "Computed Min/Max=%lf,%lf", &emin, &emax);
  ComPtr<IRasterStatistics> stats;
  ASSERT_EQ(band->get_Statistics(stats.put()), S_OK);
  double mn = 0, mx = 0;
  stats->get_Minimum(&mn);
  stats->get_Maximum(&mx);
  EXPECT_EQ(mn, emin);
  EXPECT_EQ(mx, emax);
  double cx = 0, cy = 0;
  props->QueryCellSize(&cx, &cy);
  EXPECT_NEAR(cx, step, 1e-15);
}

TEST(HostDataRaster, NitfMissingAndCorruptFiles) {
  ScratchDir dir;
  DemSpec spec;
  ASSERT_TRUE(MakeNitfDem(dir / "chart.ntf", spec));
  auto ds = OpenRaster(dir / "chart.ntf");
  ASSERT_TRUE(ds);
  Bstr format;
  ds->get_Format(&format);
  EXPECT_EQ(format.str(), L"NITF");
  auto surface = SurfaceOver(ds.get());
  EXPECT_DOUBLE_EQ(Elevation(surface.get(), 6.3, 0.7), LocationInfo(dir / "chart.ntf", 6.3, 0.7));

  ASSERT_TRUE(MakeCorruptFile(dir / "broken.tif"));
  OpenRaster(dir / "broken.tif", E_DATA_UNREADABLE);
  OpenRaster(dir / "absent.tif", E_DATA_NOT_FOUND);
  ASSERT_TRUE(MakeCorruptFile(dir / "notes.xyzzy"));
  OpenRaster(dir / "notes.xyzzy", E_DATA_UNREADABLE);  // no driver for the extension

  // An unset surface answers nothing rather than something.
  ComPtr<ISurface> empty;
  ASSERT_EQ(CreateRasterSurfaceObject(nullptr, IidOf<ISurface>(), empty.put_void()), S_OK);
  double z = 0;
  EXPECT_EQ(empty->GetElevationAt(6.5, 0.5, &z), E_FAIL);
  EXPECT_TRUE(std::isnan(z));
}
