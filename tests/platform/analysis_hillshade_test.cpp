// The shaded-relief kernel against gdaldem (Horn's method) as an oracle, its handling of voids,
// edges and refused input, and the cast shadows against a brute-force search along each ray.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include "platform/host/analysis/hillshade.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"

namespace {

using velk::host::analysis::CastShadows;
using velk::host::analysis::CheckHillshadeInput;
using velk::host::analysis::FloatGrid;
using velk::host::analysis::Hillshade;
using velk::host::analysis::HillshadeOptions;
using velk::host::analysis::HillshadeStatus;
using velk::test::ScratchDir;
using velk::test::ShellQuote;
using velk::test::ToolOutput;

const std::string kDted = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";

struct Raster {
  int columns = 0;
  int rows = 0;
  double cellX = 0;
  double cellY = 0;
  std::vector<float> values;  // voids as NaN
  FloatGrid Grid() const { return {values.data(), columns, rows, cellX, cellY, {}}; }
};

Raster ReadRaster(const std::string& path) {
  GDALAllRegister();
  Raster r;
  auto* ds = static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly));
  if (!ds) return r;
  double gt[6];
  ds->GetGeoTransform(gt);
  r.columns = ds->GetRasterXSize();
  r.rows = ds->GetRasterYSize();
  r.cellX = gt[1];
  r.cellY = -gt[5];
  r.values.resize(static_cast<size_t>(r.columns) * r.rows);
  GDALRasterBand* band = ds->GetRasterBand(1);
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (band->RasterIO(GF_Read, 0, 0, r.columns, r.rows, r.values.data(), r.columns, r.rows,
                     GDT_Float32, 0, 0, nullptr) != CE_None)
    r.values.clear();
  for (auto& v : r.values)
    if (hasNoData && v == noData) v = NAN;
  GDALClose(ds);
  return r;
}

bool GdaldemAvailable() {
  int status = -1;
  ToolOutput("command -v gdaldem >/dev/null 2>&1", &status);
  return status == 0;
}

// gdaldem's shaded relief of the file, as read back (nodata 0 at the border and around voids).
Raster GdaldemHillshade(const std::string& dem, const std::string& out, const HillshadeOptions& o) {
  std::ostringstream cmd;
  cmd.precision(17);
  cmd << "gdaldem hillshade -q -az " << o.azimuth << " -alt " << o.altitude << " -z " << o.zFactor
      << " " << ShellQuote(dem) << " " << ShellQuote(out) << " 2>&1";
  int status = -1;
  const std::string text = ToolOutput(cmd.str(), &status);
  EXPECT_EQ(status, 0) << text;
  return ReadRaster(out);
}

// Compares on the cells whose whole 3 x 3 window lies inside the grid and has no void; returns
// how many were compared.
int CompareInterior(const Raster& dem, const std::vector<std::uint8_t>& ours, const Raster& ref,
                    const std::string& what) {
  int compared = 0, off = 0;
  for (int r = 1; r + 1 < dem.rows; ++r) {
    for (int c = 1; c + 1 < dem.columns; ++c) {
      bool full = true;
      for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc)
          if (std::isnan(dem.values[(r + dr) * dem.columns + c + dc])) full = false;
      if (!full) continue;
      const size_t i = static_cast<size_t>(r) * dem.columns + c;
      ++compared;
      if (std::abs(int(ours[i]) - int(ref.values[i])) > 1 && ++off <= 5)
        ADD_FAILURE() << what << ": cell " << c << "," << r << " ours " << int(ours[i])
                      << " gdaldem " << ref.values[i];
    }
  }
  EXPECT_EQ(off, 0) << what;
  return compared;
}

double Relief(int c, int r) {
  return 500.0 + 120.0 * std::sin(c * 0.21) * std::cos(r * 0.17) + 40.0 * std::sin(c * 0.9 + r) +
         3.0 * ((c * 7919 + r * 104729) % 13);
}

struct OracleCase {
  const char* name;
  double azimuth, altitude, zFactor, cellX, cellY;
};

