#include "platform/host/analysis/surface_preparation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "platform/com/text.h"
#include "platform/host/analysis/bilinear_warp.h"
#include "platform/host/analysis/large_buffer.h"
#include "platform/com/parallel.h"
#include "platform/host/data/analysis_op_support.h"
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

// The source as read for the resampling: its dataset, placement and system.
struct OpenedSource {
  GdalDatasetPtr dataset;
  double gt[6] = {0, 1, 0, 0, 0, -1};
  OGRSpatialReference srs;
};

std::string OpenSource(const std::string& path, OpenedSource& source) {
  GDALAllRegister();
  source.dataset.reset(static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly)));
  if (!source.dataset || source.dataset->GetRasterCount() < 1) return "cannot read " + path;
  const OGRSpatialReference* srs = source.dataset->GetSpatialRef();
  if (!srs || source.dataset->GetGeoTransform(source.gt) != CE_None)
    return "the surface has no spatial reference";
  // Rows and columns along the axes (either way up); a rotated grid is not resampled.
  if (source.gt[2] != 0 || source.gt[4] != 0 || source.gt[1] == 0 || source.gt[5] == 0)
    return "the surface's grid is rotated";
  source.srs = *srs;
  source.srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return {};
}

// The cells of the prepared grid: the area measured in the source's own units, so a projected
// source counts metres against metres and a geographic one degrees against degrees.
std::string CountCells(const ResampleRequest& r, const OpenedSource& s, ResampleResult& result) {
  Bounds inSource;
  if (!Transform(r, s.srs, inSource))
    return "the analysis area cannot be taken into the surface's system";
  const double srcWidth = std::fabs(s.gt[1]) * s.dataset->GetRasterXSize();
  const double srcHeight = std::fabs(s.gt[5]) * s.dataset->GetRasterYSize();
  const double left = s.gt[0], top = s.gt[3];
  const double right = left + srcWidth, bottom = top - srcHeight;
  if (inSource.maxX <= left || inSource.minX >= right || inSource.maxY <= bottom ||
      inSource.minY >= top)
    return "the analysis area lies outside the surface";
  result.columns =
      ScaledCellCount(s.dataset->GetRasterXSize(), inSource.maxX - inSource.minX, srcWidth);
  result.rows =
      ScaledCellCount(s.dataset->GetRasterYSize(), inSource.maxY - inSource.minY, srcHeight);
  if (result.columns < 2 || result.rows < 2)
    return "the surface has too few cells over the analysis area";
  return {};
}

// The prepared grid's system and placement: the area's outline in the azimuthal equidistant
// system centred on the request's centre, cut into the counted cells.
std::string PlaceGrid(const ResampleRequest& r, const ResampleResult& counted,
                      OGRSpatialReference& aeqd, WarpGrid& grid) {
  aeqd.SetAE(r.centreLatitude, r.centreLongitude, 0, 0);
  aeqd.SetWellKnownGeogCS("WGS84");
  aeqd.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  Bounds b;
  if (!Transform(r, aeqd, b)) return "the analysis area cannot be projected";
  grid.columns = counted.columns;
  grid.rows = counted.rows;
  grid.geoTransform = {b.minX, (b.maxX - b.minX) / counted.columns, 0, b.maxY,
                       0,      -(b.maxY - b.minY) / counted.rows};
  return {};
}

// Reads the window of the source's first band into cells, in bands of rows read at the same
// time, each through a handle of its own (a dataset is not to be shared between threads).
template <typename T>
bool ReadWindow(const std::string& path, GDALDataType type, const WarpPositions::Window& w,
                T* cells) {
  std::atomic<bool> ok{true};
  ForEachRowBand(w.rows, ThreadCount(0, w.rows, 512), [&](int first, int last) {
    // Uncompressed cells straight from the file into the window, past the block cache.
    CPLSetThreadLocalConfigOption("GTIFF_DIRECT_IO", "YES");
    GdalDatasetPtr own(static_cast<GDALDataset*>(GDALOpen(path.c_str(), GA_ReadOnly)));
    CPLSetThreadLocalConfigOption("GTIFF_DIRECT_IO", nullptr);
    T* at = cells + static_cast<std::size_t>(first) * w.columns;
    if (!own ||
        own->GetRasterBand(1)->RasterIO(GF_Read, w.column, w.row + first, w.columns, last - first,
                                        at, w.columns, last - first, type, 0, 0) != CE_None)
      ok = false;
  });
  return ok;
}

// Reads the source cells the grid's positions reach and resamples them into out.
template <typename T>
std::string ResampleWindow(const std::string& path, GDALRasterBand* band, GDALDataType type,
                           const WarpPositions& positions, float noData, float* out) {
  const WarpPositions::Window w = positions.SourceWindow(band->GetXSize(), band->GetYSize());
  const std::size_t cellCount = static_cast<std::size_t>(w.columns) * w.rows;
  const LargeBuffer<T> cells(cellCount);
  if (cellCount && !ReadWindow(path, type, w, cells.get())) return "cannot read the surface";
  int hasNoData = 0;
  const double sourceNoData = band->GetNoDataValue(&hasNoData);
  WarpSource<T> source;
  source.cells = {cells.get(), w.columns,
                  w.rows,      1.0,
                  1.0,         hasNoData ? std::optional<double>(sourceNoData) : std::nullopt};
  source.window = w;
  source.sourceColumns = band->GetXSize();
  source.sourceRows = band->GetYSize();
  if (cellCount) {
    BilinearWarp(source, positions, noData, out);
  } else {
    std::fill_n(out, static_cast<std::size_t>(positions.columns) * positions.rows, noData);
  }
  return {};
}

