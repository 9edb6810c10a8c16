#include "platform/host/data/analysis_op_support.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <gdal_priv.h>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/gdal_drivers.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host {

namespace fs = std::filesystem;

void GdalDatasetCloser::operator()(GDALDataset* dataset) const { GDALClose(dataset); }

HRESULT OpenNorthUpRaster(const std::string& path, GdalDatasetPtr* dataset, double gt[6]) {
  EnsureGdalDrivers();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GdalDatasetPtr src(GDALDataset::FromHandle(
      GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr)));
  CPLPopErrorHandler();
  if (!src || src->GetRasterCount() < 1) return E_DATA_UNREADABLE;
  if (src->GetGeoTransform(gt) != CE_None || gt[2] != 0 || gt[4] != 0 || gt[5] >= 0)
    return E_INVALIDARG;
  *dataset = std::move(src);
  return S_OK;
}

std::string RasterPath(IUnknown* input) {
  ComPtr<IRasterDataset> dataset = QueryAs<IRasterDataset>(input);
  if (!dataset) {
    if (auto band = QueryAs<IRasterBand>(input)) band->get_RasterDataset(dataset.put());
  }
  if (!dataset) {
    if (auto raster = QueryAs<IRaster>(input)) raster->get_RasterDataset(dataset.put());
  }
  if (!dataset) return {};
  Bstr path;
  if (FAILED(dataset->get_CompleteName(&path))) return {};
  return ToUtf8(path.str());
}

std::string WorkspaceFolder(IWorkspace* workspace) {
  Bstr path;
  if (!workspace || FAILED(workspace->get_PathName(&path))) return {};
  return ToUtf8(path.str());
}

std::string ShapefilePath(IUnknown* featureClass) {
  auto dataset = QueryAs<IDataset>(featureClass);
  ComPtr<IWorkspace> workspace;
  Bstr name;
  if (!dataset || FAILED(dataset->get_Workspace(workspace.put())) ||
      FAILED(dataset->get_Name(&name)))
    return {};
  const std::string folder = WorkspaceFolder(workspace.get());
  if (folder.empty()) return {};
  std::string file = ToUtf8(name.str());
  if (fs::path(file).extension() != ".shp") file += ".shp";
  return (fs::path(folder) / file).string();
}

std::optional<CellWindow> WindowOf(const double gt[6], int width, int height, IEnvelope* area) {
  if (!area) return CellWindow{0, 0, width, height};
  double x0, y0, x1, y1;
  if (FAILED(area->get_XMin(&x0)) || FAILED(area->get_YMin(&y0)) || FAILED(area->get_XMax(&x1)) ||
      FAILED(area->get_YMax(&y1)))
    return std::nullopt;
  const double eps = 1e-9;
  int c0 = static_cast<int>(std::floor((x0 - gt[0]) / gt[1] + eps));
  int c1 = static_cast<int>(std::ceil((x1 - gt[0]) / gt[1] - eps));
  int r0 = static_cast<int>(std::floor((gt[3] - y1) / -gt[5] + eps));
  int r1 = static_cast<int>(std::ceil((gt[3] - y0) / -gt[5] - eps));
  // A degenerate area (a click rather than a drag) still takes the cell it lies in.
  if (c1 == c0) ++c1;
  if (r1 == r0) ++r1;
  c0 = std::max(c0, 0);
  r0 = std::max(r0, 0);
  c1 = std::min(c1, width);
  r1 = std::min(r1, height);
  if (c1 <= c0 || r1 <= r0) return std::nullopt;
  return CellWindow{c0, r0, c1 - c0, r1 - r0};
}

std::string OutputFolder(IRasterAnalysisEnvironment* env) {
  ComPtr<IWorkspace> workspace;
  if (env) env->get_OutWorkspace(workspace.put());
  std::string folder = WorkspaceFolder(workspace.get());
  if (folder.empty()) folder = ScratchFolderPath();
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
}

ComPtr<IEnvelope> ExtentEnvelope(IRasterAnalysisEnvironment* env) {
  LONG kind = 0;
  ComPtr<IUnknown> extent;
  if (!env || FAILED(env->GetExtent(&kind, extent.put())) || kind != kExtentValue) return {};
  return QueryAs<IEnvelope>(extent.get());
}

std::string NewNumberedPath(const std::string& folder, const std::wstring& prefix,
                            const char* extension) {
  const std::string base = ToUtf8(prefix);
  for (int n = 0;; ++n) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", n);
    const fs::path p = fs::path(folder) / (base + number + extension);
    std::error_code ec;
    if (!fs::exists(p, ec)) return p.string();
  }
}