TEST(HillshadeKernel, MatchesGdaldemOnInteriorCells) {
  VELK_REQUIRE(GdaldemAvailable(), "gdaldem is not installed");
  const OracleCase cases[] = {
      {"default sun, metres", 315, 45, 1.0, 30, 30},
      {"low sun from the east, steep z", 90, 10, 3.0, 30, 30},
      {"high sun from the south", 180, 80, 1.0, 25, 25},
      {"sun due north, azimuth 0", 0, 30, 1.0, 20, 20},
      {"azimuth 360 equals 0", 360, 30, 1.0, 20, 20},
      {"horizon sun", 225, 0, 1.0, 30, 30},
      {"sun overhead", 10, 90, 1.0, 30, 30},
      {"unequal cells", 300, 35, 1.0, 30, 45},
      {"degrees at latitude 40", 315, 45, 1.0 / (std::cos(40 * 0.017453292519943295) * 111320.0),
       1.0 / 1200, 1.0 / 1200},
  };
  ScratchDir dir;
  for (const auto& k : cases) {
    velk::test::DemSpec spec;
    spec.columns = 61;
    spec.rows = 47;
    spec.cellX = k.cellX;
    spec.cellY = k.cellY;
    spec.originX = 1000;
    spec.originY = 5000;
    spec.epsg = 32631;
    spec.value = Relief;
    const std::string dem = dir / "dem.tif";
    ASSERT_TRUE(velk::test::MakeGeoTiffDem(dem, spec));
    const Raster in = ReadRaster(dem);
    HillshadeOptions o;
    o.azimuth = k.azimuth;
    o.altitude = k.altitude;
    o.zFactor = k.zFactor;
    const auto ours = Hillshade(in.Grid(), o);
    const Raster ref = GdaldemHillshade(dem, dir / "ref.tif", o);
    ASSERT_EQ(ref.values.size(), ours.size()) << k.name;
    EXPECT_EQ(CompareInterior(in, ours, ref, k.name), 59 * 45);
  }
}

TEST(HillshadeKernel, MatchesGdaldemOnTheSharedDtedCell) {
  VELK_REQUIRE(std::filesystem::exists(kDted), "shared DTED cell not found: " + kDted);
  VELK_REQUIRE(GdaldemAvailable(), "gdaldem is not installed");
  ScratchDir dir;
  const Raster in = ReadRaster(kDted);
  ASSERT_EQ(in.columns, 1201);
  HillshadeOptions o;
  o.zFactor = 1.0 / (std::cos(0.5 * 0.017453292519943295) * 111320.0);
  const auto ours = Hillshade(in.Grid(), o);
  const Raster ref = GdaldemHillshade(kDted, dir / "ref.tif", o);
  EXPECT_GT(CompareInterior(in, ours, ref, "DTED"), 1199 * 1100);
}

TEST(HillshadeKernel, VoidsAreNoDataAndTheirRimsAreShadedFromValidCells) {
  VELK_REQUIRE(GdaldemAvailable(), "gdaldem is not installed");
  ScratchDir dir;
  velk::test::DemSpec spec;
  spec.columns = 30;
  spec.rows = 20;
  spec.cellX = spec.cellY = 30;
  spec.epsg = 32631;
  spec.originX = 1000;
  spec.originY = 5000;
  spec.noData = -32767;
  // A void block in a plane rising to the east: were voids read as 0 elevation, their rims
  // would face a cliff; shaded from valid cells they look like the plane around them.
  spec.value = [](int c, int r) {
    return (c >= 10 && c < 14 && r >= 5 && r < 9) ? -32767.0 : 200.0 + 15.0 * c;
  };
  const std::string dem = dir / "void.tif";
  ASSERT_TRUE(velk::test::MakeGeoTiffDem(dem, spec));
  const Raster in = ReadRaster(dem);
  HillshadeOptions o;
  const auto ours = Hillshade(in.Grid(), o);
  const Raster ref = GdaldemHillshade(dem, dir / "ref.tif", o);
  CompareInterior(in, ours, ref, "voids");
  const std::uint8_t plane = ours[15 * 30 + 20];
  for (int r = 0; r < 20; ++r)
    for (int c = 0; c < 30; ++c) {
      const bool isVoid = c >= 10 && c < 14 && r >= 5 && r < 9;
      const auto v = ours[r * 30 + c];
      if (isVoid) {
        EXPECT_EQ(v, 0) << c << "," << r;
      } else {
        // Rims and edges lose one side of the window but see the same plane.
        EXPECT_NEAR(v, plane, 40) << c << "," << r;
        EXPECT_NE(v, 0) << c << "," << r;
      }
    }
}

