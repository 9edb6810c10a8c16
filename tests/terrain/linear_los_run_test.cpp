// The linear line-of-sight run in a running 2-D host over a ridge in a projected DEM: the result
// files, layers and symbols, the profile graph and its reuse, a catalog DTED layer analysed
// through its clip (a stand-in catalog layer), and the refusals of bad input.
#include "terrain/linear_los/linear_los_run.h"

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
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/productline/tarvos_environment.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// The DEM: 60 x 40 cells of 30 m in UTM 31N, a north-south ridge 120 m high at column 30.
constexpr double kX0 = 300000, kY0 = 4000000, kCell = 30;
double Ridge(int c, int) { return 100 + 120 * std::exp(-std::pow((c - 30) / 4.0, 2)); }
// The centre of a cell in map units.
double X(int c) { return kX0 + (c + 0.5) * kCell; }
double Y(int r) { return kY0 - (r + 0.5) * kCell; }

// A catalog DTED layer as the run sees it: it clips by copying a prepared raster.
class DtedDouble
    : public test::FixedLayer<DtedDouble, ComObjectRoot<DtedDouble, ILayer, IInternalZelHelper>> {
 public:
  using ILayer::QueryInterface;
  // The run only asks whether the layer is a catalog DTED layer; it calls nothing through it.
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid != IidOf<IZelDtedLayer>()) return E_NOINTERFACE;
    *ppv = static_cast<ILayer*>(this);
    static_cast<ILayer*>(this)->AddRef();
    return S_OK;
  }
  static constexpr const wchar_t* kLayerName = L"catalog";
  HRESULT ClipRegion(IEnvelope* envelope, BSTR folder, BSTR name, VARIANT_BOOL reproject,
                     IGeoDataset** result) override {
    *result = nullptr;
    ++calls;
    envelope->QueryCoords(&xmin, &ymin, &xmax, &ymax);
    reprojected = reproject != VARIANT_FALSE;
    if (source.empty()) return E_FAIL;
    const std::string path = ToUtf8(BstrToWstring(folder) + BstrToWstring(name)) + ".tif";
    clipPath = path;
    fs::copy_file(source, path);
    auto ws = CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
    ComPtr<IWorkspace> w;
    Check(ws->OpenFromFile(Bstr(BstrToWstring(folder)), nullptr, w.put()));
    ComPtr<IRasterDataset> ds;
    Check(w.As<IRasterWorkspace>()->OpenRasterDataset(
        Bstr(fs::path(path).filename().wstring()), ds.put()));
    return ds->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
  }
  std::string source, clipPath;
  int calls = 0;
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  bool reprojected = true;
};

std::vector<test::OgrRow> Rows(const std::string& shp) {
  return test::OgrRows(shp, "SELECT * FROM " + fs::path(shp).stem().string());
}

struct Host {
  test::TempRoot root;  // a scratch folder of its own: run numbers start at 0000
  test::HostSessionFixture fixture;
  CHookImpl<Host> hook;
  ScratchDir dir;
  ComPtr<ILayer> dem;
  ComPtr<ISpatialReference> utm = test::SpatialReference(32631);

  Host() {
    hook.SetHook(fixture.Session().Hook());
    test::DemSpec spec;
    spec.columns = 60;
    spec.rows = 40;
    spec.originX = kX0;
    spec.originY = kY0;
    spec.cellX = spec.cellY = kCell;
    spec.epsg = 32631;
    spec.noData = -32767;
    spec.value = [](int c, int r) { return c == 5 && r == 5 ? -32767 : Ridge(c, r); };
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "ridge.tif", spec));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(dir / "ridge.tif"))), S_OK);
    dem = raster.Query<ILayer>();
    dem->put_Name(Bstr(L"Ridge"));
    FocusMap()->put_SpatialReference(utm.get());
    FocusMap()->AddLayer(dem.get());
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
  LinearLosRunParameters Parameters(double x1, double y1, double x2, double y2) {
    LinearLosRunParameters p;
    p.surfaceLayer = dem;
    p.observer = host::NewPoint(x1, y1, utm.get());
    p.target = host::NewPoint(x2, y2, utm.get());
    p.startOffset = 2;
    p.endOffset = 10;
    return p;
  }
  std::string Work() { return ToUtf8(GetScratchFolder().str()) + "LinearLOS"; }
};

