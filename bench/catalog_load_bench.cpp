// Loading catalogs of map products: a tree of 500 DTED cells and one of 2,000 RPF frames loaded
// by the data manager (all cores), side by side in the same run with GDAL's gdaltindex over the
// same files (which only indexes footprints); files per second for each. A tree of compressed
// charts as real products hold them (400 vector-quantised CADRG frames, 400 JPEG CIB frames)
// loaded the same way, alternated round by round with a gdaltindex process over the same
// files: min and median of each and their ratio. And a catalog of 100,000 frames answering
// "SCALE = n" within a bounding box through the host's table search.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "bench/random_frames.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/catalog_table_writer.h"
#include "platform/productline/data_manager.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/rpf_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;

constexpr int kCells = 500;
constexpr int kFrames = 2000;
constexpr int kIndexedFrames = 100000;

fs::path Root() {
  static const fs::path root = [] {
    fs::path p = fs::temp_directory_path() / ("velk-catalog-bench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return root;
}

// 500 level-0 cells: 25 columns of 20 rows of degrees.
const std::vector<std::string>& DtedFiles() {
  static const std::vector<std::string> files = [] {
    std::vector<std::string> out;
    for (int i = 0; i < kCells; ++i) {
      const int lon = i % 25, lat = i / 25;
      out.push_back(test::DtedCellPath((Root() / "dted").string(), lon, lat, 0));
      test::MakeDtedCell(out.back(), lon, lat, 0);
    }
    return out;
  }();
  return files;
}

// 2,000 ONC frames: 40 columns of 50 rows under one table of contents.
const std::vector<std::string>& RpfFiles() {
  static const std::vector<std::string> files = [] {
    test::RpfTocBoundary onc;
    onc.rows = 50;
    onc.columns = 40;
    onc.blank = true;
    for (int i = 0; i < kFrames; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%07dA.ON2", i);
      onc.frames.push_back({i / 40, i % 40, name});
    }
    test::MakeRpfTree((Root() / "rpf").string(), {onc});
    std::vector<std::string> out;
    for (const auto& f : onc.frames)
      out.push_back((Root() / "rpf/RPF/CADRG/ONC" / f.fileName).string());
    return out;
  }();
  return files;
}

constexpr int kCompressedFrames = 400;  // of each coding

// 400 vector-quantised JOG frames (20 x 20) and 400 JPEG CIB frames (20 x 20) under one table
// of contents.
const std::vector<std::string>& CompressedFiles() {
  static const std::vector<std::string> files = [] {
    test::RpfTocBoundary jog, cib;
    jog.folder = "./CADRG/JOG/";
    jog.scaleText = "1:250K";
    jog.coding = test::RpfCoding::kVectorQuantised;
    cib.productType = "CIB";
    cib.scaleText = "1:41K";
    cib.folder = "./CIB/I1/";
    cib.coding = test::RpfCoding::kJpeg;
    cib.west = 30;
    for (test::RpfTocBoundary* b : {&jog, &cib}) {
      b->rows = 20;
      b->columns = 20;
      for (int i = 0; i < kCompressedFrames; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, b == &jog ? "%07dA.JG2" : "%07dB.I12", i);
        b->frames.push_back({i / 20, i % 20, name});
      }
    }
    test::MakeRpfTree((Root() / "compressed").string(), {jog, cib});
    std::vector<std::string> out;
    for (const test::RpfTocBoundary* b : {&jog, &cib})
      for (const auto& f : b->frames)
        out.push_back((Root() / "compressed/RPF" / b->folder / f.fileName).lexically_normal().string());
    return out;
  }();
  return files;
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

void LoadTree(benchmark::State& state, velkZelCatalogTypeEnum kind, const std::string& folder,
              std::size_t files) {
  ComPtr<IDataManager> manager;
  productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
  for (auto _ : state) {
    state.PauseTiming();
    auto ws = NewDatabase("load.gpkg");
    manager->CreateCatalog(ws.get(), kind, nullptr, Bstr(L"catalog"), 0, 0, nullptr);
    ComPtr<ITable> table;
    QueryAs<IFeatureWorkspace>(ws.get())->OpenTable(Bstr(L"catalog"), table.put());
    state.ResumeTiming();
    if (manager->LoadCatalog(table.get(), Bstr(FromUtf8(folder)), kind, nullptr) != S_OK)
      state.SkipWithError("the load reported errors");
  }
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate);
}

void Gdaltindex(benchmark::State& state, const std::vector<std::string>& files) {
  const fs::path list = Root() / "files.txt";
  {
    std::ofstream out(list);
    for (const auto& f : files) out << f << '\n';
  }
  const std::string index = (Root() / "tindex.gpkg").string();
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(index);
    state.ResumeTiming();
    const std::string command = "gdaltindex -f GPKG -t_srs EPSG:4326 " + index + " --optfile " +
                                list.string() + " > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) state.SkipWithError("gdaltindex failed");
  }
  state.counters["files/s"] = benchmark::Counter(static_cast<double>(files.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadDtedCells(benchmark::State& state) {
  LoadTree(state, velkZelCatalogDTED, (Root() / "dted").string(), DtedFiles().size());
}
void BM_GdaltindexDtedCells(benchmark::State& state) { Gdaltindex(state, DtedFiles()); }
void BM_LoadRpfFrames(benchmark::State& state) {
  LoadTree(state, velkZelCatalogRPF, (Root() / "rpf").string(), RpfFiles().size() + 1);
}
void BM_GdaltindexRpfFrames(benchmark::State& state) { Gdaltindex(state, RpfFiles()); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Our load of the compressed tree (in the process, as the host runs it) and a gdaltindex
// process over the same files, alternated for five rounds.
void BM_CompressedChartsBesideGdaltindex(benchmark::State& state) {
  const std::vector<std::string>& files = CompressedFiles();
  const fs::path list = Root() / "compressed_files.txt";
  {
    std::ofstream out(list);
    for (const auto& f : files) out << f << '\n';
  }
  const std::string index = (Root() / "compressed_tindex.gpkg").string();
  const std::string command = "gdaltindex -f GPKG -t_srs EPSG:4326 " + index + " --optfile " +
                              list.string() + " > /dev/null 2>&1";
  ComPtr<IDataManager> manager;
  productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  std::vector<double> ours, theirs;
  for (auto _ : state) {
    for (int round = 0; round < 5; ++round) {
      auto ws = NewDatabase("compressed.gpkg");
      manager->CreateCatalog(ws.get(), velkZelCatalogRPF, nullptr, Bstr(L"catalog"), 0, 0, nullptr);
      ComPtr<ITable> table;
      QueryAs<IFeatureWorkspace>(ws.get())->OpenTable(Bstr(L"catalog"), table.put());
      const auto start = Clock::now();
      const HRESULT hr = manager->LoadCatalog(
          table.get(), Bstr(FromUtf8((Root() / "compressed").string())), velkZelCatalogRPF, nullptr);
      ours.push_back(ms(Clock::now() - start));
      if (hr != S_OK) state.SkipWithError("the load reported errors");
      fs::remove(index);
      const auto peer = Clock::now();
      if (std::system(command.c_str()) != 0) state.SkipWithError("gdaltindex failed");
      theirs.push_back(ms(Clock::now() - peer));
    }
  }
  const double oursMin = *std::min_element(ours.begin(), ours.end());
  const double theirsMin = *std::min_element(theirs.begin(), theirs.end());
  state.counters["load_min_ms"] = oursMin;
  state.counters["load_median_ms"] = Median(ours);
  state.counters["gdaltindex_min_ms"] = theirsMin;
  state.counters["gdaltindex_median_ms"] = Median(theirs);
  state.counters["median_ratio"] = Median(ours) / Median(theirs);
  std::printf(
      "compressed charts (%zu frames): load min %.1f ms, median %.1f ms; gdaltindex min %.1f ms, "
      "median %.1f ms; load / gdaltindex (median) %.2f\n",
      files.size(), oursMin, Median(ours), theirsMin, Median(theirs),
      Median(ours) / Median(theirs));
}

// A catalog of 100,000 frames of four series over a 100 x 100 degree area.
// Kept for the whole run (never released: the process ends with it).
ITable* BigCatalog() {
  static ITable* table = [] {
    auto ws = NewDatabase("big.gpkg");
    ComPtr<IDataManager> manager;
    productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
    manager->CreateCatalog(ws.get(), velkZelCatalogRPF, nullptr, Bstr(L"frames"), 0, 0, nullptr);
    ComPtr<ITable> t;
    QueryAs<IFeatureWorkspace>(ws.get())->OpenTable(Bstr(L"frames"), t.put());
    bench::WriteRandomFrames(t.get(), kIndexedFrames);
    return t.Detach();
  }();
  return table;
}

void BM_ScaleAndBoxSearch100k(benchmark::State& state) {
  ITable* table = BigCatalog();
  ComPtr<ISpatialFilter> filter;
  host::CreateSpatialFilterObject(nullptr, IidOf<ISpatialFilter>(), filter.put_void());
  filter->put_WhereClause(Bstr(L"SCALE = 250000"));
  filter->put_SpatialRel(kSpatialRelIntersects);
  long found = 0;
  int i = 0;
  for (auto _ : state) {
    const double x = (i * 7) % 95, y = (i * 13) % 95;
    ++i;
    filter->putref_Geometry(host::NewEnvelope(x, y, x + 2, y + 2).Query<IGeometry>().get());
    ComPtr<ICursor> cursor;
    table->Search(filter.get(), VARIANT_TRUE, cursor.put());
    ComPtr<IRow> row;
    while (cursor && cursor->NextRow(row.put()) == S_OK && row) {
      ++found;
      row.Reset();
    }
  }
  state.counters["rows/search"] =
      benchmark::Counter(static_cast<double>(found) / std::max<int>(i, 1));
}

}  // namespace

BENCHMARK(BM_LoadDtedCells)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GdaltindexDtedCells)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadRpfFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GdaltindexRpfFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CompressedChartsBesideGdaltindex)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ScaleAndBoxSearch100k)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Root(), ec);
  return 0;
}
