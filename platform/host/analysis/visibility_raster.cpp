#include "platform/host/analysis/visibility_raster.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/host/analysis/region_polygons.h"
#include "platform/host/analysis/shapefile_files.h"
#include "platform/host/analysis/viewshed.h"

namespace velk::host::analysis {

namespace fs = std::filesystem;

std::string WriteCountRaster(const std::string& path, const std::vector<std::uint16_t>& counts,
                             int columns, int rows, const GridPlacement& placement) {
  if (columns <= 0 || rows <= 0 ||
      counts.size() != static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows))
    return "the counts do not fill the grid";
  GDALAllRegister();
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (!gtiff) return "GDAL has no GeoTIFF driver";
  const std::string temp = path + ".part";
  // Strips of four rows, compressed on every core.
  char* options[] = {const_cast<char*>("COMPRESS=DEFLATE"), const_cast<char*>("BLOCKYSIZE=4"),
                     const_cast<char*>("NUM_THREADS=ALL_CPUS"), nullptr};
  GDALDataset* ds = gtiff->Create(temp.c_str(), columns, rows, 1, GDT_Int32, options);
  if (!ds) return "cannot create " + path;
  std::array<double, 6> gt = placement.geoTransform;
  ds->SetGeoTransform(gt.data());
  if (!placement.wkt.empty()) ds->SetProjection(placement.wkt.c_str());
  GDALRasterBand* band = ds->GetRasterBand(1);
  band->SetNoDataValue(kCountNoData);
  // Written in bands of strips, each flushed before the next: the strips of a band are
  // compressed together, and the cache's blocks (small enough to come from the heap) are used
  // again instead of new memory for every strip.
  constexpr int kRowsPerBand = 256;
  std::vector<std::int32_t> cells(static_cast<std::size_t>(columns) * std::min(rows, kRowsPerBand));
  bool ok = true;
  for (int first = 0; first < rows && ok; first += kRowsPerBand) {
    const int n = std::min(kRowsPerBand, rows - first);
    const std::uint16_t* from = counts.data() + static_cast<std::size_t>(first) * columns;
    std::transform(from, from + static_cast<std::size_t>(n) * columns, cells.begin(),
                   [](std::uint16_t v) { return v == kVoidCount ? kCountNoData : std::int32_t{v}; });
    ok = band->RasterIO(GF_Write, 0, first, columns, n, cells.data(), columns, n, GDT_Int32, 0,
                        0) == CE_None &&
         band->FlushCache() == CE_None;
  }
  CPLErrorReset();
  GDALClose(ds);  // writes what is still cached
  ok = ok && CPLGetLastErrorType() != CE_Failure;
  std::error_code ec;
  if (ok) fs::rename(temp, path, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    return "cannot write " + path;
  }
  return {};
}

namespace {

// The regions of equal count of the raster's first band (no-data cells left out), read a band
// of rows at a time.
std::string TraceCounts(GDALDataset* src, std::vector<RegionPolygon>& polygons) {
  GDALRasterBand* band = src->GetRasterBand(1);
  const int columns = src->GetRasterXSize(), rows = src->GetRasterYSize();
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  bool ok = true;
  polygons = TraceRegionPolygons(
      columns, rows,
      [&](int first, int count, std::int32_t* cells) {
        // Each band's blocks leave the cache before the next: their memory is used again.
        return band->RasterIO(GF_Read, 0, first, columns, count, cells, columns, count, GDT_Int32,
                              0, 0) == CE_None &&
               band->FlushCache() == CE_None;
      },
      hasNoData ? std::optional<double>(noData) : std::nullopt, &ok);
  return ok ? "" : "cannot read the counts";
}

// Writes the polygons with their GRIDCODE, placed by the geotransform; rings are turned as the
// shapefile wants them in map coordinates (outer rings clockwise, holes anticlockwise).
bool WritePolygons(OGRLayer* layer, const std::vector<RegionPolygon>& polygons, const double gt[6]) {
  const int field = layer->GetLayerDefn()->GetFieldIndex("GRIDCODE");
  // Rows run downward on the screen and upward on the map when gt[5] < 0: the turn flips.
  const bool reverse = gt[5] < 0;
  for (const RegionPolygon& p : polygons) {
    OGRPolygon polygon;
    for (const auto& ring : p.rings) {
      auto line = std::make_unique<OGRLinearRing>();
      const int n = static_cast<int>(ring.size());
      line->setNumPoints(n + 1, FALSE);
      for (int i = 0; i <= n; ++i) {
        const CellCorner& k = ring[reverse ? (n - i) % n : i % n];
        line->setPoint(i, gt[0] + k.column * gt[1], gt[3] + k.row * gt[5]);
      }
      polygon.addRingDirectly(line.release());
    }
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField(field, p.value);
    feature.SetGeometry(&polygon);
    if (layer->CreateFeature(&feature) != OGRERR_NONE) return false;
  }
  return true;
}

}  // namespace

std::string PolygonizeCountRaster(const std::string& rasterPath, const std::string& shapefilePath) {
  GDALAllRegister();
  GDALDataset* src = static_cast<GDALDataset*>(GDALOpen(rasterPath.c_str(), GA_ReadOnly));
  if (!src) return "cannot read " + rasterPath;
  GDALDriver* shp = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  double gt[6];
  std::vector<RegionPolygon> polygons;
  std::string error;
  if (!shp) {
    error = "GDAL has no shapefile driver";
  } else if (src->GetRasterCount() < 1 || src->GetGeoTransform(gt) != CE_None || gt[2] != 0 ||
             gt[4] != 0) {
    error = "cannot convert " + rasterPath + " into polygons";
  } else if (!TraceCounts(src, polygons).empty()) {
    error = "cannot read " + rasterPath;
  }
  if (!error.empty()) {
    GDALClose(src);
    return error;
  }
  // Written under a temporary base name, renamed file by file when complete.
  const fs::path final(shapefilePath);
  const fs::path temp = final.parent_path() / (final.stem().string() + "_part.shp");
  RemoveShapefile(temp);
  GDALDataset* out = shp->Create(temp.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  if (!out) {
    error = "cannot create " + shapefilePath;
  } else {
    OGRLayer* layer = out->CreateLayer(final.stem().string().c_str(),
                                       const_cast<OGRSpatialReference*>(src->GetSpatialRef()),
                                       wkbPolygon, nullptr);
    OGRFieldDefn field("GRIDCODE", OFTInteger);
    field.SetWidth(9);
    if (!layer || layer->CreateField(&field) != OGRERR_NONE) {
      error = "cannot create " + shapefilePath;
    } else if (!WritePolygons(layer, polygons, gt)) {
      error = "cannot write " + shapefilePath;
    }
    CPLErrorReset();
    GDALClose(out);
    if (CPLGetLastErrorType() == CE_Failure && error.empty())
      error = "cannot write " + shapefilePath;
  }
  GDALClose(src);
  if (error.empty() && !CommitShapefile(temp, final)) error = "cannot write " + shapefilePath;
  RemoveShapefile(temp);
  return error;
}

}  // namespace velk::host::analysis
