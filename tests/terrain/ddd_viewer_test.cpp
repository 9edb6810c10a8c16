// The 3-D viewer in a running 2-D host, as a user drives it: a drag with the tool over a
// catalog elevation layer (a double that clips a real GeoTIFF with GDAL), the layer choice,
// the launch with its extraction (the clipped raster, "ShapeTable" and the clipped shapefiles,
// read back with GDAL's own tools), the viewer with its look-around flight on the timer and the
// scene saved as glTF; and the refusals: a projected map, a drag outside the surface, Cancel,
// an empty observer layer, Esc during the extraction.
#include "terrain/viewer3d/ddd_viewer.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <tiny_gltf.h>

#include <filesystem>
#include <algorithm>
#include <functional>

#include "framework/host_object_creation.h"
#include "interfaces/catalog_layer_ids.h"
#include "platform/com/text.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/display/scene.h"
#include "platform/host/display/scene_view_picture.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"
#include "platform/win/responder.h"
#include "terrain/viewer3d/ddd_viewer_dlg.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/map_tool_host.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/scoped_responder.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/terrain/terrain_doubles.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// The DEM: 100 x 80 cells of 0.001 degrees from (6.0, 0.58) to (6.1, 0.5); the view shows it at
// 0.0001 degrees a pixel, so pixel (px, py) is (6.0 + px / 10000, 0.58 - py / 10000).
constexpr int kColumns = 100, kRows = 80;
constexpr double kCell = 0.001, kLeft = 6.0, kTop = 0.58;

// A catalog vector layer: a group of product groups (only groups are extracted).
class VectorLayerDouble
    : public test::FixedLayer<VectorLayerDouble, ComObjectRoot<VectorLayerDouble, ILayer,
                                                               ICompositeLayer, ILayerExtent>> {
 public:
  using ILayer::QueryInterface;
  std::vector<ComPtr<ILayer>> members;
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid != ids::IID_IZelVectorLayer) return E_NOINTERFACE;
    *ppv = static_cast<ILayer*>(this);
    static_cast<ILayer*>(this)->AddRef();
    return S_OK;
  }
  static constexpr const wchar_t* kLayerName = L"VMAP";
  HRESULT get_Count(LONG* n) override {
    *n = static_cast<LONG>(members.size());
    return S_OK;
  }
  HRESULT get_Layer(LONG i, ILayer** layer) override {
    if (i < 0 || i >= static_cast<LONG>(members.size())) return E_INVALIDARG;
    return members[static_cast<std::size_t>(i)].CopyTo(layer);
  }
  HRESULT get_AreaOfInterest(IEnvelope** extent) override {
    *extent = host::NewEnvelope(5, 0, 7, 1).Detach();
    return S_OK;
  }
};

// Writes a shapefile of the given rows (WKT and field values) in EPSG:4326.
void WriteShapefile(const std::string& path, OGRwkbGeometryType type,
                    const std::vector<std::string>& doubleFields,
                    const std::vector<std::pair<std::string, std::vector<double>>>& rows) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRSpatialReference wgs;
  wgs.importFromEPSG(4326);
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = ds->CreateLayer(fs::path(path).stem().string().c_str(), &wgs, type, nullptr);
  for (const auto& name : doubleFields) {
    OGRFieldDefn field(name.c_str(), OFTReal);
    layer->CreateField(&field);
  }
  for (const auto& [wkt, values] : rows) {
    OGRFeature f(layer->GetLayerDefn());
    for (std::size_t i = 0; i < values.size(); ++i) f.SetField(static_cast<int>(i), values[i]);
    OGRGeometry* g = nullptr;
    OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &g);
    f.SetGeometryDirectly(g);
    EXPECT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  GDALClose(ds);
}

