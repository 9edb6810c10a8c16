// The radial line-of-sight run in a running 2-D host: observers over a projected DEM make the
// observer file, the coverage (checked cell by cell against the count raster with GDAL's
// rasterizer) and the result group; a second run takes the next numbers; a catalog DTED
// surface goes through its layer's clip; bad input is refused and leaves no observer file.
#include "terrain/radial/radial_los_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "framework/host_object_creation.h"
#include "framework/scratch_folder.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/data/raster.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"
#include "platform/host/shell/status_bar.h"
#include "tests/fixtures/coverage_check.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/framework/layer_doubles.h"
#include "tests/terrain/terrain_doubles.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// A ridge running north-south through a gentle plain, in UTM zone 31 north.
test::DemSpec RidgeSpec() {
  test::DemSpec spec;
  spec.columns = 200;
  spec.rows = 200;
  spec.originX = 500000;
  spec.originY = 4000000;
  spec.cellX = spec.cellY = 30;
  spec.epsg = 32631;
  spec.value = [](int c, int r) {
    return 200.0 + 0.3 * r + 120.0 * std::exp(-std::pow((c - 120) / 6.0, 2));
  };
  return spec;
}

struct Host {
  test::HostSessionFixture fixture;
  CHookImpl<Host> hook;
  ScratchDir dir;
  ComPtr<ILayer> dem;

  explicit Host(const test::DemSpec& spec = RidgeSpec()) {
    hook.SetHook(fixture.Session().Hook());
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "ridge.tif", spec));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(dir / "ridge.tif"))), S_OK);
    dem = raster.Query<ILayer>();
    dem->put_Name(Bstr(L"Ridge"));
    FocusMap()->AddLayer(dem.get());
    FocusMap()->put_SpatialReference(test::SpatialReference(4326).get());
  }
  ComPtr<IMap> FocusMap() {
    ComPtr<IMap> map;
    fixture.Session().Document().Query<IMapDocument>()->get_FocusMap(map.put());
    return map;
  }
  ComPtr<ITerrainSettings> Settings() {
    ComPtr<IZelSettings> s;
    fixture.Zel()->get_Settings(s.put());
    return s.As<ITerrainSettings>();
  }
};

// An observer at a point of the DEM's system (UTM 31 north).
RadialLosObserver ObserverAtUtm(double x, double y, double farKm = 2.0) {
  auto p = host::NewPoint(x, y, test::SpatialReference(32631).get());
  Check(p->Project(test::SpatialReference(4326).get()));
  double lon = 0, lat = 0;
  p->QueryCoords(&lon, &lat);
  RadialLosObserver o;
  o.longitude = lon;
  o.latitude = lat;
  o.distanceFar = farKm;
  PlaceObserver(o, lon, lat);
  return o;
}

std::wstring NameOf(ILayer* layer) {
  Bstr n;
  layer->get_Name(&n);
  return n.str();
}

ComPtr<ILayer> Member(ILayer* group, LONG i) {
  ComPtr<ILayer> l;
  QueryAs<ICompositeLayer>(group)->get_Layer(i, l.put());
  return l;
}

