// Threat domes in a running globe host over a ridge made in code: the dome's rays end where the
// surface's own line of sight says, its parts and packed measures, the shapefiles and layers it
// writes, and the run from an observer layer or new observers, with its names, refusals and Esc.
#include "terrain/threat_dome/threat_dome_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>

#include "framework/host_object_creation.h"
#include "framework/scratch_folder.h"
#include "framework/surface_lookup.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_environment.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe_layer_kind.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/property_set.h"
#include "platform/host/data/raster.h"
#include "platform/host/shell/status_bar.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/geometry/vector3d.h"
#include "platform/host/data/workspace.h"
#include "terrain/linear_los/los_results.h"
#include "terrain/threat_dome/threat_dome.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/terrain/terrain_doubles.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// A north-south ridge 120 m above a gentle plain, 30 m cells, UTM zone 31 north (9 km a side).
test::DemSpec RidgeSpec() {
  test::DemSpec spec;
  spec.columns = spec.rows = 300;
  spec.originX = 500000;
  spec.originY = 4000000;
  spec.cellX = spec.cellY = 30;
  spec.epsg = 32631;
  spec.value = [](int c, int r) {
    return 200.0 + 0.1 * r + 120.0 * std::exp(-std::pow((c - 150) / 5.0, 2));
  };
  return spec;
}

struct Globe {
  test::HostSessionFixture fixture{host::HostKind::Globe};
  CHookImpl<Globe> hook;
  ScratchDir dir;
  ComPtr<ILayer> dem;

  Globe() {
    hook.SetHook(fixture.Session().Hook());
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "ridge.tif", RidgeSpec()));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(dir / "ridge.tif"))), S_OK);
    dem = raster.Query<ILayer>();
    dem->put_Name(Bstr(L"Ridge"));
    Map()->AddLayer(dem.get());
    ComPtr<IZelSettings> s;
    fixture.Zel()->get_Settings(s.put());
    s.As<ITerrainSettings>()->put_TerrainUseCurveRefraction(VARIANT_FALSE);
  }
  ComPtr<IBasicMap> Map() {
    ComPtr<IBasicMap> map;
    hook.GetBasicFocusMap(map.put());
    return map;
  }
  std::wstring Status() { return StatusText(hook); }
  // A point layer with the observer fields RADIUS2 and OFFSETA at UTM places.
  // With spot, the field SPOT holds it.
  ComPtr<ILayer> Observers(const std::vector<std::pair<double, double>>& places, double radius2,
                           const std::wstring& file = L"observers",
                           std::optional<double> spot = std::nullopt) {
    std::vector<ShapefileField> fields{{L"RADIUS2", 3, 16, 14, 6}, {L"OFFSETA", 3, 12, 8, 4}};
    if (spot) fields.push_back({L"SPOT", 3, 16, 14, 6});
    auto fc = CreateShapefileClass(FromUtf8(dir.path()), file + L".shp", kGeometryPoint,
                                   test::SpatialReference(32631).get(), false, false, fields);
    EXPECT_TRUE(fc);
    LONG radiusField = -1, offsetField = -1, spotField = -1;
    fc->FindField(Bstr(L"RADIUS2"), &radiusField);
    fc->FindField(Bstr(L"OFFSETA"), &offsetField);
    fc->FindField(Bstr(L"SPOT"), &spotField);
    for (auto [x, y] : places) {
      ComPtr<IFeature> f;
      Check(fc->CreateFeature(f.put()));
      Check(f->putref_Shape(
          host::NewPoint(x, y, test::SpatialReference(32631).get()).As<IGeometry>().get()));
      Check(f->put_Value(radiusField, Variant(radius2)));
      Check(f->put_Value(offsetField, Variant(10.0)));
      if (spot) Check(f->put_Value(spotField, Variant(*spot)));
      Check(f->Store());
    }
    auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    Check(layer->putref_FeatureClass(fc.get()));
    auto general = layer.As<ILayer>();
    general->put_Name(Bstr(file));
    Map()->AddLayer(general.get());
    return general;
  }
};

LONG Count(IUnknown* geometry) {
  LONG n = 0;
  RequireInterface<IGeometryCollection>(geometry)->get_GeometryCount(&n);
  return n;
}

