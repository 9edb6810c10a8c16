// The benchmarks' ~10 m DEM: the shared DTED cell warped to UTM zone 32 north on 11 m cells, a
// 10134 x 10066 Int16 GeoTIFF (made once in the temporary folder, then read from there).
#pragma once

#include <filesystem>
#include <string>
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

// The DEM's file, made when missing; empty with error set when the DTED cell is not there.
inline std::string TheDemPath(std::string* error = nullptr) {
  static std::string made, why;
  static const bool once = [] {
    GDALAllRegister();
    const std::string source = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";
    const std::string path =
        (std::filesystem::temp_directory_path() / "velk_bench_utm32_11m.tif").string();
    if (std::filesystem::exists(path)) {
      made = path;
      return true;
    }
    // Nothing may be written beside the shared data.
    CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
    GDALDatasetH src = GDALOpen(source.c_str(), GA_ReadOnly);
    CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
    if (!src) {
      why = "shared DTED cell not found: " + source;
      return false;
    }
    const char* args[] = {"-t_srs", "EPSG:32632", "-tr",   "11",     "11",         "-r",
                          "bilinear", "-ot",      "Int16", "-dstnodata", "-32767", "-of",
                          "GTiff",  nullptr};
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(const_cast<char**>(args), nullptr);
    const std::string part = path + "." + std::to_string(::getpid()) + ".part.tif";
    GDALDatasetH out = GDALWarp(part.c_str(), nullptr, 1, &src, options, nullptr);
    GDALWarpAppOptionsFree(options);
    GDALClose(src);
    if (!out) {
      why = "could not warp the DTED cell";
      return false;
    }
    GDALClose(out);
    std::filesystem::rename(part, path);
    made = path;
    return true;
  }();
  if (!once && error) *error = why;
  return made;
}

inline const Dem& TheDem() {
  static Dem dem = [] {
    Dem d;
    const std::string path = TheDemPath(&d.error);
    if (path.empty()) return d;
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
