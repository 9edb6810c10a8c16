// The radial line of sight as a user runs it, beside GDAL's own pipeline for the same result,
// both as whole processes. Ours: a `trevik` session on the ~10 m DEM (bench/ten_metre_dem.h) as
// a raster layer of a UTM map: the dialog, an observer picked with the coordinate tool 2 m over
// a land cell, 20 km far, Ok (the surface warped into its azimuthal equidistant grid, the
// observer file, the counts, the GRIDCODE polygons, the layers). GDAL's: gdalwarp to the same
// grid, gdal_viewshed from the same place with the same curvature, gdal_polygonize.py of its
// result. The two sides run alternately; printed are the minimum and median of each and the
// ratio. The folders' clean-up before each run is timed with its side; it is small.
//
//   bench_radial_session_bench [runs]     (default 5, or VELK_BENCH_ROUNDS)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "bench/side_by_side.h"
#include "bench/ten_metre_dem.h"

#ifndef VELK_BIN_DIR
#define VELK_BIN_DIR "build/bin"
#endif
#ifndef VELK_LIB_DIR
#define VELK_LIB_DIR "build/lib"
#endif

namespace {

namespace fs = std::filesystem;

constexpr double kFarKilometres = 20.0;
constexpr double kEyeHeight = 2.0;
// The settings' refraction when the user has not changed it.
constexpr double kRefraction = 0.13;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// The grid the session prepared and where the observer stands on it.
struct Prepared {
  std::string grid;
  std::string wktFile;
  double te[4] = {0, 0, 0, 0};
  int columns = 0, rows = 0;
  double observerX = 0, observerY = 0;
  std::string error;
};

Prepared ReadPrepared(const fs::path& work) {
  Prepared p;
  for (const auto& e : fs::directory_iterator(work)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("rlo", 0) == 0 && e.path().extension() == ".tif") p.grid = e.path().string();
  }
  if (p.grid.empty()) {
    p.error = "the session left no prepared grid";
    return p;
  }
  GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(p.grid.c_str(), GA_ReadOnly));
  double gt[6];
  if (!ds || ds->GetGeoTransform(gt) != CE_None || !ds->GetSpatialRef()) {
    if (ds) GDALClose(ds);
    p.error = "cannot read " + p.grid;
    return p;
  }
  p.columns = ds->GetRasterXSize();
  p.rows = ds->GetRasterYSize();
  p.te[0] = gt[0];
  p.te[1] = gt[3] + p.rows * gt[5];
  p.te[2] = gt[0] + p.columns * gt[1];
  p.te[3] = gt[3];
  char* wkt = nullptr;
  ds->GetSpatialRef()->exportToWkt(&wkt);
  p.wktFile = (work.parent_path().parent_path() / "prepared.wkt").string();
  std::ofstream(p.wktFile) << wkt;
  CPLFree(wkt);
  GDALClose(ds);
  const std::string observers = (work / "losloc0000.shp").string();
  GDALDataset* points = static_cast<GDALDataset*>(
      GDALOpenEx(observers.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  OGRLayer* layer = points ? points->GetLayer(0) : nullptr;
  OGRFeature* f = layer ? layer->GetNextFeature() : nullptr;
  if (!f || !f->GetGeometryRef()) {
    p.error = "cannot read the observer of " + observers;
  } else {
    p.observerX = f->GetGeometryRef()->toPoint()->getX();
    p.observerY = f->GetGeometryRef()->toPoint()->getY();
  }
  OGRFeature::DestroyFeature(f);
  if (points) GDALClose(points);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : bench::Rounds(5);
  GDALAllRegister();
  for (const char* tool : {"gdalwarp", "gdal_viewshed", "gdal_polygonize.py"})
    if (!OnPath(tool)) {
      std::printf("skipped: %s is not installed\n", tool);
      return 0;
    }
  const velk::bench::Dem& dem = velk::bench::TheDem();
  if (!dem.error.empty()) {
    std::printf("skipped: %s\n", dem.error.c_str());
    return 0;
  }
  setenv("GDAL_PAM_ENABLED", "NO", 1);
  const std::string demPath = velk::bench::DemPath();
  double gt[6];
  {
    GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(demPath.c_str(), GA_ReadOnly));
    if (!ds) {
      std::printf("skipped: cannot open %s\n", demPath.c_str());
      return 0;
    }
    ds->GetGeoTransform(gt);
    GDALClose(ds);
  }
  const std::pair<int, int> land = velk::bench::LandCell(dem);
  const int column = land.first, row = land.second;
  const double x = gt[0] + (column + 0.5) * gt[1], y = gt[3] + (row + 0.5) * gt[5];

  const fs::path base =
      fs::temp_directory_path() / ("velk_radial_bench_" + std::to_string(getpid()));
  const fs::path root = base / "root", peer = base / "peer";
  fs::create_directories(root);
  fs::create_directories(peer);
  const std::string trevik = std::string(VELK_BIN_DIR) + "/trevik --root " + Quote(root.string());
  bench::RunCommand(trevik + " register " + Quote(std::string(VELK_LIB_DIR) + "/libCorvane.so") +
                    " >/dev/null");
  // The map view is 1000 x 800 pixels: a 50 x 40 km extent puts the observer at its middle.
  char extent[160];
  std::snprintf(extent, sizeof extent, "map-extent %.3f %.3f %.3f %.3f", x - 25000, y - 20000,
                x + 25000, y + 20000);
  const fs::path script = base / "radial.session";
  std::ofstream(script) << "host map\nextension Tarvos on\nextension Quentara on\n"
                           "map-reference 32632\nadd-raster "
                        << demPath << " dem\n"
                        << extent
                        << "\nclick velkTarvosUI.CoordTool\nclick velkTarvosUI.RadialLOS\n"
                           "dialog 3064\ncheck 3011\nmap-click 500 400\nset 3073 "
                        << kFarKilometres << "\nset 3092 " << kEyeHeight
                        << "\nset 3103 0\nfocus 3072\npress Ok\nprint tree\n";
  const fs::path work = root / "scratch" / "RadialLOS";
  const std::string ours = trevik + " run " + Quote(script.string());

  std::printf(
      "radial line of sight, 20 km, on the %d x %d DEM; observer 2 m over column %d row %d "
      "(%d m); %d runs alternated\n",
      dem.columns, dem.rows, column, row,
      dem.values[static_cast<std::size_t>(row) * dem.columns + column], runs);
  // A first session (not timed) shows the grid GDAL's pipeline is to make.
  fs::remove_all(root / "scratch");
  bench::RunCommand(ours + " >/dev/null");
  const Prepared p = ReadPrepared(work);
  if (!p.error.empty()) {
    std::printf("%s\n", p.error.c_str());
    return 1;
  }
  char te[200], place[200];
  std::snprintf(te, sizeof te, "-te %.10g %.10g %.10g %.10g -ts %d %d", p.te[0], p.te[1], p.te[2],
                p.te[3], p.columns, p.rows);
  std::snprintf(place, sizeof place, "-ox %.10g -oy %.10g -oz %g -tz 0 -md %g -cc %g", p.observerX,
                p.observerY, kEyeHeight, kFarKilometres * 1000, 1.0 - kRefraction);
  const std::string prep = (peer / "prep.tif").string(), seen = (peer / "seen.tif").string(),
                    shp = (peer / "seen.shp").string();
  const std::string theirs = "gdalwarp -q -t_srs " + Quote(p.wktFile) + " " + te +
                             " -r bilinear -ot Float32 " + Quote(demPath) + " " + Quote(prep) +
                             " && gdal_viewshed -q " + place + " " + Quote(prep) + " " +
                             Quote(seen) + " && gdal_polygonize.py -q -8 " + Quote(seen) +
                             " -f 'ESRI Shapefile' " + Quote(shp) + " seen GRIDCODE";
  std::printf("  grid %d x %d in %s\n", p.columns, p.rows, p.wktFile.c_str());

  // Each run starts from an empty work folder (ours) or output folder (GDAL's).
  std::vector<bench::Side> sides = {{"  trevik session",
                                     [&] {
                                       fs::remove_all(root / "scratch");
                                       bench::RunCommand(ours + " >/dev/null");
                                     },
                                     {}},
                                    {"  gdalwarp + gdal_viewshed + gdal_polygonize.py",
                                     [&] {
                                       for (const auto& e : fs::directory_iterator(peer))
                                         fs::remove(e.path());
                                       bench::RunCommand(theirs + " >/dev/null 2>&1");
                                     },
                                     {}}};
  bench::Alternate(sides, runs);
  bench::PrintSides(sides);
  bench::PrintRatio("  GDAL's pipeline / session", sides[1], sides[0]);
  fs::remove_all(base);
  return 0;
}
