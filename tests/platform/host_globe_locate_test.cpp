// The globe camera's target and the globe display's hit test: the centre of the viewer shows
// the target, a pixel spans an angle of the camera's view, and positions off the frame or past
// a pole hit nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/host/display/camera.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_display.h"

using namespace velk;
using namespace velk::host;

namespace {

struct Viewer {
  ComPtr<IGlobe> globe = MakeObjectPtr<Globe, IGlobe>();
  ComPtr<IGlobeViewer> viewer = MakeObjectPtr<GlobeViewer, IGlobeViewer>();
  ComPtr<IGlobeDisplay> display = MakeObjectPtr<GlobeDisplay, IGlobeDisplay>();
  Viewer() {
    static_cast<GlobeViewer*>(viewer.get())->Init(globe.get(), nullptr);
    static_cast<GlobeDisplay*>(display.get())->Init(globe.get(), viewer.get());
  }
  ComPtr<IGlobeCamera> Camera() {
    ComPtr<ICamera> camera;
    Check(viewer->get_Camera(camera.put()));
    return camera.Query<IGlobeCamera>();
  }
};

TEST(GlobeCameraTarget, StartsBelowTheObserverAndTakesPlacesOnTheGlobeOnly) {
  auto camera = NewGlobeCamera();
  auto globe = camera.Query<IGlobeCamera>();
  double lat = -1, lon = -1, alt = -1;
  ASSERT_EQ(globe->GetTargetLatLonAlt(&lat, &lon, &alt), S_OK);
  EXPECT_EQ(lat, 0.0);
  EXPECT_EQ(lon, 0.0);
  EXPECT_EQ(alt, 0.0);
  EXPECT_EQ(globe->GetTargetLatLonAlt(nullptr, &lon, &alt), E_POINTER);
  EXPECT_EQ(globe->SetTargetLatLonAlt(91.0, 0.0, 0.0), E_INVALIDARG);
  EXPECT_EQ(globe->SetTargetLatLonAlt(0.0, 0.0, -1.0), E_INVALIDARG);
  ASSERT_EQ(globe->SetTargetLatLonAlt(-33.9, 151.2, 0.5), S_OK);
  globe->GetObserverLatLonAlt(&lat, &lon, &alt);
  EXPECT_EQ(alt, kDefaultObserverAltitude) << "the observer stays where it was";

  ComPtr<IPoint> target;
  ASSERT_EQ(camera->get_Target(target.put()), S_OK);
  double x = 0, y = 0, z = 0;
  target->QueryCoords(&x, &y);
  target->get_Z(&z);
  EXPECT_EQ(x, 151.2);
  EXPECT_EQ(y, -33.9);
  EXPECT_EQ(z, 0.5);
  auto p = NewPoint(2.35, 48.85);
  p->put_Z(0.0);
  ASSERT_EQ(camera->put_Target(p.get()), S_OK);
  globe->GetTargetLatLonAlt(&lat, &lon, &alt);
  EXPECT_EQ(lat, 48.85);
  EXPECT_EQ(lon, 2.35);
  EXPECT_EQ(camera->put_Target(nullptr), E_POINTER);
  EXPECT_EQ(camera->put_Target(NewPoint().get()), E_INVALIDARG) << "an empty point";
}

TEST(GlobeDistance, MatchesTheGeometryOfTheSphere) {
  EXPECT_NEAR(GlobeDistanceKm(0, 0, 20000, 0, 0, 0), 20000.0, 1e-6);
  // A quarter of the way round the equator: the chord of a right angle.
  EXPECT_NEAR(GlobeDistanceKm(0, 0, 0, 0, 90, 0), kGlobeRadiusKm * std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(GlobeDistanceKm(90, 0, 0, -90, 0, 0), 2 * kGlobeRadiusKm, 1e-6);
}

struct LocateCase {
  double targetLat, targetLon, distance;  // the observer straight above the target
  LONG x, y;
  bool hit;
  double lat, lon;  // expected when hit; NAN: computed from the rule
};

class GlobeLocate : public ::testing::TestWithParam<LocateCase> {};

TEST_P(GlobeLocate, FollowsTheFixedRule) {
  const LocateCase& c = GetParam();
  Viewer v;
  auto camera = v.Camera();
  ASSERT_EQ(camera->SetTargetLatLonAlt(c.targetLat, c.targetLon, 0.0), S_OK);
  ASSERT_EQ(camera->SetObserverLatLonAlt(c.targetLat, c.targetLon, c.distance), S_OK);
  ComPtr<IPoint> hit;
  HRESULT hr = v.display->Locate(c.x, c.y, hit.put());
  if (!c.hit) {
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_FALSE(hit);
    return;
  }
  ASSERT_EQ(hr, S_OK);
  ASSERT_TRUE(hit);
  double step = GlobeDegreesPerPixel(c.distance);
  double lat = std::isnan(c.lat) ? c.targetLat + (400 - c.y) * step : c.lat;
  double lon = std::isnan(c.lon) ? c.targetLon + (c.x - 500) * step : c.lon;
  double x = 0, y = 0, z = -1;
  hit->QueryCoords(&x, &y);
  hit->get_Z(&z);
  EXPECT_NEAR(x, lon, 1e-9);
  EXPECT_NEAR(y, lat, 1e-9);
  EXPECT_EQ(z, 0.0) << "on the surface";
}

// One pixel at 1000 km: 1 km of ground, 1 / 111.19508 degrees (6371.0088 km x pi / 180 a degree).
INSTANTIATE_TEST_SUITE_P(
    Table, GlobeLocate,
    ::testing::Values(
        LocateCase{41.9, 12.5, 1000, 500, 400, true, 41.9, 12.5},  // the centre is the target
        LocateCase{41.9, 12.5, 1000, 611, 400, true, 41.9, 12.5 + 111 / 111.1950802335329},
        LocateCase{41.9, 12.5, 1000, 500, 0, true, NAN, NAN},
        LocateCase{0, 0, 20000, 999, 799, true, NAN, NAN},  // the last pixel of the frame
        LocateCase{0, 0, 20000, 1000, 400, false, 0, 0},    // just off the frame
        LocateCase{0, 0, 20000, 500, -1, false, 0, 0},
        LocateCase{85, 0, 20000, 500, 300, false, 0, 0},   // past the north pole
        LocateCase{-85, 0, 20000, 500, 500, false, 0, 0},  // past the south pole
        // Longitudes wrap round the date line.
        LocateCase{0, 179, 20000, 520, 400, true, 0, 179 + 20 * GlobeDegreesPerPixel(20000) - 360},
        LocateCase{0, -179, 20000, 480, 400, true, 0,
                   -179 - 20 * GlobeDegreesPerPixel(20000) + 360},
        // An observer on the target still gives the view a size.
        LocateCase{10, 10, 0, 600, 400, true, 10,
                   10 + 100 * GlobeDegreesPerPixel(kMinViewDistanceKm)}));

TEST(GlobeLocate, TheDeviceFrameMovesTheCentreAndBoundsTheHits) {
  Viewer v;
  RECT frame{};
  ASSERT_EQ(v.display->get_DeviceFrame(&frame), S_OK);
  EXPECT_EQ(frame.right - frame.left, 1000);
  EXPECT_EQ(frame.bottom - frame.top, 800);
  EXPECT_EQ(v.display->put_DeviceFrame(RECT{0, 0, 0, 10}), E_INVALIDARG);
  ASSERT_EQ(v.display->put_DeviceFrame(RECT{100, 100, 300, 200}), S_OK);
  ComPtr<IPoint> hit;
  ASSERT_EQ(v.display->Locate(200, 150, hit.put()), S_OK);
  double x = 1, y = 1;
  hit->QueryCoords(&x, &y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  hit.Reset();
  EXPECT_EQ(v.display->Locate(500, 400, hit.put()), S_FALSE) << "outside the smaller frame";
  EXPECT_EQ(v.display->Locate(200, 150, nullptr), E_POINTER);
  // A display without a viewer hits nothing.
  auto loose = MakeObjectPtr<GlobeDisplay, IGlobeDisplay>();
  EXPECT_EQ(loose->Locate(500, 400, hit.put()), S_FALSE);
}

}  // namespace