ComPtr<ILayer> FeatureLayer(const std::string& folder, const std::wstring& file,
                            const std::wstring& name) {
  auto ws = test::OpenWorkspace(test::ShapefileFactory().get(), folder);
  ComPtr<IFeatureClass> fc;
  EXPECT_EQ(
      RequireInterface<IFeatureWorkspace>(ws.get())->OpenFeatureClass(Bstr(file).get(), fc.put()),
      S_OK);
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  layer->putref_FeatureClass(fc.get());
  auto l = layer.As<ILayer>();
  l->put_Name(Bstr(name).get());
  return l;
}

// The user: one step per idle turn of the modal dialogs; message boxes recorded.
class User : public win::Responder {
 public:
  std::vector<std::function<void(HWND)>> steps;
  std::vector<std::wstring> messages;
  std::vector<INT_PTR> ends;
  bool OnModalIdle(HWND dialog) override {
    if (next_ >= steps.size()) return false;
    steps[next_++](dialog);
    return true;
  }
  int OnMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
    messages.push_back(text);
    return IDOK;
  }
  void OnModalEnd(HWND, INT_PTR result) override { ends.push_back(result); }

 private:
  std::size_t next_ = 0;
};

void Press(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
int Rows(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), LVM_GETITEMCOUNT, 0, 0));
}
// Checks the rows of a list whose text is name, and clears the others.
void CheckOnly(HWND dialog, int id, const std::wstring& name) {
  HWND list = GetDlgItem(dialog, id);
  for (int row = 0; row < Rows(dialog, id); ++row) {
    wchar_t text[128] = {};
    LVITEMW item;
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    LVITEMW state;
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(name == text ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
  }
}

struct ViewerHost : test::MapToolHost {
  ScratchDir dir;
  ComPtr<ILayer> dtedLayer, raster, observers, stray, track;
  ComPtr<ILayer> vector;
  User user;

  ViewerHost() {
    test::DemSpec spec;
    spec.columns = kColumns;
    spec.rows = kRows;
    spec.originX = kLeft;
    spec.originY = kTop;
    spec.cellX = spec.cellY = kCell;
    spec.value = [](int c, int r) { return 200.0 + c + r * 0.5; };
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "dem.tif", spec));
    ComObject<DtedLayerDouble>* d = nullptr;
    Check(ComObject<DtedLayerDouble>::Create(&d));
    d->source = dir / "dem.tif";
    dtedLayer = ComPtr<ILayer>(static_cast<ILayer*>(d));
    d->Release();
    auto rasterLayer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(rasterLayer->CreateFromFilePath(Bstr(FromUtf8(dir / "dem.tif")).get()), S_OK);
    raster = rasterLayer.As<ILayer>();
    raster->put_Name(Bstr(L"dem").get());

    fs::create_directories(dir / "data");
    const std::vector<std::string> observerFields = {"OFFSETA", "RADIUS2", "AZIMUTH1", "AZIMUTH2"};
    WriteShapefile(dir / "data/losloc0000.shp", wkbPoint, observerFields,
                   {{"POINT (6.05 0.54)", {2.0, -500.0, 0.0, 360.0}}});
    // Its first point lies west of the surface, its second inside the rectangle.
    WriteShapefile(dir / "data/losloc0001.shp", wkbPoint, observerFields,
                   {{"POINT (5.5 0.54)", {2.0, -500.0, 0.0, 360.0}},
                    {"POINT (6.06 0.55)", {2.0, -500.0, 0.0, 360.0}}});
    WriteShapefile(
        dir / "data/roads.shp", wkbLineString, {"WIDTH"},
        {{"LINESTRING (5.9 0.54,6.2 0.54)", {5}}, {"LINESTRING (6.5 0.9,6.6 0.95)", {3}}});
    // A line of sight's visible stretch, as a flight path along it.
    WriteShapefile(dir / "data/track.shp", wkbLineString, {"Visible"},
                   {{"LINESTRING (6.03 0.53,6.07 0.53)", {1}}});
    observers = FeatureLayer(dir / "data", L"losloc0000", L"observers");
    track = FeatureLayer(dir / "data", L"track", L"track");
    track->put_Visible(VARIANT_FALSE);
    stray = FeatureLayer(dir / "data", L"losloc0001", L"stray");
    stray->put_Visible(VARIANT_FALSE);
    auto roads = FeatureLayer(dir / "data", L"roads", L"../x:y");
    auto group = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
    group->Add(roads.get());
    group.As<ILayer>()->put_Name(Bstr(L"transport").get());
    ComObject<VectorLayerDouble>* v = nullptr;
    Check(ComObject<VectorLayerDouble>::Create(&v));
    v->members = {group.As<ILayer>(), FeatureLayer(dir / "data", L"roads", L"loose")};
    vector = ComPtr<ILayer>(static_cast<ILayer*>(v));
    v->Release();

    Map()->put_SpatialReference(test::SpatialReference(4326).get());
    for (ILayer* l : {raster.get(), observers.get(), stray.get(), track.get(), vector.get()})
      Map()->AddLayer(l);
    Show(host::NewEnvelope(kLeft, kTop - 0.08, kLeft + 0.1, kTop).get());
    AddSelectedLayerControl(dtedLayer.get());
    win::SetResponder(&user);
    win::ClearUserEvents();
  }
  ~ViewerHost() { win::SetResponder(nullptr); }
  ComPtr<ICommand> Tool() {
    ComPtr<ICommand> tool;
    EXPECT_EQ(CreateDDDViewer(nullptr, IidOf<ICommand>(), tool.put_void()), S_OK);
    EXPECT_EQ(tool->OnCreate(fixture.Session().Hook()), S_OK);
    return tool;
  }
  int Outlines() { return Graphics(kViewerExtentGraphic); }
};

