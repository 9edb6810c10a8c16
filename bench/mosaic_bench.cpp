// The mosaic and the VPF export beside GDAL's own utilities on the same inputs, each side as a
// user runs it, in turn, several rounds, min and median:
// - 36 DTED level-1 cells put together into one GeoTIFF: ours a `trevik` session (the cells'
//   catalog, made beforehand, added as a layer; the mosaic command over all of its datasets),
//   the peer gdalbuildvrt then gdal_translate; whole processes, with their peak memory.
// - 200 paletted 256 x 256 frames into one GeoTIFF, and the 20,000 points of a VPF coverage
//   into a shapefile: the host's mosaic and feature translate beside the same GDAL library calls
//   (GDALBuildVRT + GDALTranslate, GDALVectorTranslate) in the same process, on the same open
//   inputs, writing the same outputs.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogrsf_frmts.h>

#include "bench/side_by_side.h"
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
      const int column = f % 20, row = f / 20;  // frames in rows of 20
      double gt[6] = {column * 256.0, 1, 0, 100000.0 - row * 256.0, 0, -1};
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
      const int column = i % 200, row = i / 200;  // points in rows of 200
      pop.points.push_back({{10.0 + column / 200.0, 50.0 + row / 100.0}, "p" + std::to_string(i)});
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


// The host's mosaic in memory beside GDALBuildVRT + GDALTranslate in memory.
void FramesInProcess() {
  const std::vector<std::string>& frames = Frames();
  std::vector<const char*> names;
  for (const auto& f : frames) names.push_back(f.c_str());
  const std::string ours = (Root() / "frames_ours.tif").string();
  const std::string peer = (Root() / "frames_peer.tif").string();
  std::vector<bench::Side> sides = {
      {"frames: host mosaic (in process)",
       [&] {
         fs::remove(ours);
         host::analysis::MosaicOptions o;
         o.firstBandOnly = false;
         if (!host::analysis::MosaicRasters(frames, ours, o).empty()) std::abort();
       }},
      {"frames: GDALBuildVRT + GDALTranslate (in process)",
       [&] {
         fs::remove(peer);
         GDALDatasetH vrt = GDALBuildVRT("", static_cast<int>(names.size()), nullptr,
                                         names.data(), nullptr, nullptr);
         char* args[] = {const_cast<char*>("-of"), const_cast<char*>("GTiff"), nullptr};
         GDALTranslateOptions* t = GDALTranslateOptionsNew(args, nullptr);
         GDALDatasetH out = GDALTranslate(peer.c_str(), vrt, t, nullptr);
         GDALTranslateOptionsFree(t);
         if (!out) std::abort();
         GDALClose(out);
         GDALClose(vrt);
       }},
  };
  bench::Alternate(sides, bench::Rounds(5));
  bench::PrintSides(sides);
  bench::PrintRatio("frames: peer / ours (above 1: ours faster)", sides[1], sides[0]);
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// A trevik session's mosaic of the DTED catalog beside gdalbuildvrt + gdal_translate.
void DtedAsProcesses() {
  const std::vector<std::string>& cells = DtedCells();
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const fs::path lib = bin.parent_path() / "lib";
  const fs::path work = Root() / "session";
  fs::create_directories(work / "out");
  const std::string trevik = "cd " + Quote(work.string()) + " && " + (bin / "trevik").string() +
                             " --root " + Quote((work / "root").string()) + " run ";
  {
    std::ofstream setup(work / "setup.session");
    setup << "host map\nregister " << (lib / "libLumeris.so").string() << "\nregister "
          << (lib / "libCorvane.so").string() << "\nextension Tarvos on\n"
          << "catalog-new zel.gpkg cells dted\ncatalog-load zel.gpkg cells dted "
          << (Root() / "dted").string() << "\n";
    std::ofstream run(work / "mosaic.session");
    run << "host map\nextension Tarvos on\nadd-catalog-layer zel.gpkg cells dted elevation\n"
        << "map-reference 4326\nmap-extent -1 -1 7 7\nclick velkTarvosUI.Mosaic\n"
        << "set 3099 out/all.tif\npick 3553 \"All datasets\"\npress OK\nprint status\n";
    std::ofstream list(work / "cells.txt");
    for (const auto& c : cells) list << c << "\n";
  }
  bench::RunCommand(trevik + "setup.session > /dev/null");
  const std::string ours = trevik + "mosaic.session > /dev/null";
  const std::string peer = "gdalbuildvrt -q -input_file_list " + Quote((work / "cells.txt").string()) +
                           " " + Quote((work / "peer.vrt").string()) + " && gdal_translate -q " +
                           Quote((work / "peer.vrt").string()) + " " +
                           Quote((work / "peer.tif").string());
  long long peakOurs = 0, peakPeer = 0;
  std::vector<bench::Side> sides = {
      {"DTED: trevik session, mosaic of the catalog",
       [&] {
         fs::remove(work / "out/all.tif");
         peakOurs = std::max(peakOurs, bench::RunCommand(ours));
       }},
      {"DTED: gdalbuildvrt && gdal_translate",
       [&] {
         fs::remove(work / "peer.tif");
         peakPeer = std::max(peakPeer, bench::RunCommand(peer));
       }},
  };
  bench::Alternate(sides, bench::Rounds(5));
  if (!fs::exists(work / "out/all.tif")) {
    std::printf("the session wrote no mosaic\n");
    std::exit(1);
  }
  bench::PrintSides(sides);
  bench::PrintRatio("DTED: peer / ours (above 1: ours faster)", sides[1], sides[0]);
  std::printf("DTED: peak memory ours %.0f MiB, peer %.0f MiB\n", peakOurs / 1048576.0,
              peakPeer / 1048576.0);
}

// The host's feature translate beside GDALVectorTranslate, both on the open OGDI library.
void VpfInProcess() {
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(VpfLibrary().c_str(), GDAL_OF_VECTOR));
  const std::string layer = PointLayer(ds.get());
  if (layer.empty()) std::abort();
  fs::create_directories(Root() / "export");
  const std::string peer = (Root() / "peer_points.shp").string();
  std::vector<bench::Side> sides = {
      {"VPF: host feature translate (in process)",
       [&] {
         host::analysis::FeatureTranslateRequest r;
         r.source = ds.get();
         r.layer = layer;
         r.output = (Root() / "export").string();
         r.name = "points";
         if (!host::analysis::TranslateFeatures(r).error.empty()) std::abort();
       }},
      {"VPF: GDALVectorTranslate (in process)",
       [&] {
         fs::remove(peer);
         char* args[] = {const_cast<char*>("-f"), const_cast<char*>("ESRI Shapefile"),
                         const_cast<char*>(layer.c_str()), nullptr};
         GDALVectorTranslateOptions* o = GDALVectorTranslateOptionsNew(args, nullptr);
         GDALDatasetH src = GDALDataset::ToHandle(ds.get());
         GDALDatasetH out = GDALVectorTranslate(peer.c_str(), nullptr, 1, &src, o, nullptr);
         GDALVectorTranslateOptionsFree(o);
         if (!out) std::abort();
         GDALClose(out);
       }},
  };
  bench::Alternate(sides, bench::Rounds(5));
  bench::PrintSides(sides);
  bench::PrintRatio("VPF: peer / ours (above 1: ours faster)", sides[1], sides[0]);
}

}  // namespace

int main() {
  DtedAsProcesses();
  FramesInProcess();
  VpfInProcess();
  std::error_code ec;
  fs::remove_all(Root(), ec);
  return 0;
}
