#include "platform/host/analysis/raster_points.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include <gdal_priv.h>
#include <cpl_vsi.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/shapefile_files.h"

namespace velk::host::analysis {

namespace fs = std::filesystem;

namespace {

// Points kept from the scan and built in memory, then written out in one go (the shapefile
// writer seeks and writes once per record); more are written straight to the files in a
// second pass, so memory stays bounded whatever the raster's size.
constexpr long long kPointsBuiltInMemory = 1 << 20;
constexpr long long kCellsPerBlock = 1 << 22;

struct Cell {
  int column, row;
  double value;
};

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

// Calls cell(column, row, value) for every cell of the first band with a value, block by block
// in row order, while it returns true. False when the raster cannot be read.
bool ForEachValue(GDALDataset* src, const std::function<bool(int, int, double)>& cell) {
  GDALRasterBand* band = src->GetRasterBand(1);
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  const int w = src->GetRasterXSize(), h = src->GetRasterYSize();
  // Whole rows of the raster's own blocks, so that stretches it stores nothing for (a sparse
  // file's empty tiles) are skipped unread.
  int blockX = 0, blockY = 0;
  band->GetBlockSize(&blockX, &blockY);
  blockY = std::max(1, blockY);
  const int step = blockY * static_cast<int>(std::max<long long>(1, kCellsPerBlock / w / blockY));
  std::vector<double> block(static_cast<std::size_t>(w) * std::min(step, h));
  for (int r0 = 0; r0 < h; r0 += step) {
    const int rows = std::min(step, h - r0);
    if (band->GetDataCoverageStatus(0, r0, w, rows, 0, nullptr) ==
        GDAL_DATA_COVERAGE_STATUS_EMPTY)
      continue;
    if (band->RasterIO(GF_Read, 0, r0, w, rows, block.data(), w, rows, GDT_Float64, 0, 0) !=
        CE_None)
      return false;
    for (int r = 0; r < rows; ++r) {
      const double* row = block.data() + static_cast<std::size_t>(r) * w;
      for (int c = 0; c < w; ++c) {
        const double v = row[c];
        if (std::isnan(v) || (hasNoData && v == noData)) continue;
        if (!cell(c, r0 + r, v)) return true;
      }
    }
  }
  return true;
}

}  // namespace

long long ShapefilePointCapacity(const RasterPointsOptions& options) {
  constexpr long long kLimit = 4294967295LL;                 // bytes a .shp or .dbf may take
  const long long shp = (kLimit - 100) / 28;                 // header; 8 + 20 bytes a point
  const long long record = 1 + 10 + (options.integerValues ? 18 : 24);
  const long long dbf = (kLimit - (32 + 2 * 32 + 1)) / record;  // header with two fields
  return std::min(shp, dbf);
}

namespace {

// The point layer with its two fields in a new shapefile dataset; null when it cannot be made.
OGRLayer* CreatePointLayer(GDALDataset* out, const std::string& name,
                           const OGRSpatialReference* srs, const RasterPointsOptions& options) {
  OGRLayer* layer =
      out->CreateLayer(name.c_str(), const_cast<OGRSpatialReference*>(srs), wkbPoint, nullptr);
  OGRFieldDefn id(options.idField, OFTInteger);
  id.SetWidth(10);
  OGRFieldDefn value(options.valueField, options.integerValues ? OFTInteger64 : OFTReal);
  value.SetWidth(options.integerValues ? 18 : 24);
  if (!options.integerValues) value.SetPrecision(15);
  if (!layer || layer->CreateField(&id) != OGRERR_NONE ||
      layer->CreateField(&value) != OGRERR_NONE)
    return nullptr;
  return layer;
}

// Writes the cells as points into the shapefile `building` (in memory or the working file):
// the cells kept from the scan, or, when they were too many to keep, those of a second scan.
// Empty on success, else the reason (naming the raster or the shapefile).
std::string WritePoints(GDALDataset* src, const std::string& building, const fs::path& final,
                        const std::string& rasterPath, const std::vector<Cell>& kept,
                        bool keptAll, const RasterPointsOptions& options, long long* points) {
  const std::string cannotWrite = "cannot write " + final.string();
  GDALDriver* shp = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  GDALDataset* out = shp ? shp->Create(building.c_str(), 0, 0, 0, GDT_Unknown, nullptr) : nullptr;
  if (!out) return "cannot create " + final.string();
  std::string error;
  if (OGRLayer* layer =
          CreatePointLayer(out, final.stem().string(), src->GetSpatialRef(), options)) {
    double gt[6];
    src->GetGeoTransform(gt);
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    auto write = [&](int c, int r, double v) {
      OGRFeature feature(defn);
      feature.SetField(0, static_cast<int>(++*points));
      if (options.integerValues)
        feature.SetField(1, static_cast<GIntBig>(std::llround(v)));
      else
        feature.SetField(1, v);
      OGRPoint p(gt[0] + (c + 0.5) * gt[1] + (r + 0.5) * gt[2],
                 gt[3] + (c + 0.5) * gt[4] + (r + 0.5) * gt[5]);
      feature.SetGeometry(&p);
      if (layer->CreateFeature(&feature) == OGRERR_NONE) return true;
      error = cannotWrite;
      return false;
    };
    // Shapefiles have no transactions; where one is open, its commit must succeed.
    const bool transaction = layer->StartTransaction() == OGRERR_NONE;
    if (keptAll) {
      for (const Cell& cell : kept)
        if (!write(cell.column, cell.row, cell.value)) break;
    } else if (!ForEachValue(src, write) && error.empty()) {
      error = "cannot read " + rasterPath;
    }
    if (transaction && layer->CommitTransaction() != OGRERR_NONE && error.empty())
      error = cannotWrite;
  } else {
    error = "cannot create " + final.string();
  }
  CPLErrorReset();
  GDALClose(out);
  if (CPLGetLastErrorType() == CE_Failure && error.empty()) error = cannotWrite;
  return error;
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
  // The scan counts the cells with a value and keeps the first of them.
  const long long limit = options.maxPoints > 0 ? options.maxPoints
                                                : ShapefilePointCapacity(options);
  std::vector<Cell> kept;
  long long count = 0;
  const bool read = ForEachValue(src, [&](int c, int r, double v) {
    if (++count <= kPointsBuiltInMemory) kept.push_back({c, r, v});
    return count <= limit;
  });
  if (!read || count > limit) {
    GDALClose(src);
    result.tooMany = read;
    result.error = !read ? "cannot read " + rasterPath
                         : "the raster has more cells with a value than the " +
                               std::to_string(limit) + " points a shapefile holds";
    return result;
  }
  const fs::path final(shapefilePath);
  const fs::path temp = final.parent_path() / (final.stem().string() + "_part.shp");
  RemoveShapefile(temp);
  const std::string memory = "/vsimem/velk_points_" + std::to_string(reinterpret_cast<std::uintptr_t>(&result)) + "/";
  // Few points are built in memory and written out in one go (the shapefile writer seeks and
  // writes once per record); many straight into the working files.
  const bool inMemory = count <= kPointsBuiltInMemory;
  std::string error =
      WritePoints(src, inMemory ? memory + temp.filename().string() : temp.string(), final,
                  rasterPath, kept, inMemory, options, &result.points);
  if (inMemory && error.empty() && !WriteOut(memory, temp)) error = "cannot write " + shapefilePath;
  if (inMemory) VSIRmdirRecursive(memory.c_str());
  GDALClose(src);
  if (error.empty() && !CommitShapefile(temp, final)) error = "cannot write " + shapefilePath;
  RemoveShapefile(temp);
  if (!error.empty()) result.points = 0;
  result.error = error;
  return result;
}

}  // namespace velk::host::analysis