LONG PointsOfPart(IUnknown* geometry, LONG part) {
  ComPtr<IGeometry> g;
  RequireInterface<IGeometryCollection>(geometry)->get_Geometry(part, g.put());
  LONG n = 0;
  RequireInterface<IPointCollection>(g.get())->get_PointCount(&n);
  return n;
}

TEST(ThreatDome, RaysEndWhereTheSurfaceLineOfSightSaysAndTheCentreStaysAsItWas) {
  Globe globe;
  auto surface = GetSurfaceFromLayer(globe.dem.get());
  ASSERT_TRUE(surface);
  ComPtr<ISpatialReference> sr;
  surface->get_SpatialReference(sr.put());
  auto centre = host::NewPoint(503000, 3995500, sr.get());
  double ground = 0;
  surface->GetElevation(centre.get(), &ground);
  centre->put_ZAware(VARIANT_TRUE);
  centre->put_Z(ground + 10);
  centre->put_M(7.0);

  CThreatDome dome(10.0, 10.0);
  dome.BuildThreatDomeGeometry(centre.get(), 2500.0, surface.get());
  ASSERT_TRUE(dome.Error().empty()) << dome.Error();
  ASSERT_TRUE(dome.Dome());
  double x, y, z, m;
  centre->QueryCoords(&x, &y);
  centre->get_Z(&z);
  centre->get_M(&m);
  EXPECT_EQ(x, 503000);
  EXPECT_EQ(z, ground + 10);
  EXPECT_EQ(m, 7.0);

  int open = 0, blocked = 0;
  for (int i = 0; i <= 36; ++i)
    for (int j = 1; j < 18; ++j) {  // the vertical rays have no line to ask about
      const double az = i * 10.0, el = (j - 9) * 10.0;
      const DomePoint& p = *dome.Grid().At(i, j);
      const DomePoint target = DomeRayTarget({503000, 3995500, ground + 10, 0}, 2500.0, az, el);
      auto end = host::NewPoint(target.x, target.y, sr.get());
      end->put_ZAware(VARIANT_TRUE);
      end->put_Z(target.z);
      ComPtr<IPoint> obstruction;
      VARIANT_BOOL visible = VARIANT_FALSE;
      ASSERT_EQ(surface->GetLineOfSight(centre.get(), end.get(), obstruction.put(), nullptr,
                                        nullptr, &visible, VARIANT_FALSE, VARIANT_FALSE, nullptr),
                S_OK);
      double ox = x, oy = y, oz = ground + 10;
      if (visible) {
        ++open;
        ox = target.x, oy = target.y, oz = target.z;
        EXPECT_NEAR(std::hypot(p.x - x, p.y - y, p.z - (ground + 10)), 2500.0, 1e-6);
      } else if (obstruction) {
        ++blocked;
        obstruction->QueryCoords(&ox, &oy);
        obstruction->get_Z(&oz);
      }
      EXPECT_NEAR(p.x, ox, 1e-6) << az << " " << el;
      EXPECT_NEAR(p.y, oy, 1e-6) << az << " " << el;
      EXPECT_NEAR(p.z, oz, 1e-6) << az << " " << el;
    }
  EXPECT_GT(open, 100);
  EXPECT_GT(blocked, 10);
  // Level and due east the ridge (x 504450-504600) stops the ray.
  EXPECT_NEAR(dome.Grid().At(9, 9)->x, 504500, 150);
  // The point-by-point path through the surface gives the same points.
  for (auto [i, j] : {std::pair{9, 9}, std::pair{27, 9}, std::pair{3, 12}, std::pair{0, 4}}) {
    auto p = dome.ComputeDomePoint(centre.get(), 2500.0, i * 10.0, (j - 9) * 10.0);
    double px, py, pz;
    p->QueryCoords(&px, &py);
    p->get_Z(&pz);
    EXPECT_NEAR(px, dome.Grid().At(i, j)->x, 1e-6);
    EXPECT_NEAR(pz, dome.Grid().At(i, j)->z, 1e-6);
  }

  // 36 strips of 38 points and the fan of 38; 36 meridians of 19 and 19 rings of 37.
  ASSERT_EQ(Count(dome.Dome()), 37);
  for (LONG i = 0; i < 36; ++i) EXPECT_EQ(PointsOfPart(dome.Dome(), i), 38);
  EXPECT_EQ(PointsOfPart(dome.Dome(), 36), 38);
  ASSERT_EQ(Count(dome.Wireframe()), 36 + 19);
  for (LONG i = 0; i < 36; ++i) EXPECT_EQ(PointsOfPart(dome.Wireframe(), i), 19);
  for (LONG i = 36; i < 55; ++i) EXPECT_EQ(PointsOfPart(dome.Wireframe(), i), 37);
  // A vertex's measure holds its texture coordinates and the ray's direction.
  ComPtr<IPoint> vertex;
  RequireInterface<IPointCollection>(dome.Wireframe())->get_Point(3 * 19 + 12, vertex.put());
  double vm = 0;
  vertex->get_M(&vm);
  auto packing = CreateHostObject<IMeasurePacking>(host::CLSID_GeometryEnvironment);
  double u = 0, v = 0;
  packing->UnpackTexture(vm, &u, &v);
  EXPECT_NEAR(u, 30.0 / 360.0, 1e-3);
  EXPECT_NEAR(v, 60.0 / 90.0, 1e-3);
  auto normal = host::NewVector3D(0, 0, 0);
  packing->UnpackNormal(vm, normal.get());
  double nx, ny, nz;
  normal->QueryComponents(&nx, &ny, &nz);
  EXPECT_NEAR(nz, std::sin(30 * 0.017453292519943295), 0.01);
  EXPECT_NEAR(nx, std::cos(30 * 0.017453292519943295) * std::sin(30 * 0.017453292519943295), 0.01);
}

