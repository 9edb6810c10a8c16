// Threat domes over the ~10 m DEM (bench/ten_metre_dem.h): domes per second for 1, 10 and 100
// observers at 10 and 1 degree steps and radii of 5 and 20 km, the rays of each dome on all
// cores; and, in the same run, the radial engine (the visibility engine) over one observer's
// 20 km reach on all cores. Reported: domes per second, nanoseconds per terrain sample along
// the rays, and the engine's nanoseconds per cell of reach.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "bench/ten_metre_dem.h"
#include "terrain/threat_dome/dome_mesh.h"
#include "terrain/threat_dome/dome_rays.h"

namespace {

using namespace velk::corvane;
using velk::bench::TheDem;

constexpr int kWindow = 5000;  // cells a side around the DEM's centre

// The centre of the DEM as a float grid of its own, voids as NaN.
struct Window {
  std::vector<float> cells;
  DomeSurface surface;
  std::string error;
};

const Window& TheWindow() {
  static Window w = [] {
    Window out;
    const auto& dem = TheDem();
    if (!dem.error.empty()) {
      out.error = dem.error;
      return out;
    }
    const int c0 = (dem.columns - kWindow) / 2, r0 = (dem.rows - kWindow) / 2;
    out.cells.resize(static_cast<std::size_t>(kWindow) * kWindow);
    for (int r = 0; r < kWindow; ++r)
      for (int c = 0; c < kWindow; ++c) {
        const auto v = dem.values[static_cast<std::size_t>(r0 + r) * dem.columns + c0 + c];
        out.cells[static_cast<std::size_t>(r) * kWindow + c] =
            v == -32767 ? std::nanf("") : static_cast<float>(v);
      }
    out.surface.grid = {out.cells.data(), kWindow, kWindow, dem.cellX, dem.cellY, std::nullopt};
    out.surface.originX = 0.0;
    out.surface.originY = 0.0;
    return out;
  }();
  return w;
}

// n observers 10 m above the ground, spread over the middle of the window.
std::vector<DomePoint> Observers(const Window& w, int n) {
  std::vector<DomePoint> out;
  const auto& g = w.surface.grid;
  for (int k = 0; out.size() < static_cast<std::size_t>(n) && k < 100 * n; ++k) {
    const double a = k * 2.399963, r = 0.08 * std::sqrt((k + 0.5) / n);
    const int c = static_cast<int>(g.columns * (0.5 + r * std::cos(a)));
    const int row = static_cast<int>(g.rows * (0.5 + r * std::sin(a)));
    const float z = g.values[static_cast<std::size_t>(row) * g.columns + c];
    if (std::isnan(z)) continue;
    out.push_back({(c + 0.5) * g.cellX, -(row + 0.5) * g.cellY, z + 10.0, 0.0});
  }
  return out;
}

// Arguments: observers, step in degrees, radius in km.
void BM_Domes(benchmark::State& state) {
  const Window& w = TheWindow();
  if (!w.error.empty()) return state.SkipWithError(w.error.c_str());
  const auto observers = Observers(w, static_cast<int>(state.range(0)));
  DomeRayOptions options;
  options.azimuthStep = options.elevationStep = static_cast<double>(state.range(1));
  options.curvature.useCurvature = true;
  const double radius = 1000.0 * static_cast<double>(state.range(2));
  std::size_t samples = 0, domes = 0;
  for (auto _ : state) {
    for (const DomePoint& o : observers) {
      const auto rays = ComputeDomeRays(w.surface, o, radius, options);
      if (!rays.error.empty()) return state.SkipWithError(rays.error.c_str());
      const auto mesh =
          BuildDomeMesh(rays.grid, o, CountsOf(options.azimuthStep, options.elevationStep));
      benchmark::DoNotOptimize(mesh.strips.data());
      samples += rays.samples;
      ++domes;
    }
  }
  state.counters["domes_per_s"] =
      benchmark::Counter(static_cast<double>(domes), benchmark::Counter::kIsRate);
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(samples) * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Domes)
    ->ArgsProduct({{1, 10, 100}, {10, 1}, {5, 20}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The radial engine beside it: one observer's 20 km reach on the same grid, all cores.
void BM_RadialEngineCell(benchmark::State& state) {
  const Window& w = TheWindow();
  if (!w.error.empty()) return state.SkipWithError(w.error.c_str());
  const auto observer = Observers(w, 1).front();
  velk::host::analysis::ViewshedObserver o;
  o.column = static_cast<int>(observer.x / w.surface.grid.cellX);
  o.row = static_cast<int>(-observer.y / w.surface.grid.cellY);
  o.limits.offsetA = 10.0;
  o.limits.radius2 = -20000.0;
  velk::host::analysis::ViewshedOptions options;
  options.threads = 0;
  options.curvature.useCurvature = true;
  for (auto _ : state) {
    auto result = velk::host::analysis::ComputeViewshed(w.surface.grid, {o}, options);
    if (!result.error.empty()) return state.SkipWithError(result.error.c_str());
    benchmark::DoNotOptimize(result.counts.data());
  }
  const double reach = M_PI * std::pow(20000.0, 2) / (w.surface.grid.cellX * w.surface.grid.cellY);
  state.counters["ns_per_cell"] = benchmark::Counter(
      reach * 1e-9 * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RadialEngineCell)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
