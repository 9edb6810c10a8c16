// The visibility engine side by side with GDAL's own viewshed (GDALViewshedGenerate), both on
// the ~10 m Int16 DEM of the shared DTED cell held in memory (a MEM dataset over the same
// cells for GDAL). One observer on land 2 m above the ground, targets on the ground, curvature
// with refraction 1/7. Each case runs both sides alternately several times and prints the
// minimum and median times and the ratio; the engine once on one thread and once on every core
// (GDAL's viewshed has one). Also printed: the agreement of both with an exact ray-per-cell
// reference on 100,000 sampled cells, the engine's cost per cell of reach at 5 to 40 km, many
// observers in one run (time per observer, cores used) and the memory the engine adds.
//
//   bench_viewshed_bench [runs]     (default 5, or VELK_BENCH_ROUNDS)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gdal_alg.h>
#include <gdal_priv.h>

#include "bench/peak_memory.h"
#include "bench/side_by_side.h"
#include "bench/ten_metre_dem.h"
#include "platform/host/analysis/viewshed.h"
#include "tests/fixtures/viewshed_oracle.h"

namespace {

using namespace velk::host::analysis;
using velk::bench::Dem;
using velk::bench::TheDem;

constexpr double kEyeHeight = 2.0;
constexpr double kRefraction = 1.0 / 7.0;
constexpr std::int16_t kNoData = -32767;

double Seconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// The DEM as a MEM dataset over the same cells (not copied), in UTM 32 north.
struct GdalDem {
  GDALDataset* ds = nullptr;
  GDALRasterBand* band = nullptr;
  explicit GdalDem(const Dem& dem) {
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    ds = mem->Create("", dem.columns, dem.rows, 0, GDT_Int16, nullptr);
    char pointer[64];
    std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p",
                  static_cast<const void*>(dem.values.data()));
    char* bandOptions[] = {pointer, nullptr};
    ds->AddBand(GDT_Int16, bandOptions);
    double gt[6] = {0, dem.cellX, 0, 0, 0, -dem.cellY};
    ds->SetGeoTransform(gt);
    OGRSpatialReference utm;
    utm.importFromEPSG(32632);
    ds->SetSpatialRef(&utm);
    band = ds->GetRasterBand(1);
    band->SetNoDataValue(kNoData);
  }
  ~GdalDem() { GDALClose(ds); }
  GdalDem(const GdalDem&) = delete;
  GdalDem& operator=(const GdalDem&) = delete;
};

// GDAL's viewshed from the observer; radius 0 is unlimited. Seen cells of the whole DEM (1) when
// seen is given.
bool GdalRun(const GdalDem& g, const Dem& dem, int column, int row, double radius,
             std::vector<std::uint8_t>* seen) {
  GDALDatasetH out = GDALViewshedGenerate(GDALRasterBand::ToHandle(g.band), "MEM", "", nullptr,
                                          (column + 0.5) * dem.cellX, -(row + 0.5) * dem.cellY,
                                          kEyeHeight, 0.0, 255, 0, 0, 0, 1.0 - kRefraction,
                                          GVM_Edge, radius, nullptr, nullptr, GVOT_NORMAL, nullptr);
  if (!out) return false;
  if (seen) {
    double gt[6];
    GDALGetGeoTransform(out, gt);
    const int c0 = static_cast<int>(std::lround(gt[0] / dem.cellX));
    const int r0 = static_cast<int>(std::lround(-gt[3] / dem.cellY));
    const int w = GDALGetRasterXSize(out), h = GDALGetRasterYSize(out);
    std::vector<std::uint8_t> window(static_cast<std::size_t>(w) * h);
    if (GDALRasterIO(GDALGetRasterBand(out, 1), GF_Read, 0, 0, w, h, window.data(), w, h, GDT_Byte,
                     0, 0) != CE_None) {
      GDALClose(out);
      return false;
    }
    seen->assign(dem.values.size(), 0);
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c)
        if (window[static_cast<std::size_t>(r) * w + c] == 255)
          (*seen)[static_cast<std::size_t>(r + r0) * dem.columns + c + c0] = 1;
  }
  GDALClose(out);
  return true;
}

ViewshedObserver Observer(int column, int row, double radius) {
  ViewshedObserver o;
  o.column = column;
  o.row = row;
  o.limits.offsetA = kEyeHeight;
  o.limits.offsetB = 0.0;
  if (radius > 0) o.limits.radius2 = -radius;  // horizontal distance
  return o;
}

