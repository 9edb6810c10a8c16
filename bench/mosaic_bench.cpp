// The mosaic and the VPF export beside GDAL's own utilities on the same inputs, in the same run:
// 36 DTED level-1 cells and 200 paletted frames put together (ours: the host's mosaic; peer:
// gdalbuildvrt then gdal_translate), with the wall time, the memory our run adds to the process
// and the peak resident size of the utilities; and the features of a VPF coverage copied into
// a shapefile (ours: the host's feature translate over the open OGDI library; peer: ogr2ogr
// from the same OGDI source), in features per second.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "bench/peak_memory.h"
#include "platform/host/analysis/feature_translate.h"
#include "platform/host/analysis/raster_mosaic.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/vpf_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;

fs::path Root() {
  static const fs::path root = [] {
    fs::path p = fs::temp_directory_path() / ("velk-mosaic-bench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    GDALAllRegister();
    return p;
  }();
  return root;
}

using bench::PeakSampler;
using bench::ResidentBytes;

// Runs the command line through the shell; the largest resident size of it and the programs it
// ran, in bytes (-1 when it failed).
long long RunMeasured(const std::string& command) {
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    return -1;
  return static_cast<long long>(usage.ru_maxrss) * 1024;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

const std::vector<std::string>& DtedCells() {
  static const std::vector<std::string> cells = [] {
    std::vector<std::string> out;
    for (int lon = 0; lon < 6; ++lon)
      for (int lat = 0; lat < 6; ++lat) {
        out.push_back(test::DtedCellPath((Root() / "dted").string(), lon, lat, 1));
        test::MakeDtedCell(out.back(), lon, lat, 1);
      }
    return out;
  }();
  return cells;
}

// 200 paletted 256 x 256 frames, 20 by 10, sharing one palette.
const std::vector<std::string>& Frames() {
  static const std::vector<std::string> frames = [] {
    std::vector<std::string> out;
    fs::create_directories(Root() / "frames");
    GDALColorTable palette;
    for (int i = 0; i < 256; ++i) {
      GDALColorEntry e{static_cast<short>(i), static_cast<short>(255 - i), static_cast<short>(i / 2), 255};
      palette.SetColorEntry(i, &e);
    }
    std::vector<unsigned char> cells(256 * 256);
    for (int f = 0; f < 200; ++f) {
      out.push_back((Root() / "frames" / ("f" + std::to_string(f) + ".tif")).string());
      std::unique_ptr<GDALDataset> ds(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
          out.back().c_str(), 256, 256, 1, GDT_Byte, nullptr));
      const int row = f / 20;  // twenty frames a row
      double gt[6] = {(f % 20) * 256.0, 1, 0, 100000.0 - row * 256.0, 0, -1};
      ds->SetGeoTransform(gt);
      for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<unsigned char>((i + f * 7) % 251);
      if (ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, 256, 256, cells.data(), 256, 256,
                                         GDT_Byte, 0, 0) != CE_None)
        std::abort();
      ds->GetRasterBand(1)->SetColorTable(&palette);
    }
    return out;
  }();
  return frames;
}

void Ours(benchmark::State& state, const std::vector<std::string>& inputs, const char* name) {
  const std::string out = (Root() / (std::string(name) + "_ours.tif")).string();
  long long peak = 0;
  for (auto _ : state) {
    fs::remove(out);
    host::analysis::MosaicOptions o;
    o.firstBandOnly = false;
    const long long before = ResidentBytes();
    PeakSampler sampler;
    const std::string error = host::analysis::MosaicRasters(inputs, out, o);
    peak = std::max(peak, sampler.Stop() - before);
    if (!error.empty()) state.SkipWithError(error.c_str());
  }
  state.counters["peak_added_MB"] = static_cast<double>(peak) / 1e6;
  state.counters["inputs"] = static_cast<double>(inputs.size());
}

