#include "platform/host/analysis/raster_clip.h"

#include <cstdio>
#include <filesystem>

#include <gdal_priv.h>
#include <gdal_utils.h>

namespace velk::host::analysis {

namespace fs = std::filesystem;

namespace {

std::string Number(double v) {
  char b[64];
  std::snprintf(b, sizeof b, "%.17g", v);
  return b;
}

// GDAL's messages are reasons of ours to give, not text for stderr.
struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
};

}  // namespace

std::string ClipRasters(const RasterClipRequest& r, const std::string& outPath) {
  if (r.sources.empty()) return "there is no raster in the region";
  if (!(r.xmax > r.xmin) || !(r.ymax > r.ymin)) return "the region is empty";
  std::error_code ec;
  if (fs::exists(outPath, ec)) return "a dataset named " + outPath + " exists already";
  GDALAllRegister();
  QuietGdal quiet;
  std::vector<const char*> names;
  for (const std::string& s : r.sources) names.push_back(s.c_str());
  const char* vrtArgs[] = {"-resolution", "highest", nullptr};
  GDALBuildVRTOptions* vrtOptions = GDALBuildVRTOptionsNew(const_cast<char**>(vrtArgs), nullptr);
  int usageError = 0;
  GDALDatasetH vrt = GDALBuildVRT("", static_cast<int>(names.size()), nullptr, names.data(),
                                  vrtOptions, &usageError);
  GDALBuildVRTOptionsFree(vrtOptions);
  if (!vrt || GDALGetRasterCount(vrt) < 1) {
    if (vrt) GDALClose(vrt);
    return "the rasters of the region cannot be read";
  }
  std::string target = r.targetWkt;
  if (target.empty()) {
    const char* own = GDALGetProjectionRef(vrt);
    target = own ? own : "";
  }
  if (target.empty()) {
    GDALClose(vrt);
    return "the rasters have no spatial reference";
  }
  const std::string te[4] = {Number(r.xmin), Number(r.ymin), Number(r.xmax), Number(r.ymax)};
  std::vector<const char*> args = {"-t_srs", target.c_str(), "-te", te[0].c_str(), te[1].c_str(),
                                   te[2].c_str(), te[3].c_str(), "-of", "GTiff"};
  if (r.options.bilinear) {
    for (const char* a : {"-r", "bilinear", "-ot", "Float32"}) args.push_back(a);
  } else {
    for (const char* a : {"-r", "near"}) args.push_back(a);
  }
  args.push_back(nullptr);
  GDALWarpAppOptions* options = GDALWarpAppOptionsNew(const_cast<char**>(args.data()), nullptr);
  const std::string part = outPath + ".part";
  CPLErrorReset();
  GDALDatasetH out = options ? GDALWarp(part.c_str(), nullptr, 1, &vrt, options, &usageError)
                             : nullptr;
  if (options) GDALWarpAppOptionsFree(options);
  GDALClose(vrt);
  if (!out) {
    fs::remove(part, ec);
    return "the rasters cannot be warped onto the region's grid";
  }
  CPLErrorReset();
  GDALClose(out);
  if (CPLGetLastErrorType() == CE_Failure) {
    fs::remove(part, ec);
    return "cannot write " + outPath;
  }
  fs::rename(part, outPath, ec);
  if (ec) {
    fs::remove(part, ec);
    return "cannot write " + outPath;
  }
  return {};
}

}  // namespace velk::host::analysis