TEST(LinearLosRun, AcrossTheRidgeWritesSeenAndHiddenStretchesPointsAndLayers) {
  Host host;
  host.Settings()->put_TerrainDisplayLOSProfile(VARIANT_FALSE);
  const auto out = RunLinearLos(host.hook, host.Settings().get(),
                                host.Parameters(X(10), Y(20), X(50), Y(20)));
  ASSERT_TRUE(out.messages.empty());
  EXPECT_EQ(out.status, kIdsTargetNotVisible);
  EXPECT_EQ(out.number, L"0000");
  ASSERT_TRUE(out.group);
  // Lines: record 1 seen up to the crest, record 2 hidden behind it.
  auto rows = Rows(host.Work() + "/los2dc0000.shp");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].at("Visible"), "1");
  EXPECT_EQ(rows[1].at("Visible"), "0");
  auto points = Rows(host.Work() + "/loslocstart0000.shp");
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].at("ID"), "PointLocation");
  EXPECT_DOUBLE_EQ(std::stod(points[0].at("OFFSET")), 2.0);
  points = Rows(host.Work() + "/loslocend0000.shp");
  EXPECT_DOUBLE_EQ(std::stod(points[0].at("OFFSET")), 10.0);
  EXPECT_FALSE(fs::exists(host.Work() + "/profile0000.shp"));
  EXPECT_FALSE(out.profile.graph);
  // The lines are where their shapefile's system (the surface's, UTM) says they are.
  const std::string info = test::ToolOutput("ogrinfo -so -al " + test::ShellQuote(host.Work() + "/los2dc0000.shp"));
  EXPECT_NE(info.find("Extent: (300315.000000, 3999385.000000) - (301515.000000, 3999385.000000)"),
            std::string::npos)
      << info;

  // The group: lines drawn by unique values, then observer and target.
  auto group = out.group.Query<ICompositeLayer>();
  LONG count = 0;
  group->get_Count(&count);
  ASSERT_EQ(count, 3);
  const wchar_t* names[] = {L"Visibility 0000 of Ridge", L"Start Location for Visibility 0000 of Ridge",
                            L"End Location for Visibility 0000 of Ridge"};
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<ILayer> layer;
    group->get_Layer(i, layer.put());
    Bstr name;
    layer->get_Name(&name);
    EXPECT_EQ(name.str(), names[i]);
  }
  ComPtr<ILayer> lines;
  group->get_Layer(0, lines.put());
  ComPtr<IFeatureRenderer> renderer;
  lines.Query<IGeoFeatureLayer>()->get_Renderer(renderer.put());
  auto unique = QueryAs<IUniqueValueRenderer>(renderer.get());
  ASSERT_TRUE(unique);
  Bstr field, label;
  unique->get_Field(0, &field);
  EXPECT_EQ(field.str(), L"VISIBLE");
  unique->get_Label(Bstr(L"0"), &label);
  EXPECT_EQ(label.str(), L"F");
  unique->get_Label(Bstr(L"1"), &label);
  EXPECT_EQ(label.str(), L"T");
  Bstr name;
  out.group->get_Name(&name);
  EXPECT_EQ(name.str(), L"Linear Visibility 0000 of Ridge");
}

