#include "platform/host/analysis/raster_points.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <gdal_priv.h>
#include <cpl_vsi.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/shapefile_files.h"

namespace velk::host::analysis {

namespace fs = std::filesystem;

namespace {

constexpr double kCellsBuiltInMemory = 16e6;

// Copies the shapefile's files from the memory folder to the folder of temp.
bool WriteOut(const std::string& memory, const fs::path& temp) {
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) {
    const std::string from = memory + fs::path(temp.filename()).replace_extension(ext).string();
    vsi_l_offset size = 0;
    GByte* data = VSIGetMemFileBuffer(from.c_str(), &size, FALSE);
    if (!data) continue;
    std::FILE* f = std::fopen(fs::path(temp).replace_extension(ext).string().c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !ok) return false;
  }
  return true;
}

}  // namespace

RasterPointsResult RasterToPoints(const std::string& rasterPath, const std::string& shapefilePath,
                                  const RasterPointsOptions& options) {
  RasterPointsResult result;
  GDALAllRegister();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALDataset* src = static_cast<GDALDataset*>(GDALOpen(rasterPath.c_str(), GA_ReadOnly));
  CPLPopErrorHandler();
  double gt[6];
  if (!src || src->GetRasterCount() < 1 || src->GetGeoTransform(gt) != CE_None) {
    if (src) GDALClose(src);
    result.error = "cannot read " + rasterPath;
    return result;
  }
  GDALDriver* shp = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  const fs::path final(shapefilePath);
  const fs::path temp = final.parent_path() / (final.stem().string() + "_part.shp");
  RemoveShapefile(temp);
  // The shapefile writer seeks and writes once per record: a grid of moderate size is built in
  // memory and written out in one go.
  const double cells = double(src->GetRasterXSize()) * src->GetRasterYSize();
  const std::string memory = "/vsimem/velk_points_" + std::to_string(reinterpret_cast<std::uintptr_t>(&result)) + "/";
  const bool inMemory = cells <= kCellsBuiltInMemory;
  const std::string building =
      inMemory ? memory + temp.filename().string() : temp.string();
  GDALDataset* out =
      shp ? shp->Create(building.c_str(), 0, 0, 0, GDT_Unknown, nullptr) : nullptr;
  std::string& error = result.error;
  if (!out) {
    error = "cannot create " + shapefilePath;
  } else {
    OGRLayer* layer = out->CreateLayer(final.stem().string().c_str(),
                                       const_cast<OGRSpatialReference*>(src->GetSpatialRef()),
                                       wkbPoint, nullptr);
    OGRFieldDefn id(options.idField, OFTInteger);
    id.SetWidth(10);
    OGRFieldDefn value(options.valueField, options.integerValues ? OFTInteger64 : OFTReal);
    value.SetWidth(options.integerValues ? 18 : 24);
    if (!options.integerValues) value.SetPrecision(15);
    if (!layer || layer->CreateField(&id) != OGRERR_NONE ||
        layer->CreateField(&value) != OGRERR_NONE) {
      error = "cannot create " + shapefilePath;
    } else {
      GDALRasterBand* band = src->GetRasterBand(1);
      int hasNoData = 0;
      const double noData = band->GetNoDataValue(&hasNoData);
      const int w = src->GetRasterXSize(), h = src->GetRasterYSize();
      std::vector<double> row(w);
      OGRFeatureDefn* defn = layer->GetLayerDefn();
      layer->StartTransaction();
      for (int r = 0; r < h && error.empty(); ++r) {
        if (band->RasterIO(GF_Read, 0, r, w, 1, row.data(), w, 1, GDT_Float64, 0, 0) !=
            CE_None) {
          error = "cannot read " + rasterPath;
          break;
        }
        for (int c = 0; c < w; ++c) {
          const double v = row[c];
          if (std::isnan(v) || (hasNoData && v == noData)) continue;
          OGRFeature feature(defn);
          feature.SetField(0, static_cast<int>(++result.points));
          if (options.integerValues)
            feature.SetField(1, static_cast<GIntBig>(std::llround(v)));
          else
            feature.SetField(1, v);
          OGRPoint p(gt[0] + (c + 0.5) * gt[1] + (r + 0.5) * gt[2],
                     gt[3] + (c + 0.5) * gt[4] + (r + 0.5) * gt[5]);
          feature.SetGeometry(&p);
          if (layer->CreateFeature(&feature) != OGRERR_NONE) {
            error = "cannot write " + shapefilePath;
            break;
          }
        }
      }
      layer->CommitTransaction();
    }
    CPLErrorReset();
    GDALClose(out);
    if (CPLGetLastErrorType() == CE_Failure && error.empty()) error = "cannot write " + shapefilePath;
    if (inMemory && error.empty() && !WriteOut(memory, temp)) error = "cannot write " + shapefilePath;
  }
  if (inMemory) VSIRmdirRecursive(memory.c_str());
  GDALClose(src);
  if (error.empty() && !CommitShapefile(temp, final)) error = "cannot write " + shapefilePath;
  RemoveShapefile(temp);
  if (!error.empty()) result.points = 0;
  return result;
}

}  // namespace velk::host::analysis