ViewshedOptions EngineOptions(unsigned threads) {
  ViewshedOptions options;
  options.threads = threads;
  options.curvature.useCurvature = true;
  options.curvature.refraction = kRefraction;
  return options;
}

// The engine on the window of the DEM that holds the observer's reach (the whole DEM without a
// radius), as GDAL's output covers that window. Seen cells of the whole DEM when asked.
ViewshedResult EngineRun(const Dem& dem, int column, int row, double radius, unsigned threads,
                         std::vector<std::uint8_t>* seen) {
  GridView<std::int16_t> view = dem.View();
  int c0 = 0, r0 = 0;
  if (radius > 0) {
    const int reach = static_cast<int>(std::ceil(radius / std::min(dem.cellX, dem.cellY))) + 1;
    c0 = std::max(0, column - reach);
    r0 = std::max(0, row - reach);
    const int c1 = std::min(dem.columns, column + reach + 1);
    const int r1 = std::min(dem.rows, row + reach + 1);
    view = view.Window(c0, r0, c1 - c0, r1 - r0);
  }
  ViewshedResult result =
      ComputeViewshed(view, {Observer(column - c0, row - r0, radius)}, EngineOptions(threads));
  if (seen && result.error.empty()) {
    seen->assign(dem.values.size(), 0);
    for (int r = 0; r < view.rows; ++r)
      for (int c = 0; c < view.columns; ++c) {
        const std::uint16_t v = result.counts[static_cast<std::size_t>(r) * view.columns + c];
        if (v != kVoidCount && v > 0)
          (*seen)[static_cast<std::size_t>(r + r0) * dem.columns + c + c0] = 1;
      }
  }
  return result;
}

// Shares of 100,000 non-void cells within the radius, drawn at random, on which each of the
// verdicts agrees with the exact ray to the cell.
void PrintAgreement(const Dem& dem, int column, int row, double radius,
                    const std::vector<std::uint8_t>& ours, const std::vector<std::uint8_t>& gdal) {
  // The reference reads a float grid.
  std::vector<float> cells(dem.values.size());
  for (std::size_t i = 0; i < cells.size(); ++i)
    cells[i] = dem.values[i] == kNoData ? NAN : static_cast<float>(dem.values[i]);
  const GridView<float> grid{cells.data(), dem.columns, dem.rows, dem.cellX, dem.cellY, {}};
  const ViewshedObserver o = Observer(column, row, 0);
  CurvatureOptions curvature{true, kRefraction};
  std::mt19937_64 random(7);
  std::vector<std::pair<int, int>> sample;
  const double reach = radius > 0 ? radius : 1e12;
  while (sample.size() < 100000) {
    const int c = static_cast<int>(random() % dem.columns);
    const int r = static_cast<int>(random() % dem.rows);
    if (std::isnan(cells[static_cast<std::size_t>(r) * dem.columns + c])) continue;
    if (std::hypot((c - column) * dem.cellX, (r - row) * dem.cellY) > reach) continue;
    sample.emplace_back(c, r);
  }
  std::vector<std::uint8_t> truth(sample.size());
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (std::size_t i = t; i < sample.size(); i += threads)
        truth[i] =
            velk::test::BruteForceSees(grid, o, curvature, sample[i].first, sample[i].second);
    });
  for (auto& th : pool) th.join();
  std::size_t oursSame = 0, gdalSame = 0, seen = 0;
  for (std::size_t i = 0; i < sample.size(); ++i) {
    const std::size_t at =
        static_cast<std::size_t>(sample[i].second) * dem.columns + sample[i].first;
    oursSame += ours[at] == truth[i];
    gdalSame += gdal[at] == truth[i];
    seen += truth[i];
  }
  std::printf(
      "  agreement with the exact ray on %zu sampled cells (%.1f%% seen): engine %.3f%%, "
      "GDAL %.3f%%\n",
      sample.size(), 100.0 * seen / sample.size(), 100.0 * oursSame / sample.size(),
      100.0 * gdalSame / sample.size());
}

