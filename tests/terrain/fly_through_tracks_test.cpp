// The fly-through's keyframes against values worked out by hand: the back azimuth, the camera
// behind and above each vertex, linear, radial and around-point tracks, and the path checks.
#include "terrain/fly_through/fly_through_tracks.h"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>

namespace velk::corvane::fly {
namespace {

constexpr double kEps = 1e-9;

struct AzimuthCase {
  double ax, ay, bx, by, expected;
};

TEST(FlyThroughTracks, BackAzimuthIsTheDirectionFromTheSecondPointToTheFirst) {
  const AzimuthCase cases[] = {
      {0, 1, 0, 0, 0.0},    {0, -1, 0, 0, 180.0}, {1, 0, 0, 0, 90.0},
      {-1, 0, 0, 0, 270.0}, {1, 1, 0, 0, 45.0},   {-1, -1, 0, 0, 225.0},
      {1, -1, 0, 0, 135.0}, {-1, 1, 0, 0, 315.0}, {3, 4, 3, 4, 819.999},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(BackAzimuthDegrees(c.ax, c.ay, c.bx, c.by), c.expected, kEps)
        << c.ax << "," << c.ay << " from " << c.bx << "," << c.by;
}

struct CameraCase {
  PathVertex p0, p1;
  double inclination, offset;
  double x, y;
};

TEST(FlyThroughTracks, TheCameraStandsBehindTheVertexAtTheInclination) {
  // 1113.2 m above at 45 degrees: 0.01 degrees back; 87 and more: 0.01 / tan 87.
  const double steep = 0.01 / std::tan(87.0 * 0.017453292519943295);
  const CameraCase cases[] = {
      {{10, 20}, {10, 19}, 45, 1113.2, 10, 20.01},  // due south: camera north
      {{10, 20}, {10, 21}, 45, 1113.2, 10, 19.99},  // due north: camera south
      {{0, 0}, {1, 0}, 45, 111.32, -0.001, 0},      // due east: camera west
      {{0, 0}, {1, 0}, 0, 500, -0.0001, 0},         // level: 0.0001 degrees back
      {{10, 20}, {10, 19}, 87, 1113.2, 10, 20 + steep},
      {{10, 20}, {10, 19}, 90, 1113.2, 10, 20 + steep},
  };
  for (const auto& c : cases) {
    CameraPlace cam = PlaceLinearCamera(c.p0, c.p1, 500.0, c.inclination, c.offset);
    EXPECT_NEAR(cam.x, c.x, kEps) << c.inclination;
    EXPECT_NEAR(cam.y, c.y, kEps) << c.inclination;
    EXPECT_DOUBLE_EQ(cam.z, 500.0 + c.offset);
  }
  // Coincident vertices: the direction 819.999 degrees.
  CameraPlace same = PlaceLinearCamera({5, 5}, {5, 5}, 0.0, 45, 1113.2);
  const double az = 819.999 * 0.017453292519943295;
  EXPECT_NEAR(same.x, 5 + std::sin(az) * 0.01, kEps);
  EXPECT_NEAR(same.y, 5 + std::cos(az) * 0.01, kEps);
}

TEST(FlyThroughTracks, ALinearTrackHasAKeyframePerSegmentAtTheHighestSurfaceHeight) {
  auto surface = [](double x, double) { return 100.0 + 10.0 * x; };  // highest 120 at x = 2
  std::vector<PathVertex> path{{0, 0}, {1, 0}, {2, 0}};
  auto keys = LinearTrack(path, false, 45.0, 111.32, 2.0, surface);
  ASSERT_EQ(keys.size(), 2u);
  struct Row {
    long index;
    double tx, camX;
  };
  const Row rows[] = {{0, 0.0, -0.001}, {1, 1.0, 0.999}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& k = keys[i];
    EXPECT_EQ(k.index, rows[i].index);
    EXPECT_NEAR(k.targetX, rows[i].tx, kEps);
    EXPECT_NEAR(k.targetY, 0.0, kEps);
    EXPECT_NEAR(k.targetHeight, 0.24, kEps);  // 120 m = 0.12 km, times 2
    EXPECT_NEAR(k.observerX, rows[i].camX, kEps);
    EXPECT_NEAR(k.observerY, 0.0, kEps);
    EXPECT_NEAR(k.observerHeight, 0.46264, kEps);  // (120 + 111.32) m, times 2
  }
}

TEST(FlyThroughTracks, AHeightAwarePathUsesEachVertexHeight) {
  std::vector<PathVertex> path{{0, 0, 300}, {0, 1, 700}, {0, 2, 900}};
  auto keys = LinearTrack(path, true, 0.0, 50.0, 1.0, [](double, double) { return 1e6; });
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_NEAR(keys[0].targetHeight, 0.3, kEps);
  EXPECT_NEAR(keys[0].observerHeight, 0.35, kEps);
  EXPECT_NEAR(keys[0].observerY, -0.0001, kEps);  // due north: camera south
  EXPECT_NEAR(keys[1].targetHeight, 0.7, kEps);
}

TEST(FlyThroughTracks, SegmentsAcrossTheDateLineAreSkipped) {
  std::vector<PathVertex> path{{179.5, 0}, {180, 0}, {-180, 0}, {-179.5, 0}};
  auto keys = LinearTrack(path, false, 30.0, 100.0, 1.0, [](double, double) { return 0.0; });
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].index, 0);
  EXPECT_EQ(keys[1].index, 2);
}

TEST(FlyThroughTracks, ARadialTrackLooksAtTheCircleOfItsRadiusOnTheObserversSide) {
  RadialObserver o;
  o.x = 10;
  o.y = 50;
  o.spotMetres = 200;
  o.offsetMetres = 20;
  o.radiusMetres = -11132.0;  // stored negative: 0.1 degrees
  o.azimuthFrom = 0;
  o.azimuthTo = 90;
  auto keys = RadialTrack(o, 1.0, [](double, double) { return 50.0; });
  ASSERT_EQ(keys.size(), 91u);
  const double r = 0.1 * std::sqrt(0.5);
  struct Row {
    std::size_t i;
    double tx, ty;
  };
  const Row rows[] = {{0, 10.0, 50.1}, {45, 10 + r, 50 + r}, {90, 10.1, 50.0}};
  for (const auto& row : rows) {
    const auto& k = keys[row.i];
    EXPECT_EQ(k.index, static_cast<long>(row.i));
    EXPECT_NEAR(k.targetX, row.tx, kEps) << row.i;
    EXPECT_NEAR(k.targetY, row.ty, kEps) << row.i;
    EXPECT_NEAR(k.targetHeight, 0.05, kEps);
    EXPECT_DOUBLE_EQ(k.observerX, 10.0);
    EXPECT_DOUBLE_EQ(k.observerY, 50.0);
    EXPECT_NEAR(k.observerHeight, 0.22, kEps);
  }
  // A radius stored positive gives the same circle.
  o.radiusMetres = 11132.0;
  EXPECT_NEAR(RadialTrack(o, 1.0, [](double, double) { return 50.0; })[0].targetY, 50.1, kEps);
}

TEST(FlyThroughTracks, ARadialRangeThatEndsAtOrBeforeItsStartGoesRound) {
  struct Case {
    double from, to;
    std::size_t count;
  };
  const Case cases[] = {{45, 45, 361}, {350, 10, 21}, {0, 90, 91}, {90, 0, 271}};
  for (const auto& c : cases) {
    RadialObserver o;
    o.radiusMetres = -1000;
    o.azimuthFrom = c.from;
    o.azimuthTo = c.to;
    auto keys = RadialTrack(o, 1.0, [](double, double) { return 0.0; });
    EXPECT_EQ(keys.size(), c.count) << c.from << " to " << c.to;
  }
}

TEST(FlyThroughTracks, AnAroundPointTrackTurnsOnceAtTheDistanceInKilometres) {
  auto keys = AroundPointTrack(10, 50, 11.132, 90, 100, 1.0, [](double, double) { return 50.0; });
  ASSERT_EQ(keys.size(), 360u);
  EXPECT_NEAR(keys[0].targetX, 10.1, kEps);  // 11.132 km is 0.1 degrees, due east first
  EXPECT_NEAR(keys[0].targetY, 50.0, kEps);
  EXPECT_NEAR(keys[90].targetX, 10.0, kEps);  // then clockwise: south
  EXPECT_NEAR(keys[90].targetY, 49.9, kEps);
  EXPECT_NEAR(keys[359].targetY, 50.0 + 0.1 * std::sin(1.0 * 0.017453292519943295), kEps);
  EXPECT_NEAR(keys[0].observerHeight, 0.15, kEps);  // (50 + 100) m
  EXPECT_NEAR(keys[0].targetHeight, 0.05, kEps);
}

TEST(FlyThroughTracks, PathChecksSpacingAndUnits) {
  EXPECT_EQ(CheckFlightPath({}), PathFault::kTooFewVertices);
  EXPECT_EQ(CheckFlightPath({{1, 1}}), PathFault::kTooFewVertices);
  EXPECT_EQ(CheckFlightPath({{1, 1}, {1, 1}}), PathFault::kNoLength);
  EXPECT_EQ(CheckFlightPath({{1, 1}, {1, 1}, {2, 1}}), PathFault::kNone);
  // A vertex whose place is no number refuses the path, wherever it is.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(CheckFlightPath({{nan, 1}, {2, 1}}), PathFault::kNotANumber);
  EXPECT_EQ(CheckFlightPath({{1, 1}, {2, nan}, {3, 1}}), PathFault::kNotANumber);
  EXPECT_EQ(CheckFlightPath({{1, 1}, {-inf, 1}}), PathFault::kNotANumber);
  EXPECT_EQ(CheckFlightPath({{nan, nan}}), PathFault::kNotANumber);
  EXPECT_DOUBLE_EQ(DensifySpacing(5.0), 0.5);
  EXPECT_DOUBLE_EQ(DensifySpacing(10.0), 1.0);
  EXPECT_DOUBLE_EQ(DensifySpacing(25.0), 1.0);
  EXPECT_NEAR(KilometresToDegrees(10.0), 0.089831117499, 1e-12);
}

}  // namespace
}  // namespace velk::corvane::fly
