// The highest point of the ~10 m DEM (bench/ten_metre_dem.h, 10134 x 10066 Int16) as a user
// gets it, beside a plain GDAL program that does the same work: both whole processes on the same
// GeoTIFF, both writing the cells that carry the maximum as points into a shapefile (fields
// POINTID and GRID_CODE). Ours is a `trevik` session: the DEM added as a raster layer, the
// terrain tool "Highest" dragged over all of it (cell statistics, map algebra, raster to
// points, the point layer). The peer (this program run with --peer) finds the maximum with
// GDAL's exact min/max scan, reads the cells again block by block and writes the points
// through OGR. The sides run in turn; min and median time and each process's peak memory.
// Also the peak memory of ours on the DEM's western half: flat in the raster's size means the
// same peak for half the cells.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "bench/ten_metre_dem.h"

namespace fs = std::filesystem;

namespace {

// The peer: a GDAL scan for the maximum, then the cells that carry it as points.
int Peer(const char* dem, const char* shapefile) {
  GDALAllRegister();
  auto* src = static_cast<GDALDataset*>(GDALOpen(dem, GA_ReadOnly));
  if (!src) return 1;
  GDALRasterBand* band = src->GetRasterBand(1);
  double minMax[2];
  if (band->ComputeRasterMinMax(FALSE, minMax) != CE_None) return 1;
  double gt[6];
  src->GetGeoTransform(gt);
  const int w = src->GetRasterXSize(), h = src->GetRasterYSize();
  GDALDataset* out = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile")
                         ->Create(shapefile, 0, 0, 0, GDT_Unknown, nullptr);
  if (!out) return 1;
  OGRLayer* layer = out->CreateLayer(fs::path(shapefile).stem().c_str(),
                                     const_cast<OGRSpatialReference*>(src->GetSpatialRef()),
                                     wkbPoint, nullptr);
  OGRFieldDefn id("POINTID", OFTInteger);
  OGRFieldDefn value("GRID_CODE", OFTReal);
  layer->CreateField(&id);
  layer->CreateField(&value);
  int blockX = 0, blockY = 0;
  band->GetBlockSize(&blockX, &blockY);
  std::vector<std::int16_t> rows(static_cast<size_t>(w) * blockY);
  int points = 0;
  for (int r0 = 0; r0 < h; r0 += blockY) {
    const int n = std::min(blockY, h - r0);
    if (band->RasterIO(GF_Read, 0, r0, w, n, rows.data(), w, n, GDT_Int16, 0, 0) != CE_None)
      return 1;
    for (int i = 0; i < w * n; ++i) {
      if (rows[i] != minMax[1]) continue;
      const int c = i % w, r = r0 + i / w;
      OGRFeature f(layer->GetLayerDefn());
      f.SetField(0, ++points);
      f.SetField(1, double(rows[i]));
      OGRPoint p(gt[0] + (c + 0.5) * gt[1], gt[3] + (r + 0.5) * gt[5]);
      f.SetGeometry(&p);
      if (layer->CreateFeature(&f) != OGRERR_NONE) return 1;
    }
  }
  GDALClose(out);
  GDALClose(src);
  std::printf("%d point(s) at %.0f\n", points, minMax[1]);
  return 0;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--peer") return Peer(argv[2], argv[3]);
  std::string why;
  const std::string dem = velk::bench::DemPath();
  if (!velk::bench::EnsureDem(&why)) {
    std::printf("skipped: %s\n", why.c_str());
    return 0;
  }
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const fs::path lib = bin.parent_path() / "lib";
  const fs::path work = fs::temp_directory_path() / ("velk_highlow_" + std::to_string(::getpid()));
  fs::create_directories(work);
  const std::string trevik = (bin / "trevik").string() + " --root " + Quote(work / "root");
  // The left half of the DEM, for the memory a smaller raster takes.
  const std::string half = (work / "half.tif").string();
  bench::RunCommand("gdal_translate -q -srcwin 0 0 5067 10066 " + Quote(dem) + " " + Quote(half));
  {
    std::ofstream setup(work / "setup.session");
    setup << "host map\nregister " << (lib / "libCorvane.so").string() << "\n";
  }
  bench::RunCommand(trevik + " run " + Quote(work / "setup.session") + " > /dev/null");
  // The view shows 145 to 295 km east and -5 to 115 km north, the whole DEM, in its
  // 1000 x 800 pixels; the drag covers the view.
  auto session = [&](const std::string& name, const std::string& raster) {
    const fs::path file = work / (name + ".session");
    std::ofstream s(file);
    s << "host map\nextension Tarvos on\nextension Quentara on\n"
      << "setting GeneralOutputWorkspacePath=" << (work / name).string() << "\n"
      << "map-reference 32632\nmap-extent 145000 -5000 295000 115000\n"
      << "add-raster " << raster << " dem\nclick velkTarvosUI.SelectedLayer\n"
      << "click velkTarvosUI.TerrainTools 1\nmap-drag 0 0 999 799\nprint layers\n";
    return trevik + " run " + Quote(file.string());
  };
  const std::string ours = session("whole", dem), oursHalf = session("half", half);
  const std::string peer =
      Quote(fs::canonical("/proc/self/exe").string()) + " --peer " + Quote(dem) + " ";
  long long peakOurs = 0, peakHalf = 0, peakPeer = 0;
  int run = 0;
  auto fresh = [&](const char* name) {
    fs::remove_all(work / name);
    fs::remove_all(work / "root" / "scratch");
    fs::create_directories(work / name);
  };
  std::vector<bench::Side> sides = {
      {"ours: trevik session, Highest over the DEM",
       [&] {
         fresh("whole");
         peakOurs = std::max(peakOurs, bench::RunCommand(ours + " > /dev/null"));
       }},
      {"peer: GDAL scan + OGR shapefile of the points",
       [&] {
         fresh("peer");
         const std::string out = (work / "peer" / ("MaxPt" + std::to_string(run++) + ".shp")).string();
         peakPeer = std::max(peakPeer, bench::RunCommand(peer + Quote(out) + " > /dev/null"));
       }},
      {"ours on the DEM's western half",
       [&] {
         fresh("half");
         peakHalf = std::max(peakHalf, bench::RunCommand(oursHalf + " > /dev/null"));
       }},
  };
  // What each side found, once.
  bench::RunCommand(ours + " | grep -A3 'print layers'");
  bench::RunCommand(peer + Quote((work / "check.shp").string()));
  bench::Alternate(sides, bench::Rounds(5));
  bench::PrintSides(sides);
  bench::PrintRatio("ours / peer time (at most 1.5 wanted)", sides[0], sides[1]);
  std::printf("peak memory: ours %.0f MiB, on half the DEM %.0f MiB; peer %.0f MiB\n",
              peakOurs / 1048576.0, peakHalf / 1048576.0, peakPeer / 1048576.0);
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