TEST(HillshadeKernel, FlatGroundAndOneCellShadeBySunAltitude) {
  for (double alt : {0.0, 20.0, 45.0, 90.0}) {
    for (int n : {1, 2, 5}) {
      std::vector<float> flat(n * n, 321.0f);
      HillshadeOptions o;
      o.altitude = alt;
      o.shadows = true;
      const auto out = Hillshade({flat.data(), n, n, 10, 10, {}}, o);
      const long expected = std::max(1L, std::lround(1 + 254 * std::sin(alt * M_PI / 180)));
      for (auto v : out) EXPECT_EQ(v, expected) << "altitude " << alt << " size " << n;
    }
  }
}

TEST(HillshadeKernel, RefusesBadInputWithAReason) {
  std::vector<float> cells(9, 1.0f);
  const FloatGrid good{cells.data(), 3, 3, 1, 1, {}};
  struct Bad {
    const char* name;
    FloatGrid grid;
    HillshadeOptions options;
  };
  auto with = [](auto change) {
    HillshadeOptions o;
    change(o);
    return o;
  };
  const Bad cases[] = {
      {"azimuth below 0", good, with([](auto& o) { o.azimuth = -0.5; })},
      {"azimuth above 360", good, with([](auto& o) { o.azimuth = 360.5; })},
      {"azimuth not a number", good, with([](auto& o) { o.azimuth = NAN; })},
      {"altitude below 0", good, with([](auto& o) { o.altitude = -1; })},
      {"altitude above 90", good, with([](auto& o) { o.altitude = 90.01; })},
      {"altitude not a number", good, with([](auto& o) { o.altitude = NAN; })},
      {"z factor 0", good, with([](auto& o) { o.zFactor = 0; })},
      {"z factor negative", good, with([](auto& o) { o.zFactor = -1; })},
      {"z factor infinite", good, with([](auto& o) { o.zFactor = INFINITY; })},
      {"no cells", {cells.data(), 0, 3, 1, 1, {}}, {}},
      {"no values", {nullptr, 3, 3, 1, 1, {}}, {}},
      {"cell size 0", {cells.data(), 3, 3, 0, 1, {}}, {}},
  };
  for (const auto& b : cases) {
    EXPECT_FALSE(CheckHillshadeInput(b.grid, b.options).empty()) << b.name;
    EXPECT_THROW(Hillshade(b.grid, b.options), std::invalid_argument) << b.name;
  }
  for (double az : {0.0, 360.0})
    for (double alt : {0.0, 90.0})
      EXPECT_EQ(CheckHillshadeInput(good, with([&](auto& o) {
                                      o.azimuth = az;
                                      o.altitude = alt;
                                    })),
                "");
}

// Brute force: marches from the cell towards the sun in tenth-of-a-cell steps over the
// bilinearly interpolated terrain and returns the largest height of the terrain above the sun
// line through the cell (positive: hidden).
double ShadowMargin(const std::vector<float>& z, int w, int h, double cell, int c0, int r0,
                    double azDeg, double altDeg, double lateral) {
  const double az = azDeg * M_PI / 180, slope = std::tan(altDeg * M_PI / 180);
  const double dc = std::sin(az), dr = -std::cos(az);  // towards the sun, rows grow south
  auto at = [&](double c, double r) {
    const int c1 = std::min(int(c), w - 2), r1 = std::min(int(r), h - 2);
    const double fc = c - c1, fr = r - r1;
    auto v = [&](int cc, int rr) { return double(z[rr * w + cc]); };
    return (1 - fr) * ((1 - fc) * v(c1, r1) + fc * v(c1 + 1, r1)) +
           fr * ((1 - fc) * v(c1, r1 + 1) + fc * v(c1 + 1, r1 + 1));
  };
  // The ray may start beside the cell, lateral cells to the right of the sun's direction.
  const double sc = c0 - dr * lateral, sr = r0 + dc * lateral;
  double best = -1e30;
  for (double t = 0.1;; t += 0.1) {
    const double c = sc + dc * t, r = sr + dr * t;
    if (c < 0 || r < 0 || c > w - 1 || r > h - 1) break;
    best = std::max(best, at(c, r) - z[r0 * w + c0] - t * cell * slope);
  }
  return best;
}

