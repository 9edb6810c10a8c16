// Visibility from an observer file over a surface file, as the host's analysis object runs it.
#include "platform/host/analysis/observer_visibility.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/viewshed.h"
#include "platform/host/analysis/visibility_raster.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_analysis_environment.h"
#include "platform/host/operations/surface_analysis.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/viewshed_oracle.h"

namespace velk::host::analysis {
namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 90, kRows = 70;
constexpr double kCell = 30.0, kX0 = 600000, kY0 = 60000;

// The hills terrain, as a UTM GeoTIFF.
std::string MakeSurface(const std::string& folder, int epsg = 32632) {
  static const auto hills = test::MakeTerrain("hills", kColumns, kRows, kCell);
  test::DemSpec spec;
  spec.columns = kColumns;
  spec.rows = kRows;
  spec.cellX = spec.cellY = epsg == 32632 ? kCell : 0.0003;
  spec.originX = epsg == 32632 ? kX0 : 9.9;
  spec.originY = epsg == 32632 ? kY0 : 0.55;
  spec.epsg = epsg;
  spec.value = [](int c, int r) { return hills.values[r * kColumns + c]; };
  std::string path = folder + "/surface" + std::to_string(epsg) + ".tif";
  EXPECT_TRUE(test::MakeGeoTiffDem(path, spec));
  return path;
}

struct Point {
  double x, y;
  std::vector<std::pair<const char*, double>> fields;
};

// A point shapefile with the observer fields named, in the given system.
std::string MakeObservers(const std::string& folder, const std::vector<Point>& points,
                          int epsg = 32632, const char* name = "losloc0000") {
  GDALAllRegister();
  std::string path = folder + "/" + name + ".shp";
  GDALDataset* ds = GetGDALDriverManager()
                        ->GetDriverByName("ESRI Shapefile")
                        ->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRSpatialReference sr;
  sr.importFromEPSG(epsg);
  sr.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = ds->CreateLayer(name, &sr, wkbPoint, nullptr);
  for (const char* f :
       {"OFFSETA", "OFFSETB", "AZIMUTH1", "AZIMUTH2", "RADIUS1", "RADIUS2", "SPOT"}) {
    bool used = false;
    for (const auto& p : points)
      for (const auto& [n, v] : p.fields) used = used || std::string(n) == f;
    if (!used) continue;
    OGRFieldDefn d(f, OFTReal);
    d.SetWidth(16);
    d.SetPrecision(6);
    layer->CreateField(&d);
  }
  for (const auto& p : points) {
    OGRFeature f(layer->GetLayerDefn());
    for (const auto& [n, v] : p.fields) f.SetField(n, v);
    OGRPoint pt(p.x, p.y);
    f.SetGeometry(&pt);
    EXPECT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  GDALClose(ds);
  return path;
}

std::vector<std::int32_t> ReadCounts(const std::string& path) {
  std::vector<std::int32_t> v;
  GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly));
  if (!ds) return v;
  v.resize(static_cast<std::size_t>(ds->GetRasterXSize()) * ds->GetRasterYSize());
  EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, ds->GetRasterXSize(),
                                           ds->GetRasterYSize(), v.data(), ds->GetRasterXSize(),
                                           ds->GetRasterYSize(), GDT_Int32, 0, 0),
            CE_None);
  GDALClose(ds);
  return v;
}