TEST(ThreatDome, WritingTwiceAppendsAFeatureAndAddsNoLayer) {
  Globe globe;
  auto surface = GetSurfaceFromLayer(globe.dem.get());
  ComPtr<ISpatialReference> sr;
  surface->get_SpatialReference(sr.put());
  auto centre = host::NewPoint(502000, 3996000, sr.get());
  centre->put_ZAware(VARIANT_TRUE);
  centre->put_Z(400);
  CThreatDome dome(10.0, 10.0);
  dome.BuildThreatDomeGeometry(centre.get(), 1500.0, surface.get());
  auto group = CreateHostObject<ILayer>(host::CLSID_GroupLayer);
  ScratchDir out;
  ASSERT_EQ(dome.WriteThreatDomeOutput(group.get(), L"", out.wpath()), S_OK);
  ASSERT_EQ(dome.WriteThreatDomeOutput(group.get(), L"", out.wpath()), S_OK);
  LONG members = 0;
  RequireInterface<ICompositeLayer>(group.get())->get_Count(&members);
  EXPECT_EQ(members, 2);
  ComPtr<ILayer> first;
  RequireInterface<ICompositeLayer>(group.get())->get_Layer(0, first.put());
  Bstr name;
  first->get_Name(&name);
  EXPECT_EQ(name.str(), L"Wireframe");
  for (const char* file : {"Dome.shp", "Wireframe.shp"}) {
    const std::string info =
        test::ToolOutput("ogrinfo -ro -so -al " + test::ShellQuote(out / file));
    EXPECT_NE(info.find("Feature Count: 2"), std::string::npos) << file << info;
  }
  // Nothing built, nothing written; no target, nothing written.
  CThreatDome empty(10.0, 10.0);
  EXPECT_EQ(empty.WriteThreatDomeOutput(group.get(), L"", out.wpath()), S_FALSE);
  EXPECT_EQ(dome.WriteThreatDomeOutput(nullptr, L"", out.wpath()), S_FALSE);
}

TEST(ThreatDome, RefusedStepsAndRadiiBuildNothing) {
  Globe globe;
  auto surface = GetSurfaceFromLayer(globe.dem.get());
  ComPtr<ISpatialReference> sr;
  surface->get_SpatialReference(sr.put());
  auto centre = host::NewPoint(502000, 3996000, sr.get());
  for (auto [step, radius] : {std::pair{0.0, 100.0}, std::pair{-5.0, 100.0}, std::pair{10.0, 0.0},
                              std::pair{10.0, -1.0}}) {
    CThreatDome dome(step, step);
    dome.BuildThreatDomeGeometry(centre.get(), radius, surface.get());
    EXPECT_FALSE(dome.Dome()) << step << " " << radius;
    EXPECT_FALSE(dome.Error().empty());
  }
  // No centre, no surface, no spatial reference: nothing, and nothing said.
  CThreatDome dome(10.0, 10.0);
  dome.BuildThreatDomeGeometry(nullptr, 100.0, surface.get());
  dome.BuildThreatDomeGeometry(centre.get(), 100.0, nullptr);
  dome.BuildThreatDomeGeometry(host::NewPoint(1, 2).get(), 100.0, surface.get());
  EXPECT_FALSE(dome.Dome());
  EXPECT_TRUE(dome.Error().empty());
}

