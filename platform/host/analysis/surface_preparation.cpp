#include "platform/host/analysis/surface_preparation.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogr_spatialref.h>

#include "platform/com/text.h"
#include "platform/host/data/raster_objects.h"

namespace velk::host::analysis {

namespace fs = std::filesystem;

std::string GridRasterPath(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / ToUtf8(GridDatasetFileName(FromUtf8(name)))).string();
}

int ScaledCellCount(int sourceCells, double areaSize, double sourceSize) {
  if (!(sourceSize > 0) || !(areaSize > 0)) return 0;
  return static_cast<int>(std::trunc(sourceCells * areaSize / sourceSize + 0.5));
}

namespace {

struct Bounds {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
};

// The area's outline (densified) taken into another system.
bool Transform(const ResampleRequest& r, const OGRSpatialReference& to, Bounds& b) {
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&wgs84, &to));
  if (!ct) return false;
  const int n = 21;
  for (int k = 0; k < n; ++k) {
    const double f = static_cast<double>(k) / (n - 1);
    const double xs[4] = {r.west + f * (r.east - r.west), r.west + f * (r.east - r.west), r.west,
                          r.east};
    const double ys[4] = {r.south, r.north, r.south + f * (r.north - r.south),
                          r.south + f * (r.north - r.south)};
    for (int e = 0; e < 4; ++e) {
      double x = xs[e], y = ys[e];
      if (!ct->Transform(1, &x, &y)) return false;
      b.minX = std::min(b.minX, x);
      b.maxX = std::max(b.maxX, x);
      b.minY = std::min(b.minY, y);
      b.maxY = std::max(b.maxY, y);
    }
  }
  return true;
}

}  // namespace

ResampleResult ResampleToAzimuthalEquidistant(const ResampleRequest& r,
                                              const std::string& outPath) {
  ResampleResult result;
  if (!(r.east > r.west) || !(r.north > r.south)) {
    result.error = "the analysis area is empty";
    return result;
  }
  GDALAllRegister();
  GDALDataset* src = static_cast<GDALDataset*>(GDALOpen(r.sourcePath.c_str(), GA_ReadOnly));
  if (!src) {
    result.error = "cannot read " + r.sourcePath;
    return result;
  }
  const OGRSpatialReference* srcSrs = src->GetSpatialRef();
  double gt[6];
  if (!srcSrs || src->GetGeoTransform(gt) != CE_None) {
    GDALClose(src);
    result.error = "the surface has no spatial reference";
    return result;
  }
  OGRSpatialReference own(*srcSrs);
  own.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  // The area measured in the source's own units, so a projected source counts metres against
  // metres and a geographic one degrees against degrees.
  Bounds inSource;
  if (!Transform(r, own, inSource)) {
    GDALClose(src);
    result.error = "the analysis area cannot be taken into the surface's system";
    return result;
  }
  const double srcWidth = std::fabs(gt[1]) * src->GetRasterXSize();
  const double srcHeight = std::fabs(gt[5]) * src->GetRasterYSize();
  const double left = gt[0], top = gt[3];
  const double right = left + srcWidth, bottom = top - srcHeight;
  if (inSource.maxX <= left || inSource.minX >= right || inSource.maxY <= bottom ||
      inSource.minY >= top) {
    GDALClose(src);
    result.error = "the analysis area lies outside the surface";
    return result;
  }
  result.columns = ScaledCellCount(src->GetRasterXSize(), inSource.maxX - inSource.minX, srcWidth);
  result.rows = ScaledCellCount(src->GetRasterYSize(), inSource.maxY - inSource.minY, srcHeight);
  if (result.columns < 2 || result.rows < 2) {
    GDALClose(src);
    result.error = "the surface has too few cells over the analysis area";
    return result;
  }

  OGRSpatialReference aeqd;
  aeqd.SetAE(r.centreLatitude, r.centreLongitude, 0, 0);
  aeqd.SetWellKnownGeogCS("WGS84");
  aeqd.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  Bounds inAeqd;
  if (!Transform(r, aeqd, inAeqd)) {
    GDALClose(src);
    result.error = "the analysis area cannot be projected";
    return result;
  }
  char* wkt = nullptr;
  aeqd.exportToWkt(&wkt);
  const std::string aeqdWkt = wkt;
  CPLFree(wkt);
  const std::string cols = std::to_string(result.columns), rows = std::to_string(result.rows);
  auto num = [](double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.10g", v);
    return std::string(b);
  };
  const std::string te[4] = {num(inAeqd.minX), num(inAeqd.minY), num(inAeqd.maxX),
                             num(inAeqd.maxY)};
  std::vector<const char*> args = {"-t_srs", aeqdWkt.c_str(), "-te",  te[0].c_str(),
                                   te[1].c_str(), te[2].c_str(), te[3].c_str(), "-ts",
                                   cols.c_str(), rows.c_str(), "-r", "bilinear",
                                   "-ot", "Float32", "-of", "GTiff",
                                   // The same cells, worked on every core in large chunks.
                                   "-multi", "-wo", "NUM_THREADS=ALL_CPUS", "-wm", "512"};
  // Cells beyond the source are voids, not ground at 0 m: a source without a no-data value
  // gets one, so an observer placed there is seen to be off the surface.
  int hasNoData = 0;
  src->GetRasterBand(1)->GetNoDataValue(&hasNoData);
  if (!hasNoData) {
    args.push_back("-dstnodata");
    args.push_back("-32767");
  }
  args.push_back(nullptr);
  GDALWarpAppOptions* options = GDALWarpAppOptionsNew(const_cast<char**>(args.data()), nullptr);
  const std::string temp = outPath + ".part";
  GDALDatasetH srcH = GDALDataset::ToHandle(src);
  int usageError = 0;
  GDALDatasetH out = GDALWarp(temp.c_str(), nullptr, 1, &srcH, options, &usageError);
  GDALWarpAppOptionsFree(options);
  GDALClose(src);
  std::error_code ec;
  if (!out) {
    fs::remove(temp, ec);
    result.error = "cannot resample the surface";
    return result;
  }
  CPLErrorReset();
  GDALClose(out);
  if (CPLGetLastErrorType() == CE_Failure) {
    fs::remove(temp, ec);
    result.error = "cannot write " + outPath;
    return result;
  }
  fs::rename(temp, outPath, ec);
  if (ec) {
    fs::remove(temp, ec);
    result.error = "cannot write " + outPath;
  }
  return result;
}

}  // namespace velk::host::analysis