void Peer(benchmark::State& state, const std::vector<std::string>& inputs, const char* name) {
  const std::string list = (Root() / (std::string(name) + ".txt")).string();
  {
    std::ofstream f(list);
    for (const auto& i : inputs) f << i << "\n";
  }
  const std::string vrt = (Root() / (std::string(name) + ".vrt")).string();
  const std::string out = (Root() / (std::string(name) + "_peer.tif")).string();
  const std::string command = "gdalbuildvrt -q -input_file_list " + Quote(list) + " " + Quote(vrt) +
                              " && gdal_translate -q " + Quote(vrt) + " " + Quote(out);
  long long peak = 0;
  for (auto _ : state) {
    fs::remove(out);
    const long long used = RunMeasured(command);
    if (used < 0) state.SkipWithError("gdalbuildvrt or gdal_translate failed");
    peak = std::max(peak, used);
  }
  state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
}

void BM_MosaicDted_Ours(benchmark::State& s) { Ours(s, DtedCells(), "dted"); }
void BM_MosaicDted_BuildVrtTranslate(benchmark::State& s) { Peer(s, DtedCells(), "dted"); }
void BM_MosaicFrames_Ours(benchmark::State& s) { Ours(s, Frames(), "frames"); }
void BM_MosaicFrames_BuildVrtTranslate(benchmark::State& s) { Peer(s, Frames(), "frames"); }

// A library of 20,000 points in one coverage.
std::string VpfLibrary() {
  static const std::string library = [] {
    test::VpfDatabaseSpec spec;
    test::VpfLibrarySpec lib;
    lib.name = "lib1";
    lib.west = 10;
    lib.south = 50;
    lib.east = 11;
    lib.north = 51;
    test::VpfCoverageSpec pop;
    pop.pointClass = "builtp";
    for (int i = 0; i < 20000; ++i) {
      const int row = i / 200;  // two hundred points a row
      pop.points.push_back({{10.0 + (i % 200) / 200.0, 50.0 + row / 100.0}, "p" + std::to_string(i)});
    }
    lib.coverages.push_back(pop);
    spec.libraries.push_back(lib);
    test::MakeVpfDatabase((Root() / "vpf").string(), spec);
    return "gltp:/vrf" + (Root() / "vpf" / spec.name / "lib1").string();
  }();
  return library;
}

std::string PointLayer(GDALDataset* ds) {
  for (int i = 0; ds && i < ds->GetLayerCount(); ++i)
    if (std::string(ds->GetLayer(i)->GetName()).rfind("builtp@pop(", 0) == 0) return ds->GetLayer(i)->GetName();
  return {};
}

void BM_VpfExport_Ours(benchmark::State& state) {
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(VpfLibrary().c_str(), GDAL_OF_VECTOR));
  const std::string layer = PointLayer(ds.get());
  fs::create_directories(Root() / "export");
  long long features = 0;
  for (auto _ : state) {
    host::analysis::FeatureTranslateRequest r;
    r.source = ds.get();
    r.layer = layer;
    r.output = (Root() / "export").string();
    r.name = "points";
    const auto done = host::analysis::TranslateFeatures(r);
    if (!done.error.empty()) state.SkipWithError(done.error.c_str());
    features += done.features;
  }
  state.counters["features_per_s"] = benchmark::Counter(static_cast<double>(features), benchmark::Counter::kIsRate);
}

void BM_VpfExport_Ogr2ogr(benchmark::State& state) {
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(VpfLibrary().c_str(), GDAL_OF_VECTOR));
  const std::string layer = PointLayer(ds.get());
  const long long count = ds && !layer.empty() ? ds->GetLayerByName(layer.c_str())->GetFeatureCount() : 0;
  ds.reset();
  const std::string out = (Root() / "ogr2ogr_points.shp").string();
  const std::string command = "ogr2ogr -overwrite " + Quote(out) + " " + Quote(VpfLibrary()) + " " + Quote(layer);
  long long features = 0;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("ogr2ogr failed");
    features += count;
  }
  state.counters["features_per_s"] = benchmark::Counter(static_cast<double>(features), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MosaicDted_Ours)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MosaicDted_BuildVrtTranslate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MosaicFrames_Ours)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MosaicFrames_BuildVrtTranslate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_VpfExport_Ours)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_VpfExport_Ogr2ogr)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