// The dome's colour: red with its second value 80; the wireframe's 0x4100C2, opaque.
TEST(ThreatDome, ColoursCarryTheirValues) {
  Globe globe;
  CThreatDome dome(10.0, 10.0);
  LONG rgb = 0, second = -1;
  ASSERT_NE(dome.DomeColour(), nullptr);
  EXPECT_EQ(dome.DomeColour()->get_RGB(&rgb), S_OK);
  EXPECT_EQ(dome.DomeColour()->get_Transparency(&second), S_OK);
  EXPECT_EQ(rgb, 255);
  EXPECT_EQ(second, 80);
  ASSERT_NE(dome.WireframeColour(), nullptr);
  dome.WireframeColour()->get_RGB(&rgb);
  dome.WireframeColour()->get_Transparency(&second);
  EXPECT_EQ(rgb, 0x4100C2);
  EXPECT_EQ(second, 0);
  // A second value outside 0-255 is refused and changes nothing.
  EXPECT_EQ(dome.DomeColour()->put_Transparency(256), E_INVALIDARG);
  EXPECT_EQ(dome.DomeColour()->put_Transparency(-1), E_INVALIDARG);
  dome.DomeColour()->get_Transparency(&second);
  EXPECT_EQ(second, 80);
}

TEST(ThreatDome, SurfaceLayersOfAKind) {
  Globe globe;
  EXPECT_FALSE(IsSurfaceLayerOfKind(nullptr, 1));
  EXPECT_FALSE(IsSurfaceLayerOfKind(globe.dem.get(), 1));
  auto kind = CreateHostObject<IGlobeLayerKind>(host::CLSID_GlobeLayerKind);
  kind->put_Kind(kGlobeLayerElevation);
  RequireInterface<ILayerExtensions>(globe.dem.get())->AddExtension(kind.get());
  EXPECT_TRUE(IsSurfaceLayerOfKind(globe.dem.get(), 1));
  EXPECT_FALSE(IsSurfaceLayerOfKind(globe.dem.get(), 0));
}

TEST(ThreatDomeRun, ThreeObserversMakeOneGroupAndTheNextRunTheNextName) {
  Globe globe;
  ThreatDomeRunParameters p;
  p.baseLayer = globe.dem;
  p.observerLayer =
      globe.Observers({{502000, 3995500}, {503000, 3996500}, {502500, 3994500}}, -2000);
  const auto first = RunThreatDome(globe.hook, p);
  ASSERT_TRUE(first.done) << (first.messages.empty() ? 0 : first.messages[0].textId);
  EXPECT_EQ(first.domes, 3u);
  EXPECT_EQ(first.groupName, L"Threat Dome of Ridge");
  EXPECT_EQ(globe.Status(), L"Done");
  const fs::path folder = ToUtf8(first.workFolder);
  EXPECT_EQ(folder.parent_path().filename(), "ThreatDome");
  EXPECT_EQ(folder.filename().string().rfind("tdm", 0), 0u);
  for (const char* file : {"Dome.shp", "Wireframe.shp"}) {
    const std::string info =
        test::ToolOutput("ogrinfo -ro -so -al " + test::ShellQuote((folder / file).string()));
    EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
  }
  LONG layers = 0;
  globe.Map()->get_LayerCount(&layers);
  ComPtr<ILayer> top;
  globe.Map()->get_Layer(0, top.put());
  EXPECT_EQ(top.get(), first.group.get());

  const auto second = RunThreatDome(globe.hook, p);
  ASSERT_TRUE(second.done);
  EXPECT_EQ(second.groupName, L"Threat Dome 2 of Ridge");
  EXPECT_NE(second.workFolder, first.workFolder);
  const auto third = RunThreatDome(globe.hook, p);
  EXPECT_EQ(third.groupName, L"Threat Dome 3 of Ridge");
}

