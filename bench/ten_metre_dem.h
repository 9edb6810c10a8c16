// The benchmarks' ~10 m DEM: the shared DTED cell warped to UTM zone 32 north as a
// ~10,000 x 10,000 Int16 grid (made once in the temporary folder, then read from there).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

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
  return (std::filesystem::temp_directory_path() / "velk_viewshed_bench_utm10m.tif").string();
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
    GDALAllRegister();
    const std::string source = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";
    const std::string path = DemPath();
    if (!std::filesystem::exists(path)) {
      GDALDatasetH src = GDALOpen(source.c_str(), GA_ReadOnly);
      if (!src) {
        d.error = "shared DTED cell not found: " + source;
        return d;
      }
      const char* args[] = {"-t_srs", "EPSG:32632", "-ts",   "10000", "10000",
                            "-r",     "bilinear",   "-ot",   "Int16", "-dstnodata",
                            "-32767", "-of",        "GTiff", nullptr};
      GDALWarpAppOptions* options = GDALWarpAppOptionsNew(const_cast<char**>(args), nullptr);
      GDALDatasetH out = GDALWarp(path.c_str(), nullptr, 1, &src, options, nullptr);
      GDALWarpAppOptionsFree(options);
      GDALClose(src);
      if (!out) {
        d.error = "could not warp the DTED cell";
        return d;
      }
      GDALClose(out);
    }
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
