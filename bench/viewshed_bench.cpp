// The visibility engine side by side with GDAL's own viewshed on the same band: a ~10,000 x
// 10,000 Int16 DEM made from the shared DTED cell warped to UTM at ~10 m (made once in the
// temporary folder). Reported: cells per second (cells of the grid, or of the observers' reach)
// and the process's peak resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gdal_alg.h>
#include <gdal_priv.h>
#include <gdal_utils.h>

#include "bench/ten_metre_dem.h"
#include "platform/host/analysis/viewshed.h"

namespace {

using namespace velk::host::analysis;

using velk::bench::Dem;
using velk::bench::TheDem;

void ReportMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = usage.ru_maxrss / 1024.0;
}

ViewshedObserver At(int column, int row, double radius) {
  ViewshedObserver o;
  o.column = column;
  o.row = row;
  o.limits.offsetA = 10.0;
  o.limits.radius2 = radius;
  return o;
}

// One observer at the centre, unlimited radius; argument: threads (0 = all cores).
void BM_EngineCentre(benchmark::State& state) {
  const Dem& dem = TheDem();
  if (!dem.error.empty()) return state.SkipWithError(dem.error.c_str());
  ViewshedOptions options;
  options.threads = static_cast<unsigned>(state.range(0));
  options.curvature.useCurvature = true;
  const auto observer = At(dem.columns / 2, dem.rows / 2, std::numeric_limits<double>::infinity());
  for (auto _ : state) {
    auto result = ComputeViewshed(dem.View(), {observer}, options);
    benchmark::DoNotOptimize(result.counts.data());
  }
  state.counters["cells_per_s"] = benchmark::Counter(
      static_cast<double>(dem.values.size()) * state.iterations(), benchmark::Counter::kIsRate);
  ReportMemory(state);
}
BENCHMARK(BM_EngineCentre)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// GDAL's viewshed on the same band (wrapped, not copied), the same observer.
void BM_GdalCentre(benchmark::State& state) {
  const Dem& dem = TheDem();
  if (!dem.error.empty()) return state.SkipWithError(dem.error.c_str());
  GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
  GDALDataset* ds = mem->Create("", dem.columns, dem.rows, 0, GDT_Int16, nullptr);
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
  GDALRasterBand* band = ds->GetRasterBand(1);
  band->SetNoDataValue(-32767);
  const double x = (static_cast<double>(dem.columns / 2) + 0.5) * dem.cellX;
  const double y = -(static_cast<double>(dem.rows / 2) + 0.5) * dem.cellY;
  for (auto _ : state) {
    GDALDatasetH out = GDALViewshedGenerate(GDALRasterBand::ToHandle(band), "MEM", "", nullptr, x,
                                            y, 10.0, 0.0, 1, 0, 0, 255, 0.87, GVM_Edge, 0.0,
                                            nullptr, nullptr, GVOT_NORMAL, nullptr);
    if (!out) return state.SkipWithError("GDALViewshedGenerate failed");
    GDALClose(out);
  }
  GDALClose(ds);
  state.counters["cells_per_s"] = benchmark::Counter(
      static_cast<double>(dem.values.size()) * state.iterations(), benchmark::Counter::kIsRate);
  ReportMemory(state);
}
BENCHMARK(BM_GdalCentre)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// N observers spread over the DEM, 20 km horizontal reach each, all cores; cells of reach per s.
void BM_EngineObservers(benchmark::State& state) {
  const Dem& dem = TheDem();
  if (!dem.error.empty()) return state.SkipWithError(dem.error.c_str());
  const int n = static_cast<int>(state.range(0));
  std::vector<ViewshedObserver> observers;
  for (int k = 0; k < n; ++k) {
    // A spiral of points around the centre, all inside the grid.
    const double a = k * 2.399963, r = 0.35 * std::sqrt((k + 0.5) / n);
    int c = static_cast<int>(dem.columns * (0.5 + r * std::cos(a)));
    const int row = static_cast<int>(dem.rows * (0.5 + r * std::sin(a)));
    // Moved east to the first cell that holds data.
    while (c + 1 < dem.columns &&
           dem.values[static_cast<std::size_t>(row) * dem.columns + c] == -32767)
      ++c;
    observers.push_back(At(c, row, -20000.0));
  }
  ViewshedOptions options;
  options.threads = 0;
  options.curvature.useCurvature = true;
  for (auto _ : state) {
    auto result = ComputeViewshed(dem.View(), observers, options);
    if (!result.error.empty()) return state.SkipWithError(result.error.c_str());
    benchmark::DoNotOptimize(result.counts.data());
  }
  const double reach = M_PI * std::pow(20000.0, 2) / (dem.cellX * dem.cellY);
  state.counters["cells_per_s"] =
      benchmark::Counter(reach * n * state.iterations(), benchmark::Counter::kIsRate);
  ReportMemory(state);
}
BENCHMARK(BM_EngineObservers)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
