// The benchmarks' ~10 m DEM: the shared DTED cell warped to UTM zone 32 north on 11 m cells, a
// 10134 x 10066 Int16 GeoTIFF (made once in the temporary folder, then read from there).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include <gdal_priv.h>
#include <gdal_utils.h>

#include "platform/host/analysis/viewshed.h"

#ifndef VELK_SHARED_DATA
#define VELK_SHARED_DATA "../shared/data"
#endif

namespace velk::bench {

struct Dem {
  std::vector<std::int16_t> values;
  int columns = 0, rows = 0;
  double cellX = 0, cellY = 0;
  std::string error;
  host::analysis::GridView<std::int16_t> View() const {
    return {values.data(), columns, rows, cellX, cellY, -32767.0};
  }
};

// Where the DEM is kept between runs.
inline std::string DemPath() {
  return (std::filesystem::temp_directory_path() / "velk_bench_utm32_11m.tif").string();
}

// Makes the DEM's file when it is missing; false with the reason when it cannot.
inline bool EnsureDem(std::string* error) {
  GDALAllRegister();
  const std::string path = DemPath();
  if (std::filesystem::exists(path)) return true;
  const std::string source = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";
  // Nothing may be written beside the shared data.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  GDALDatasetH src = GDALOpen(source.c_str(), GA_ReadOnly);
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  if (!src) {
    *error = "shared DTED cell not found: " + source;
    return false;
  }
  const char* args[] = {"-t_srs", "EPSG:32632", "-tr",        "11",     "11",  "-r",
                        "bilinear", "-ot",      "Int16",      "-dstnodata", "-32767", "-of",
                        "GTiff",  nullptr};
  GDALWarpAppOptions* options = GDALWarpAppOptionsNew(const_cast<char**>(args), nullptr);
  // Made under a name of this process's own, so that runs at the same time do not collide.
  const std::string part = path + "." + std::to_string(::getpid()) + ".part.tif";
  GDALDatasetH out = GDALWarp(part.c_str(), nullptr, 1, &src, options, nullptr);
  GDALWarpAppOptionsFree(options);
  GDALClose(src);
  if (!out) {
    *error = "could not warp the DTED cell";
    return false;
  }
  GDALClose(out);
  std::filesystem::rename(part, path);
  return true;
}

// An observer's cell on land near the middle of the DEM: the nearest to it above 100 m.
inline std::pair<int, int> LandCell(const Dem& dem) {
  const int cc = dem.columns / 2, cr = dem.rows / 2;
  for (int ring = 0; ring < std::max(dem.columns, dem.rows); ++ring)
    for (int r = std::max(0, cr - ring); r <= std::min(dem.rows - 1, cr + ring); ++r)
      for (int c = std::max(0, cc - ring); c <= std::min(dem.columns - 1, cc + ring); ++c) {
        if (std::max(std::abs(r - cr), std::abs(c - cc)) != ring) continue;
        if (dem.values[static_cast<std::size_t>(r) * dem.columns + c] > 100) return {c, r};
      }
  return {cc, cr};
}

inline const Dem& TheDem() {
  static Dem dem = [] {
    Dem d;
    if (!EnsureDem(&d.error)) return d;
    const std::string path = DemPath();
    GDALDataset* ds = static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly));
    if (!ds) {
      d.error = "could not open " + path;
      return d;
    }
    double gt[6];
    ds->GetGeoTransform(gt);
    d.columns = ds->GetRasterXSize();
    d.rows = ds->GetRasterYSize();
    d.cellX = gt[1];
    d.cellY = -gt[5];
    d.values.resize(static_cast<std::size_t>(d.columns) * d.rows);
    if (ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, d.columns, d.rows, d.values.data(), d.columns,
                                       d.rows, GDT_Int16, 0, 0) != CE_None)
      d.error = "could not read " + path;
    GDALClose(ds);
    return d;
  }();
  return dem;
}

}  // namespace velk::bench