TEST(RadialLosRun, TwoObserversGiveTheirFeaturesTheCoverageAndOneGroup) {
  Host host;
  RadialLosRunParameters p;
  p.surfaceLayer = host.dem;
  p.observers = {ObserverAtUtm(502000, 3997000), ObserverAtUtm(502500, 3995500, 1.5)};
  p.observers[0].centreOffset = 1500.5;  // wider than a field of eight characters holds
  p.observers[0].elevationFrom = 30;
  p.observers[0].elevationTo = -90;
  p.observers[1].distanceNear = 0.5;
  p.observers[1].azimuthFrom = 300;
  p.observers[1].azimuthTo = 60;
  p.observers[1].observerElevation = 1250.25;
  p.withObserverElevation = true;
  p.settings = host.Settings();
  const auto out = RunRadialLos(host.hook, p);
  ASSERT_TRUE(out.done) << out.statusId << " " << (out.messages.empty() ? 0 : out.messages[0].textId);
  EXPECT_TRUE(out.messages.empty());
  EXPECT_EQ(out.runNumber, L"0000");
  EXPECT_EQ(fs::path(ToUtf8(out.observerPath)).filename(), "losloc0000.shp");
  EXPECT_EQ(fs::path(ToUtf8(out.coveragePath)).filename(), "loscov0000.shp");
  EXPECT_EQ(ToUtf8(out.workFolder), ToUtf8(GetScratchFolder().str()) + "RadialLOS");
  // The prepared grid keeps the temporary name; its marker is given up when the run ends.
  const std::string prepared = fs::path(ToUtf8(out.preparedPath)).stem().string();
  EXPECT_EQ(prepared.rfind("rlo", 0), 0u) << prepared;
  EXPECT_TRUE(fs::exists(ToUtf8(out.preparedPath)));
  EXPECT_FALSE(fs::exists(fs::path(ToUtf8(out.workFolder)) / (prepared + ".tmp")));

  // The observer file as GDAL reads it: 11 fields, the values and their signs.
  bool ok = false;
  const auto rows = test::OgrRows(ToUtf8(out.observerPath), "SELECT * FROM losloc0000", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 10u);  // nine fields and SPOT; the shape is no column here
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("OFFSETA")), 1500.5);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("VERT1")), 30);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("VERT2")), -90);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("RADIUS1")), 0);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("RADIUS2")), -2000);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("REFCONST")), 1);
  EXPECT_DOUBLE_EQ(std::stod(rows[1].at("RADIUS1")), -500);
  EXPECT_DOUBLE_EQ(std::stod(rows[1].at("RADIUS2")), -1500);
  EXPECT_DOUBLE_EQ(std::stod(rows[1].at("AZIMUTH1")), 300);
  EXPECT_DOUBLE_EQ(std::stod(rows[1].at("AZIMUTH2")), 60);
  EXPECT_DOUBLE_EQ(std::stod(rows[1].at("SPOT")), 1250.25);

  // The coverage holds exactly the cells the count raster says are seen.
  const auto viz = fs::path(ToUtf8(out.workFolder)) / "viz0000.tif";
  const auto check = test::CompareCoverage(viz, ToUtf8(out.coveragePath));
  ASSERT_EQ(check.error, "");
  EXPECT_GT(check.seen, 1000);
  EXPECT_LT(check.seen, check.cells);
  EXPECT_EQ(check.mismatched, 0);

  // One group on the map: field of view with both outlines, the points, the coverage.
  LONG count = 0;
  host.FocusMap()->get_LayerCount(&count);
  EXPECT_EQ(count, 2);
  ComPtr<ILayer> top;
  host.FocusMap()->get_Layer(0, top.put());
  ASSERT_TRUE(IsSameObject(top.get(), out.group.get()));
  EXPECT_EQ(NameOf(top.get()), L"Radial Visibility 0000 of Ridge");
  EXPECT_EQ(NameOf(Member(top.get(), 0).get()), L"Field of View");
  EXPECT_EQ(NameOf(Member(top.get(), 1).get()), L"Location for Visibility 0000 of Ridge");
  EXPECT_EQ(NameOf(Member(top.get(), 2).get()), L"Visibility 0000 of Ridge");
  LONG outlines = 0;
  QueryAs<IGraphicsContainer>(Member(top.get(), 0).get())->get_ElementCount(&outlines);
  EXPECT_EQ(outlines, 2);
  // The coverage: classes 1 and 2 (the ring both observers see), 0 left out, half transparent.
  auto coverage = Member(top.get(), 2);
  ComPtr<IFeatureRenderer> renderer;
  QueryAs<IGeoFeatureLayer>(coverage.get())->get_Renderer(renderer.put());
  auto unique = QueryAs<IUniqueValueRenderer>(renderer.get());
  ASSERT_TRUE(unique);
  LONG values = 0;
  unique->get_ValueCount(&values);
  std::vector<std::wstring> classes;
  for (LONG i = 0; i < values; ++i) {
    Bstr v;
    unique->get_Value(i, &v);
    classes.push_back(v.str());
  }
  EXPECT_EQ(classes, (std::vector<std::wstring>{L"1", L"2"}));
  SHORT transparency = 0;
  QueryAs<ILayerEffects>(coverage.get())->get_Transparency(&transparency);
  EXPECT_EQ(transparency, 50);

  // A second run in the same folder takes the next numbers.
  const auto second = RunRadialLos(host.hook, p);
  ASSERT_TRUE(second.done);
  EXPECT_EQ(second.runNumber, L"0001");
  EXPECT_EQ(fs::path(ToUtf8(second.coveragePath)).filename(), "loscov0001.shp");
  EXPECT_EQ(NameOf(second.group.get()), L"Radial Visibility 0001 of Ridge");
}

