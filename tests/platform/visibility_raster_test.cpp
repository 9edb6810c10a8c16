// The count raster and its polygons, read back through GDAL/OGR and ogrinfo.
#include "platform/host/analysis/visibility_raster.h"

#include <filesystem>
#include <fstream>
#include <map>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/viewshed.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/viewshed_oracle.h"

namespace velk::host::analysis {
namespace {

namespace fs = std::filesystem;

constexpr double kCell = 25.0;

struct Made {
  std::vector<std::uint16_t> counts;
  GridPlacement placement;
};

Made TwoObserversOverHills() {
  auto t = test::MakeTerrain("hills", 70, 60, kCell);
  for (int r = 0; r < 5; ++r) t.values[r * 70 + 60] = NAN;  // a void to be left out
  ObserverLimits limits;
  limits.offsetA = 3;
  const auto result = ComputeViewshed(t.view, {{15, 20, limits, {}}, {50, 40, limits, {}}});
  EXPECT_EQ(result.error, "");
  OGRSpatialReference utm;
  utm.importFromEPSG(32632);
  char* wkt = nullptr;
  utm.exportToWkt(&wkt);
  Made m{result.counts, {{500000, kCell, 0, 100000, 0, -kCell}, wkt}};
  CPLFree(wkt);
  return m;
}

TEST(VisibilityRaster, CountRasterReadsBackWithNoDataOnVoids) {
  test::TempRoot root;
  const Made m = TwoObserversOverHills();
  const std::string path = root.path() + "/viz0.tif";
  ASSERT_EQ(WriteCountRaster(path, m.counts, 70, 60, m.placement), "");
  EXPECT_FALSE(fs::exists(path + ".part"));
  GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly));
  ASSERT_NE(ds, nullptr);
  int has = 0;
  EXPECT_EQ(ds->GetRasterBand(1)->GetNoDataValue(&has), kCountNoData);
  EXPECT_TRUE(has);
  std::vector<std::int32_t> back(70 * 60);
  ASSERT_EQ(
      ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, 70, 60, back.data(), 70, 60, GDT_Int32, 0, 0),
      CE_None);
  double gt[6];
  ds->GetGeoTransform(gt);
  EXPECT_EQ(gt[0], 500000);
  EXPECT_EQ(gt[1], kCell);
  EXPECT_EQ(ds->GetSpatialRef()->GetEPSGGeogCS(), 4326);
  GDALClose(ds);
  for (std::size_t i = 0; i < back.size(); ++i)
    EXPECT_EQ(back[i], m.counts[i] == kVoidCount ? kCountNoData : m.counts[i]) << i;
  // gdalinfo sees the same file: one Int32 band with the no-data value.
  const auto info = test::RunCommand("gdalinfo " + path);
  VELK_REQUIRE(info.status == 0, "gdalinfo not available");
  EXPECT_NE(info.out.find("Type=Int32"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("NoData Value=-1"), std::string::npos) << info.out;
}

// The polygons of each GRIDCODE cover exactly the cells with that count.
TEST(VisibilityRaster, PolygonsCoverExactlyTheCellsOfTheirCount) {
  test::TempRoot root;
  const Made m = TwoObserversOverHills();
  const std::string raster = root.path() + "/viz0.tif";
  const std::string shp = root.path() + "/loscov0000.shp";
  ASSERT_EQ(WriteCountRaster(raster, m.counts, 70, 60, m.placement), "");
  ASSERT_EQ(PolygonizeCountRaster(raster, shp), "");
  std::map<int, double> cells;
  for (auto c : m.counts)
    if (c != kVoidCount) cells[c] += 1;
  ASSERT_GE(cells.size(), 3u) << "want cells seen by none, one and both observers";

  GDALDataset* ds =
      static_cast<GDALDataset*>(GDALOpenEx(shp.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  ASSERT_NE(ds, nullptr);
  OGRLayer* layer = ds->GetLayer(0);
  const int field = layer->FindFieldIndex("GRIDCODE", TRUE);
  ASSERT_GE(field, 0);
  EXPECT_EQ(layer->GetLayerDefn()->GetFieldDefn(field)->GetType(), OFTInteger);
  EXPECT_EQ(layer->GetGeomType(), wkbPolygon);
  std::map<int, double> area;
  for (auto& f : *layer)
    area[f->GetFieldAsInteger(field)] += f->GetGeometryRef()->toPolygon()->get_Area();
  GDALClose(ds);
  ASSERT_EQ(area.size(), cells.size());
  for (const auto& [code, n] : cells) EXPECT_NEAR(area[code], n * kCell * kCell, 1e-3) << code;
  // Nothing of the temporary files stays.
  for (const auto& e : fs::directory_iterator(root.path()))
    EXPECT_EQ(e.path().filename().string().find("_part"), std::string::npos) << e.path();
}

TEST(VisibilityRaster, FailuresLeaveNothingThatLooksComplete) {
  test::TempRoot root;
  const Made m = TwoObserversOverHills();
  const std::string missingFolder = root.path() + "/no/such/folder/viz0.tif";
  EXPECT_NE(WriteCountRaster(missingFolder, m.counts, 70, 60, m.placement), "");
  EXPECT_FALSE(fs::exists(missingFolder));
  EXPECT_NE(WriteCountRaster(root.path() + "/short.tif", {1, 2, 3}, 70, 60, m.placement), "");
  EXPECT_FALSE(fs::exists(root.path() + "/short.tif"));

  const std::string shp = root.path() + "/loscov0000.shp";
  EXPECT_NE(PolygonizeCountRaster(root.path() + "/absent.tif", shp), "");
  EXPECT_FALSE(fs::exists(shp));
  std::ofstream(root.path() + "/corrupt.tif") << "not a raster";
  EXPECT_NE(PolygonizeCountRaster(root.path() + "/corrupt.tif", shp), "");
  EXPECT_FALSE(fs::exists(shp));
  EXPECT_FALSE(fs::exists(root.path() + "/loscov0000.dbf"));
}

}  // namespace
}  // namespace velk::host::analysis
