// Highest point over a flat area, where every cell carries the maximum and becomes a point:
// the host's chain (cell statistics over the area, the map-algebra threshold, raster to points)
// on a square Float32 grid of VELK_BENCH_FLAT_SIZE cells a side (1000 unless set). Reports
// points written per second, and beside it GDAL's own "gdal_translate -of XYZ" of the same
// grid (one text line per cell) as a measure of what writing that many cells costs.
#include <benchmark/benchmark.h>

#include <gdal_priv.h>
#include <gdal_utils.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/com/text.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/operations/local_analysis.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;

int Size() {
  const char* s = std::getenv("VELK_BENCH_FLAT_SIZE");
  return s && std::atoi(s) > 0 ? std::atoi(s) : 1000;
}

const fs::path& Folder() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("velk_highlow_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// A flat square of 10 m cells at 250.5 m.
std::string FlatDem() {
  static const std::string path = [] {
    GDALAllRegister();
    const int n = Size();
    std::string p = (Folder() / "flat.tif").string();
    GDALDataset* d = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(p.c_str(), n, n, 1,
                                                                            GDT_Float32, nullptr);
    double gt[6] = {500000, 10, 0, 4000000, 0, -10};
    d->SetGeoTransform(gt);
    std::vector<float> row(n, 250.5f);
    for (int r = 0; r < n; ++r)
      if (d->GetRasterBand(1)->RasterIO(GF_Write, 0, r, n, 1, row.data(), n, 1, GDT_Float32, 0, 0,
                                        nullptr) != CE_None)
        std::abort();
    GDALClose(d);
    return p;
  }();
  return path;
}

template <class I>
ComPtr<I> Make(HRESULT (*create)(IUnknown*, REFIID, void**)) {
  ComPtr<I> p;
  if (FAILED(create(nullptr, IidOf<I>(), p.put_void()))) std::abort();
  return p;
}

void BM_HighestOverAFlatArea(benchmark::State& state) {
  const std::string dem = FlatDem();
  const int n = Size();
  double points = 0;
  int run = 0;
  for (auto _ : state) {
    const fs::path out = Folder() / ("run" + std::to_string(run++));
    fs::create_directories(out);
    ComPtr<IWorkspaceFactory> rasters =
        Make<IWorkspaceFactory>(&host::CreateRasterWorkspaceFactory);
    ComPtr<IWorkspace> workspace;
    rasters->OpenFromFile(Bstr(FromUtf8(out.string())), nullptr, workspace.put());
    auto area = host::NewEnvelope(500000, 4000000 - 10.0 * n, 500000 + 10.0 * n, 4000000);

    auto stats = Make<ILocalOp>(&host::CreateRasterLocalOpObject);
    stats.Query<IRasterAnalysisEnvironment>()->putref_OutWorkspace(workspace.get());
    Variant extent;
    extent.vt = VT_UNKNOWN;
    extent.punkVal = area.get();
    area->AddRef();
    stats.Query<IRasterAnalysisEnvironment>()->SetExtent(kExtentValue, &extent, nullptr);
    ComPtr<IRasterDataset> input;
    host::OpenRasterFile(dem, nullptr, input.put());
    ComPtr<IGeoDataset> max;
    stats->LocalStatistics(input.Query<IGeoDataset>().get(), kCellStatisticMaximum, max.put());
    ComPtr<IRasterBand> band;
    max.Query<IRasterBandCollection>()->Item(0, band.put());
    ComPtr<IRasterStatistics> s;
    band->get_Statistics(s.put());
    double top = 0;
    s->get_Maximum(&top);

    auto algebra = Make<IMapAlgebraOp>(&host::CreateRasterMapAlgebraOpObject);
    algebra.Query<IRasterAnalysisEnvironment>()->putref_OutWorkspace(workspace.get());
    algebra->BindRaster(max.get(), Bstr(L"in"));
    wchar_t text[100];
    std::swprintf(text, 100, L"setnull([in] < %.17g , [in])", top);
    ComPtr<IGeoDataset> kept;
    algebra->Execute(Bstr(text), kept.put());

    auto shapes = Make<IWorkspaceFactory>(&host::CreateShapefileWorkspaceFactory);
    ComPtr<IWorkspace> shapeWorkspace;
    shapes->OpenFromFile(Bstr(FromUtf8(out.string())), nullptr, shapeWorkspace.put());
    auto conversion = Make<IConversionOp>(&host::CreateConversionOpObject);
    ComPtr<IFeatureClass> fc;
    conversion->RasterDataToPointFeatureData(kept.get(), shapeWorkspace.get(), Bstr(L"MaxPt0000"),
                                             fc.put());
    if (!fc) state.SkipWithError("no points written");
    points += double(n) * n;
  }
  state.counters["points/s"] = benchmark::Counter(points, benchmark::Counter::kIsRate);
}

void BM_GdalXyzOfTheSameGrid(benchmark::State& state) {
  const std::string dem = FlatDem();
  const int n = Size();
  char* args[] = {const_cast<char*>("-of"), const_cast<char*>("XYZ"), nullptr};
  GDALTranslateOptions* options = GDALTranslateOptionsNew(args, nullptr);
  GDALDatasetH src = GDALOpen(dem.c_str(), GA_ReadOnly);
  double cells = 0;
  int run = 0;
  for (auto _ : state) {
    const std::string out = (Folder() / ("xyz" + std::to_string(run++) + ".xyz")).string();
    GDALDatasetH d = GDALTranslate(out.c_str(), src, options, nullptr);
    if (!d) state.SkipWithError("gdal_translate failed");
    GDALClose(d);
    cells += double(n) * n;
  }
  GDALClose(src);
  GDALTranslateOptionsFree(options);
  state.counters["points/s"] = benchmark::Counter(cells, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_HighestOverAFlatArea)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_GdalXyzOfTheSameGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Folder(), ec);
  return 0;
}