TEST(LinearLosRun, TheProfileGraphIsDrawnThenReusedAndItsShapefileGoes) {
  Host host;
  host.Settings()->put_TerrainDisplayLOSProfile(VARIANT_TRUE);
  auto first = RunLinearLos(host.hook, host.Settings().get(),
                            host.Parameters(X(10), Y(20), X(28), Y(20)));
  EXPECT_EQ(first.status, kIdsTargetVisible);
  ASSERT_TRUE(first.profile.graph);
  EXPECT_TRUE(first.profile.newGraph);
  auto second = RunLinearLos(host.hook, host.Settings().get(),
                             host.Parameters(X(10), Y(25), X(50), Y(25)));
  EXPECT_EQ(second.number, L"0001");
  EXPECT_FALSE(second.profile.newGraph);
  EXPECT_TRUE(IsSameObject(first.profile.graph.get(), second.profile.graph.get()));
  LONG series = 0;
  first.profile.graph->get_SeriesCount(&series);
  ASSERT_EQ(series, 2);
  // The first series: a vertex per column crossed, heights of the ridge, the ends with offsets.
  ComPtr<IDataGraphSeries> s;
  first.profile.graph->get_Series(0, s.put());
  LONG n = 0;
  s->get_PointCount(&n);
  ASSERT_EQ(n, 19);
  for (LONG i = 0; i < n; ++i) {
    double m = 0, z = 0;
    s->GetPoint(i, &m, &z);
    EXPECT_NEAR(m, i * kCell, 1e-6);
    const double expected = Ridge(10 + i, 20) + (i == 0 ? 2 : i == n - 1 ? 10 : 0);
    EXPECT_NEAR(z, expected, 1e-3) << i;
  }
  for (const auto& f : test::FilesIn(host.Work())) EXPECT_NE(f.rfind("profile", 0), 0u) << f;
  Bstr title;
  first.profile.graph->get_Title(&title);
  EXPECT_EQ(title.str(), L"LLOS Surface Profile");
}

TEST(LinearLosRun, AnotherGraphOpenInAWindowTakesTheProfile) {
  Host host;
  host.Settings()->put_TerrainDisplayLOSProfile(VARIANT_TRUE);
  auto other = CreateHostObject<IDataGraph>(host::CLSID_DataGraph);
  other->put_Name(Bstr(L"Other"));
  auto window = CreateHostObject<IGraphWindow>(host::CLSID_GraphWindow);
  window->putref_DataGraph(other.get());
  ASSERT_EQ(window->Init(host.fixture.Session().Hook()), S_OK);
  // A graph of the document without a window is passed over.
  auto hidden = CreateHostObject<IDataGraph>(host::CLSID_DataGraph);
  auto graphs = host.fixture.Session().Document().Query<IDataGraphs>();
  graphs->AddDataGraph(hidden.get());
  graphs->AddDataGraph(other.get());
  const auto out = RunLinearLos(host.hook, host.Settings().get(),
                                host.Parameters(X(10), Y(20), X(28), Y(20)));
  EXPECT_FALSE(out.profile.newGraph);
  EXPECT_TRUE(IsSameObject(out.profile.graph.get(), other.get()));
  LONG series = 0;
  other->get_SeriesCount(&series);
  EXPECT_EQ(series, 1);
  Bstr name;
  other->get_Name(&name);
  EXPECT_EQ(name.str(), L"Other");
}

TEST(GraphTemplate, FromTheInstallFolderWhateverItsLength) {
  test::TempRoot root;
  EXPECT_EQ(GraphTemplatePath(), L"");  // no install folder registered
  const std::wstring folder = L"/opt/" + std::wstring(150, L'x') + L"/";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velk\\Desktop10.0", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  EXPECT_EQ(GraphTemplatePath(), folder + L"GraphTemplates/Default.tee");
}