// The names of the graphics in the view's "Threat Domes" layer.
std::vector<std::wstring> GraphicNames(ISceneControl* view) {
  ComPtr<IScene> scene;
  view->get_Scene(scene.put());
  LONG n = 0;
  scene->get_LayerCount(&n);
  std::vector<std::wstring> names;
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> layer;
    scene->get_Layer(i, layer.put());
    Bstr name;
    layer->get_Name(&name);
    auto graphics = QueryAs<IGraphicsContainer>(layer.get());
    if (name.str() != L"Threat Domes" || !graphics) continue;
    graphics->Reset();
    ComPtr<IElement> e;
    while (graphics->Next(e.put()) == S_OK && e) {
      Bstr text;
      e.Query<IElementProperties>()->get_Name(&text);
      names.push_back(text.str());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The base grid (columns, rows) of every layer of the view's scene that is draped, members of
// groups included.
std::vector<std::pair<LONG, LONG>> DrapedGrids(ISceneControl* view) {
  std::vector<std::pair<LONG, LONG>> grids;
  ComPtr<IScene> scene;
  view->get_Scene(scene.put());
  std::function<void(ILayer*)> visit = [&](ILayer* layer) {
    if (auto group = QueryAs<ICompositeLayer>(layer)) {
      LONG n = 0;
      group->get_Count(&n);
      for (LONG i = 0; i < n; ++i) {
        ComPtr<ILayer> member;
        group->get_Layer(i, member.put());
        if (member) visit(member.get());
      }
      return;
    }
    auto extensions = QueryAs<ILayerExtensions>(layer);
    LONG count = 0;
    if (extensions) extensions->get_ExtensionCount(&count);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IUnknown> item;
      extensions->get_Extension(i, item.put());
      if (auto props = QueryAs<I3DProperties>(item.get())) {
        LONG option = 0, rows = 0, columns = 0;
        props->get_BaseOption(&option);
        props->get_BaseRows(&rows);
        props->get_BaseColumns(&columns);
        if (option == kBaseOptionSurface) grids.emplace_back(columns, rows);
      }
    }
  };
  LONG n = 0;
  scene->get_LayerCount(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> layer;
    scene->get_Layer(i, layer.put());
    if (layer) visit(layer.get());
  }
  return grids;
}

ComPtr<ISceneControl> ViewOf(HWND viewer) {
  return QueryAs<ISceneControl>(host::SceneControlOfWindow(GetDlgItem(viewer, dv::kView)).get());
}

TEST(DDDViewer, EnabledOnlyWithSorrelinAndACatalogElevationLayerChosen) {
  ViewerHost host;
  auto tool = host.Tool();
  VARIANT_BOOL enabled = VARIANT_FALSE;
  EXPECT_EQ(tool->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  static_cast<test::SelectedLayerDouble*>(host.control.get())->current = host.raster;
  tool->get_Enabled(&enabled);
  EXPECT_EQ(enabled, VARIANT_FALSE);
  static_cast<test::SelectedLayerDouble*>(host.control.get())->current = host.dtedLayer;
  host.fixture.SetStates(1, 1, 0);
  tool->get_Enabled(&enabled);
  EXPECT_EQ(enabled, VARIANT_FALSE);
}

// The saved glTF scene: one camera, the ground first, the observers' dome (36 strips of 38
// points and a fan of 38 points: 36 x 36 + 36 triangles) and its wireframe.
void ExpectSceneWithObserverDome(const std::string& saved) {
  tinygltf::TinyGLTF reader;
  tinygltf::Model model;
  std::string err, warn;
  ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &err, &warn, saved)) << err;
  EXPECT_EQ(model.cameras.size(), 1u);
  ASSERT_FALSE(model.meshes.empty());
  EXPECT_EQ(model.meshes[0].name, "ground");
  std::vector<std::string> names;
  for (const auto& mesh : model.meshes) names.push_back(mesh.name);
  const auto dome = std::find(names.begin(), names.end(), "observers.dome");
  ASSERT_NE(dome, names.end());
  const auto& domeMesh = model.meshes[static_cast<std::size_t>(dome - names.begin())];
  EXPECT_EQ(model.accessors[static_cast<std::size_t>(domeMesh.primitives[0].indices)].count,
            3u * (36 * 36 + 36));
  EXPECT_NE(std::find(names.begin(), names.end(), "observers.wireframe"), names.end());
}

