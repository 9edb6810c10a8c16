// The catalog layers at work. The raster chart layer's choice of scale on a 100,000-frame
// catalog at every change of view: the first scale tried has frames in view, and the worst case,
// nothing in view at any scale. The referenced RPF layer's draw of 100 frames in view, cold (a
// new layer: every folder opened) and warm, side by side with gdalbuildvrt plus
// gdal_translate -outsize over the same window. The DTED layer's common stretch over 25 cells:
// the first draw reads every cell's statistics, later draws take them from the cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/random_frames.h"
#include "layers/zel_dted_layer.h"
#include "layers/zel_raster_layer.h"
#include "layers/zel_referenced_rpf_layer.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_objects.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_draw.h"
#include "platform/host/display/map.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/data/query_log.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/data_manager.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/rpf_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;

constexpr int kFrames = 100000;

fs::path Root() {
  static const fs::path root = [] {
    fs::path p = fs::temp_directory_path() / ("velk-layers-bench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    host::RegisterHostDataClasses();
    productline::RegisterDataManagerClass();
    return p;
  }();
  return root;
}

ComPtr<IWorkspace> NewDatabase(const std::string& name) {
  ComPtr<IWorkspaceFactory> factory;
  host::CreateDatabaseWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(), factory.put_void());
  fs::remove(Root() / name);
  ComPtr<IWorkspace> ws;
  factory->Create(Bstr(FromUtf8(Root().string())), Bstr(FromUtf8(name)), nullptr, nullptr,
                  ws.put());
  return ws;
}

ComPtr<ITable> NewCatalog(const std::string& db, velkZelCatalogTypeEnum kind) {
  auto ws = NewDatabase(db);
  ComPtr<IDataManager> manager;
  productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
  manager->CreateCatalog(ws.get(), kind, nullptr, Bstr(L"catalog"), 0, 0, nullptr);
  ComPtr<ITable> t;
  QueryAs<IFeatureWorkspace>(ws.get())->OpenTable(Bstr(L"catalog"), t.put());
  return t;
}

// 100,000 frames of four scales at random places within 100 x 100 degrees.
ITable* BigCatalog() {
  static ITable* table = [] {
    ComPtr<ITable> t = NewCatalog("big.gpkg", velkZelCatalogRPF);
    bench::WriteRandomFrames(t.get(), kFrames);
    return t.Detach();
  }();
  return table;
}

// A display without a picture: the layer chooses its scale, nothing is painted.
ComPtr<IScreenDisplay> ViewDisplay(double scale) {
  ComPtr<IScreenDisplay> display;
  host::CreateScreenDisplayObject(nullptr, IidOf<IScreenDisplay>(), display.put_void());
  ComPtr<IDisplayTransformation> t;
  display->get_DisplayTransformation(t.put());
  t.As<IDisplayScale>()->put_ScaleRatio(scale);
  return display;
}

void ScaleChoice(benchmark::State& state, double offset) {
  Root();
  auto layer = MakeObjectPtr<lumeris::ZelRasterLayer, IZelRasterLayer>();
  VARIANT_BOOL ok = VARIANT_FALSE;
  layer->Setup(BigCatalog(), &ok);
  layer->put_DisplayRasters(VARIANT_FALSE);
  auto display = ViewDisplay(250000);
  ComPtr<IDisplayTransformation> t;
  display->get_DisplayTransformation(t.put());
  auto draw = QueryAs<ILayerDraw>(layer.get());
  long queries = 0;
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const double x = offset + (i * 7) % 95, y = offset + (i * 13) % 95;
    ++i;
    t->put_VisibleBounds(host::NewEnvelope(x, y, x + 1, y + 1).get());
    host::QueryLog log;
    state.ResumeTiming();
    draw->Draw(kDrawPhaseGeography, display.get(), nullptr);
    state.PauseTiming();
    queries += static_cast<long>(log.Clauses().size());
    state.ResumeTiming();
  }
  state.counters["queries/change"] = benchmark::Counter(static_cast<double>(queries) / i);
}

void BM_ChartScaleChoice100kFirstScaleHit(benchmark::State& state) { ScaleChoice(state, 0); }
void BM_ChartScaleChoice100kNothingInView(benchmark::State& state) { ScaleChoice(state, 200); }

// 100 frames of 1:250,000, 10 x 10, under one table of contents, in a referenced catalog.
const std::string& FrameTree() {
  static const std::string tree = [] {
    test::RpfTocBoundary jog;
    jog.folder = "./CADRG/JOG/";
    jog.scaleText = "1:250K";
    jog.west = 0;
    jog.north = 10 * test::kRpfFrameDegrees;
    jog.rows = 10;
    jog.columns = 10;
    jog.blank = true;
    for (int i = 0; i < 100; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%07dA.JG2", i);
      jog.frames.push_back({i / 10, i % 10, name});
    }
    std::string root = (Root() / "rpf").string();
    test::MakeRpfTree(root, {jog});
    return root;
  }();
  return tree;
}

ITable* FrameCatalog() {
  static ITable* table = [] {
    ComPtr<ITable> t = NewCatalog("frames.gpkg", velkZelCatalogReferencedRPF);
    ComPtr<IDataManager> manager;
    productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
    manager->LoadCatalog(t.get(), Bstr(FromUtf8(FrameTree())), velkZelCatalogRPF, nullptr);
    return t.Detach();
  }();
  return table;
}

