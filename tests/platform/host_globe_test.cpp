// The 3-D side of the host: the globe document's globe, display, viewer and camera; the 3-D
// vector and the packing of texture coordinates and normals into measure values; the globe
// graphics layer; and the raster objects of analyses (dataset name, analysis environment,
// collection, workspace catalog) over small GeoTIFFs made here.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/host/display/camera.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/geometry/geometry_environment.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/display/globe_graphics_layer.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/application/host_application.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer_visibility.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_analysis_environment.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/data/raster_collection.h"
#include "platform/host/data/raster_dataset_name.h"
#include "platform/host/geometry/vector3d.h"
#include "platform/host/data/workspace_objects.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using velk::test::Make;

namespace {

constexpr double kDeg = 0.017453292519943295;

// ---------------------------------------------------------------- globe document

TEST(HostGlobe, TheDocumentsGlobeHasADisplayShowingItInTheViewerWithACamera) {
  auto app = MakeApplication(HostKind::Globe);
  ComPtr<IDocument> doc;
  ASSERT_EQ(app->get_Document(doc.put()), S_OK);
  auto globeDoc = doc.Query<IGlobeDocument>();
  ComPtr<IGlobe> globe;
  ComPtr<IGlobeViewer> viewer;
  globeDoc->get_Globe(globe.put());
  globeDoc->get_Viewer(viewer.put());

  ComPtr<IGlobeDisplay> display;
  ASSERT_EQ(globe->get_GlobeDisplay(display.put()), S_OK);
  ASSERT_TRUE(display);
  ComPtr<IGlobe> shown;
  display->get_Globe(shown.put());
  EXPECT_TRUE(IsSameObject(shown.get(), globe.get()));
  ComPtr<IGlobeViewer> active;
  display->get_ActiveViewer(active.put());
  EXPECT_TRUE(IsSameObject(active.get(), viewer.get()));
  ComPtr<ICamera> camera;
  ASSERT_EQ(viewer->get_Camera(camera.put()), S_OK);
  ASSERT_TRUE(camera.As<IGlobeCamera>());
  LONG refreshes = -1;
  display->RefreshViewers();
  display->get_RefreshCount(&refreshes);
  EXPECT_EQ(refreshes, 1);

  // The globe holds graphics of its own.
  auto container = globe.Query<IGraphicsContainer>();
  ComPtr<IElement> marker = Make<IElement>(&CreateMarkerElementObject);
  EXPECT_EQ(container->AddElement(marker.get(), 0), S_OK);
  LONG count = 0;
  container->get_ElementCount(&count);
  EXPECT_EQ(count, 1);

  // The globe may outlive its document; it then has no display.
  doc.Reset();
  globeDoc.Reset();
  viewer.Reset();
  active.Reset();
  app->Shutdown();
  app.Reset();
  ComPtr<IGlobeDisplay> after;
  ASSERT_EQ(globe->get_GlobeDisplay(after.put()), S_OK);
  EXPECT_FALSE(after);
  // The display handed out earlier stays usable.
  display->get_Globe(shown.put());
  EXPECT_TRUE(IsSameObject(shown.get(), globe.get()));
}

TEST(HostGlobe, AGlobeOfNoDocumentHasNoDisplay) {
  auto globe = MakeObjectPtr<Globe, IGlobe>();
  ComPtr<IGlobeDisplay> display;
  EXPECT_EQ(globe->get_GlobeDisplay(display.put()), S_OK);
  EXPECT_FALSE(display);
  EXPECT_EQ(globe->get_GlobeDisplay(nullptr), E_POINTER);
}

struct ObserverCase {
  double lat, lon, alt;
  HRESULT hr;
};

class CameraObserver : public ::testing::TestWithParam<ObserverCase> {};

TEST_P(CameraObserver, TakesPositionsOnTheGlobeOnly) {
  auto camera = NewGlobeCamera();
  auto globe = camera.Query<IGlobeCamera>();
  const ObserverCase& c = GetParam();
  EXPECT_EQ(globe->SetObserverLatLonAlt(c.lat, c.lon, c.alt), c.hr);
  double lat = -1, lon = -1, alt = -1;
  globe->GetObserverLatLonAlt(&lat, &lon, &alt);
  if (SUCCEEDED(c.hr)) {
    EXPECT_EQ(lat, c.lat);
    EXPECT_EQ(lon, c.lon);
    EXPECT_EQ(alt, c.alt);
  } else {  // unchanged
    EXPECT_EQ(lat, 0.0);
    EXPECT_EQ(lon, 0.0);
    EXPECT_EQ(alt, kDefaultObserverAltitude);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CameraObserver,
                         ::testing::Values(ObserverCase{41.9, 12.5, 3.0, S_OK},
                                           ObserverCase{-90, 180, 0, S_OK},
                                           ObserverCase{90.5, 0, 1, E_INVALIDARG},
                                           ObserverCase{0, -180.1, 1, E_INVALIDARG},
                                           ObserverCase{0, 0, -0.5, E_INVALIDARG},
                                           ObserverCase{NAN, 0, 1, E_INVALIDARG}));

TEST(HostGlobe, TheCameraObserverAsAPoint) {
  auto camera = NewGlobeCamera();
  auto p = NewPoint(-71.06, 42.36);
  p->put_Z(12.0);
  ASSERT_EQ(camera->put_Observer(p.get()), S_OK);
  double lat = 0, lon = 0, alt = 0;
  camera.Query<IGlobeCamera>()->GetObserverLatLonAlt(&lat, &lon, &alt);
  EXPECT_EQ(lat, 42.36);
  EXPECT_EQ(lon, -71.06);
  EXPECT_EQ(alt, 12.0);
  ComPtr<IPoint> back;
  ASSERT_EQ(camera->get_Observer(back.put()), S_OK);
  double x = 0, y = 0, z = 0;
  back->QueryCoords(&x, &y);
  back->get_Z(&z);
  EXPECT_EQ(x, -71.06);
  EXPECT_EQ(y, 42.36);
  EXPECT_EQ(z, 12.0);
  EXPECT_EQ(camera->put_Observer(NewPoint().get()), E_INVALIDARG);  // an empty point
  EXPECT_EQ(camera->put_Observer(nullptr), E_POINTER);
}

// ---------------------------------------------------------------- vector and packing

struct PolarCase {
  double azimuthDeg, inclinationDeg, magnitude;
  double x, y, z;
};

class VectorPolar : public ::testing::TestWithParam<PolarCase> {};

TEST_P(VectorPolar, AzimuthFromNorthClockwiseInclinationUpwards) {
  const PolarCase& c = GetParam();
  auto v = Make<IVector3D>(&CreateVector3DObject);
  ASSERT_EQ(v->PolarSet(c.azimuthDeg * kDeg, c.inclinationDeg * kDeg, c.magnitude), S_OK);
  double x = 0, y = 0, z = 0, m = 0;
  v->QueryComponents(&x, &y, &z);
  EXPECT_NEAR(x, c.x, 1e-9);
  EXPECT_NEAR(y, c.y, 1e-9);
  EXPECT_NEAR(z, c.z, 1e-9);
  v->get_Magnitude(&m);
  EXPECT_NEAR(m, c.magnitude, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VectorPolar,
    ::testing::Values(PolarCase{0, 0, 10, 0, 10, 0}, PolarCase{90, 0, 10, 10, 0, 0},
                      PolarCase{180, 0, 2, 0, -2, 0}, PolarCase{0, 90, 5, 0, 0, 5},
                      PolarCase{45, -30, 4, 4 * std::cos(30 * kDeg) * std::sqrt(0.5),
                                4 * std::cos(30 * kDeg) * std::sqrt(0.5), -2}));

TEST(HostGlobe, NormalizingTheZeroVectorFailsAndLeavesIt) {
  auto v = NewVector3D(0, 0, 0);
  EXPECT_EQ(v->Normalize(), E_FAIL);
  v->PutComponents(3, 0, 4);
  ASSERT_EQ(v->Normalize(), S_OK);
  double x = 0, y = 0, z = 0;
  v->QueryComponents(&x, &y, &z);
  EXPECT_DOUBLE_EQ(x, 0.6);
  EXPECT_DOUBLE_EQ(z, 0.8);
  EXPECT_EQ(v->put_XComponent(NAN), E_INVALIDARG);
}

class PackedNormals : public ::testing::TestWithParam<std::array<double, 3>> {};

TEST_P(PackedNormals, TextureAndNormalShareAMeasureAndComeBack) {
  auto packing = Make<IMeasurePacking>(&CreateGeometryEnvironmentObject);
  auto [nx, ny, nz] = GetParam();
  double m = 0.0;
  ASSERT_EQ(packing->PackTexture(0.25, 1.5, &m), S_OK);
  auto normal = NewVector3D(nx, ny, nz);
  ASSERT_EQ(packing->PackNormal(normal.get(), &m), S_OK);
  EXPECT_EQ(m, std::floor(m));
  EXPECT_LT(m, 4503599627370496.0);  // a whole number a double holds exactly
  double u = 0, v = 0;
  packing->UnpackTexture(m, &u, &v);
  EXPECT_EQ(u, 0.25);
  EXPECT_EQ(v, 1.5);
  auto back = NewVector3D(0, 0, 0);
  ASSERT_EQ(packing->UnpackNormal(m, back.get()), S_OK);
  double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  double x = 0, y = 0, z = 0;
  back->QueryComponents(&x, &y, &z);
  EXPECT_NEAR(x, nx / len, 2e-3);
  EXPECT_NEAR(y, ny / len, 2e-3);
  EXPECT_NEAR(z, nz / len, 2e-3);
  EXPECT_NEAR(x * x + y * y + z * z, 1.0, 1e-12);
  // The packed vector itself is not changed.
  double ox = 0, oy = 0, oz = 0;
  normal->QueryComponents(&ox, &oy, &oz);
  EXPECT_EQ(ox, nx);
  // Packing the texture again keeps the normal.
  ASSERT_EQ(packing->PackTexture(-1.0, 0.0, &m), S_OK);
  packing->UnpackTexture(m, &u, &v);
  EXPECT_EQ(u, -1.0);
  EXPECT_EQ(packing->UnpackNormal(m, back.get()), S_OK);
  back->QueryComponents(&x, &y, &z);
  EXPECT_NEAR(z, nz / len, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(Table, PackedNormals,
                         ::testing::Values(std::array<double, 3>{0, 0, 1},
                                           std::array<double, 3>{0, 0, -7},
                                           std::array<double, 3>{1, 0, 0},
                                           std::array<double, 3>{0.3, -0.4, 0.2},
                                           std::array<double, 3>{-5, -5, -0.01}));

TEST(HostGlobe, PackedNormalsKeepTheirDirectionAllRoundTheSphere) {
  auto packing = Make<IMeasurePacking>(&CreateGeometryEnvironmentObject);
  auto v = NewVector3D(0, 0, 1);
  auto back = NewVector3D(0, 0, 0);
  double worst = 0;
  for (int az = 0; az < 360; az += 7)
    for (int el = -90; el <= 90; el += 3) {
      v->PolarSet(az * kDeg, el * kDeg, 1.0);
      double m = 0;
      ASSERT_EQ(packing->PackNormal(v.get(), &m), S_OK);
      ASSERT_EQ(packing->UnpackNormal(m, back.get()), S_OK);
      double x, y, z, bx, by, bz;
      v->QueryComponents(&x, &y, &z);
      back->QueryComponents(&bx, &by, &bz);
      worst = std::max(worst, std::acos(std::min(1.0, x * bx + y * by + z * bz)));
    }
  EXPECT_LT(worst, 1.5e-3);  // radians
}

TEST(HostGlobe, PackingRefusesWhatAMeasureCannotHold) {
  auto packing = Make<IMeasurePacking>(&CreateGeometryEnvironmentObject);
  double m = 12345.0;
  EXPECT_EQ(packing->PackTexture(4.0, 0.0, &m), E_INVALIDARG);
  EXPECT_EQ(packing->PackTexture(0.0, NAN, &m), E_INVALIDARG);
  EXPECT_EQ(packing->PackNormal(NewVector3D(0, 0, 0).get(), &m), E_INVALIDARG);
  EXPECT_EQ(m, 12345.0);  // unchanged by the refusals
  EXPECT_EQ(packing->PackTexture(0, 0, nullptr), E_POINTER);
  // A measure holding no normal says so; one that is no packed value counts as nothing packed.
  auto back = NewVector3D(1, 1, 1);
  EXPECT_EQ(packing->UnpackNormal(0.0, back.get()), S_FALSE);
  double m2 = 3.75;  // an ordinary measure
  ASSERT_EQ(packing->PackTexture(0.5, 0.5, &m2), S_OK);
  EXPECT_EQ(packing->UnpackNormal(m2, back.get()), S_FALSE);
}

// ---------------------------------------------------------------- globe graphics layer

TEST(HostGlobe, GraphicsLayerHidingStepsAndSelection) {
  auto layer = Make<ILayer>(&CreateGlobeGraphicsLayerObject);
  auto graphics = layer.Query<IGraphicsContainer>();
  auto selection = layer.Query<IGraphicsSelection>();
  auto a = Make<IElement>(&CreateMarkerElementObject);
  auto b = Make<IElement>(&CreateLineElementObject);
  graphics->AddElement(a.get(), 0);
  graphics->AddElement(b.get(), 0);
  EXPECT_EQ(selection->SelectElement(a.get()), S_OK);
  EXPECT_EQ(selection->SelectElement(a.get()), S_FALSE);
  EXPECT_EQ(selection->SelectElement(Make<IElement>(&CreateMarkerElementObject).get()),
            E_INVALIDARG);
  EXPECT_EQ(selection->SelectElement(b.get()), S_OK);
  LONG n = 0;
  selection->get_SelectedCount(&n);
  EXPECT_EQ(n, 2);
  graphics->DeleteElement(b.get());  // a deleted element leaves the selection
  selection->get_SelectedCount(&n);
  EXPECT_EQ(n, 1);
  layer.Query<IGraphicsVisibility>()->UnselectAllElements();
  selection->get_SelectedCount(&n);
  EXPECT_EQ(n, 0);

  // The layer's visibility is its scene visibility; deactivated it stops drawing until shown.
  auto scene = layer.Query<ISceneVisibility>();
  VARIANT_BOOL active = VARIANT_FALSE;
  layer.Query<IGraphicsLayer>()->get_Active(&active);
  EXPECT_EQ(active, VARIANT_TRUE);
  scene->Deactivate();
  scene->put_SceneVisible(VARIANT_FALSE);
  layer.Query<IGraphicsLayer>()->get_Active(&active);
  EXPECT_EQ(active, VARIANT_FALSE);
  VARIANT_BOOL visible = VARIANT_TRUE;
  layer->get_Visible(&visible);
  EXPECT_EQ(visible, VARIANT_FALSE);
  layer->put_Visible(VARIANT_TRUE);
  layer.Query<IGraphicsLayer>()->get_Active(&active);
  EXPECT_EQ(active, VARIANT_TRUE);
}

// ---------------------------------------------------------------- raster objects

struct RasterFolder {
  test::ScratchDir dir;
  ComPtr<IWorkspace> workspace;
  // Three 8 x 6 cells side by side from longitude 6: a.tif, b.tif, c.tif.
  RasterFolder() {
    for (int i = 0; i < 3; ++i) {
      test::DemSpec spec;
      spec.originX = 6.0 + i;
      spec.cellX = spec.cellY = 0.125;
      EXPECT_TRUE(
          test::MakeGeoTiffDem(dir / (std::string(1, static_cast<char>('a' + i)) + ".tif"), spec));
    }
    workspace = test::OpenWorkspace(test::RasterFactory().get(), dir.path());
  }
};

TEST(HostRasters, RasterDatasetNameOpensItsRasterAndKeepsItsKind) {
  RasterFolder folder;
  auto wsName = Make<IWorkspaceName>(&CreateWorkspaceNameObject);
  wsName->put_PathName(Bstr(folder.dir.wpath()));
  wsName->put_WorkspaceFactoryProgID(Bstr(kRasterWorkspaceFactoryProgId));
  auto name = Make<IDatasetName>(&CreateRasterDatasetNameObject);
  name->putref_WorkspaceName(wsName.get());
  name->put_Name(Bstr(L"b.tif"));
  EXPECT_EQ(name->put_Type(kDatasetFeatureClass), E_INVALIDARG);
  LONG type = 0;
  name->get_Type(&type);
  EXPECT_EQ(type, kDatasetRasterDataset);
  ComPtr<IUnknown> opened;
  ASSERT_EQ(name.Query<IName>()->Open(opened.put()), S_OK);
  auto dataset = QueryAs<IRasterDataset>(opened.get());
  ASSERT_TRUE(dataset);
  Bstr path;
  dataset->get_CompleteName(&path);
  EXPECT_EQ(path.str(), FromUtf8(folder.dir / "b.tif"));
  name->put_Name(Bstr(L"missing.tif"));
  EXPECT_TRUE(FAILED(name.Query<IName>()->Open(opened.put())));
  auto alone = Make<IName>(&CreateRasterDatasetNameObject);
  EXPECT_EQ(alone->Open(opened.put()), E_POINTER);  // no workspace name
}

TEST(HostRasters, NewAnalysisEnvironmentsStartFromTheDefault) {
  ResetDefaultRasterAnalysisEnvironment();
  RasterFolder folder;
  auto env = Make<IRasterAnalysisEnvironment>(&CreateRasterAnalysisObject);
  LONG kind = 0;
  double size = -1;
  env->GetCellSize(&kind, &size);
  EXPECT_EQ(kind, kCellSizeMaxOfInputs);
  ComPtr<IUnknown> extent;
  env->GetExtent(&kind, extent.put());
  EXPECT_EQ(kind, kExtentIntersectionOfInputs);
  EXPECT_FALSE(extent);

  env->putref_OutWorkspace(folder.workspace.get());
  Variant cell(0.5);
  ASSERT_EQ(env->SetCellSize(kCellSizeValue, &cell), S_OK);
  Variant area(NewEnvelope(6, 0, 7, 1).As<IUnknown>().get());
  ASSERT_EQ(env->SetExtent(kExtentValue, &area, nullptr), S_OK);
  ASSERT_EQ(env->SetAsNewDefaultEnvironment(), S_OK);

  auto fresh = Make<IRasterAnalysisEnvironment>(&CreateRasterAnalysisObject);
  ComPtr<IWorkspace> ws;
  fresh->get_OutWorkspace(ws.put());
  EXPECT_TRUE(IsSameObject(ws.get(), folder.workspace.get()));
  fresh->GetCellSize(&kind, &size);
  EXPECT_EQ(kind, kCellSizeValue);
  EXPECT_EQ(size, 0.5);
  // VT_BOOL true stands for the default's envelope.
  auto other = Make<IRasterAnalysisEnvironment>(&CreateRasterAnalysisObject);
  Variant yes(true);
  ASSERT_EQ(other->SetExtent(kExtentValue, &yes, nullptr), S_OK);
  other->GetExtent(&kind, extent.put());
  ASSERT_TRUE(QueryAs<IEnvelope>(extent.get()));
  double x0, y0, x1, y1;
  QueryAs<IEnvelope>(extent.get())->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 6.0);
  EXPECT_EQ(x1, 7.0);
  EXPECT_EQ(other->Validate(), S_OK);
  folder.workspace.Reset();
  ws.Reset();
  ResetDefaultRasterAnalysisEnvironment();
}

struct SettingCase {
  const char* what;
  LONG kind;
  Variant value;
  HRESULT hr;
};

TEST(HostRasters, AnalysisSettingsRefuseWhatCannotRun) {
  ResetDefaultRasterAnalysisEnvironment();
  auto env = Make<IRasterAnalysisEnvironment>(&CreateRasterAnalysisObject);
  const SettingCase cells[] = {
      {"size 2", kCellSizeValue, Variant(2.0), S_OK},
      {"size 0", kCellSizeValue, Variant(0.0), E_INVALIDARG},
      {"size as text", kCellSizeValue, Variant(L"3"), S_OK},
      {"not a number", kCellSizeValue, Variant(L"wide"), E_INVALIDARG},
      {"min of inputs", kCellSizeMinOfInputs, Variant(), S_OK},
      {"unknown kind", 7, Variant(1.0), E_INVALIDARG},
  };
  for (auto c : cells) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(env->SetCellSize(c.kind, &c.value), c.hr);
  }
  LONG kind = 0;
  double size = 0;
  env->GetCellSize(&kind, &size);
  EXPECT_EQ(kind, kCellSizeMinOfInputs);

  const SettingCase extents[] = {
      {"no default envelope", kExtentValue, Variant(true), E_INVALIDARG},
      {"false", kExtentValue, Variant(false), E_INVALIDARG},
      {"empty envelope", kExtentValue, Variant(NewEnvelope().As<IUnknown>().get()), E_INVALIDARG},
      {"a polygon's envelope", kExtentValue, Variant(NewEnvelope(1, 2, 3, 4).As<IUnknown>().get()),
       S_OK},
      {"union", kExtentUnionOfInputs, Variant(), S_OK},
  };
  for (auto c : extents) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(env->SetExtent(c.kind, &c.value, nullptr), c.hr);
  }
  Variant snap(NewEnvelope(0, 0, 1, 1).As<IUnknown>().get());
  Variant none;
  EXPECT_EQ(env->SetExtent(kExtentIntersectionOfInputs, &none, &snap), E_INVALIDARG);

  // An output workspace that has gone does not validate.
  {
    test::ScratchDir gone;
    auto ws = test::OpenWorkspace(test::RasterFactory().get(), gone.path());
    env->putref_OutWorkspace(ws.get());
    EXPECT_EQ(env->Validate(), S_OK);
  }
  EXPECT_EQ(env->Validate(), E_FAIL);
}

TEST(HostRasters, CollectionAndWorkspaceCatalog) {
  RasterFolder folder;
  auto catalog = Make<IRasterCatalog>(&CreateWorkspaceRasterCatalogObject);
  ComPtr<IEnumDataset> none;
  EXPECT_EQ(catalog->get_RasterDatasets(none.put()), E_POINTER);  // no workspace yet
  auto setup = catalog.Query<IWorkspaceRasterCatalog>();
  setup->putref_Workspace(folder.workspace.get());
  EXPECT_EQ(setup->SelectDataset(Bstr(L"c.tif")), S_OK);
  EXPECT_EQ(setup->SelectDataset(Bstr(L"a.tif")), S_OK);
  EXPECT_EQ(setup->SelectDataset(Bstr(L"c.tif")), S_FALSE);
  EXPECT_EQ(setup->SelectDataset(Bstr(L"d.tif")), E_INVALIDARG);
  LONG n = 0;
  catalog->get_SelectedCount(&n);
  ASSERT_EQ(n, 2);
  Bstr first;
  catalog->get_SelectedName(0, &first);
  EXPECT_EQ(first.str(), L"c.tif");
  EXPECT_EQ(catalog->get_SelectedName(2, &first), E_INVALIDARG);

  auto collection = Make<IRasterCollection>(&CreateRasterCollectionObject);
  ComPtr<IEnumDataset> datasets;
  ASSERT_EQ(catalog->get_RasterDatasets(datasets.put()), S_OK);
  ComPtr<IDataset> d;
  while (datasets->Next(d.put()) == S_OK) {
    ComPtr<IRaster> r;
    d.Query<IRasterDataset>()->CreateDefaultRaster(r.put());
    collection->Append(r.get());
  }
  collection->get_RasterCount(&n);
  EXPECT_EQ(n, 3);
  ComPtr<IRaster> r;
  EXPECT_EQ(collection->get_Raster(3, r.put()), E_INVALIDARG);
  EXPECT_EQ(collection->Append(nullptr), E_POINTER);
  ComPtr<IEnvelope> extent;
  collection->get_Extent(extent.put());
  EXPECT_FALSE(extent);
  EXPECT_EQ(collection->putref_Extent(NewEnvelope().get()), E_INVALIDARG);
  auto area = NewEnvelope(6.5, 0.5, 7.5, 0.75);
  ASSERT_EQ(collection->putref_Extent(area.get()), S_OK);
  area->PutCoords(0, 0, 1, 1);  // the collection kept a copy
  collection->get_Extent(extent.put());
  double x0 = 0, y0, x1, y1;
  extent->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 6.5);
}

}  // namespace