TEST(DDDViewer, ADragExtractsTheChosenLayersAndTheViewerFliesAroundAnObserver) {
  VELK_REQUIRE(!test::ProgramOnPath("ogrinfo").empty(), "ogrinfo is not installed");
  VELK_REQUIRE(!test::ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  ViewerHost host;
  auto tool = host.Tool();
  std::wstring work;
  std::vector<int> rows;
  std::vector<BOOL> enabled;
  LONG redrawsBefore = -1, redrawsAfter = -1;
  std::vector<host::CameraRecord> path;
  std::vector<std::wstring> elements;
  std::string saved = host.dir / "scene.glb", problem;
  bool savedOk = false;
  std::vector<std::pair<LONG, LONG>> draped;
  host.user.steps = {
      [&](HWND select) {
        rows = {Rows(select, 3550), Rows(select, 3583), Rows(select, 3540)};
        enabled = {IsWindowEnabled(GetDlgItem(select, IDOK)),
                   IsWindowEnabled(GetDlgItem(select, 3525))};
        Press(select, 3518);  // every available layer
        Press(select, 3525);  // every observer layer
        CheckOnly(select, 3540, L"observers");
        Press(select, IDOK);
      },
      [&](HWND viewer) {
        auto view = ViewOf(viewer);
        ASSERT_TRUE(view);
        draped = DrapedGrids(view.get());
        ComPtr<ISceneViewer> sv;
        view->get_SceneViewer(sv.put());
        // Domes over the observers of the first layer in the combo (the stray one's first point
        // lies off the surface and gets none).
        SendMessageW(GetDlgItem(viewer, dv::kObservers), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(L"observers"));
        Press(viewer, dv::kBuildDomes);
        elements = GraphicNames(view.get());
        // The flight path is the observer layer: a look-around.
        Press(viewer, dv::kPlay);
        sv->get_RedrawCount(&redrawsBefore);
        win::RunFor(1000);
        sv->get_RedrawCount(&redrawsAfter);
        path = host::CameraPathOf(view.get());
        savedOk = host::SaveScenePicture(view.get(), saved, &problem);
        Press(viewer, dv::kPlay);  // stops
        Press(viewer, IDCANCEL);
      },
  };
  // A drag over the middle of the DEM: (6.02, 0.56) to (6.08, 0.52).
  EXPECT_EQ(ViewerHost::Drag(tool.get(), 200, 200, 800, 600), S_OK);
  work = static_cast<DDDViewer*>(QueryAs<IDDDViewer>(tool.get()).get())
             ->SelectDialog()
             .LastWorkFolder();
  // dem and VMAP; both observer layers, and as flight paths with the track too.
  EXPECT_EQ(rows, (std::vector<int>{2, 2, 3}));
  EXPECT_EQ(enabled, (std::vector<BOOL>{TRUE, TRUE}));
  EXPECT_EQ(host.Outlines(), 1);  // launching keeps the extent graphic
  EXPECT_TRUE(host.user.messages.empty()) << ToUtf8(host.user.messages.front());

  // The work folder: the clipped surface, ShapeTable and the roads inside the group under a safe
  // name; the loose layer directly under the vector layer is not extracted.
  ASSERT_FALSE(work.empty());
  const std::string folder = ToUtf8(work);
  EXPECT_NE(folder.find("/DDDViewer/ddd"), std::string::npos) << folder;
  std::vector<std::string> tifs;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".tif") tifs.push_back(e.path().string());
  ASSERT_EQ(tifs.size(), 1u);
  const std::string info = test::ToolOutput("gdalinfo " + test::ShellQuote(tifs[0]));
  EXPECT_NE(info.find("Size is 60, 40"), std::string::npos) << info;
  const std::string table =
      test::ToolOutput("ogrinfo -al -so " + test::ShellQuote(folder + "/ShapeTable.shp"));
  EXPECT_NE(table.find("Feature Count: 1"), std::string::npos) << table;
  const auto roads = test::OgrRows(folder + "/_x_y.shp",
                                   "SELECT WIDTH, ST_MinX(geometry) AS X0, ST_MaxX(geometry) AS X1 "
                                   "FROM _x_y",
                                   nullptr, true);
  ASSERT_EQ(roads.size(), 1u);  // the road outside the rectangle is not there
  EXPECT_NEAR(std::stod(roads[0].at("X0")), 6.02, 1e-9);
  EXPECT_NEAR(std::stod(roads[0].at("X1")), 6.08, 1e-9);
  EXPECT_FALSE(fs::exists(folder + "/loose.shp"));
  // Every draped layer was handed the surface raster's grid (60 columns, 40 rows).
  ASSERT_FALSE(draped.empty());
  for (const auto& grid : draped) EXPECT_EQ(grid, (std::pair<LONG, LONG>{60, 40}));

  // A second of the clock is ten ticks: ten look-around points after the start.
  EXPECT_EQ(redrawsAfter - redrawsBefore, 10);
  ASSERT_GE(path.size(), 11u);
  const auto& last = path.back();
  EXPECT_NEAR(last.observer[0], 6.05, 1e-9);
  EXPECT_NEAR(last.observer[1], 0.54, 1e-9);
  const double angle =
      std::atan2(last.target[1] - 0.54, last.target[0] - 6.05) * 180 / 3.14159265358979;
  EXPECT_NEAR(angle, 50.0, 1e-6);  // the tenth point, 5 degrees a step

  EXPECT_EQ(elements, (std::vector<std::wstring>{L"observers.dome", L"observers.wireframe"}));

  ASSERT_TRUE(savedOk) << problem;
  ExpectSceneWithObserverDome(saved);
}

