// The visibility engine against the brute-force reference, against closed forms on a plane,
// and on bad input.
#include "platform/host/analysis/viewshed.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/viewshed_oracle.h"

namespace velk::host::analysis {
namespace {

using test::Agreement;
using test::BruteForceVisibility;
using test::MakeTerrain;

// Of the cells the reference sees, the share the engine sees too (agreement alone is weak where
// little is seen).
double Recall(const std::vector<std::uint8_t>& ref, const std::vector<std::uint16_t>& counts) {
  std::size_t seen = 0, both = 0;
  for (std::size_t i = 0; i < ref.size(); ++i) {
    if (!ref[i]) continue;
    ++seen;
    both += counts[i] > 0;
  }
  return seen ? static_cast<double>(both) / seen : 1.0;
}

std::vector<std::uint16_t> Counts(const GridView<float>& g,
                                  const std::vector<ViewshedObserver>& obs,
                                  const ViewshedOptions& options = {}) {
  ViewshedResult r = ComputeViewshed(g, obs, options);
  EXPECT_EQ(r.error, "");
  return r.counts;
}

struct LimitCase {
  const char* name;
  ObserverLimits limits;
  bool curvature;
  std::optional<double> spot;
};

const double kInf = std::numeric_limits<double>::infinity();

std::vector<LimitCase> LimitCases() {
  return {
      {"plain", {2, 0, 0, 360, 90, -90, 0, kInf}, false, {}},
      {"curvature and refraction", {2, 0, 0, 360, 90, -90, 0, kInf}, true, {}},
      {"sector through north", {2, 1, 300, 60, 90, -90, 0, kInf}, false, {}},
      {"narrow sector", {5, 0, 100, 130, 90, -90, 0, kInf}, true, {}},
      {"vertical limits", {2, 0, 0, 360, 1, -3, 0, kInf}, false, {}},
      {"inner and outer horizontal", {2, 0, 0, 360, 90, -90, -1500, -4000}, false, {}},
      {"outer 3-D with spot", {2, 0, 0, 360, 90, -90, 0, 3000}, true, 180.0},
  };
}

// Every terrain and observer configuration agrees with the reference on at least 99% of cells;
// GDAL's own viewshed is shown beside it where it has the same model.
TEST(ViewshedEngine, AgreesWithBruteForceOnSyntheticTerrains) {
  for (const char* kind : {"ridge", "pit", "plane", "tilted", "cone", "hills"}) {
    auto t = MakeTerrain(kind, 161, 141, 30.0);
    for (const auto& c : LimitCases()) {
      ViewshedObserver o{57, 80, c.limits, c.spot};
      ViewshedOptions opt;
      opt.curvature.useCurvature = c.curvature;
      const auto counts = Counts(t.view, {o}, opt);
      const auto ref = BruteForceVisibility(t.view, o, opt.curvature);
      const double ours = Agreement(ref, counts);
      EXPECT_GE(ours, 0.99) << kind << ", " << c.name;
      EXPECT_GE(Recall(ref, counts), 0.97) << kind << ", " << c.name;
      if (std::string(c.name) == "plain" || std::string(c.name) == "curvature and refraction") {
        const auto gdal = test::GdalVisibility(t.view, o, opt.curvature);
        std::vector<std::uint16_t> gdalCounts(gdal.begin(), gdal.end());
        std::printf("%-7s %-26s engine %.4f  GDAL %.4f\n", kind, c.name, ours,
                    gdal.empty() ? -1.0 : Agreement(ref, gdalCounts));
      }
    }
  }
}

TEST(ViewshedEngine, AgreesWithBruteForceOnTheSharedDtedCell) {
  auto t = test::ReadDtedWindow(std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1", 620,
                                820, 181, 201);
  VELK_REQUIRE(!t.values.empty(), "shared DTED cell n00_e006_3arc_v2.dt1 not readable");
  // Observers in the middle of the window, on a slope to the east, and on the summit, which
  // is ringed by voids of the source data: the hardest case here (rough terrain seen from
  // above, much of it near the horizon); there the engine is held to 98%.
  const auto top = std::max_element(t.values.begin(), t.values.end()) - t.values.begin();
  struct Place {
    const char* name;
    int column, row;
    double least;
  };
  const Place places[] = {
      {"middle", 90, 100, 0.99},
      {"east slope", 140, 100, 0.99},
      {"summit", static_cast<int>(top % 181), static_cast<int>(top / 181), 0.98}};
  for (const auto& p : places) {
    for (const auto& c : LimitCases()) {
      ViewshedObserver o{p.column, p.row, c.limits,
                         c.spot ? std::optional<double>(*c.spot + 300) : std::nullopt};
      ViewshedOptions opt;
      opt.curvature.useCurvature = c.curvature;
      const auto counts = Counts(t.view, {o}, opt);
      const auto ref = BruteForceVisibility(t.view, o, opt.curvature);
      const double ours = Agreement(ref, counts);
      EXPECT_GE(ours, p.least) << p.name << ", " << c.name;
      std::size_t seen = 0;
      for (auto v : ref) seen += v;
      // Where a few dozen cells are seen, a handful of boundary cells decide the share.
      if (seen >= 200) {
        EXPECT_GE(Recall(ref, counts), 0.95) << p.name << ", " << c.name;
      }
      std::printf("DTED %-10s %-26s engine %.4f  (%.0f%% seen)", p.name, c.name, ours,
                  100.0 * seen / ref.size());
      if (std::string(c.name) == "plain" || std::string(c.name) == "curvature and refraction") {
        const auto gdal = test::GdalVisibility(t.view, o, opt.curvature);
        std::vector<std::uint16_t> gdalCounts(gdal.begin(), gdal.end());
        for (std::size_t i = 0; i < gdalCounts.size(); ++i)
          if (counts[i] == kVoidCount) gdalCounts[i] = kVoidCount;
        std::printf("  GDAL %.4f", gdal.empty() ? -1.0 : Agreement(ref, gdalCounts));
      }
      std::printf("\n");
    }
  }
}

// On a flat plane with the eye e metres up, curvature hides everything beyond sqrt(e / c),
// c = (1 - k) / 2R: a closed form the engine must meet apart from a ring one cell wide.
TEST(ViewshedEngine, CurvatureHidesAFlatPlaneBeyondTheGeometricHorizon) {
  auto t = MakeTerrain("plane", 301, 301, 40.0);
  for (double k : {0.0, 0.13, 0.5}) {
    ViewshedObserver o{150, 150, {3, 0, 0, 360, 90, -90, 0, kInf}, {}};
    ViewshedOptions opt;
    opt.curvature = {true, k};
    const auto counts = Counts(t.view, {o}, opt);
    const double horizon = std::sqrt(3.0 / ((1 - k) / (2 * kEarthRadius)));
    int wrong = 0;
    for (int r = 0; r < 301; ++r)
      for (int c = 0; c < 301; ++c) {
        const double d = std::hypot(c - 150, r - 150) * 40.0;
        if (std::fabs(d - horizon) < 60.0) continue;
        if ((counts[r * 301 + c] > 0) != (d < horizon)) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << "refraction " << k << ", horizon " << horizon;
  }
}

// Limits on a plane (everything visible): cells seen are exactly those the closed forms admit.
TEST(ViewshedEngine, ObserverLimitsOnAPlaneMatchClosedForms) {
  auto t = MakeTerrain("plane", 121, 101, 50.0);
  const int oc = 40, orow = 60;
  const double eye = 10.0;  // the eye is 10 m above the plane
  struct Case {
    const char* name;
    ObserverLimits limits;
    std::function<bool(double east, double north)> seen;
  };
  auto az = [](double e, double n) {
    double a = std::atan2(e, n) * 180.0 / M_PI;
    return a < 0 ? a + 360 : a;
  };
  const std::vector<Case> cases = {
      {"sector 300 to 60",
       {eye, 0, 300, 60, 90, -90, 0, kInf},
       [&](double e, double n) {
         double a = az(e, n);
         return a >= 300 || a <= 60;
       }},
      {"sector 90 to 180",
       {eye, 0, 90, 180, 90, -90, 0, kInf},
       [&](double e, double n) {
         double a = az(e, n);
         return a >= 90 && a <= 180;
       }},
      {"horizontal ring 500 to 2000",
       {eye, 0, 0, 360, 90, -90, -500, -2000},
       [](double e, double n) {
         double h = std::hypot(e, n);
         return h >= 500 && h <= 2000;
       }},
      {"3-D outer 1000",
       {eye, 0, 0, 360, 90, -90, 0, 1000},
       [&](double e, double n) { return std::hypot(std::hypot(e, n), eye) <= 1000; }},
      // Looking down at least 1 degree: within 10 / tan(1 deg) metres.
      {"vertical -90 to -1",
       {eye, 0, 0, 360, -1, -90, 0, kInf},
       [&](double e, double n) { return std::hypot(e, n) <= eye / std::tan(M_PI / 180); }},
      // Target 30 m up, looking up at most 2 degrees: beyond 20 / tan(2 deg) metres.
      {"target offset, vertical 2 to -90",
       {eye, 30, 0, 360, 2, -90, 0, kInf},
       [&](double e, double n) { return std::hypot(e, n) >= 20 / std::tan(2 * M_PI / 180); }},
  };
  for (const auto& c : cases) {
    const auto counts = Counts(t.view, {{oc, orow, c.limits, {}}});
    int wrong = 0;
    for (int r = 0; r < 101; ++r)
      for (int col = 0; col < 121; ++col) {
        if (col == oc && r == orow) continue;
        const double e = (col - oc) * 50.0, n = (orow - r) * 50.0;
        if ((counts[r * 121 + col] > 0) != c.seen(e, n)) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << c.name;
  }
}

TEST(ViewshedEngine, CountsAreTheSumOfTheObserversAndThreadsChangeNothing) {
  auto t = MakeTerrain("hills", 151, 131, 25.0);
  const std::vector<ViewshedObserver> obs = {
      {20, 30, {2, 0, 0, 360, 90, -90, 0, kInf}, {}},
      {120, 100, {15, 1, 200, 20, 90, -90, 0, -2500}, {}},
      {75, 65, {2, 0, 0, 360, 30, -30, -300, kInf}, {}},
  };
  const auto all = Counts(t.view, obs);
  std::vector<int> sum(all.size(), 0);
  for (const auto& o : obs) {
    const auto one = Counts(t.view, {o});
    for (std::size_t i = 0; i < one.size(); ++i) sum[i] += one[i];
  }
  for (std::size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], sum[i]) << "cell " << i;
  for (unsigned threads : {2u, 0u}) {
    ViewshedOptions opt;
    opt.threads = threads;
    EXPECT_EQ(Counts(t.view, obs, opt), all) << threads << " threads";
  }
  // One observer on many threads: its octants' rays are parted among them.
  for (const auto& o : obs) {
    const auto one = Counts(t.view, {o});
    for (unsigned threads : {3u, 8u, 16u}) {
      ViewshedOptions opt;
      opt.threads = threads;
      EXPECT_EQ(Counts(t.view, {o}, opt), one) << threads << " threads, one observer";
    }
  }
}

// A window of a larger grid (rows a stride apart, not copied) counts as the same cells copied
// into a grid of their own, observers at its edges and corners included.
TEST(ViewshedEngine, AWindowOfAGridCountsAsItsCopy) {
  auto t = MakeTerrain("hills", 150, 120, 30.0);
  const int c0 = 23, r0 = 31, columns = 97, rows = 64;
  std::vector<float> copy;
  for (int r = r0; r < r0 + rows; ++r)
    copy.insert(copy.end(), t.values.begin() + r * 150 + c0,
                t.values.begin() + r * 150 + c0 + columns);
  const GridView<float> own{copy.data(), columns, rows, 30.0, 30.0, {}};
  const GridView<float> window = t.view.Window(c0, r0, columns, rows);
  for (const auto& [c, r] :
       std::vector<std::pair<int, int>>{{40, 30}, {0, 0}, {96, 63}, {96, 10}}) {
    const std::vector<ViewshedObserver> obs = {{c, r, {2, 0, 0, 360, 90, -90, 0, kInf}, {}},
                                               {50, 20, {5, 0, 30, 200, 90, -90, 0, -1500}, {}}};
    ViewshedOptions opt;
    opt.curvature.useCurvature = true;
    opt.threads = 3;
    const auto counts = Counts(window, obs, opt);
    EXPECT_EQ(counts, Counts(own, obs, opt)) << c << "," << r;
    EXPECT_EQ(counts.size(), copy.size());
  }
}

TEST(ViewshedEngine, VoidsGiveNoDataAndInt16MatchesFloat) {
  auto t = MakeTerrain("hills", 90, 80, 30.0);
  std::vector<std::int16_t> ints(t.values.size());
  for (std::size_t i = 0; i < ints.size(); ++i) {
    t.values[i] = std::round(t.values[i]);
    ints[i] = static_cast<std::int16_t>(t.values[i]);
  }
  for (int r = 10; r < 20; ++r)
    for (int c = 50; c < 60; ++c) {
      t.values[r * 90 + c] = NAN;
      ints[r * 90 + c] = -32767;
    }
  const ViewshedObserver o{30, 40, {2, 0, 0, 360, 90, -90, 0, kInf}, {}};
  const auto counts = Counts(t.view, {o});
  for (int r = 0; r < 80; ++r)
    for (int c = 0; c < 90; ++c) {
      const bool isVoid = r >= 10 && r < 20 && c >= 50 && c < 60;
      EXPECT_EQ(counts[r * 90 + c] == kVoidCount, isVoid) << c << "," << r;
    }
  EXPECT_GE(Agreement(BruteForceVisibility(t.view, o), counts), 0.99);
  GridView<std::int16_t> iv{ints.data(), 90, 80, 30.0, 30.0, -32767.0};
  EXPECT_EQ(ComputeViewshed(iv, {o}).counts, counts);
}

// The progress callback: shares from 0 to 1 that never shrink, one call at a time on the
// calling thread; stopping at the first or second call (mid-run or at its end) gives "cancelled"
// and no counts, and the callback hears nothing more; a callback that never stops leaves the
// counts as they are without one, on one thread and several.
TEST(ViewshedEngine, ProgressReportsAndStopsTheRun) {
  auto t = MakeTerrain("hills", 1300, 1200, 10.0);
  const std::vector<ViewshedObserver> obs = {
      {650, 600, {2, 0, 0, 360, 90, -90, 0, kInf}, {}},
      {100, 1100, {5, 0, 20, 200, 90, -90, 0, -9000}, {}},
  };
  for (unsigned threads : {1u, 4u}) {
    ViewshedOptions plain;
    plain.threads = threads;
    const auto expected = Counts(t.view, obs, plain);
    // stopAt: the call that says stop (0: none).
    for (int stopAt : {0, 1, 2}) {
      std::vector<double> shares;
      std::atomic<int> inside{0};
      bool overlapped = false;
      ViewshedOptions opt = plain;
      const std::thread::id caller = std::this_thread::get_id();
      bool elsewhere = false;
      opt.progress = [&](double share) {
        overlapped = overlapped || inside.fetch_add(1) != 0;
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        shares.push_back(share);
        inside.fetch_sub(1);
        return static_cast<int>(shares.size()) != stopAt;
      };
      const ViewshedResult r = ComputeViewshed(t.view, obs, opt);
      const std::string label = std::to_string(threads) + " threads, stop at " +
                                std::to_string(stopAt);
      EXPECT_FALSE(overlapped) << label;
      EXPECT_FALSE(elsewhere) << label;
      ASSERT_FALSE(shares.empty()) << label;
      EXPECT_EQ(shares.front(), 0.0) << label;
      EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end())) << label;
      if (stopAt == 0) {
        EXPECT_EQ(r.error, "") << label;
        EXPECT_FALSE(r.cancelled) << label;
        EXPECT_EQ(r.counts, expected) << label;
        EXPECT_EQ(shares.back(), 1.0) << label;
      } else {
        EXPECT_TRUE(r.cancelled) << label;
        EXPECT_EQ(r.error, "cancelled") << label;
        EXPECT_TRUE(r.counts.empty()) << label;
        EXPECT_EQ(shares.size(), static_cast<std::size_t>(stopAt)) << label;
      }
    }
  }
}

TEST(ViewshedEngine, BadInputIsRefusedWithAReasonAndNoCounts) {
  auto t = MakeTerrain("plane", 20, 20, 30.0);
  t.values[5 * 20 + 5] = NAN;
  const ObserverLimits ok{2, 0, 0, 360, 90, -90, 0, kInf};
  float one = 10;
  struct Case {
    const char* name;
    GridView<float> grid;
    std::vector<ViewshedObserver> observers;
    const char* says;
  };
  ObserverLimits inverted = ok, zeroSector = ok, notNumber = ok;
  inverted.radius1 = -5000;
  inverted.radius2 = -1000;
  zeroSector.azimuth1 = zeroSector.azimuth2 = 45;
  notNumber.offsetA = NAN;
  const std::vector<Case> cases = {
      {"one cell", {&one, 1, 1, 30, 30, {}}, {{0, 0, ok, {}}}, "at least two cells"},
      {"outside", t.view, {{3, 3, ok, {}}, {20, 3, ok, {}}}, "observer 2: outside"},
      {"on a void", t.view, {{5, 5, ok, {}}}, "on a void"},
      {"near beyond far", t.view, {{3, 3, inverted, {}}}, "near distance is beyond"},
      {"zero-width sector", t.view, {{3, 3, zeroSector, {}}}, "no width"},
      {"not a number", t.view, {{3, 3, notNumber, {}}}, "not a number"},
      {"no observers", t.view, {}, "no observers"},
      {"zero cell size", {t.values.data(), 20, 20, 0, 30, {}}, {{3, 3, ok, {}}}, "cell size"},
  };
  for (const auto& c : cases) {
    const auto r = ComputeViewshed(c.grid, c.observers);
    EXPECT_NE(r.error.find(c.says), std::string::npos) << c.name << ": " << r.error;
    EXPECT_TRUE(r.counts.empty()) << c.name;
  }
}

}  // namespace
}  // namespace velk::host::analysis