void SideBySide(const Dem& dem, const GdalDem& g, int column, int row, double radius, int runs) {
  std::printf("\n%s, observer at column %d row %d (%d m), %d runs alternated\n",
              radius > 0 ? "20 km" : "whole DEM", column, row,
              dem.values[static_cast<std::size_t>(row) * dem.columns + column], runs);
  const std::string cores =
      "  engine, " + std::to_string(std::thread::hardware_concurrency()) + " threads";
  std::vector<bench::Side> sides = {
      {"  GDALViewshedGenerate", [&] { GdalRun(g, dem, column, row, radius, nullptr); }, {}},
      {"  engine, one thread", [&] { EngineRun(dem, column, row, radius, 1, nullptr); }, {}},
      {cores, [&] { EngineRun(dem, column, row, radius, 0, nullptr); }, {}}};
  bench::Alternate(sides, runs);
  bench::PrintSides(sides);
  bench::PrintRatio("  GDAL / engine, one thread", sides[0], sides[1]);
  bench::PrintRatio("  GDAL / engine, all cores", sides[0], sides[2]);
  std::vector<std::uint8_t> ours, theirs, ours8;
  EngineRun(dem, column, row, radius, 1, &ours);
  EngineRun(dem, column, row, radius, 0, &ours8);
  GdalRun(g, dem, column, row, radius, &theirs);
  std::printf("  one thread and all cores give the same cells: %s\n", ours == ours8 ? "yes" : "NO");
  PrintAgreement(dem, column, row, radius, ours, theirs);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : bench::Rounds(5);
  GDALAllRegister();
  const Dem& dem = TheDem();
  if (!dem.error.empty()) {
    std::printf("skipped: %s\n", dem.error.c_str());
    return 0;
  }
  const std::pair<int, int> land = velk::bench::LandCell(dem);
  const int column = land.first, row = land.second;
  std::printf("DEM %d x %d Int16, cells %.2f x %.2f m; eye 2 m, target 0 m, refraction 1/7\n",
              dem.columns, dem.rows, dem.cellX, dem.cellY);

  // The memory the engine adds to the DEM: the counts and a few lines per worker.
  {
    const long long before = bench::ResidentBytes();
    bench::PeakSampler sampler;
    EngineRun(dem, column, row, 0, 0, nullptr);
    const long long added = sampler.Stop() - before;
    std::printf("engine, whole DEM, all cores: %.2f bytes per cell beyond the DEM (sampled)\n",
                static_cast<double>(added) / static_cast<double>(dem.values.size()));
  }

  std::printf("\ncost per cell of reach, one thread (cells within the radius)\n");
  for (double km : {5.0, 10.0, 20.0, 40.0}) {
    std::vector<bench::Side> engine = {
        {"", [&] { EngineRun(dem, column, row, km * 1000, 1, nullptr); }, {}}};
    bench::Alternate(engine, runs);
    const double cells = M_PI * std::pow(km * 1000, 2) / (dem.cellX * dem.cellY);
    std::printf("  %4.0f km  min %.4f s  %.2f ns per cell\n", km, engine[0].Min(),
                1e9 * engine[0].Min() / cells);
  }

  const GdalDem gdal(dem);
  SideBySide(dem, gdal, column, row, 20000.0, runs);
  SideBySide(dem, gdal, column, row, 0.0, std::max(3, runs / 2));

  std::printf("\nobservers in one run, 20 km each, all cores\n");
  for (int n : {1, 8, 64}) {
    std::vector<ViewshedObserver> observers;
    for (int k = 0; k < n; ++k) {
      // A spiral around the middle, moved east to the first cell with data.
      const double a = k * 2.399963, r = 0.35 * std::sqrt((k + 0.5) / n);
      int c = static_cast<int>(dem.columns * (0.5 + r * std::cos(a)));
      const int rr = static_cast<int>(dem.rows * (0.5 + r * std::sin(a)));
      while (c + 1 < dem.columns &&
             dem.values[static_cast<std::size_t>(rr) * dem.columns + c] == kNoData)
        ++c;
      observers.push_back(Observer(c, rr, 20000.0));
    }
    const double cpu0 = CpuSeconds();
    const double wall = Seconds([&] {
      const auto r = ComputeViewshed(dem.View(), observers, EngineOptions(0));
      if (!r.error.empty()) std::printf("  %s\n", r.error.c_str());
    });
    std::printf("  %2d observers  %.3f s  %.1f ms per observer  %.1f cores busy\n", n, wall,
                1e3 * wall / n, (CpuSeconds() - cpu0) / wall);
  }
  return 0;
}