TEST(HillshadeKernel, CastShadowsAgreeWithABruteForceSearchAlongEachRay) {
  const int w = 48, h = 40;
  const double cell = 10;
  std::vector<float> z(w * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      z[r * w + c] =
          float(100 + 80 * std::exp(-((c - 15) * (c - 15) + (r - 12) * (r - 12)) / 18.0) +
                60 * std::exp(-((c - 32) * (c - 32) + (r - 27) * (r - 27)) / 10.0) + 0.5 * c);
  for (double az : {0.0, 30.0, 45.0, 90.0, 135.0, 200.0, 270.0, 315.0, 350.0}) {
    for (double alt : {15.0, 35.0}) {
      HillshadeOptions o;
      o.azimuth = az;
      o.altitude = alt;
      const auto mask = CastShadows({z.data(), w, h, cell, cell, {}}, o);
      int shadowed = 0;
      for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
          // The sweep follows digital lines that stray up to a cell from the exact ray: where
          // the rays a cell to either side agree, so must the sweep.
          double m = ShadowMargin(z, w, h, cell, c, r, az, alt, 0.0);
          for (double side : {-1.0, 1.0}) {
            const double n = ShadowMargin(z, w, h, cell, c, r, az, alt, side);
            m = (m > 0) == (n > 0) ? (m > 0 ? std::min(m, n) : std::max(m, n)) : 0.0;
          }
          shadowed += mask[r * w + c];
          if (m > 1.0) {
            EXPECT_EQ(mask[r * w + c], 1)
                << az << "/" << alt << " at " << c << "," << r << " by " << m;
          } else if (m < -1.0) {
            EXPECT_EQ(mask[r * w + c], 0) << az << "/" << alt << " at " << c << "," << r;
          }
        }
      EXPECT_GT(shadowed, 0) << az << "/" << alt;
    }
  }
}

TEST(HillshadeKernel, AWallCastsAShadowAsLongAsItsHeightOverTheSunSlope) {
  // Flat ground with a north-south wall 50 m high in column 10; cells 10 m wide; sun from the
  // west (azimuth 270) at 45 degrees: the shadow covers 5 cells east of the wall.
  const int w = 30, h = 12;
  std::vector<float> z(w * h, 0.0f);
  for (int r = 0; r < h; ++r) z[r * w + 10] = 50.0f;
  HillshadeOptions o;
  o.azimuth = 270;
  o.altitude = 45;
  o.shadows = true;
  const auto mask = CastShadows({z.data(), w, h, 10, 10, {}}, o);
  const auto shade = Hillshade({z.data(), w, h, 10, 10, {}}, o);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const bool inShadow = c > 10 && c < 15;  // at c = 15 the ray just grazes the ground
      EXPECT_EQ(mask[r * w + c], inShadow ? 1 : 0) << c << "," << r;
      if (inShadow) {
        EXPECT_EQ(shade[r * w + c], 1) << c << "," << r;
      }
    }
  // The same wall lit from the east shades the west side.
  o.azimuth = 90;
  const auto west = CastShadows({z.data(), w, h, 10, 10, {}}, o);
  for (int c = 0; c < w; ++c) EXPECT_EQ(west[3 * w + c], (c > 5 && c < 10) ? 1 : 0) << c;
}

// The cast shadows as one sweep row after row of the view, every view column's horizon handed
// to the next row in turn: the plain sequential form of the sweep, kept as the reference the
// banded sweep must match cell for cell.
std::vector<std::uint8_t> RowByRowShadows(const std::vector<float>& z, int w, int h, double cx,
                                          double cy, double azimuth, double altitude) {
  const double rad = 0.017453292519943295;
  double dcol = -std::sin(azimuth * rad) / cx, drow = std::cos(azimuth * rad) / cy;
  if (std::fabs(dcol) < 1e-15) dcol = 0.0;
  if (std::fabs(drow) < 1e-15) drow = 0.0;
  const bool byRows = std::fabs(drow) >= std::fabs(dcol);
  const int rows = byRows ? h : w, cols = byRows ? w : h;
  const double step = 1.0 / std::fabs(byRows ? drow : dcol);
  const double shift = (byRows ? dcol : drow) * step;
  const bool forward = (byRows ? drow : dcol) > 0;
  auto index = [&](int vr, int vc) {
    const int along = forward ? vr : rows - 1 - vr;
    return byRows ? along * w + vc : vc * w + along;
  };
  const double drop = std::tan(altitude * rad) * step;
  const double none = -INFINITY;
  std::vector<double> prev(cols, none), next(cols, none);
  std::vector<std::uint8_t> mask(z.size(), 0);
  for (int vr = 0; vr < rows; ++vr) {
    const int delta =
        vr > 0 ? int(std::llround(shift * vr) - std::llround(shift * (vr - 1))) : 0;
    for (int vc = 0; vc < cols; ++vc) {
      double in = none;
      const int from = vc - delta;
      if (vr > 0 && from >= 0 && from < cols && prev[from] != none) in = prev[from] - drop;
      const float e = z[index(vr, vc)];
      if (std::isnan(e)) {
        next[vc] = in;
        continue;
      }
      if (in > e + 1e-9 * (std::fabs(e) + drop + 1.0)) mask[index(vr, vc)] = 1;
      next[vc] = std::max<double>(in, e);
    }
    prev.swap(next);
  }
  return mask;
}

