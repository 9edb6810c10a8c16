// The dialog's azimuth normalisation and the observer's range polygon.
#include "terrain/radial/observer_extent.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velk::corvane {
namespace {

TEST(NormaliseAzimuths, FoldsIntoTheClockwiseRange) {
  struct Case {
    double from, to, wantFrom, wantTo;
  };
  const Case cases[] = {
      {0, 0, 0, 360},     {360, 360, 360, 360}, {0, 360, 0, 360},  {720, -30, 360, 330},
      {-360, 0, 360, 0},  {-90, 450, 270, 90},  {10, 20, 10, 20},  {350.5, 10, 350.5, 10},
  };
  for (const auto& c : cases) {
    double from = c.from, to = c.to;
    NormaliseAzimuths(from, to);
    EXPECT_EQ(from, c.wantFrom) << c.from << "/" << c.to;
    EXPECT_EQ(to, c.wantTo) << c.from << "/" << c.to;
  }
}

double Azimuth(const ExtentVertex& v) {
  double a = std::atan2(v.x, v.y) * 180.0 / 3.141592653589793;
  return a < 0 ? a + 360 : a;
}

TEST(ObserverExtent, RingsFollowTheRangesAndTheSector) {
  // A full circle with a hole: 300 outer points at 10 km, 150 inner at 0.5 km.
  auto disc = ObserverExtentRings(0.5, 10, 0, 360);
  ASSERT_EQ(disc.size(), 2u);
  EXPECT_EQ(disc[0].size(), 300u);
  EXPECT_EQ(disc[1].size(), 150u);
  for (const auto& v : disc[0]) EXPECT_NEAR(std::hypot(v.x, v.y), 10000, 1e-6);
  for (const auto& v : disc[1]) EXPECT_NEAR(std::hypot(v.x, v.y), 500, 1e-6);
  // No near distance: a plain disc.
  EXPECT_EQ(ObserverExtentRings(0, 2, 0, 0).size(), 1u);
  // A sector through north, 300 to 60 degrees: every vertex inside it, both edges reached.
  auto sector = ObserverExtentRings(1, 3, 300, 60);
  ASSERT_EQ(sector.size(), 1u);
  EXPECT_EQ(sector[0].size(), 300u + 150u + 1u);
  double least = 360, most = 0;
  for (const auto& v : sector[0]) {
    const double r = std::hypot(v.x, v.y);
    EXPECT_TRUE(std::fabs(r - 3000) < 1e-6 || std::fabs(r - 1000) < 1e-6) << r;
    const double a = std::fmod(Azimuth(v) + 60, 360);  // the sector becomes 240 to 120 + 240
    least = std::min(least, a);
    most = std::max(most, a);
  }
  EXPECT_NEAR(least, 0, 1e-9);
  EXPECT_NEAR(most, 120, 1e-9);
  // Nothing for an empty or reversed distance range, a negative far one or no sector width.
  EXPECT_TRUE(ObserverExtentRings(2, 2, 0, 360).empty());
  EXPECT_TRUE(ObserverExtentRings(3, 2, 0, 360).empty());
  EXPECT_TRUE(ObserverExtentRings(-2, -1, 0, 360).empty());
  EXPECT_TRUE(ObserverExtentRings(0, 2, 360, 360).empty());
  // A negative near distance counts as 0.
  EXPECT_EQ(ObserverExtentRings(-1, 2, 0, 360).size(), 1u);
}

}  // namespace
}  // namespace velk::corvane