// The source's first band resampled into the grid, read as a type that holds its values.
std::string Resample(const std::string& path, const OpenedSource& s,
                     const OGRSpatialReference& aeqd, const WarpGrid& grid, float noData,
                     float* out) {
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&aeqd, &s.srs));
  if (!ct) return "the analysis area cannot be taken into the surface's system";
  PointMapping mapping = [&ct](int n, double* x, double* y, int* ok) {
    if (!ct->Transform(n, x, y, nullptr, ok))
      for (int i = 0; i < n; ++i) ok[i] = ok[i] && std::isfinite(x[i]) && std::isfinite(y[i]);
  };
  std::array<double, 6> gt;
  std::copy(std::begin(s.gt), std::end(s.gt), gt.begin());
  std::string error;
  const WarpPositions positions = MapCellCentres(grid, gt, mapping, {}, &error);
  if (!error.empty()) return error;
  GDALRasterBand* band = s.dataset->GetRasterBand(1);
  switch (band->GetRasterDataType()) {
    case GDT_Byte:
    case GDT_Int16:
      return ResampleWindow<std::int16_t>(path, band, GDT_Int16, positions, noData, out);
    case GDT_UInt16:
    case GDT_Float32: return ResampleWindow<float>(path, band, GDT_Float32, positions, noData, out);
    default: return ResampleWindow<double>(path, band, GDT_Float64, positions, noData, out);
  }
}

// Writes the grid as a Float32 GeoTIFF with its no-data value and the source's metadata, under
// a working name renamed when complete.
std::string WriteGrid(const std::string& outPath, const OpenedSource& s,
                      const OGRSpatialReference& aeqd, const WarpGrid& grid, float noData,
                      const float* cells) {
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (!gtiff) return "GDAL has no GeoTIFF driver";
  const std::string temp = outPath + ".part";
  bool ok = false;
  CPLErrorReset();
  constexpr int kRowsPerWrite = 64;
  if (GdalDatasetPtr out{
          gtiff->Create(temp.c_str(), grid.columns, grid.rows, 1, GDT_Float32, nullptr)}) {
    std::array<double, 6> gt = grid.geoTransform;
    out->SetGeoTransform(gt.data());
    out->SetSpatialRef(&aeqd);
    out->SetMetadata(s.dataset->GetMetadata());
    GDALRasterBand* band = out->GetRasterBand(1);
    band->SetMetadata(s.dataset->GetRasterBand(1)->GetMetadata());
    band->SetNoDataValue(noData);
    ok = true;
    // In bands of rows, each flushed before the next: the cache's blocks are used again
    // instead of new memory for every row of the grid.
    for (int first = 0; ok && first < grid.rows; first += kRowsPerWrite) {
      const int n = std::min(kRowsPerWrite, grid.rows - first);
      ok =
          band->RasterIO(GF_Write, 0, first, grid.columns, n,
                         const_cast<float*>(cells) + static_cast<std::size_t>(first) * grid.columns,
                         grid.columns, n, GDT_Float32, 0, 0) == CE_None &&
          band->FlushCache() == CE_None;
    }
    out.reset();  // writes what is still cached
    ok = ok && CPLGetLastErrorType() != CE_Failure;
  }
  std::error_code ec;
  if (ok) fs::rename(temp, outPath, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    return "cannot write " + outPath;
  }
  return {};
}

}  // namespace

ResampleResult ResampleToAzimuthalEquidistant(const ResampleRequest& r,
                                              const std::string& outPath) {
  ResampleResult result;
  if (!(r.east > r.west) || !(r.north > r.south)) {
    result.error = "the analysis area is empty";
    return result;
  }
  OpenedSource source;
  OGRSpatialReference aeqd;
  WarpGrid grid;
  std::unique_ptr<LargeBuffer<float>> cells;
  result.error = OpenSource(r.sourcePath, source);
  if (result.error.empty()) result.error = CountCells(r, source, result);
  if (result.error.empty()) result.error = PlaceGrid(r, result, aeqd, grid);
  // Cells beyond the source are voids, not ground at 0 m: a source without a no-data value
  // gets one, so an observer placed there is seen to be off the surface.
  int hasNoData = 0;
  const double sourceNoData =
      source.dataset ? source.dataset->GetRasterBand(1)->GetNoDataValue(&hasNoData) : 0;
  const float noData = hasNoData ? static_cast<float>(sourceNoData) : -32767.0f;
  if (result.error.empty()) {
    // Left unset here: the resampling threads write every cell, each touching its own first.
    cells =
        std::make_unique<LargeBuffer<float>>(static_cast<std::size_t>(grid.columns) * grid.rows);
    result.error = Resample(r.sourcePath, source, aeqd, grid, noData, cells->get());
  }
  if (result.error.empty())
    result.error = WriteGrid(outPath, source, aeqd, grid, noData, cells->get());
  return result;
}

}  // namespace velk::host::analysis