TEST(HillshadeKernel, BandedShadowSweepMatchesTheRowByRowSweep) {
  // Rough ground with voids on wide, tall and square grids (wide enough to be split between
  // threads whichever way the sun shines), square and oblong cells, suns from every side and
  // along the diagonals, on one thread and several.
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> noise(0, 40);
  struct Case {
    int w, h;
    double cx, cy;
    } const cases[] = {{1300, 90, 30, 30}, {97, 1100, 10, 25}, {700, 650, 12.5, 9}};
  for (const Case& k : cases) {
    std::vector<float> z(static_cast<size_t>(k.w) * k.h);
    for (int r = 0; r < k.h; ++r)
      for (int c = 0; c < k.w; ++c) z[r * k.w + c] = float(Relief(c, r)) + noise(rng);
    for (int i = 0; i < 40; ++i) z[rng() % z.size()] = NAN;
    for (double az : {0.0, 17.0, 45.0, 90.0, 133.0, 180.0, 225.0, 251.0, 270.0, 315.0, 360.0}) {
      for (double alt : {8.0, 30.0}) {
        const auto expected = RowByRowShadows(z, k.w, k.h, k.cx, k.cy, az, alt);
        for (int threads : {1, 3, 8}) {
          HillshadeOptions o;
          o.azimuth = az;
          o.altitude = alt;
          o.threads = threads;
          EXPECT_EQ(CastShadows({z.data(), k.w, k.h, k.cx, k.cy, {}}, o), expected)
              << k.w << "x" << k.h << " az " << az << " alt " << alt << " threads " << threads;
        }
      }
    }
  }
}

TEST(HillshadeKernel, ThreadCountDoesNotChangeTheResult) {
  const int w = 300, h = 700;
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> noise(0, 30);
  std::vector<float> z(w * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) z[r * w + c] = float(Relief(c, r)) + noise(rng);
  z[5000] = NAN;
  for (double az : {20.0, 110.0}) {
    HillshadeOptions o;
    o.azimuth = az;
    o.shadows = true;
    o.threads = 1;
    const auto one = Hillshade({z.data(), w, h, 30, 30, {}}, o);
    o.threads = 5;
    EXPECT_EQ(Hillshade({z.data(), w, h, 30, 30, {}}, o), one) << az;
  }
}

}  // namespace

namespace {

// A callback that says stop at its n-th call (0: never), counting its calls and checking that
// they come one at a time with shares that do not fall.
struct StopAt {
  int at = 0;
  std::atomic<int> calls{0};
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  double last = 0.0;
  bool backwards = false;
  std::function<bool(double)> Callback() {
    return [this](double done) {
      if (inside++ != 0) overlapped = true;
      if (done < last || done > 1.0) backwards = true;
      last = done;
      const int n = ++calls;
      --inside;
      return at == 0 || n < at;
    };
  }
};

TEST(HillshadeKernel, AProgressCallbackThatStopsEndsTheRunAndOneThatNeverStopsChangesNothing) {
  const int w = 900, h = 700;
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> noise(0, 30);
  std::vector<float> z(static_cast<size_t>(w) * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) z[r * w + c] = float(Relief(c, r)) + noise(rng);
  const FloatGrid grid{z.data(), w, h, 30, 30, {}};
  for (bool shadows : {false, true}) {
    for (int threads : {1, 4}) {
      HillshadeOptions o;
      o.azimuth = 250;
      o.altitude = 20;
      o.shadows = shadows;
      o.threads = threads;
      const auto plain = Hillshade(grid, o);
      const std::string what =
          std::string(shadows ? "shadows" : "plain") + ", threads " + std::to_string(threads);

      StopAt never;
      o.progress = never.Callback();
      EXPECT_EQ(Hillshade(grid, o), plain) << what;
      EXPECT_GT(never.calls, 2) << what;
      EXPECT_FALSE(never.overlapped) << what;
      EXPECT_FALSE(never.backwards) << what;
      EXPECT_NEAR(never.last, 1.0, 1e-9) << what;

      // Stopped at the first call: nothing of the grid is touched.
      StopAt first{1};
      o.progress = first.Callback();
      std::vector<std::uint8_t> out(static_cast<size_t>(w) * h, 77);
      EXPECT_EQ(Hillshade(grid, o, out.data()), HillshadeStatus::Stopped) << what;
      EXPECT_EQ(first.calls, 1) << what;
      EXPECT_EQ(std::count(out.begin(), out.end(), 77), static_cast<long>(out.size())) << what;

      // Stopped on the way: the run ends soon after, without finishing.
      StopAt third{3};
      o.progress = third.Callback();
      EXPECT_TRUE(Hillshade(grid, o).empty()) << what;
      EXPECT_EQ(third.calls, 3) << what;
      EXPECT_LT(third.last, 1.0) << what;
    }
  }
  HillshadeOptions o;
  StopAt first{1};
  o.progress = first.Callback();
  EXPECT_TRUE(CastShadows(grid, o).empty());
}

}  // namespace

