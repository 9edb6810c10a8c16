// Shaded relief of the ~10 m DEM (bench/ten_metre_dem.h, 10134 x 10066 Int16): ours beside
// GDAL's GDALDEMProcessing "hillshade", both the same library call in memory on the same grid
// (the DEM read once; GDAL's from a MEM dataset over it, ours from the cells), each leaving its
// grey levels in memory. The sides run in turn, several rounds, min and median. Also the cost of
// cast shadows: shading with shadows beside the plain shading, on one thread and on all cores,
// with the default sun (north-west: the sweep runs along rows) and a sun in the west (along
// columns).
// The shadow ratio on all cores only means much on a machine with several idle cores.
#include <gdal_priv.h>
#include <gdal_utils.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "bench/side_by_side.h"
#include "bench/ten_metre_dem.h"
#include "platform/host/analysis/hillshade.h"

using velk::host::analysis::Hillshade;
using velk::host::analysis::HillshadeOptions;

int main() {
  const velk::bench::Dem& dem = velk::bench::TheDem();
  if (!dem.error.empty()) {
    std::printf("skipped: %s\n", dem.error.c_str());
    return 0;
  }
  const int w = dem.columns, h = dem.rows;
  std::printf("DEM %d x %d cells of %.1f m, %u hardware threads\n", w, h, dem.cellX,
              std::thread::hardware_concurrency());
  // GDAL's input: a MEM dataset holding the same cells, with the same geotransform and no data.
  GDALDataset* src =
      GetGDALDriverManager()->GetDriverByName("MEM")->Create("", w, h, 1, GDT_Int16, nullptr);
  if (!src || src->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, w, h,
                                              const_cast<std::int16_t*>(dem.values.data()), w, h,
                                              GDT_Int16, 0, 0, nullptr) != CE_None) {
    std::printf("could not copy the DEM into a MEM dataset\n");
    return 1;
  }
  double gt[6] = {0, dem.cellX, 0, 0, 0, -dem.cellY};
  src->SetGeoTransform(gt);
  src->GetRasterBand(1)->SetNoDataValue(-32767);
  char* args[] = {const_cast<char*>("-of"), const_cast<char*>("MEM"), nullptr};
  GDALDEMProcessingOptions* gdalOptions = GDALDEMProcessingOptionsNew(args, nullptr);

  std::vector<std::uint8_t> shade(static_cast<size_t>(w) * h, 0);
  const auto grid = dem.View();
  auto ours = [&](int threads, bool shadows, double azimuth = 315.0) {
    return [&, threads, shadows, azimuth] {
      HillshadeOptions o;
      o.threads = threads;
      o.shadows = shadows;
      o.azimuth = azimuth;
      Hillshade(grid, o, shade.data());
    };
  };
  std::vector<bench::Side> sides = {
      {"GDALDEMProcessing hillshade (one thread)",
       [&] {
         int usageError = 0;
         GDALDatasetH out = GDALDEMProcessing("", src, "hillshade", nullptr, gdalOptions,
                                              &usageError);
         if (!out) std::abort();
         GDALClose(out);
       }},
      {"ours, one thread", ours(1, false)},
      {"ours with cast shadows, one thread", ours(1, true)},
      {"ours, all cores", ours(0, false)},
      {"ours with cast shadows, all cores", ours(0, true)},
      // A sun in the west: the shadow sweep runs along the grid's columns.
      {"ours with cast shadows, sun at 270, all cores", ours(0, true, 270.0)},
  };
  bench::Alternate(sides, bench::Rounds(5));
  bench::PrintSides(sides);
  bench::PrintRatio("GDAL / ours, one thread (above 1: ours faster)", sides[0], sides[1]);
  bench::PrintRatio("GDAL / ours, all cores", sides[0], sides[3]);
  bench::PrintRatio("shadows / plain, one thread", sides[2], sides[1]);
  bench::PrintRatio("shadows / plain, all cores (at most 1.5 wanted)", sides[4], sides[3]);
  bench::PrintRatio("shadows with the sun at 270 / plain, all cores", sides[5], sides[3]);
  GDALDEMProcessingOptionsFree(gdalOptions);
  GDALClose(src);
  return 0;
}
