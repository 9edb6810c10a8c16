// The sight line against the brute-force reference of the visibility engine's tests: the target
// and every cell centre the line passes over, with and without curvature and refraction.
#include "platform/host/analysis/sight_line.h"

#include <cmath>

#include <gtest/gtest.h>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/viewshed_oracle.h"

namespace velk::host::analysis {
namespace {

using test::BruteForceSees;
using test::MakeTerrain;

struct OracleCase {
  const char* terrain;
  double cell;
  double eyeOffset;
  double targetOffset;
  bool curvature;
  double refraction;
  bool mixed = true;  // some targets hidden, some seen
};

const OracleCase kCases[] = {
    {"ridge", 100.0, 2.0, 0.0, false, 0.13},  {"ridge", 100.0, 2.0, 0.0, true, 0.13},
    {"ridge", 100.0, 10.0, 5.0, true, 0.0},   {"hills", 100.0, 2.0, 2.0, false, 0.13},
    {"hills", 100.0, 2.0, 2.0, true, 0.13},   {"hills", 250.0, 1.0, 0.0, true, -0.5},
    {"cone", 100.0, 2.0, 0.0, true, 0.13},    {"pit", 100.0, 0.0, 0.0, false, 0.13, false},
    {"tilted", 100.0, 2.0, 0.0, true, 0.13, false},
};

bool SeenAt(const SightLineResult& r, double u) {
  for (const Stretch& s : r.stretches)
    if (s.visible && s.from <= u && u <= s.to) return true;
  return false;
}

double Ground(const GridView<float>& g, int c, int r) {
  return g.values[static_cast<std::size_t>(r) * g.columns + c];
}

void CheckAgainstOracle(const GridView<float>& g, const OracleCase& k, int oc, int orow) {
  CurvatureOptions curvature{k.curvature, k.refraction};
  ViewshedObserver observer{oc, orow, {}, std::nullopt};
  observer.limits.offsetA = k.eyeOffset;
  observer.limits.offsetB = k.targetOffset;
  ViewshedObserver groundObserver = observer;
  groundObserver.limits.offsetB = 0.0;
  const double eye = Ground(g, oc, orow) + k.eyeOffset;
  int targets = 0, hidden = 0;
  for (int tr = 0; tr < g.rows; tr += 3) {
    for (int tc = 0; tc < g.columns; tc += 3) {
      if (tc == oc && tr == orow) continue;
      const double ground = Ground(g, tc, tr);
      if (std::isnan(ground) || (g.noData && ground == *g.noData)) continue;  // a void
      const auto r = ComputeSightLine(g, {double(oc), double(orow)}, eye,
                                      {double(tc), double(tr)},
                                      Ground(g, tc, tr) + k.targetOffset, {curvature});
      ASSERT_EQ(r.targetVisible, BruteForceSees(g, observer, curvature, tc, tr))
          << k.terrain << " to " << tc << "," << tr;
      ++targets;
      hidden += !r.targetVisible;
      ASSERT_EQ(r.obstruction.has_value(), !r.targetVisible);
      ASSERT_FALSE(r.stretches.empty());
      EXPECT_EQ(r.stretches.front().from, 0.0);
      EXPECT_EQ(r.stretches.back().to, 1.0);
      // On rows, columns and diagonals every cell centre passed over is a sample: its ground is
      // seen exactly when the reference sees that cell.
      const int dc = tc - oc, dr = tr - orow;
      if (dc != 0 && dr != 0 && std::abs(dc) != std::abs(dr)) continue;
      const int steps = std::max(std::abs(dc), std::abs(dr));
      for (int s = 1; s <= steps; ++s) {
        const int c = oc + dc / steps * s, row = orow + dr / steps * s;
        ASSERT_EQ(SeenAt(r, double(s) / steps), BruteForceSees(g, groundObserver, curvature, c, row))
            << k.terrain << " to " << tc << "," << tr << " at " << c << "," << row;
      }
    }
  }
  EXPECT_GT(targets, 100);
  // Each case of mixed terrain has both outcomes, else it shows little.
  if (k.mixed) {
    EXPECT_GT(hidden, 0) << k.terrain;
    EXPECT_LT(hidden, targets) << k.terrain;
  }
}

TEST(SightLine, AgreesWithTheBruteForceReference) {
  for (const OracleCase& k : kCases) {
    auto t = MakeTerrain(k.terrain, 61, 51, k.cell);
    CheckAgainstOracle(t.view, k, 17, 23);
  }
}

TEST(SightLine, AgreesWithTheReferenceOnTheSharedDtedCell) {
  const std::string path = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";
  auto t = test::ReadDtedWindow(path, 560, 780, 90, 90);  // the island's western slopes
  VELK_REQUIRE(!t.values.empty(), "shared DTED cell not found: " + path);
  for (bool curvature : {false, true})
    CheckAgainstOracle(t.view, {"dted", 92.0, 2.0, 2.0, curvature, 0.13}, 5, 40);
}

TEST(SightLine, ProfileCrossesEveryColumnAndRowOfCellCentres) {
  auto t = MakeTerrain("hills", 20, 20, 30.0);
  const auto p = SampleProfile(t.view, {2.0, 3.0}, {9.5, 7.25});
  // Columns 3..9 and rows 4..7 strictly between, then the ends.
  ASSERT_EQ(p.size(), 7u + 4u + 2u);
  for (std::size_t i = 1; i < p.size(); ++i) EXPECT_GT(p[i].u, p[i - 1].u);
  EXPECT_EQ(p.front().z, Ground(t.view, 2, 3));
  EXPECT_EQ(p.back().z, Ground(t.view, 10, 7));  // 9.5 rounds into column 10
  for (const auto& s : p) {
    if (s.u == 0 || s.u == 1) continue;
    // Between the two cells it lies between.
    const int c0 = int(std::floor(s.place.column)), r0 = int(std::floor(s.place.row));
    const int c1 = int(std::ceil(s.place.column)), r1 = int(std::ceil(s.place.row));
    const double a = Ground(t.view, c0, r0), b = Ground(t.view, c1, r1);
    EXPECT_GE(s.z, std::min(a, b) - 1e-3);
    EXPECT_LE(s.z, std::max(a, b) + 1e-3);
  }
}

TEST(SightLine, VoidsAndEdges) {
  auto t = MakeTerrain("plane", 10, 10, 30.0);
  t.values[5 * 10 + 5] = std::nanf("");
  // A void under the line is not seen and hides nothing.
  auto r = ComputeSightLine(t.view, {1, 5}, 102.0, {8, 5}, 100.0);
  EXPECT_TRUE(r.targetVisible);
  EXPECT_FALSE(SeenAt(r, 4.0 / 7.0));
  EXPECT_TRUE(SeenAt(r, 3.0 / 7.0));
  EXPECT_TRUE(SeenAt(r, 5.0 / 7.0));
  // Off the grid the profile has no terrain.
  const auto p = SampleProfile(t.view, {8, 8}, {12, 8});
  EXPECT_TRUE(std::isnan(p.back().z));
  // No line at all.
  r = ComputeSightLine(t.view, {3, 3}, 102.0, {3, 3}, 100.0);
  EXPECT_TRUE(r.stretches.empty());
}

}  // namespace
}  // namespace velk::host::analysis