TEST(DDDViewer, AProjectedMapIsRefusedAndItsOldExtentGraphicRemoved) {
  ViewerHost host;
  auto tool = host.Tool();
  host.user.steps = {[](HWND select) { Press(select, IDOK); },
                     [](HWND viewer) { Press(viewer, IDCANCEL); }};
  ViewerHost::Drag(tool.get(), 200, 200, 800, 600);
  ASSERT_EQ(host.Outlines(), 1);
  host.Map()->put_SpatialReference(test::SpatialReference(32632).get());
  host.user.messages.clear();
  EXPECT_EQ(ViewerHost::Drag(tool.get(), 10, 10, 20, 20), S_OK);
  ASSERT_EQ(host.user.messages.size(), 1u);
  EXPECT_EQ(host.user.messages[0],
            L"This operation is not supported on a dataframe with a Projected Coordinate System");
  EXPECT_EQ(host.Outlines(), 0);
}

TEST(DDDViewer, ZeroSizedDragsOutsideDragsAndCancelOpenNothingOrRemoveTheGraphic) {
  ViewerHost host;
  auto tool = host.Tool();
  EXPECT_EQ(ViewerHost::Drag(tool.get(), 300, 300, 300, 500), S_OK);  // no width
  EXPECT_TRUE(host.user.messages.empty());
  EXPECT_EQ(host.Outlines(), 0);
  // Wholly outside the surface: west of the DEM.
  host.user.steps = {};
  auto t = QueryAs<ITool>(tool.get());
  ComPtr<IActiveView> view;
  host.hook.GetActiveView(view.put());
  ComPtr<IScreenDisplay> display;
  view->get_ScreenDisplay(display.put());
  ComPtr<IDisplayTransformation> transform;
  display->get_DisplayTransformation(transform.put());
  transform->put_VisibleBounds(host::NewEnvelope(5.0, 0.5, 5.1, 0.58).get());
  ViewerHost::Drag(tool.get(), 200, 200, 800, 600);
  ASSERT_EQ(host.user.messages.size(), 1u);
  EXPECT_EQ(host.user.messages[0], L"3D Viewer extent outside of surface");
  EXPECT_EQ(host.Outlines(), 0);
  // Cancel in the layer choice takes the graphic away again.
  transform->put_VisibleBounds(host::NewEnvelope(kLeft, kTop - 0.08, kLeft + 0.1, kTop).get());
  host.user.steps = {[](HWND select) { Press(select, IDCANCEL); }};
  ViewerHost::Drag(tool.get(), 200, 200, 800, 600);
  EXPECT_EQ(host.user.ends.back(), IDCANCEL);
  EXPECT_EQ(host.Outlines(), 0);
}

