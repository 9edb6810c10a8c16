// Resampling a surface into the azimuthal equidistant grid of an analysis area.
#include "platform/host/analysis/surface_preparation.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"

namespace velk::host::analysis {
namespace {

namespace fs = std::filesystem;

struct Opened {
  int columns = 0, rows = 0;
  std::string proj4;
};

Opened Open(const std::string& path) {
  Opened o;
  GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly));
  if (!ds) return o;
  o.columns = ds->GetRasterXSize();
  o.rows = ds->GetRasterYSize();
  char* p = nullptr;
  if (ds->GetSpatialRef() && ds->GetSpatialRef()->exportToProj4(&p) == OGRERR_NONE) o.proj4 = p;
  CPLFree(p);
  GDALClose(ds);
  return o;
}

// A geographic source keeps its rule: an area a tenth of its width and height gets a tenth of
// its columns and rows.
TEST(SurfacePreparation, GeographicSourceGetsItsShareOfCells) {
  test::TempRoot root;
  const std::string dem = root.path() + "/geo.tif";
  test::DemSpec spec;
  spec.columns = 80;
  spec.rows = 60;
  spec.cellX = spec.cellY = 0.01;
  ASSERT_TRUE(test::MakeGeoTiffDem(dem, spec));
  ResampleRequest r{dem, 6.2, 0.6, 6.28, 0.66, 6.24, 0.63};
  const std::string out = GridRasterPath(root.path(), "rlo1A2B");
  EXPECT_EQ(out, root.path() + "/rlo1A2B.tif");
  const auto res = ResampleToAzimuthalEquidistant(r, out);
  ASSERT_EQ(res.error, "");
  EXPECT_EQ(res.columns, 8);
  EXPECT_EQ(res.rows, 6);
  const Opened o = Open(out);
  EXPECT_EQ(o.columns, 8);
  EXPECT_EQ(o.rows, 6);
  EXPECT_NE(o.proj4.find("+proj=aeqd"), std::string::npos) << o.proj4;
  EXPECT_NE(o.proj4.find("+lat_0=0.63"), std::string::npos) << o.proj4;
  EXPECT_NE(o.proj4.find("+lon_0=6.24"), std::string::npos) << o.proj4;
  EXPECT_FALSE(fs::exists(out + ".part"));
}

// A projected source: the area is measured in metres like the source, so a 3 km wide area
// over 30 m cells gets about 100 columns (degrees against metres would give none).
TEST(SurfacePreparation, ProjectedSourceCountsCellsInItsOwnUnits) {
  test::TempRoot root;
  const std::string dem = root.path() + "/utm.tif";
  test::DemSpec spec;
  spec.columns = 400;
  spec.rows = 300;
  spec.cellX = spec.cellY = 30.0;
  spec.originX = 600000;
  spec.originY = 60000;
  spec.epsg = 32632;
  ASSERT_TRUE(test::MakeGeoTiffDem(dem, spec));
  // About 3.3 km by 2.2 km near (9.95 E, 0.5 N), inside the source.
  ResampleRequest r{dem, 9.95, 0.49, 9.98, 0.51, 9.965, 0.50};
  const auto res = ResampleToAzimuthalEquidistant(r, GridRasterPath(root.path(), "rlo0001"));
  ASSERT_EQ(res.error, "");
  OGRSpatialReference wgs, utm;
  wgs.importFromEPSG(4326);
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  utm.importFromEPSG(32632);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&wgs, &utm));
  double x[2] = {9.95, 9.98}, y[2] = {0.50, 0.50};
  ct->Transform(2, x, y);
  EXPECT_NEAR(res.columns, (x[1] - x[0]) / 30.0, 2.0);
  EXPECT_GT(res.columns, 100);
  EXPECT_GT(res.rows, 70);
}

TEST(SurfacePreparation, BadSourcesAreRefusedAndLeaveNoFile) {
  test::TempRoot root;
  const std::string dem = root.path() + "/geo.tif";
  test::DemSpec spec;
  ASSERT_TRUE(test::MakeGeoTiffDem(dem, spec));
  const std::string bare = root.path() + "/bare.tif";
  {
    GDALDataset* ds = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        bare.c_str(), 10, 10, 1, GDT_Float32, nullptr);
    ASSERT_NE(ds, nullptr);
    GDALClose(ds);
  }
  std::ofstream(root.path() + "/corrupt.tif") << "no raster here";
  struct Case {
    const char* name;
    ResampleRequest request;
    const char* says;
  };
  const Case cases[] = {
      {"no spatial reference", {bare, 0.1, 0.1, 0.2, 0.2, 0.15, 0.15}, "no spatial reference"},
      {"area outside", {dem, 20, 20, 21, 21, 20.5, 20.5}, "outside the surface"},
      {"one cell", {dem, 6.2, 0.5, 6.21, 0.51, 6.205, 0.505}, "too few cells"},
      {"missing file", {root.path() + "/absent.tif", 6, 0, 7, 1, 6.5, 0.5}, "cannot read"},
      {"corrupt file", {root.path() + "/corrupt.tif", 6, 0, 7, 1, 6.5, 0.5}, "cannot read"},
      {"empty area", {dem, 6.5, 0.5, 6.5, 0.6, 6.5, 0.55}, "empty"},
  };
  for (const auto& c : cases) {
    const std::string out = GridRasterPath(root.path(), "rloBAD");
    const auto res = ResampleToAzimuthalEquidistant(c.request, out);
    EXPECT_NE(res.error.find(c.says), std::string::npos) << c.name << ": " << res.error;
    EXPECT_FALSE(fs::exists(out)) << c.name;
    EXPECT_FALSE(fs::exists(out + ".part")) << c.name;
  }
}

}  // namespace
}  // namespace velk::host::analysis