TEST(LinearLosRun, BadInputIsRefusedAndLeavesNoResult) {
  Host host;
  auto noReference = [&] {
    test::DemSpec spec;
    spec.epsg = 0;
    test::MakeGeoTiffDem(host.dir / "bare.tif", spec);
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    raster->CreateFromFilePath(Bstr(FromUtf8(host.dir / "bare.tif")));
    return raster.Query<ILayer>();
  };
  struct Case {
    const char* name;
    double x1, y1, x2, y2;
    UINT message;
    bool swapLayer = false;
  };
  const Case cases[] = {
      {"observer off the surface", kX0 - 500, Y(20), X(50), Y(20), kIdsPointOutsideSurface},
      {"target off the surface", X(10), Y(20), X(50), kY0 + 900, kIdsPointOutsideSurface},
      {"observer on a void", X(5), Y(5), X(50), Y(20), kIdsPointOutsideSurface},
      {"both points equal", X(10), Y(20), X(10), Y(20), kIdsCouldNotCreateLos},
      {"a surface in no system", X(10), Y(20), X(50), Y(20), kIdsInvalidDataset, true},
  };
  for (const Case& c : cases) {
    auto p = host.Parameters(c.x1, c.y1, c.x2, c.y2);
    if (c.swapLayer) p.surfaceLayer = noReference();
    const auto out = RunLinearLos(host.hook, host.Settings().get(), p);
    ASSERT_EQ(out.messages.size(), 1u) << c.name;
    EXPECT_EQ(out.messages[0], c.message) << c.name;
    EXPECT_EQ(out.status, 0u) << c.name;
    EXPECT_TRUE(out.files.empty()) << c.name;
    EXPECT_FALSE(out.group) << c.name;
  }
  for (const auto& f : test::FilesIn(host.Work())) EXPECT_EQ(f.find("los"), std::string::npos) << f;
  LONG layers = 0;
  host.FocusMap()->get_LayerCount(&layers);
  EXPECT_EQ(layers, 1);
  // Without a surface nothing happens at all.
  LinearLosRunParameters none;
  EXPECT_FALSE(RunLinearLos(host.hook, host.Settings().get(), none).ran);
}

TEST(LinearLosRun, ACatalogDtedLayerIsAnalysedThroughItsClipWhichGoesAfterwards) {
  Host host;
  host.Settings()->put_TerrainDisplayLOSProfile(VARIANT_FALSE);
  ComObject<DtedDouble>* made = nullptr;
  ASSERT_EQ(ComObject<DtedDouble>::Create(&made), S_OK);
  ComPtr<ILayer> catalog(static_cast<ILayer*>(made));
  made->Release();
  made->source = host.dir / "ridge.tif";
  auto p = host.Parameters(X(10), Y(20), X(50), Y(20));
  p.surfaceLayer = catalog;
  p.graphicsEnvelope = host::NewEnvelope(X(10), Y(21), X(50), Y(19), host.utm.get());
  const auto out = RunLinearLos(host.hook, host.Settings().get(), p);
  EXPECT_EQ(out.status, kIdsTargetNotVisible);
  EXPECT_EQ(made->calls, 1);
  EXPECT_FALSE(made->reprojected);
  // 5 % larger in each direction about the centre.
  EXPECT_NEAR(made->xmax - made->xmin, 1.05 * (X(50) - X(10)), 1e-6);
  EXPECT_NEAR(made->ymax - made->ymin, 1.05 * (Y(19) - Y(21)), 1e-6);
  EXPECT_NEAR(made->xmin + made->xmax, X(10) + X(50), 1e-6);
  EXPECT_FALSE(made->clipPath.empty());
  EXPECT_FALSE(fs::exists(made->clipPath));
  Bstr name;
  out.group->get_Name(&name);
  EXPECT_EQ(name.str(), L"Linear Visibility 0000 of catalog");
  // Only the run's shapefiles stay: neither the clip nor its name's marker.
  for (const auto& f : test::FilesIn(host.Work()))
    EXPECT_TRUE(f.rfind("los2dc0000.", 0) == 0 || f.rfind("loslocstart0000.", 0) == 0 ||
                f.rfind("loslocend0000.", 0) == 0)
        << f;

  // A clip that yields nothing: the status says so and nothing is written.
  made->source.clear();
  const auto failed = RunLinearLos(host.hook, host.Settings().get(), p);
  EXPECT_EQ(failed.status, kIdsCouldNotCreateLos);
  EXPECT_TRUE(failed.files.empty());
}

}  // namespace
}  // namespace velk::corvane
