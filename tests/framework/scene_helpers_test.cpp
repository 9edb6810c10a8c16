// The 3-D helpers: offset points, the texture and normal packing of dome vertices, the
// visibility of globe layers, and the walk to the globe's display and camera in both hosts.
#include "framework/scene_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_environment.h"
#include "platform/host/display/globe_graphics_layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer_visibility.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

constexpr double kDeg = 0.017453292519943295;

HRESULT ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.Error();
  }
  return S_OK;
}

TEST(SceneHelpers, OffsetPointAddsTheVector) {
  test::HostSessionFixture host(host::HostKind::Globe);
  auto source = CreateHostObject<IPoint>(host::CLSID_Point);
  source->PutCoords(1.5, -2.0);
  source->put_Z(100.0);
  auto vector = CreateHostObject<IVector3D>(host::CLSID_Vector3D);
  vector->PutComponents(10, 20, -30);
  ComPtr<IPoint> moved;
  MakeOffsetPoint3D(moved.put(), source.get(), vector.get());
  ASSERT_TRUE(moved);
  EXPECT_FALSE(IsSameObject(moved.get(), source.get()));
  double x = 0, y = 0, z = 0;
  moved->QueryCoords(&x, &y);
  moved->get_Z(&z);
  EXPECT_EQ(x, 11.5);
  EXPECT_EQ(y, 18.0);
  EXPECT_EQ(z, 70.0);
  source->get_X(&x);
  EXPECT_EQ(x, 1.5);  // the source stays where it was
  EXPECT_EQ(ErrorOf([&] { MakeOffsetPoint3D(moved.put(), nullptr, vector.get()); }), E_POINTER);
  EXPECT_EQ(ErrorOf([&] { MakeOffsetPoint3D(moved.put(), source.get(), nullptr); }), E_POINTER);
}

// One vertex of a threat dome as the dome build makes it: texture coordinates from the
// azimuth and elevation, then the direction as the normal, both in one measure value.
TEST(SceneHelpers, DomeVertexMeasureHoldsTextureAndNormal) {
  test::HostSessionFixture host(host::HostKind::Globe);
  auto packing = CreateHostObject<IMeasurePacking>(host::CLSID_GeometryEnvironment);
  struct Case {
    double az, el;
  };
  for (Case c : {Case{0, 0}, Case{90, 45}, Case{247.5, -30}, Case{360, -90}, Case{12, 90}}) {
    SCOPED_TRACE(c.az);
    auto direction = CreateHostObject<IVector3D>(host::CLSID_Vector3D);
    direction->PolarSet(c.az * kDeg, c.el * kDeg, 2500.0);
    double m = 0.0;
    AddViewerMarker(c.az, c.el, &m);
    MakeSceneGraphicElement(direction.get(), &m);
    double u = -1, v = -1;
    packing->UnpackTexture(m, &u, &v);
    EXPECT_NEAR(u, c.az / 360.0, 1.0 / 2048);
    EXPECT_NEAR(v, (90.0 - c.el) / 90.0, 1.0 / 2048);
    // the vector was normalised in place, and that direction is the packed normal
    double length = 0;
    direction->get_Magnitude(&length);
    EXPECT_NEAR(length, 1.0, 1e-12);
    auto normal = CreateHostObject<IVector3D>(host::CLSID_Vector3D);
    ASSERT_EQ(packing->UnpackNormal(m, normal.get()), S_OK);
    double x, y, z, nx, ny, nz;
    direction->QueryComponents(&x, &y, &z);
    normal->QueryComponents(&nx, &ny, &nz);
    EXPECT_GT(x * nx + y * ny + z * nz, std::cos(2e-3));
  }
}

TEST(SceneHelpers, PackingFailuresLeaveTheMeasure) {
  test::HostSessionFixture host(host::HostKind::Globe);
  double m = 0.0;
  AddViewerMarker(45, 10, &m);
  const double before = m;
  auto zero = CreateHostObject<IVector3D>(host::CLSID_Vector3D);
  EXPECT_EQ(ErrorOf([&] { MakeSceneGraphicElement(zero.get(), &m); }), E_INVALIDARG);
  auto point = CreateHostObject<IPoint>(host::CLSID_Point);
  EXPECT_EQ(ErrorOf([&] { MakeSceneGraphicElement(point.get(), &m); }), E_POINTER);  // no vector
  EXPECT_EQ(ErrorOf([&] { AddViewerMarker(2000, 0, &m); }),
            E_INVALIDARG);  // u beyond what a measure holds
  EXPECT_EQ(m, before);
  EXPECT_EQ(ErrorOf([&] { AddViewerMarker(0, 0, nullptr); }), E_POINTER);
}

// ---------------------------------------------------------------- layer visibility

// Both parts of a layer, recording every call in order.
class RecordingParts : public ComObjectRoot<RecordingParts, ISceneVisibility, IGraphicsVisibility> {
 public:
  HRESULT get_SceneVisible(VARIANT_BOOL* v) override {
    log.push_back("get scene");
    *v = scene;
    return S_OK;
  }
  HRESULT put_SceneVisible(VARIANT_BOOL v) override {
    log.push_back("put scene " + std::to_string(v));
    scene = v;
    return S_OK;
  }
  HRESULT Deactivate() override {
    log.push_back("deactivate");
    return S_OK;
  }
  HRESULT get_GraphicsVisible(VARIANT_BOOL* v) override {
    log.push_back("get graphics");
    *v = graphics;
    return S_OK;
  }
  HRESULT put_GraphicsVisible(VARIANT_BOOL v) override {
    log.push_back("put graphics " + std::to_string(v));
    graphics = v;
    return S_OK;
  }
  HRESULT UnselectAllElements() override {
    log.push_back("unselect");
    return S_OK;
  }
  std::vector<std::string> log;
  VARIANT_BOOL scene = VARIANT_TRUE;
  VARIANT_BOOL graphics = VARIANT_TRUE;
};