// The fields reach the engine: the file's counts equal the engine's on the same observers,
// written negative radius and wrapped sector included; points in WGS 84 land on their cells.
TEST(ObserverVisibility, FieldsAndPointsReachTheEngine) {
  test::TempRoot root;
  const std::string surface = MakeSurface(root.path());
  const auto hills = test::MakeTerrain("hills", kColumns, kRows, kCell);
  // Cell (20, 30) and (70, 50): centres in UTM.
  auto centre = [](int c, int r) {
    return Point{kX0 + (c + 0.5) * kCell, kY0 - (r + 0.5) * kCell, {}};
  };
  Point a = centre(20, 30), b = centre(70, 50);
  a.fields = {
      {"OFFSETA", 5}, {"OFFSETB", 1}, {"AZIMUTH1", 300}, {"AZIMUTH2", 60}, {"RADIUS2", -1500}};
  b.fields = {{"OFFSETA", 2}, {"SPOT", 180}, {"AZIMUTH1", 0}, {"AZIMUTH2", 360}, {"RADIUS2", 2000}};
  ObserverVisibilityOptions options;
  options.curvature = {true, 0.13};
  const std::string out = root.path() + "/viz0000.tif";
  const auto r =
      ComputeObserverVisibility(surface, MakeObservers(root.path(), {a, b}), out, options);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.observers, 2);

  ObserverLimits la, lb;
  la.offsetA = 5, la.offsetB = 1, la.azimuth1 = 300, la.azimuth2 = 60, la.radius2 = -1500;
  lb.offsetA = 2, lb.radius2 = 2000;
  ViewshedOptions engineOptions;
  engineOptions.curvature = options.curvature;
  const auto expected =
      ComputeViewshed(hills.view, {{20, 30, la, {}}, {70, 50, lb, 180.0}}, engineOptions);
  ASSERT_EQ(expected.error, "");
  const auto counts = ReadCounts(out);
  ASSERT_EQ(counts.size(), expected.counts.size());
  int seenByTwo = 0;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    ASSERT_EQ(counts[i], expected.counts[i]) << i;
    seenByTwo += counts[i] == 2;
  }
  EXPECT_GT(seenByTwo, 0);

  // The same observers given in WGS 84 degrees.
  OGRSpatialReference utm, wgs;
  utm.importFromEPSG(32632);
  wgs.importFromEPSG(4326);
  utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&utm, &wgs));
  for (Point* p : {&a, &b}) ASSERT_TRUE(ct->Transform(1, &p->x, &p->y));
  const std::string out2 = root.path() + "/viz0001.tif";
  ASSERT_EQ(ComputeObserverVisibility(
                surface, MakeObservers(root.path(), {a, b}, 4326, "losloc0001"), out2, options)
                .error,
            "");
  EXPECT_EQ(ReadCounts(out2), counts);
}

// A point without OFFSETA stands 1 m above the ground; the progress callback reaches the
// engine, and a stop writes nothing and says so.
TEST(ObserverVisibility, DefaultEyeHeightAndProgressReachTheEngine) {
  test::TempRoot root;
  const std::string surface = MakeSurface(root.path());
  const auto hills = test::MakeTerrain("hills", kColumns, kRows, kCell);
  const Point bare{kX0 + 40.5 * kCell, kY0 - 30.5 * kCell, {{"RADIUS2", -1200}}};
  const std::string observers = MakeObservers(root.path(), {bare});
  ObserverVisibilityOptions options;
  int calls = 0;
  options.progress = [&](double) { return ++calls < 1000; };
  const std::string out = root.path() + "/viz0000.tif";
  const auto r = ComputeObserverVisibility(surface, observers, out, options);
  ASSERT_EQ(r.error, "");
  EXPECT_FALSE(r.cancelled);
  EXPECT_GE(calls, 2);
  ObserverLimits oneMetre;
  oneMetre.offsetA = 1.0;
  oneMetre.radius2 = -1200;
  const auto expected = ComputeViewshed(hills.view, {{40, 30, oneMetre, {}}});
  ASSERT_EQ(expected.error, "");
  const auto counts = ReadCounts(out);
  ASSERT_EQ(counts.size(), expected.counts.size());
  for (std::size_t i = 0; i < counts.size(); ++i) ASSERT_EQ(counts[i], expected.counts[i]) << i;

  options.progress = [](double) { return false; };
  const std::string stopped = root.path() + "/viz0001.tif";
  const auto s = ComputeObserverVisibility(surface, observers, stopped, options);
  EXPECT_TRUE(s.cancelled);
  EXPECT_EQ(s.error, "cancelled");
  EXPECT_FALSE(fs::exists(stopped));
}

TEST(ObserverVisibility, BadInputIsRefusedAndWritesNothing) {
  test::TempRoot root;
  const std::string surface = MakeSurface(root.path());
  const std::string geographic = MakeSurface(root.path(), 4326);
  const std::string bare = root.path() + "/bare.tif";
  {
    GDALDataset* ds = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        bare.c_str(), 10, 10, 1, GDT_Float32, nullptr);
    GDALClose(ds);
  }
  ASSERT_TRUE(test::MakeCorruptFile(root.path() + "/corrupt.tif"));
  const Point inside{kX0 + 300, kY0 - 300, {{"OFFSETA", 2}}};
  const std::string good = MakeObservers(root.path(), {inside}, 32632, "good");
  const std::string outside = MakeObservers(root.path(), {{kX0 - 500, kY0, {}}}, 32632, "outside");
  const std::string inverted =
      MakeObservers(root.path(), {{kX0 + 300, kY0 - 300, {{"RADIUS1", -500}, {"RADIUS2", -100}}}},
                    32632, "inverted");
  const std::string empty = MakeObservers(root.path(), {}, 32632, "empty");
  struct Case {
    const char* name;
    std::string surface, observers;
    const char* says;
  };
  const Case cases[] = {
      {"no spatial reference", bare, good, "no spatial reference"},
      {"geographic surface", geographic, good, "not in a projected system"},
      {"corrupt surface", root.path() + "/corrupt.tif", good, "cannot read the surface"},
      {"missing observers", surface, root.path() + "/none.shp", "cannot read the observers"},
      {"observer outside", surface, outside, "outside the surface"},
      {"no observers", surface, empty, "no observers"},
      {"near beyond far", surface, inverted, "near distance is beyond"},
  };
  for (const auto& c : cases) {
    const std::string out = root.path() + "/vizBAD.tif";
    const auto r = ComputeObserverVisibility(c.surface, c.observers, out);
    EXPECT_NE(r.error.find(c.says), std::string::npos) << c.name << ": " << r.error;
    EXPECT_FALSE(fs::exists(out)) << c.name;
  }
}

}  // namespace
}  // namespace velk::host::analysis

