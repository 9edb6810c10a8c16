// The rays of a threat dome and the parts made of them, over small grids built in code.
#include "terrain/threat_dome/dome_rays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "terrain/threat_dome/dome_mesh.h"

namespace velk::corvane {
namespace {

// A 10 m grid of 300 x 300 cells (x and y from -1500 to 1500), flat at 0 m with a north-south
// wall 200 m high in columns 220 and 221 (x 700 to 720).
struct RidgeGrid {
  std::vector<float> cells;
  DomeSurface surface;
  RidgeGrid() : cells(300 * 300, 0.0f) {
    for (int r = 0; r < 300; ++r) cells[r * 300 + 220] = cells[r * 300 + 221] = 200.0f;
    surface.grid = {cells.data(), 300, 300, 10.0, 10.0, std::nullopt};
    surface.originX = -1500.0;
    surface.originY = 1500.0;
  }
};

TEST(DomeRays, OpenRaysReachTheRadiusAndTheRidgeStopsTheOthers) {
  RidgeGrid g;
  const DomePoint centre{5.0, 5.0, 10.0, 0.0};  // over the centre of cell (150, 149)
  // East and level: the wall (x 700-720) hides the end at 1.4 km; the ray ends on the wall.
  DomeRay east = TraceDomeRay(g.surface, centre, DomeRayTarget(centre, 1400.0, 90.0, 0.0));
  EXPECT_EQ(east.kind, DomeRayEndKind::kObstructed);
  EXPECT_GE(east.point.x, 700.0);
  EXPECT_LE(east.point.x, 720.0);
  EXPECT_NEAR(east.point.y, 5.0, 1e-6);
  EXPECT_NEAR(east.point.z, 200.0, 1e-6);
  // Steep enough to pass over it, and west over open ground: full length.
  for (double az : {90.0, 270.0}) {
    const DomePoint target = DomeRayTarget(centre, 1400.0, az, az == 90.0 ? 20.0 : 0.0);
    DomeRay open = TraceDomeRay(g.surface, centre, target);
    EXPECT_EQ(open.kind, DomeRayEndKind::kOpen) << az;
    EXPECT_NEAR(std::hypot(open.point.x - centre.x, open.point.y - centre.y,
                           open.point.z - centre.z),
                1400.0, 1e-6);
  }
  // A ray whose end leaves the grid: hidden with nothing to show, it ends at the centre.
  DomeRay off = TraceDomeRay(g.surface, centre, DomeRayTarget(centre, 5000.0, 0.0, 0.0));
  EXPECT_EQ(off.kind, DomeRayEndKind::kCentre);
  EXPECT_EQ(off.point.x, centre.x);
  EXPECT_EQ(off.point.z, centre.z);
}

TEST(DomeRays, TheGridHoldsEveryRayAndAllCoresAgreeWithOne) {
  RidgeGrid g;
  const DomePoint centre{5.0, 5.0, 10.0, 0.0};
  DomeRayOptions one;
  one.threads = 1;
  const DomeRaysResult serial = ComputeDomeRays(g.surface, centre, 1400.0, one);
  const DomeRaysResult parallel = ComputeDomeRays(g.surface, centre, 1400.0);
  ASSERT_TRUE(serial.error.empty());
  EXPECT_FALSE(serial.cancelled);
  ASSERT_EQ(serial.grid.RowCount(), 37);
  ASSERT_EQ(serial.grid.ColumnCount(), 19);
  EXPECT_EQ(serial.samples, parallel.samples);
  EXPECT_GT(serial.samples, 703u);
  for (int i = 0; i < 37; ++i)
    for (int j = 0; j < 19; ++j) {
      const auto& a = serial.grid.At(i, j);
      const auto& b = parallel.grid.At(i, j);
      ASSERT_TRUE(a && b) << i << "," << j;
      EXPECT_EQ(a->x, b->x);
      EXPECT_EQ(a->y, b->y);
      EXPECT_EQ(a->z, b->z);
      // Each cell is the ray traced alone.
      const DomeRay ray = TraceDomeRay(
          g.surface, centre, DomeRayTarget(centre, 1400.0, i * 10.0, (j - 9) * 10.0));
      EXPECT_EQ(a->x, ray.point.x);
      EXPECT_EQ(a->z, ray.point.z);
    }
  // Due east and level is stopped by the wall; straight up is open and straight down ends on
  // the ground under the centre, whatever the azimuth.
  EXPECT_LT(serial.grid.At(9, 9)->x, 800.0);
  for (int i : {0, 9, 36}) {
    EXPECT_EQ(serial.grid.At(i, 18)->x, centre.x);
    EXPECT_EQ(serial.grid.At(i, 18)->z, 1410.0);
    EXPECT_EQ(serial.grid.At(i, 0)->y, centre.y);
    EXPECT_EQ(serial.grid.At(i, 0)->z, 0.0);
  }
}

TEST(DomeRays, CurvatureHidesWhatLiesBeyondTheHorizon) {
  // Flat ground, the eye 1 m up: a level ray of 21 km is seen on a flat earth; with the earth's
  // curvature the ground's horizon lies about 3.8 km out and the end (30 m below it) is hidden.
  std::vector<float> cells(5 * 2201, 0.0f);
  DomeSurface s;
  s.grid = {cells.data(), 2201, 5, 10.0, 10.0, std::nullopt};
  const DomePoint centre{5.0, -25.0, 1.0, 0.0};
  const DomePoint target = DomeRayTarget(centre, 21000.0, 90.0, 0.0);
  EXPECT_EQ(TraceDomeRay(s, centre, target).kind, DomeRayEndKind::kOpen);
  host::analysis::CurvatureOptions curved;
  curved.useCurvature = true;
  const DomeRay hidden = TraceDomeRay(s, centre, target, curved);
  EXPECT_EQ(hidden.kind, DomeRayEndKind::kObstructed);
  EXPECT_GT(hidden.point.x, 2000.0);
  EXPECT_LT(hidden.point.x, 6000.0);
}

TEST(DomeRays, StepsAndRadiiThatMakeNoDomeAreRefused) {
  RidgeGrid g;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double azimuthStep, elevationStep, radius;
  };
  const Case refused[] = {{0, 10, 100},   {-10, 10, 100}, {10, 0, 100},   {10, -1, 100},
                          {nan, 10, 100}, {10, nan, 100}, {361, 10, 100}, {10, 91, 100},
                          {10, 10, 0},    {10, 10, -5},   {10, 10, nan}};
  for (const auto& c : refused) {
    DomeRayOptions o;
    o.azimuthStep = c.azimuthStep;
    o.elevationStep = c.elevationStep;
    const auto r = ComputeDomeRays(g.surface, {}, c.radius, o);
    EXPECT_FALSE(r.error.empty()) << c.azimuthStep << " " << c.elevationStep << " " << c.radius;
    EXPECT_EQ(r.grid.RowCount(), 0);
  }
  EXPECT_TRUE(CheckDomeSteps(360, 90).empty());
  EXPECT_EQ(CountsOf(7, 7).azimuthCount, 51);
  EXPECT_EQ(CountsOf(7, 7).elevationCount, 12);
}

TEST(DomeRays, KeepGoingStopsTheWorkAndLeavesTheRestEmpty) {
  RidgeGrid g;
  int asked = 0;
  DomeRayOptions o;
  o.threads = 1;
  const auto r = ComputeDomeRays(g.surface, {5, 5, 10, 0}, 500.0, o, [&] { return ++asked <= 40; });
  EXPECT_TRUE(r.cancelled);
  int set = 0;
  for (const auto& row : r.grid.Rows())
    for (const auto& cell : row) set += cell ? 1 : 0;
  EXPECT_EQ(set, 40);
  const DomeMesh mesh = BuildDomeMesh(r.grid, {5, 5, 10, 0}, CountsOf(10, 10));
  EXPECT_EQ(mesh.rings.size(), 19u);
  EXPECT_EQ(mesh.rings[0].size(), 3u);  // rows 0, 1 and 2 reached column 0
}

TEST(DomeMesh, PartsFollowTheGrid) {
  struct Case {
    double step;
    std::size_t strips, stripPoints, fanPoints, meridianPoints, rings, ringPoints;
  };
  const Case cases[] = {{10, 36, 38, 38, 19, 19, 37}, {7, 51, 50, 53, 25, 25, 52}};
  for (const auto& c : cases) {
    const DomeCounts counts = CountsOf(c.step, c.step);
    DomePointGrid grid(counts.Rows(), counts.Columns());
    for (int i = 0; i < counts.Rows(); ++i)
      for (int j = 0; j < counts.Columns(); ++j) grid.At(i, j) = DomePoint{1.0 * i, 1.0 * j, 0, 0};
    const DomePoint centre{-1, -1, -1, 0};
    const DomeMesh mesh = BuildDomeMesh(grid, centre, counts);
    ASSERT_EQ(mesh.strips.size(), c.strips) << c.step;
    ASSERT_EQ(mesh.meridians.size(), c.strips);
    ASSERT_EQ(mesh.rings.size(), c.rings);
    for (std::size_t i = 0; i < mesh.strips.size(); ++i) {
      ASSERT_EQ(mesh.strips[i].size(), c.stripPoints);
      ASSERT_EQ(mesh.meridians[i].size(), c.meridianPoints);
      // The strip alternates rows i and i + 1, lowest first.
      EXPECT_EQ(mesh.strips[i][0].x, i);
      EXPECT_EQ(mesh.strips[i][1].x, i + 1);
      EXPECT_EQ(mesh.strips[i][1].y, 0);
      EXPECT_EQ(mesh.strips[i].back().y, 2 * counts.elevationCount);
    }
    for (const auto& ring : mesh.rings) EXPECT_EQ(ring.size(), c.ringPoints);
    ASSERT_EQ(mesh.fan.size(), c.fanPoints);
    EXPECT_EQ(mesh.fan.front().x, -1);
    EXPECT_EQ(mesh.fan[1].y, counts.elevationCount);
    EXPECT_EQ(mesh.fan.back().x, 0);  // back to row 0
    EXPECT_EQ(mesh.fan.back().y, counts.elevationCount);
  }
}

TEST(DomePointGrid, CopiesHoldTheirOwnPoints) {
  DomePointGrid a(2, 3);
  EXPECT_EQ(a.Rows().size(), 2u);
  EXPECT_FALSE(a.At(1, 2).has_value());
  a.At(0, 0) = DomePoint{1, 2, 3, 4};
  DomePointGrid b = a;
  b.At(0, 0)->m = 9;
  EXPECT_EQ(a.At(0, 0)->m, 4);
  DomePointGrid none(0, 5);
  EXPECT_TRUE(none.Rows().empty());
  EXPECT_EQ(none.ColumnCount(), 5);
}

}  // namespace
}  // namespace velk::corvane