TEST(RadialLosRun, WithoutObserverElevationTheFileHasTenFields) {
  Host host;
  RadialLosRunParameters p;
  p.surfaceLayer = host.dem;
  p.observers = {ObserverAtUtm(502000, 3997000)};
  const auto out = RunRadialLos(host.hook, p);
  ASSERT_TRUE(out.done);
  const auto rows = test::OgrRows(ToUtf8(out.observerPath), "SELECT * FROM losloc0000");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].size(), 9u);
  EXPECT_EQ(rows[0].count("SPOT"), 0u);
}

// Every refusal: its message or status, no observer file, no layer added.
TEST(RadialLosRun, BadInputIsRefusedWithItsMessageAndLeavesNoObserverFile) {
  test::DemSpec noReference = RidgeSpec();
  noReference.epsg = 0;
  struct Case {
    const char* name;
    std::function<void(RadialLosRunParameters&, Host&)> change;
    UINT message;
    UINT status;
  };
  const Case cases[] = {
      {"second observer outside the surface",
       [](RadialLosRunParameters& p, Host&) {
         p.observers.push_back(ObserverAtUtm(470000, 3997000));
       },
       kIdsPointOutsideSurface, 0},
      {"observer on a void",
       [](RadialLosRunParameters& p, Host& h) {
         test::DemSpec spec = RidgeSpec();
         spec.noData = -32767;
         spec.value = [](int c, int r) { return c > 60 && c < 80 && r > 90 && r < 110 ? -32767 : 300.0; };
         EXPECT_TRUE(test::MakeGeoTiffDem(h.dir / "holes.tif", spec));
         auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
         raster->CreateFromFilePath(Bstr(FromUtf8(h.dir / "holes.tif")));
         p.surfaceLayer = raster.Query<ILayer>();
       },
       kIdsPointOutsideSurface, 0},
      {"near beyond far",
       [](RadialLosRunParameters& p, Host&) {
         p.observers[0].distanceNear = 1.5;
         p.observers[0].distanceFar = 1.0;
         p.observerExtent = host::NewEnvelope(502000, 3996000, 503000, 3998000,
                                              test::SpatialReference(32631).get());
         Check(p.observerExtent->Project(test::SpatialReference(4326).get()));
       },
       0, kIdsCouldNotCreateViewshed},
      {"sector of no width",
       [](RadialLosRunParameters& p, Host&) {
         p.observers[0].azimuthFrom = 360;
         p.observers[0].azimuthTo = 360;
         p.observerExtent = host::NewEnvelope(500500, 3994500, 503500, 3999500,
                                              test::SpatialReference(32631).get());
         Check(p.observerExtent->Project(test::SpatialReference(4326).get()));
       },
       0, kIdsCouldNotCreateViewshed},
      {"a TIN",
       [](RadialLosRunParameters& p, Host&) {
         p.surfaceLayer = test::MakeLayer(L"tin", {IidOf<ISurfaceLayer>()});
       },
       kIdsNoOperationsOnTin, 0},
  };
  for (const auto& c : cases) {
    Host host;
    RadialLosRunParameters p;
    p.surfaceLayer = host.dem;
    p.observers = {ObserverAtUtm(502000, 3997000)};
    c.change(p, host);
    const auto out = RunRadialLos(host.hook, p);
    EXPECT_FALSE(out.done) << c.name;
    EXPECT_EQ(out.statusId, c.status) << c.name;
    if (c.message) {
      ASSERT_EQ(out.messages.size(), 1u) << c.name;
      EXPECT_EQ(out.messages[0].textId, c.message) << c.name;
    } else {
      EXPECT_TRUE(out.messages.empty()) << c.name;
    }
    for (const auto& f : test::FilesIn(ToUtf8(out.workFolder)))
      EXPECT_NE(f.rfind("losloc", 0), 0u) << c.name << ": " << f;
    LONG count = 0;
    host.FocusMap()->get_LayerCount(&count);
    EXPECT_EQ(count, 1) << c.name;
  }
  // A surface without a spatial reference cannot be prepared.
  Host host(noReference);
  RadialLosRunParameters p;
  p.surfaceLayer = host.dem;
  p.observers = {ObserverAtUtm(502000, 3997000)};
  const auto out = RunRadialLos(host.hook, p);
  EXPECT_FALSE(out.done);
  EXPECT_EQ(out.statusId, kIdsCouldNotCreateViewshed);
  // Without a surface layer nothing happens at all.
  p.surfaceLayer.Reset();
  const auto none = RunRadialLos(host.hook, p);
  EXPECT_FALSE(none.done);
  EXPECT_TRUE(none.workFolder.empty());
}