struct VisibilityCase {
  VARIANT_BOOL scene, graphics, visible;
  std::vector<std::string> log;
};

class LayerVisibility : public ::testing::TestWithParam<VisibilityCase> {};

TEST_P(LayerVisibility, HidingStepsRunOnlyWhenAShownPartIsHidden) {
  const VisibilityCase& c = GetParam();
  auto parts = MakeObjectPtr<RecordingParts, ISceneVisibility>();
  auto* rec = static_cast<RecordingParts*>(parts.get());
  rec->scene = c.scene;
  rec->graphics = c.graphics;
  SetLayerVisibility(parts.get(), c.visible);
  EXPECT_EQ(rec->log, c.log);
  EXPECT_EQ(rec->scene, c.visible);
  EXPECT_EQ(rec->graphics, c.visible);
}

using Log = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Table, LayerVisibility,
    ::testing::Values(
        VisibilityCase{-1, -1, 0,
                       Log{"get scene", "deactivate", "put scene 0", "get graphics", "unselect",
                           "put graphics 0"}},
        // a flag of 1 is not the host's true: nothing to take down
        VisibilityCase{
            1, -1, 0,
            Log{"get scene", "put scene 0", "get graphics", "unselect", "put graphics 0"}},
        VisibilityCase{
            -1, 0, 0,
            Log{"get scene", "deactivate", "put scene 0", "get graphics", "put graphics 0"}},
        VisibilityCase{-1, -1, -1,
                       Log{"get scene", "put scene -1", "get graphics", "put graphics -1"}},
        VisibilityCase{0, 0, -1,
                       Log{"get scene", "put scene -1", "get graphics", "put graphics -1"}},
        // any value but 0 counts as showing: no hiding step
        VisibilityCase{-1, -1, 1,
                       Log{"get scene", "put scene 1", "get graphics", "put graphics 1"}}));

TEST(SceneHelpers, HidingAGlobeGraphicsLayerUnselectsAndDeactivatesIt) {
  test::HostSessionFixture host(host::HostKind::Globe);
  auto layer = CreateHostObject<ILayer>(host::CLSID_GlobeGraphicsLayer);
  auto marker = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  layer.Query<IGraphicsContainer>()->AddElement(marker.get(), 0);
  layer.Query<IGraphicsSelection>()->SelectElement(marker.get());
  SetLayerVisibility(layer.get(), VARIANT_FALSE);
  LONG selected = -1;
  layer.Query<IGraphicsSelection>()->get_SelectedCount(&selected);
  EXPECT_EQ(selected, 0);
  VARIANT_BOOL flag = VARIANT_TRUE;
  layer.Query<IGraphicsLayer>()->get_Active(&flag);
  EXPECT_EQ(flag, VARIANT_FALSE);
  layer->get_Visible(&flag);
  EXPECT_EQ(flag, VARIANT_FALSE);
  SetLayerVisibility(layer.get(), VARIANT_TRUE);
  layer.Query<IGraphicsLayer>()->get_Active(&flag);
  EXPECT_EQ(flag, VARIANT_TRUE);
  // Objects with neither part, and null, are left alone.
  EXPECT_NO_THROW(SetLayerVisibility(marker.get(), VARIANT_FALSE));
  EXPECT_NO_THROW(SetLayerVisibility(nullptr, VARIANT_FALSE));
}

// ---------------------------------------------------------------- globe lookups

TEST(SceneHelpers, GlobeDisplayAndCameraInTheGlobeHost) {
  test::HostSessionFixture host(host::HostKind::Globe);
  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ComPtr<IGlobeDisplay> display;
  GetGlobeFromHook(display.put(), hook);
  ASSERT_TRUE(display);
  ComPtr<IGlobe> globe, docGlobe;
  display->get_Globe(globe.put());
  host.Session().Document().Query<IGlobeDocument>()->get_Globe(docGlobe.put());
  EXPECT_TRUE(IsSameObject(globe.get(), docGlobe.get()));

  ComPtr<IGlobeCamera> camera;
  GetGlobeCameraObject(camera.put(), hook);
  ASSERT_TRUE(camera);
  ASSERT_EQ(camera->SetObserverLatLonAlt(41.9, 12.5, 8.0), S_OK);
  // the same camera every time: what the coordinate tool moves is what the viewer shows
  ComPtr<IGlobeCamera> again;
  GetGlobeCameraObject(again.put(), hook);
  double lat = 0, lon = 0, alt = 0;
  again->GetObserverLatLonAlt(&lat, &lon, &alt);
  EXPECT_EQ(lat, 41.9);
  EXPECT_EQ(alt, 8.0);
}

TEST(SceneHelpers, GlobeLookupsAreNullWithoutAGlobe) {
  for (auto kind : {host::HostKind::Map, host::HostKind::Catalog}) {
    test::HostSessionFixture host(kind);
    CHookImpl<int> hook;
    hook.SetHook(host.Session().Hook());
    ComPtr<IGlobeDisplay> display;
    GetGlobeFromHook(display.put(), hook);
    EXPECT_FALSE(display);
    ComPtr<IGlobeCamera> camera;
    GetGlobeCameraObject(camera.put(), hook);
    EXPECT_FALSE(camera);
  }
  CHookImpl<int> unhooked;
  ComPtr<IGlobeCamera> camera;
  GetGlobeCameraObject(camera.put(), unhooked);
  EXPECT_FALSE(camera);
}

}  // namespace
}  // namespace velk::corvane
