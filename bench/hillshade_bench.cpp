// Shaded relief of a large Int16 DEM (10,000 x 10,000 cells unless VELK_BENCH_DEM_SIZE says
// otherwise), ours beside GDAL's GDALDEMProcessing "hillshade" in the same program. Both read
// the same in-memory GDAL dataset and leave their result in an in-memory GDAL band. Reports
// cells per second and, for ours, the ratio to GDAL's time ("x_gdal": above 1 is faster).
#include <benchmark/benchmark.h>

#include <gdal_priv.h>
#include <gdal_utils.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "platform/host/analysis/hillshade.h"

namespace {

using velk::host::analysis::ElevationGrid;
using velk::host::analysis::Hillshade;
using velk::host::analysis::HillshadeOptions;

int DemSize() {
  const char* s = std::getenv("VELK_BENCH_DEM_SIZE");
  return s && std::atoi(s) > 2 ? std::atoi(s) : 10000;
}

// Rolling terrain with ridges and noise, 30 m cells, a few voids.
GDALDataset* Dem() {
  static GDALDataset* ds = [] {
    GDALAllRegister();
    const int n = DemSize();
    GDALDataset* d =
        GetGDALDriverManager()->GetDriverByName("MEM")->Create("", n, n, 1, GDT_Int16, nullptr);
    double gt[6] = {500000, 30, 0, 4000000, 0, -30};
    d->SetGeoTransform(gt);
    GDALRasterBand* band = d->GetRasterBand(1);
    band->SetNoDataValue(-32767);
    std::vector<std::int16_t> row(n);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(0, 9);
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c)
        row[c] = static_cast<std::int16_t>(800 + 400 * std::sin(c * 0.003) * std::cos(r * 0.002) +
                                           120 * std::sin(c * 0.031 + r * 0.017) + noise(rng));
      if (r % 997 == 5) row[r % n] = -32767;
      if (band->RasterIO(GF_Write, 0, r, n, 1, row.data(), n, 1, GDT_Int16, 0, 0, nullptr) !=
          CE_None)
        std::abort();
    }
    return d;
  }();
  return ds;
}

double g_gdalSeconds = 0.0;

void BM_GdalHillshade(benchmark::State& state) {
  GDALDataset* src = Dem();
  char* args[] = {const_cast<char*>("-of"), const_cast<char*>("MEM"), nullptr};
  GDALDEMProcessingOptions* options = GDALDEMProcessingOptionsNew(args, nullptr);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    int usageError = 0;
    GDALDatasetH out = GDALDEMProcessing("", src, "hillshade", nullptr, options, &usageError);
    if (!out) state.SkipWithError("GDALDEMProcessing failed");
    GDALClose(out);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  GDALDEMProcessingOptionsFree(options);
  g_gdalSeconds = total / state.iterations();
  const double cells = double(src->GetRasterXSize()) * src->GetRasterYSize();
  state.counters["Mcells/s"] =
      benchmark::Counter(cells * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// Ours: the band read as floats with voids as NaN, shaded, written into an in-memory band.
void BM_OurHillshade(benchmark::State& state) {
  GDALDataset* src = Dem();
  const int w = src->GetRasterXSize(), h = src->GetRasterYSize();
  HillshadeOptions o;
  o.threads = static_cast<int>(state.range(0));
  o.shadows = state.range(1) != 0;
  GDALRasterBand* band = src->GetRasterBand(1);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    // The band in its own type; voids stay at the no-data value for the kernel to skip.
    std::unique_ptr<std::int16_t[]> z(new std::int16_t[static_cast<size_t>(w) * h]);
    if (band->RasterIO(GF_Read, 0, 0, w, h, z.get(), w, h, GDT_Int16, 0, 0, nullptr) != CE_None)
      state.SkipWithError("read failed");
    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    std::unique_ptr<std::uint8_t[]> shade(new std::uint8_t[static_cast<size_t>(w) * h]);
    Hillshade(ElevationGrid{z.get(), w, h, 30, 30,
                            hasNoData ? std::optional<double>(noData) : std::nullopt},
              o, shade.get());
    GDALDataset* out =
        GetGDALDriverManager()->GetDriverByName("MEM")->Create("", w, h, 1, GDT_Byte, nullptr);
    if (out->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, w, h, shade.get(), w, h, GDT_Byte, 0, 0,
                                        nullptr) != CE_None)
      state.SkipWithError("write failed");
    GDALClose(out);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  const double cells = double(w) * h;
  state.counters["Mcells/s"] =
      benchmark::Counter(cells * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  if (g_gdalSeconds > 0) state.counters["x_gdal"] = g_gdalSeconds / (total / state.iterations());
}

// The kernel alone: the band already read and the result buffer already touched, so that
// neither GDAL's copies nor fresh pages are counted.
void BM_OurKernelOnly(benchmark::State& state) {
  GDALDataset* src = Dem();
  const int w = src->GetRasterXSize(), h = src->GetRasterYSize();
  static std::vector<std::int16_t> z = [&] {
    std::vector<std::int16_t> v(static_cast<size_t>(w) * h);
    if (src->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, w, h, v.data(), w, h, GDT_Int16, 0, 0,
                                        nullptr) != CE_None)
      std::abort();
    return v;
  }();
  std::vector<std::uint8_t> shade(static_cast<size_t>(w) * h, 0);
  HillshadeOptions o;
  o.threads = static_cast<int>(state.range(0));
  o.shadows = state.range(1) != 0;
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    Hillshade(ElevationGrid{z.data(), w, h, 30, 30, -32767.0}, o, shade.data());
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["Mcells/s"] =
      benchmark::Counter(double(w) * h * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  if (g_gdalSeconds > 0) state.counters["x_gdal"] = g_gdalSeconds / (total / state.iterations());
}

BENCHMARK(BM_GdalHillshade)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
// Arguments: threads (0: all cores), shadows.
BENCHMARK(BM_OurHillshade)
    ->ArgNames({"threads", "shadows"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

BENCHMARK(BM_OurKernelOnly)
    ->ArgNames({"threads", "shadows"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