// The height of the dome's centre (its fan's first point) of feature fid in the run's folder.
double CentreHeight(const std::wstring& folder, LONG fid) {
  auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
  Check(props->SetProperty(Bstr(L"DATABASE"), Variant(Bstr(folder))));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  Check(factory->Open(props.get(), nullptr, ws.put()));
  ComPtr<IFeatureClass> fc;
  Check(RequireInterface<IFeatureWorkspace>(ws.get())->OpenFeatureClass(Bstr(L"Dome"), fc.put()));
  ComPtr<IFeature> f;
  Check(fc->GetFeature(fid, f.put()));
  ComPtr<IGeometry> shape;
  f->get_Shape(shape.put());
  ComPtr<IGeometry> fan;
  Check(RequireInterface<IGeometryCollection>(shape.get())->get_Geometry(36, fan.put()));
  ComPtr<IPoint> centre;
  Check(RequireInterface<IPointCollection>(fan.get())->get_Point(0, centre.put()));
  double z = 0;
  centre->get_Z(&z);
  return z;
}

TEST(ThreatDomeRun, ObserversStandOnTheGroundOrAtTheirSpot) {
  Globe globe;
  auto surface = GetSurfaceFromLayer(globe.dem.get());
  ThreatDomeRunParameters p;
  p.baseLayer = globe.dem;
  // Without SPOT: 10 m above the ground (the prepared grid's, close to the DEM's).
  p.observerLayer = globe.Observers({{502000, 3995500}}, 1000, L"relative");
  auto out = RunThreatDome(globe.hook, p);
  ASSERT_TRUE(out.done);
  double ground = 0;
  surface->GetElevation(host::NewPoint(502000, 3995500, test::SpatialReference(32631).get()).get(),
                        &ground);
  EXPECT_NEAR(CentreHeight(out.workFolder, 0), ground + 10, 1.0);
  // With SPOT: SPOT + OFFSETA whatever the ground.
  p.observerLayer = globe.Observers({{502000, 3995500}}, 1000, L"absolute", 1234.5);
  out = RunThreatDome(globe.hook, p);
  ASSERT_TRUE(out.done);
  EXPECT_DOUBLE_EQ(CentreHeight(out.workFolder, 0), 1244.5);
}

TEST(ThreatDomeRun, EscDuringTheSecondDomeLeavesTheGlobeAsItWas) {
  Globe globe;
  ThreatDomeRunParameters p;
  p.baseLayer = globe.dem;
  p.observerLayer =
      globe.Observers({{502000, 3995500}, {503000, 3996500}, {502500, 3994500}}, 2000);
  LONG before = 0;
  globe.Map()->get_LayerCount(&before);
  host::ScriptEscape({L"Generating threat dome ( 2 of 3 )", 1});
  const auto out = RunThreatDome(globe.hook, p);
  EXPECT_TRUE(out.cancelled);
  EXPECT_FALSE(out.done);
  EXPECT_EQ(out.domes, 1u);
  EXPECT_EQ(globe.Status(), L"Operation cancelled");
  LONG after = 0;
  globe.Map()->get_LayerCount(&after);
  EXPECT_EQ(after, before);
  EXPECT_FALSE(fs::exists(fs::path(ToUtf8(out.workFolder)) / "Dome.shp"));
}