TEST(DDDViewer, EscDuringTheExtractionKeepsTheChoiceOpenAndTheViewerClosed) {
  ViewerHost host;
  auto tool = host.Tool();
  std::wstring status;
  host.user.steps = {
      [&](HWND select) {
        Press(select, 3518);
        host::ScriptEscape({L"Extracting data from", 1});  // Esc while the ground is cut
        Press(select, IDOK);
        status = host.Status();
        Press(select, IDCANCEL);
      },
  };
  ViewerHost::Drag(tool.get(), 200, 200, 800, 600);
  EXPECT_EQ(status, L"Operation cancelled");
  ASSERT_EQ(host.user.ends.size(), 1u);  // only the choice ran, and it ended with Cancel
  EXPECT_EQ(host.user.ends[0], IDCANCEL);
  auto& select = static_cast<DDDViewer*>(QueryAs<IDDDViewer>(tool.get()).get())->SelectDialog();
  EXPECT_TRUE(select.LastLaunchCancelled());
  // Nothing half-written: no shapefile without its parts, no clip's working files.
  for (const auto& e : fs::directory_iterator(ToUtf8(select.LastWorkFolder())))
    EXPECT_EQ(e.path().filename().string().find("~clip_"), std::string::npos);
}

TEST(DDDViewer, AnObserverOffTheSurfaceGetsItsMessageAndNoFlight) {
  ViewerHost host;
  auto tool = host.Tool();
  LONG redraws = -1;
  host.user.steps = {
      [](HWND select) {
        Press(select, 3518);
        CheckOnly(select, 3540, L"stray");
        Press(select, IDOK);
      },
      [&](HWND viewer) {
        auto view = ViewOf(viewer);
        ComPtr<ISceneViewer> sv;
        view->get_SceneViewer(sv.put());
        Press(viewer, dv::kPlay);
        win::RunFor(300);
        sv->get_RedrawCount(&redraws);
        Press(viewer, IDCANCEL);
      },
  };
  ViewerHost::Drag(tool.get(), 200, 200, 800, 600);
  ASSERT_EQ(host.user.messages.size(), 1u);
  EXPECT_EQ(host.user.messages[0],
            L"The flight path stray has nothing on the surface to fly along");
  EXPECT_EQ(redraws, 1);  // the load's redraw only: no timer ran
}

