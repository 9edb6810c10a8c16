// The fly-through's builders in a running globe host over a small elevation raster: a track
// around a point takes its heights from the globe's surface and height factor; a track is
// named, bound to the camera, told to animate properties 0-6 and enabled; a refused path adds
// nothing.
#include "terrain/fly_through/fly_through_builders.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/com/text.h"
#include "platform/host/display/camera.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer_objects.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

struct Globe {
  Globe() {
    auto doc = QueryAs<IGlobeDocument>(host.Session().Document().get());
    Check(doc->get_Globe(globe.put()));
  }
  LONG TrackCount() {
    LONG n = 0;
    globe.Query<IAnimationTracks>()->get_TrackCount(&n);
    return n;
  }
  test::HostSessionFixture host{host::HostKind::Globe};
  ComPtr<IGlobe> globe;
};

double Property(IAnimationTrack* track, LONG index, LONG property) {
  ComPtr<IAnimationKeyframe> k;
  Check(track->get_Keyframe(index, k.put()));
  double v = NAN;
  k->get_PropertyValue(property, &v);
  return v;
}

TEST(FlyThroughBuilders, AroundAPointTheHeightsComeFromTheGlobesSurfaceAndFactor) {
  test::ScratchDir dir;
  test::DemSpec dem;  // 100 + 10 * row + column, cells of 0.125 from 6 E, 1 N
  ASSERT_TRUE(test::MakeGeoTiffDem(dir / "dem.tif", dem));
  Globe g;
  ComPtr<IRasterLayer> layer;
  Check(host::CreateRasterLayerObject(nullptr, IidOf<IRasterLayer>(), layer.put_void()));
  ASSERT_EQ(layer->CreateFromFilePath(Bstr(FromUtf8(dir / "dem.tif"))), S_OK);
  g.globe->AddLayer(layer.Query<ILayer>().get());
  g.globe->put_VerticalExaggeration(2.0);

  // Row 0, column 4 (104 m) plus 100 m; 11.132 km is 0.1 degrees: due east first, in column 5
  // (105 m), then south into row 1, column 4 (114 m).
  auto out = BuildRadialTrackAroundPoint(g.globe.get(), 6.5625, 0.9375, 11.132, 90, 100);
  ASSERT_TRUE(out.Built()) << out.messageId;
  EXPECT_EQ(out.trackName, L"Zel Fly Through -- Radial");
  EXPECT_EQ(out.keyframes, 360);
  ComPtr<IAnimationTrack> track;
  ASSERT_EQ(g.globe.Query<IAnimationTracks>()->FindTrack(Bstr(out.trackName), track.put()), S_OK);
  EXPECT_DOUBLE_EQ(Property(track.get(), 0, kCameraObserverHeight), 0.204 * 2);
  EXPECT_DOUBLE_EQ(Property(track.get(), 0, kCameraTargetHeight), 0.105 * 2);
  EXPECT_DOUBLE_EQ(Property(track.get(), 90, kCameraTargetHeight), 0.114 * 2);
  EXPECT_NEAR(Property(track.get(), 90, kCameraTargetLatitude), 0.8375, 1e-12);

  // The track as the player needs it.
  VARIANT_BOOL enabled = VARIANT_FALSE;
  track->get_Enabled(&enabled);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  std::vector<LONG> animated;
  track->GetAnimatedProperties(&animated);
  EXPECT_EQ(animated, (std::vector<LONG>{0, 1, 2, 3, 4, 5, 6}));
  ComPtr<IUnknown> attached;
  track->get_AttachedObject(attached.put());
  EXPECT_TRUE(QueryAs<IGlobeCamera>(attached.get()));
  ComPtr<IAnimationKeyframe> k;
  track->get_Keyframe(359, k.put());
  Bstr name;
  k->get_Name(&name);
  EXPECT_EQ(name.str(), L"359");
  LONG first = -1, last = -1;
  k->GetRange(&first, &last);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 1);
}

TEST(FlyThroughBuilders, NamesAreNumberedFromTwoAndARefusedPathAddsNothing) {
  Globe g;
  auto line = host::NewPolyline();
  auto points = line.Query<IPointCollection>();
  points->AddPoint(host::NewPoint(1, 1).get());
  auto out = BuildLinearFlyThroughTrack(points.get(), nullptr, g.globe.get(), 30, 100);
  EXPECT_EQ(out.messageId, kIdsPathTooShort);
  points->AddPoint(host::NewPoint(1, 1).get());  // no length either
  EXPECT_EQ(BuildLinearFlyThroughTrack(points.get(), nullptr, g.globe.get(), 30, 100).messageId,
            kIdsPathTooShort);
  EXPECT_EQ(g.TrackCount(), 0);
  EXPECT_EQ(BuildRadialTrackAroundPoint(nullptr, 0, 0, 1, 0, 0).messageId, kIdsNoGlobe);

  points->AddPoint(host::NewPoint(2, 1).get());
  const wchar_t* names[] = {L"Zel Fly Through -- Linear", L"Zel Fly Through 2 -- Linear",
                            L"Zel Fly Through 3 -- Linear"};
  for (const wchar_t* name : names) {
    out = BuildLinearFlyThroughTrack(points.get(), nullptr, g.globe.get(), 30, 100);
    EXPECT_EQ(out.trackName, name);
    EXPECT_EQ(out.keyframes, 2);  // three vertices
  }
  EXPECT_EQ(g.TrackCount(), 3);
}

}  // namespace
}  // namespace velk::corvane