namespace {

// The area in the raster's reference: a projected copy when both references are known and
// differ, else the area itself.
ComPtr<IEnvelope> AreaInRaster(IEnvelope* area, const OGRSpatialReference* rasterSrs) {
  if (!area || !rasterSrs) return ComPtr<IEnvelope>(area);
  ComPtr<ISpatialReference> areaSr;
  area->get_SpatialReference(areaSr.put());
  const OGRSpatialReference* srs = areaSr ? SrsOf(areaSr.get()) : nullptr;
  if (!srs || srs->IsSame(rasterSrs)) return ComPtr<IEnvelope>(area);
  auto clone = QueryAs<IClone>(area);
  ComPtr<IClone> copy;
  if (!clone || FAILED(clone->Clone(copy.put()))) return {};
  auto projected = QueryAs<IEnvelope>(copy.get());
  if (!projected || FAILED(projected->Project(WrapSrs(rasterSrs).get()))) return {};
  return projected;
}

}  // namespace

HRESULT ReadWindowGrid(const std::string& path, IEnvelope* area, WindowGrid* grid) {
  if (!grid) return E_POINTER;
  GdalDatasetPtr src;
  double gt[6];
  if (HRESULT hr = OpenNorthUpRaster(path, &src, gt); FAILED(hr)) return hr;
  ComPtr<IEnvelope> local = AreaInRaster(area, src->GetSpatialRef());
  if (area && !local) return E_INVALIDARG;
  auto window = WindowOf(gt, src->GetRasterXSize(), src->GetRasterYSize(), local.get());
  if (!window) return E_INVALIDARG;
  GDALRasterBand* band = src->GetRasterBand(1);
  grid->columns = window->columns;
  grid->rows = window->rows;
  grid->geoTransform = {gt[0] + window->column * gt[1], gt[1], 0,
                        gt[3] + window->row * gt[5],    0,     gt[5]};
  grid->wkt.clear();
  if (const OGRSpatialReference* srs = src->GetSpatialRef()) {
    char* wkt = nullptr;
    if (srs->exportToWkt(&wkt) == OGRERR_NONE && wkt) grid->wkt = wkt;
    CPLFree(wkt);
  }
  grid->gdalType = band->GetRasterDataType();
  grid->values.assign(static_cast<std::size_t>(window->columns) * window->rows, 0.0);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  const CPLErr err =
      band->RasterIO(GF_Read, window->column, window->row, window->columns, window->rows,
                     grid->values.data(), window->columns, window->rows, GDT_Float64, 0, 0);
  CPLPopErrorHandler();
  if (err != CE_None) return E_DATA_UNREADABLE;
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData)
    for (double& v : grid->values)
      if (v == noData) v = NAN;
  return S_OK;
}

HRESULT WriteWindowGrid(const std::string& path, const WindowGrid& grid) {
  EnsureGdalDrivers();
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (!gtiff || grid.columns < 1 || grid.rows < 1) return E_DATA_WRITE_FAILED;
  const GDALDataType type = static_cast<GDALDataType>(grid.gdalType);
  // The no-data value: NaN for floating types, the type's lowest value for whole numbers (a
  // value the cells of that type cannot be told from is taken anyway: no cell is lost, as the
  // grid came from that type and its own no-data cells read as NaN).
  const bool floating = GDALDataTypeIsFloating(type);
  double noData = NAN;
  if (!floating) noData = GDALAdjustValueToDataType(type, -1e300, nullptr, nullptr);
  const std::string temp = path + ".part.tif";
  bool ok = false;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  {
    GdalDatasetPtr dst(gtiff->Create(temp.c_str(), grid.columns, grid.rows, 1, type, nullptr));
    if (dst) {
      std::array<double, 6> gt = grid.geoTransform;
      dst->SetGeoTransform(gt.data());
      if (!grid.wkt.empty()) dst->SetProjection(grid.wkt.c_str());
      GDALRasterBand* band = dst->GetRasterBand(1);
      band->SetNoDataValue(noData);
      std::vector<double> row(grid.columns);
      ok = true;
      for (int r = 0; r < grid.rows && ok; ++r) {
        for (int c = 0; c < grid.columns; ++c) {
          const double v = grid.values[static_cast<std::size_t>(r) * grid.columns + c];
          row[c] = std::isnan(v) ? noData : v;
        }
        ok = band->RasterIO(GF_Write, 0, r, grid.columns, 1, row.data(), grid.columns, 1,
                            GDT_Float64, 0, 0) == CE_None;
      }
      CPLErrorReset();
      dst.reset();
      ok = ok && CPLGetLastErrorType() != CE_Failure;
    }
  }
  CPLPopErrorHandler();
  std::error_code ec;
  if (ok) fs::rename(temp, path, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    return E_DATA_WRITE_FAILED;
  }
  return S_OK;
}

}  // namespace velk::host