// The same through the host's operation objects, as a tool calls them.
namespace velk::host::analysis {
namespace {

// The folder's surface and observer files as the host's objects, and a surface operator whose
// results go into folder/out.
struct HostObjects {
  ComPtr<IRasterDataset> dem;
  ComPtr<IWorkspace> shapes;
  ComPtr<ISurfaceOp> op;

  explicit HostObjects(const std::string& folder) {
    auto rasters = test::OpenWorkspace(test::RasterFactory().get(), folder);
    shapes = test::OpenWorkspace(test::ShapefileFactory().get(), folder);
    auto out = test::OpenWorkspace(test::RasterFactory().get(), folder + "/out");
    if (!rasters || !shapes || !out) return;
    QueryAs<IRasterWorkspace>(rasters.get())
        ->OpenRasterDataset(Bstr(L"surface32632.tif"), dem.put());
    if (FAILED(host::CreateRasterSurfaceOpObject(nullptr, IidOf<ISurfaceOp>(),
                                                 reinterpret_cast<void**>(op.put()))))
      return;
    if (auto env = QueryAs<IRasterAnalysisEnvironment>(op.get()))
      env->putref_OutWorkspace(out.get());
  }
  ComPtr<IFeatureClass> Observers(const wchar_t* name) {
    ComPtr<IFeatureClass> fc;
    if (auto fw = QueryAs<IFeatureWorkspace>(shapes.get()))
      fw->OpenFeatureClass(Bstr(name), fc.put());
    return fc;
  }
};

TEST(SurfaceOpObject, VisibilityAndPolygonsThroughTheHostObjects) {
  test::TempRoot root;
  const std::string surface = MakeSurface(root.path());
  auto centre = [](int c, int r) {
    return Point{kX0 + (c + 0.5) * kCell, kY0 - (r + 0.5) * kCell, {}};
  };
  Point a = centre(20, 30), b = centre(70, 50), far = Point{kX0 + 1e5, kY0, {}};
  a.fields = {{"OFFSETA", 5}, {"RADIUS2", -1500}};
  b.fields = {{"OFFSETA", 2}, {"RADIUS2", -2000}};
  MakeObservers(root.path(), {a, b});
  MakeObservers(root.path(), {a, far}, 32632, "losloc0001");
  fs::create_directory(root.path() + "/out");

  HostObjects objects(root.path());
  ASSERT_TRUE(objects.op && objects.dem) << "the host objects came back";
  auto shapeWs = objects.shapes;
  auto& dem = objects.dem;
  auto& op = objects.op;
  ComPtr<IFeatureClass> observers = objects.Observers(L"losloc0000");
  ComPtr<IFeatureClass> outside = objects.Observers(L"losloc0001");
  ASSERT_TRUE(observers && outside);
  VARIANT curvature, refraction;
  curvature.vt = VT_R8;
  curvature.dblVal = 1.0;
  refraction.vt = VT_R8;
  refraction.dblVal = 0.13;
  auto demGeo = QueryAs<IGeoDataset>(dem.get());
  auto obsGeo = QueryAs<IGeoDataset>(observers.get());
  ComPtr<IGeoDataset> viz, viz2, none;
  ASSERT_EQ(op->Visibility(demGeo.get(), obsGeo.get(), kVisibilityFrequency, &curvature,
                           &refraction, viz.put()),
            S_OK);
  ASSERT_EQ(op->Visibility(demGeo.get(), obsGeo.get(), kVisibilityFrequency, &curvature,
                           &refraction, viz2.put()),
            S_OK);
  EXPECT_TRUE(fs::exists(root.path() + "/out/viz0000.tif"));
  EXPECT_TRUE(fs::exists(root.path() + "/out/viz0001.tif"));
  // Equal to the file-level computation with curvature and that refraction.
  ObserverVisibilityOptions options;
  options.curvature = {true, 0.13};
  ASSERT_EQ(ComputeObserverVisibility(surface, root.path() + "/losloc0000.shp",
                                      root.path() + "/direct.tif", options)
                .error,
            "");
  EXPECT_EQ(ReadCounts(root.path() + "/out/viz0000.tif"), ReadCounts(root.path() + "/direct.tif"));

  EXPECT_EQ(op->Visibility(demGeo.get(), obsGeo.get(), 2, nullptr, nullptr, none.put()),
            E_INVALIDARG);
  EXPECT_EQ(op->Visibility(demGeo.get(), QueryAs<IGeoDataset>(outside.get()).get(),
                           kVisibilityFrequency, nullptr, nullptr, none.put()),
            E_FAIL);
  EXPECT_FALSE(fs::exists(root.path() + "/out/viz0002.tif"));

  ComPtr<IConversionOp> conversion;
  ASSERT_EQ(host::CreateConversionOpObject(nullptr, IidOf<IConversionOp>(),
                                           reinterpret_cast<void**>(conversion.put())),
            S_OK);
  ComPtr<IGeoDataset> polygons;
  ASSERT_EQ(conversion->RasterDataToPolygonFeatureData(
                viz.get(), shapeWs.get(), Bstr(L"loscov0000.shp"), VARIANT_FALSE, polygons.put()),
            S_OK);
  auto fc = QueryAs<IFeatureClass>(polygons.get());
  ASSERT_TRUE(fc);
  LONG field = -1, shapeType = 0;
  fc->FindField(Bstr(L"GRIDCODE"), &field);
  fc->get_ShapeType(&shapeType);
  EXPECT_GE(field, 0);
  EXPECT_EQ(shapeType, 4);
  // ogrinfo reads the polygons with their integer field.
  const auto info = test::RunCommand("ogrinfo -so -al " + root.path() + "/loscov0000.shp");
  VELK_REQUIRE(info.status == 0, "ogrinfo not available");
  EXPECT_NE(info.out.find("GRIDCODE: Integer"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Geometry: Polygon"), std::string::npos) << info.out;
}

// The operator's progress callback reaches the visibility: a stop gives E_ABORT and no count
// raster; a callback that lets it run sees shares rising to the end and changes nothing.
TEST(SurfaceOpObject, AProgressCallbackStopsTheVisibilityOrWatchesItUnchanged) {
  test::TempRoot root;
  const std::string surface = MakeSurface(root.path());
  Point a{kX0 + 20.5 * kCell, kY0 - 30.5 * kCell, {{"OFFSETA", 5}, {"RADIUS2", -1500}}};
  Point b{kX0 + 70.5 * kCell, kY0 - 50.5 * kCell, {{"OFFSETA", 2}}};
  MakeObservers(root.path(), {a, b});
  fs::create_directory(root.path() + "/out");
  HostObjects objects(root.path());
  auto& op = objects.op;
  auto progress = QueryAs<IAnalysisProgress>(op.get());
  ASSERT_TRUE(progress);
  auto demGeo = QueryAs<IGeoDataset>(objects.dem.get());
  auto obsGeo = QueryAs<IGeoDataset>(objects.Observers(L"losloc0000").get());
  ASSERT_TRUE(demGeo && obsGeo);

  int calls = 0;
  progress->SetProgress([&](double) { return ++calls > 1; });
  ComPtr<IGeoDataset> stopped;
  EXPECT_EQ(op->Visibility(demGeo.get(), obsGeo.get(), kVisibilityFrequency, nullptr, nullptr,
                           stopped.put()),
            E_ABORT);
  EXPECT_FALSE(stopped);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(fs::is_empty(root.path() + "/out"));

  std::vector<double> shares;
  progress->SetProgress([&](double done) {
    shares.push_back(done);
    return true;
  });
  ComPtr<IGeoDataset> watched;
  ASSERT_EQ(op->Visibility(demGeo.get(), obsGeo.get(), kVisibilityFrequency, nullptr, nullptr,
                           watched.put()),
            S_OK);
  ASSERT_GE(shares.size(), 2u);
  EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
  EXPECT_LE(shares.back(), 1.0);
  const std::string direct = root.path() + "/direct.tif";
  ASSERT_EQ(ComputeObserverVisibility(surface, root.path() + "/losloc0000.shp", direct, {}).error,
            "");
  EXPECT_EQ(ReadCounts(root.path() + "/out/viz0000.tif"), ReadCounts(direct));
}

}  // namespace
}  // namespace velk::host::analysis
