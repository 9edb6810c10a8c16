#include "platform/host/analysis/raster_mosaic.h"

#include <cstdint>
#include <filesystem>

#include <gdal_utils.h>
#include <gdal_priv.h>

namespace velk::host::analysis {

std::string MosaicRasters(const std::vector<std::string>& rasters, const std::string& output,
                          const MosaicOptions& options) {
  if (rasters.empty()) return "there are no rasters to put together";
  GDALAllRegister();
  std::vector<const char*> names;
  for (const auto& r : rasters) names.push_back(r.c_str());
  std::vector<std::string> args = {"-b", "1"};
  if (options.bounds) {
    const auto& b = *options.bounds;
    args.insert(args.end(), {"-te", std::to_string(b.xmin), std::to_string(b.ymin),
                             std::to_string(b.xmax), std::to_string(b.ymax)});
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string vrt =
      "/vsimem/velk_mosaic_" + std::to_string(reinterpret_cast<std::uintptr_t>(&args)) + ".vrt";
  const std::string temp = output + ".part.tif";
  std::string error;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALBuildVRTOptions* vrtOptions = GDALBuildVRTOptionsNew(argv.data(), nullptr);
  int usageError = 0;
  GDALDatasetH mosaic = vrtOptions ? GDALBuildVRT(vrt.c_str(), static_cast<int>(names.size()),
                                                  nullptr, names.data(), vrtOptions, &usageError)
                                   : nullptr;
  GDALBuildVRTOptionsFree(vrtOptions);
  if (!mosaic) {
    error = "cannot put the rasters together";
  } else {
    char* translateArgs[] = {const_cast<char*>("-of"), const_cast<char*>("GTiff"), nullptr};
    GDALTranslateOptions* t = GDALTranslateOptionsNew(translateArgs, nullptr);
    GDALDatasetH out = GDALTranslate(temp.c_str(), mosaic, t, &usageError);
    GDALTranslateOptionsFree(t);
    CPLErrorReset();
    if (out) GDALClose(out);
    if (!out || CPLGetLastErrorType() == CE_Failure) error = "cannot write " + output;
    GDALClose(mosaic);
  }
  VSIUnlink(vrt.c_str());
  CPLPopErrorHandler();
  std::error_code ec;
  if (error.empty()) std::filesystem::rename(temp, output, ec);
  if (!error.empty() || ec) {
    std::filesystem::remove(temp, ec);
    return error.empty() ? "cannot write " + output : error;
  }
  return {};
}

}  // namespace velk::host::analysis