host::PictureView FramesView() {
  host::PictureView view;
  view.xmin = 0.01;
  view.ymin = 0.01;
  view.xmax = 10 * test::kRpfFrameDegrees - 0.01;
  view.ymax = 10 * test::kRpfFrameDegrees - 0.01;
  view.width = 1000;
  view.height = 1000;
  view.scale = 250000;
  view.sr = host::SpatialReferenceFromCode(4326);
  return view;
}

void DrawFrames(benchmark::State& state, bool warm) {
  Root();
  ITable* catalog = FrameCatalog();
  ComPtr<IZelRasterLayer> layer;
  ComPtr<IMap> map;
  long opens = 0, draws = 0, most = 0;
  const std::string png = (Root() / "frames.png").string();
  for (auto _ : state) {
    if (!warm || !layer) {
      state.PauseTiming();
      layer = MakeObjectPtr<lumeris::ZelReferencedRpfLayer, IZelRasterLayer>();
      VARIANT_BOOL ok = VARIANT_FALSE;
      layer->Setup(catalog, &ok);
      map.Reset();
      host::CreateMap(nullptr, IidOf<IMap>(), map.put_void());
      map->AddLayer(QueryAs<ILayer>(layer.get()).get());
      state.ResumeTiming();
    }
    host::DrawCounters counters;
    host::SaveMapPicture(map.get(), FramesView(), png, &counters);
    opens += counters.frameOpens;
    most = std::max(most, counters.frameOpens);
    ++draws;
  }
  state.counters["frame opens/draw"] = benchmark::Counter(static_cast<double>(opens) / draws);
  state.counters["most opens"] = benchmark::Counter(static_cast<double>(most));
}

void BM_Referenced100FramesCold(benchmark::State& state) { DrawFrames(state, false); }
void BM_Referenced100FramesWarm(benchmark::State& state) { DrawFrames(state, true); }

// The peer: a VRT of the same frames, then the same window at the same size.
void BM_GdalbuildvrtTranslate100Frames(benchmark::State& state) {
  Root();
  FrameCatalog();
  const std::string folder = FrameTree() + "/RPF/CADRG/JOG";
  const std::string vrt = (Root() / "frames.vrt").string();
  const std::string out = (Root() / "frames.tif").string();
  const host::PictureView v = FramesView();
  char window[256];
  std::snprintf(window, sizeof window, "%.10f %.10f %.10f %.10f", v.xmin, v.ymax, v.xmax, v.ymin);
  const std::string command = "gdalbuildvrt -q " + vrt + " " + folder + "/*.JG2 && " +
                              "gdal_translate -q -projwin " + window + " -outsize 1000 1000 " +
                              vrt + " " + out;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("gdalbuildvrt or gdal_translate failed");
  }
}

// 25 level-0 cells, 5 by 5 degrees, in a DTED catalog.
ITable* DtedCatalog() {
  static ITable* table = [] {
    const std::string root = (Root() / "dted").string();
    for (int lon = 0; lon < 5; ++lon)
      for (int lat = 0; lat < 5; ++lat)
        test::MakeDtedCell(test::DtedCellPath(root, lon, lat, 0), lon, lat, 0);
    ComPtr<ITable> t = NewCatalog("dted.gpkg", velkZelCatalogDTED);
    ComPtr<IDataManager> manager;
    productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
    manager->LoadCatalog(t.get(), Bstr(FromUtf8(root)), velkZelCatalogDTED, nullptr);
    return t.Detach();
  }();
  return table;
}

void DtedStretch(benchmark::State& state, bool warm) {
  Root();
  ITable* catalog = DtedCatalog();
  ComPtr<IZelDtedLayer> layer;
  long reads = 0, draws = 0;
  auto display = ViewDisplay(1000000);
  ComPtr<IDisplayTransformation> t;
  display->get_DisplayTransformation(t.put());
  t->put_VisibleBounds(host::NewEnvelope(0.1, 0.1, 4.9, 4.9).get());
  for (auto _ : state) {
    if (!warm || !layer) {
      state.PauseTiming();
      layer = MakeObjectPtr<lumeris::ZelDtedLayer, IZelDtedLayer>();
      layer->put_DisplayElevation(VARIANT_TRUE);
      VARIANT_BOOL ok = VARIANT_FALSE;
      layer->Setup(catalog, &ok);
      state.ResumeTiming();
    }
    const long before = static_cast<lumeris::ZelDtedLayer*>(layer.get())->StatisticsReads();
    QueryAs<ILayerDraw>(layer.get())->Draw(kDrawPhaseGeography, display.get(), nullptr);
    reads += static_cast<lumeris::ZelDtedLayer*>(layer.get())->StatisticsReads() - before;
    ++draws;
  }
  state.counters["statistics reads/draw"] =
      benchmark::Counter(static_cast<double>(reads) / draws);
}

void BM_DtedStretch25CellsCold(benchmark::State& state) { DtedStretch(state, false); }
void BM_DtedStretch25CellsWarm(benchmark::State& state) { DtedStretch(state, true); }

}  // namespace

BENCHMARK(BM_ChartScaleChoice100kFirstScaleHit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChartScaleChoice100kNothingInView)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Referenced100FramesCold)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Referenced100FramesWarm)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GdalbuildvrtTranslate100Frames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DtedStretch25CellsCold)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DtedStretch25CellsWarm)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Root(), ec);
  return 0;
}
