// The rubber-band tracker: hooked and unhooked mouse events, and the dragged shape.
#include "framework/tracker_helper.h"

#include <gtest/gtest.h>

#include "platform/host/geometry/geometry_objects.h"
#include "tests/fixtures/map_tool_host.h"

namespace velk::corvane {
namespace {

TEST(TrackerHelper, DragGivesTheAreaInMapCoordinates) {
  test::MapToolHost map;
  map.Show(host::NewEnvelope(500000, 4000000, 510000, 4008000).get());

  TrackerHelper tracker(nullptr);
  EXPECT_EQ(tracker.OnMouseDown(1, 0, 100, 100), E_FAIL);  // no hook yet: nothing starts
  ComPtr<IGeometry> shape;
  EXPECT_EQ(tracker.OnMouseUp(1, 0, 100, 100, shape.put()), E_FAIL);
  tracker.SetHook(&map.hook);
  EXPECT_EQ(tracker.OnMouseMove(1, 0, 50, 50), S_OK);  // a move without a drag is passed on
  EXPECT_EQ(tracker.OnMouseUp(1, 0, 50, 50, shape.put()), E_FAIL)
      << "the feedback's own answer: nothing dragged";
  EXPECT_FALSE(shape);

  ASSERT_EQ(tracker.OnMouseDown(1, 0, 100, 700), S_OK);
  ASSERT_EQ(tracker.OnMouseMove(1, 0, 300, 500), S_OK);
  ASSERT_EQ(tracker.OnMouseMove(1, 0, 400, 200), S_OK);
  ASSERT_EQ(tracker.OnMouseUp(1, 0, 0, 0, shape.put()), S_OK);
  ASSERT_TRUE(shape);
  double x0, y0, x1, y1;
  shape.Query<IEnvelope>()->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_DOUBLE_EQ(x0, 501000);
  EXPECT_DOUBLE_EQ(x1, 504000);
  EXPECT_DOUBLE_EQ(y0, 4001000);
  EXPECT_DOUBLE_EQ(y1, 4006000);
}

}  // namespace
}  // namespace velk::corvane