// A catalog DTED layer: the run asks its clip for the area (in WGS 84, reprojected) and works on
// what it returns; this stand-in clips from a DEM file through the host's own preparation.
class ClipLayer
    : public test::FixedLayer<ClipLayer,
                              ComObjectRoot<ClipLayer, ILayer, IZelDtedLayer, IInternalZelHelper>> {
 public:
  using ILayer::QueryInterface;
  std::wstring source;
  std::vector<std::wstring> calls;
  static constexpr const wchar_t* kLayerName = L"Catalog";
  HRESULT Setup(ITable*, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT get_InternalObject(IRasterCatalog**) override { return E_NOTIMPL; }
  HRESULT put_UseUniformRenderer(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT get_UseUniformRenderer(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT get_DisplayElevation(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT put_DisplayElevation(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT get_ResamplingType(velkRasterResamplingType*) override { return E_NOTIMPL; }
  HRESULT put_ResamplingType(velkRasterResamplingType) override { return E_NOTIMPL; }
  HRESULT ClipRegion(IEnvelope* area, BSTR folder, BSTR name, VARIANT_BOOL reproject,
                     IGeoDataset** out) override {
    ComPtr<ISpatialReference> sr;
    area->get_SpatialReference(sr.put());
    LONG code = 0;
    if (sr) sr->get_FactoryCode(&code);
    calls.push_back(std::wstring(name) + L" " + std::to_wstring(code) + L" " +
                    (reproject ? L"reproject" : L"as is"));
    auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
    ComPtr<IWorkspace> src, dst;
    const std::wstring parent = source.substr(0, source.find_last_of(L'/'));
    factory->OpenFromFile(Bstr(parent), nullptr, src.put());
    factory->OpenFromFile(folder, nullptr, dst.put());
    ComPtr<IRasterDataset> dem;
    QueryAs<IRasterWorkspace>(src.get())
        ->OpenRasterDataset(Bstr(source.substr(source.find_last_of(L'/') + 1)), dem.put());
    auto op = CreateHostObject<ISurfacePreparationOp>(host::CLSID_RasterSurfaceOp);
    return op->PrepareAzimuthalGrid(QueryAs<IGeoDataset>(dem.get()).get(), area, dst.get(), name,
                                    out);
  }
};

TEST(RadialLosRun, ACatalogDtedSurfaceIsClippedByItsLayer) {
  Host host;
  ComPtr<ILayer> layer;
  ASSERT_EQ(CreateInstance<ClipLayer>(nullptr, IidOf<ILayer>(), layer.put_void()), S_OK);
  auto* catalog = static_cast<ClipLayer*>(layer.get());
  catalog->source = FromUtf8(host.dir / "ridge.tif");
  RadialLosRunParameters p;
  p.surfaceLayer = layer;
  p.observers = {ObserverAtUtm(502000, 3997000)};
  const auto out = RunRadialLos(host.hook, p);
  ASSERT_TRUE(out.done);
  ASSERT_EQ(catalog->calls.size(), 1u);
  const std::wstring prepared = fs::path(ToUtf8(out.preparedPath)).stem().wstring();
  EXPECT_EQ(catalog->calls[0], prepared + L" 4326 reproject");
  EXPECT_EQ(NameOf(out.group.get()), L"Radial Visibility 0000 of Catalog");
  // An observer off the catalog's data: the clip is deleted with the observer file.
  p.observers = {ObserverAtUtm(470000, 3997000)};
  p.observerExtent = host::NewEnvelope(499000, 3990000, 503000, 3998000,
                                       test::SpatialReference(32631).get());
  Check(p.observerExtent->Project(test::SpatialReference(4326).get()));
  const auto refused = RunRadialLos(host.hook, p);
  EXPECT_FALSE(refused.done);
  ASSERT_EQ(catalog->calls.size(), 2u);
  EXPECT_FALSE(fs::exists(ToUtf8(refused.preparedPath))) << ToUtf8(refused.preparedPath);
}

LONG LayerCount(IMap* map) {
  LONG n = 0;
  map->get_LayerCount(&n);
  return n;
}

// Esc at each question the run asks in turn (between its steps and while the visibility is
// computed): "Operation cancelled", no layer and the work folder as it was; once Esc comes
// after the last question, the run is the one a run without Esc makes.
TEST(RadialLosRun, EscAtEveryQuestionLeavesNothingOfTheRun) {
  Host host;
  RadialLosRunParameters p;
  p.surfaceLayer = host.dem;
  p.observers = {ObserverAtUtm(502000, 3997000), ObserverAtUtm(502500, 3995500, 1.5)};
  const auto first = RunRadialLos(host.hook, p);  // a run without Esc: the work folder is made
  ASSERT_TRUE(first.done);
  EXPECT_FALSE(first.cancelled);
  EXPECT_EQ(StatusText(host.hook), L"") << "a finished run leaves no progress text";
  const std::string work = ToUtf8(first.workFolder);
  const auto files = test::FilesIn(work);
  for (const auto& file : files) EXPECT_NE(fs::path(file).extension(), ".tmp") << file;
  const LONG layers = LayerCount(host.FocusMap().get());

  int question = 1;
  for (;; ++question) {
    ASSERT_LT(question, 500) << "the run asks without end";
    host::ScriptEscape({L"", question});
    const auto out = RunRadialLos(host.hook, p);
    const bool used = host::ScriptedEscapeUsed();
    host::ScriptEscape({L"", 0});
    if (!used) {
      ASSERT_TRUE(out.done) << "question " << question;
      EXPECT_EQ(out.runNumber, L"0001");
      break;
    }
    EXPECT_TRUE(out.cancelled) << "question " << question;
    EXPECT_FALSE(out.done) << "question " << question;
    EXPECT_FALSE(out.group);
    EXPECT_TRUE(out.messages.empty()) << "question " << question;
    EXPECT_EQ(out.statusId, 0u) << "question " << question;
    EXPECT_EQ(StatusText(host.hook), L"Operation cancelled") << "question " << question;
    EXPECT_EQ(LayerCount(host.FocusMap().get()), layers) << "question " << question;
    EXPECT_EQ(test::FilesIn(work), files) << "question " << question;
  }
  EXPECT_GT(question, 4) << "the visibility asks as it goes, not only the steps";
}

// The texts the run shows: the surface being prepared, then the visibility's share done; Esc
// while either shows stops the run there.
TEST(RadialLosRun, ProgressTextsAskForEscAndEscStopsAtThem) {
  Host host;
  RadialLosRunParameters p;
  p.surfaceLayer = host.dem;
  p.observers = {ObserverAtUtm(502000, 3997000)};
  for (const wchar_t* text :
       {L"Preparing the surface of Ridge ... Press Esc To Cancel",
        L"Computing visibility: 0% done ... Press Esc To Cancel", L"Computing visibility: "}) {
    host::ScriptEscape({text, 1});
    const auto out = RunRadialLos(host.hook, p);
    EXPECT_TRUE(host::ScriptedEscapeUsed()) << ToUtf8(text);
    host::ScriptEscape({L"", 0});
    EXPECT_TRUE(out.cancelled) << ToUtf8(text);
    EXPECT_TRUE(out.observerPath.empty() && out.coveragePath.empty()) << ToUtf8(text);
    EXPECT_EQ(StatusText(host.hook), L"Operation cancelled");
  }
}

}  // namespace
}  // namespace velk::corvane