TEST(DDDViewer, ALineFlightWalksToTheEndAndBackAndTheLayoutFollowsTheWindow) {
  ViewerHost host;
  auto tool = host.Tool();
  std::vector<host::CameraRecord> path;
  int rowMoved = 0, tocGrew = 0;
  std::vector<std::wstring> afterClear;
  host.user.steps = {
      [](HWND select) {
        Press(select, 3518);
        Press(select, 3525);
        CheckOnly(select, 3540, L"track");
        Press(select, IDOK);
      },
      [&](HWND viewer) {
        auto view = ViewOf(viewer);
        Press(viewer, dv::kBuildDomes);
        Press(viewer, dv::kClearDomes);
        afterClear = GraphicNames(view.get());
        Press(viewer, dv::kPlay);
        win::RunFor(600);
        Press(viewer, dv::kPlay);
        path = host::CameraPathOf(view.get());
        // The window grows by 100 pixels each way: the table of contents and the view grow, the
        // bottom row moves down with the edge.
        RECT before{}, tocBefore{}, after{}, tocAfter{}, frame{};
        GetWindowRect(GetDlgItem(viewer, dv::kObservers), &before);
        GetWindowRect(GetDlgItem(viewer, dv::kToc), &tocBefore);
        GetWindowRect(viewer, &frame);
        SetWindowPos(viewer, nullptr, 0, 0, frame.right - frame.left + 100,
                     frame.bottom - frame.top + 100, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(GetDlgItem(viewer, dv::kObservers), &after);
        GetWindowRect(GetDlgItem(viewer, dv::kToc), &tocAfter);
        rowMoved = after.top - before.top;
        tocGrew = tocAfter.bottom - tocBefore.bottom;
        Press(viewer, IDCANCEL);
      },
  };
  ViewerHost::Drag(tool.get(), 200, 200, 800, 600);
  EXPECT_TRUE(afterClear.empty());
  EXPECT_EQ(rowMoved, 100);
  EXPECT_EQ(tocGrew, 100);
  // Six ticks after the load and the domes' redraws: the three points of the line (every half
  // of it), out to the end and back.
  ASSERT_GE(path.size(), 6u);
  std::vector<double> xs, ahead;
  for (std::size_t i = path.size() - 6; i < path.size(); ++i) {
    xs.push_back(path[i].observer[0]);
    ahead.push_back(path[i].target[0]);
  }
  const std::vector<double> expectedX = {6.03, 6.05, 6.07, 6.07, 6.05, 6.03};
  const std::vector<double> expectedAhead = {6.05, 6.07, 6.070004, 6.05, 6.03, 6.029996};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_NEAR(xs[i], expectedX[i], 1e-9) << i;
    EXPECT_NEAR(ahead[i], expectedAhead[i], 1e-9) << i;
    EXPECT_NEAR(path[path.size() - 6 + i].observer[1], 0.53, 1e-9);
  }
  // One height for the whole flight, clear of the ground under it.
  EXPECT_GT(path.back().observer[2], 200.0);
  EXPECT_EQ(path.back().observer[2], path[path.size() - 6].observer[2]);
}

}  // namespace
}  // namespace velk::corvane