TEST(ThreatDomeRun, NewObserversAndBadInputs) {
  Globe globe;
  // A new observer entered in degrees, with an absolute elevation.
  auto place = host::NewPoint(502500, 3995500, test::SpatialReference(32631).get());
  Check(place->Project(test::SpatialReference(4326).get()));
  ThreatDomeObserverInput in;
  place->QueryCoords(&in.longitude, &in.latitude);
  in.domeRadius = 1.5;
  in.heightOffset = 5;
  in.elevation = 1000;
  in.elevationGiven = true;
  ThreatDomeRunParameters p;
  p.baseLayer = globe.dem;
  p.inputType = 1;
  p.current = in;
  auto out = RunThreatDome(globe.hook, p);
  ASSERT_TRUE(out.done) << (out.messages.empty() ? 0 : out.messages[0].textId);
  EXPECT_EQ(out.domes, 1u);

  struct Case {
    const char* what;
    std::function<void(ThreatDomeRunParameters&)> change;
    UINT message;  // 0: none, the run just does not start
  };
  const Case cases[] = {
      {"no base layer", [](ThreatDomeRunParameters& q) { q.baseLayer.Reset(); }, 0},
      {"empty list", [](ThreatDomeRunParameters& q) { q.listOpen = true; }, kIdsAtLeastOneObserver},
      {"radius 0", [](ThreatDomeRunParameters& q) { q.current.domeRadius = 0; },
       kIdsDomeRadiusNotPositive},
      {"off the surface",
       [](ThreatDomeRunParameters& q) {
         q.current.longitude += 0.2;
         q.current.domeRadius = 0.5;
       },
       kIdsNoBaseSurface},
      {"observer layer without points",
       [&](ThreatDomeRunParameters& q) {
         q.inputType = 0;
         q.observerLayer = globe.Observers({}, 1000, L"empty");
       },
       kIdsAtLeastOneObserver},
  };
  LONG before = 0;
  globe.Map()->get_LayerCount(&before);
  for (const auto& c : cases) {
    ThreatDomeRunParameters q = p;
    c.change(q);
    const auto refused = RunThreatDome(globe.hook, q);
    EXPECT_FALSE(refused.done) << c.what;
    if (c.message) {
      EXPECT_TRUE(!refused.messages.empty() && refused.messages[0].textId == c.message) << c.what;
    } else {
      EXPECT_TRUE(refused.messages.empty()) << c.what;
    }
    if (!refused.workFolder.empty()) {
      EXPECT_FALSE(fs::exists(fs::path(ToUtf8(refused.workFolder)) / "Dome.shp")) << c.what;
    }
  }
  LONG after = 0;
  globe.Map()->get_LayerCount(&after);
  EXPECT_EQ(after, before + 1);  // only the empty observer layer the last case added
}

TEST(ThreatDomeRun, ACatalogElevationLayerGoesThroughItsClip) {
  Globe globe;
  // A hill in geographic degrees (about 28 m cells), clipped by the catalog layer's stand-in.
  test::DemSpec spec;
  spec.columns = spec.rows = 400;
  spec.originX = 6.0;
  spec.originY = 1.0;
  spec.cellX = spec.cellY = 0.00025;
  spec.value = [](int c, int r) { return 300.0 + 0.5 * c - 0.2 * r; };
  ASSERT_TRUE(test::MakeGeoTiffDem(globe.dir / "hill.tif", spec));
  auto layer = MakeObjectPtr<DtedLayerDouble, ILayer>();
  auto* dted = static_cast<DtedLayerDouble*>(layer.get());
  dted->source = globe.dir / "hill.tif";
  ThreatDomeRunParameters p;
  p.baseLayer = layer;
  p.inputType = 1;
  p.current.longitude = 6.05;
  p.current.latitude = 0.95;
  p.current.domeRadius = 1.0;
  p.current.heightOffset = 20;
  const auto out = RunThreatDome(globe.hook, p);
  ASSERT_TRUE(out.done) << (out.messages.empty() ? 0 : out.messages[0].textId);
  EXPECT_EQ(dted->clips, 1);
  EXPECT_EQ(out.groupName, L"Threat Dome of catalog");
  // The observer stands 20 m above the hill where it was picked (about 300 + 0.5 * 200 - 0.2 *
  // 200 = 360 m).
  EXPECT_NEAR(CentreHeight(out.workFolder, 0), 380.0, 2.0);
  // The run's folder keeps the base surface and the domes: neither the clip the surface was
  // warped from nor the marker of its name.
  for (const auto& file : test::FilesIn(ToUtf8(out.workFolder))) {
    const std::string stem = file.substr(0, file.find('.'));
    EXPECT_TRUE(stem == "Dome" || stem == "Wireframe" ||
                (stem.rfind("dms", 0) == 0 && file.ends_with(".tif") && !stem.ends_with("c")))
        << file;
  }
  for (const auto& file : test::FilesIn(fs::path(ToUtf8(out.workFolder)).parent_path().string()))
    EXPECT_TRUE(file.rfind("tdm", 0) == 0 && file.find('.') == std::string::npos) << file;
}

}  // namespace
}  // namespace velk::corvane