namespace {

using velk::host::analysis::Int16Grid;

// Shading with shadows is the plain shading with the cells that CastShadows marks made dark:
// checked on 16-bit and float grids (with voids and a no-data value), on a window of a larger
// grid, for suns from every side and along both diagonals, on one thread and several.
TEST(HillshadeKernel, ShadowsDarkenExactlyTheCastShadowCellsOfThePlainShading) {
  const int W = 260, H = 230;
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> noise(0, 60);
  std::vector<std::int16_t> big(static_cast<size_t>(W) * H);
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c) big[r * W + c] = std::int16_t(Relief(c, r) * 2 + noise(rng));
  for (int i = 0; i < 60; ++i) big[rng() % big.size()] = -32767;
  const Int16Grid whole{big.data(), W, H, 12, 9, -32767.0};
  // A window of the grid (rows stride W apart), and the same cells copied out as floats.
  const Int16Grid window = whole.Window(7, 5, 200, 190);
  std::vector<float> copy(200 * 190);
  for (int r = 0; r < 190; ++r)
    for (int c = 0; c < 200; ++c) {
      const std::int16_t v = window.At(c, r);
      copy[r * 200 + c] = v == -32767 ? NAN : float(v);
    }
  const FloatGrid floats{copy.data(), 200, 190, 12, 9, {}};
  for (double az : {0.0, 30.0, 45.0, 90.0, 161.0, 180.0, 225.0, 270.0, 300.0, 315.0, 360.0}) {
    for (int threads : {1, 3, 8}) {
      HillshadeOptions o;
      o.azimuth = az;
      o.altitude = 14;
      o.threads = threads;
      const auto plain = Hillshade(floats, o);
      const auto mask = CastShadows(floats, o);
      std::vector<std::uint8_t> expected = plain;
      for (size_t i = 0; i < expected.size(); ++i)
        if (mask[i] && expected[i] != 0) expected[i] = 1;
      ASSERT_NE(expected, plain) << "no shadow at azimuth " << az;
      o.shadows = true;
      EXPECT_EQ(Hillshade(floats, o), expected) << "float, azimuth " << az << ", " << threads;
      EXPECT_EQ(Hillshade(window, o), expected) << "int16 window, azimuth " << az << ", " << threads;
      o.shadows = false;
      EXPECT_EQ(Hillshade(window, o), plain) << "int16 window plain, azimuth " << az;
      EXPECT_EQ(CastShadows(window, o), mask) << "int16 window mask, azimuth " << az;
    }
  }
}

TEST(HillshadeKernel, ANoDataValueA16BitGridCannotHoldMarksNoCell) {
  std::vector<std::int16_t> cells(25, 100);
  cells[12] = -31072;  // what -99999 wraps to in 16 bits
  const Int16Grid grid{cells.data(), 5, 5, 1, 1, -99999.0};
  const auto shade = Hillshade(grid, HillshadeOptions{});
  ASSERT_EQ(shade.size(), 25u);
  EXPECT_NE(shade[12], 0) << "a cell whose value only wraps to the no-data value is no void";
}

}  // namespace
