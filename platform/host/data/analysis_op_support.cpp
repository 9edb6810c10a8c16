#include "platform/host/data/analysis_op_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <future>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

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

HRESULT WindowReader::Open(const std::string& path, IEnvelope* area) {
  double gt[6];
  if (HRESULT hr = OpenNorthUpRaster(path, &src_, gt); FAILED(hr)) return hr;
  ComPtr<IEnvelope> local = AreaInRaster(area, src_->GetSpatialRef());
  if (area && !local) return E_INVALIDARG;
  auto window = WindowOf(gt, src_->GetRasterXSize(), src_->GetRasterYSize(), local.get());
  if (!window) return E_INVALIDARG;
  window_ = *window;
  GDALRasterBand* band = src_->GetRasterBand(1);
  WindowGrid& grid = placement_;
  grid.columns = window->columns;
  grid.rows = window->rows;
  grid.geoTransform = {gt[0] + window->column * gt[1], gt[1], 0,
                       gt[3] + window->row * gt[5],    0,     gt[5]};
  grid.wkt.clear();
  if (const OGRSpatialReference* srs = src_->GetSpatialRef()) {
    char* wkt = nullptr;
    if (srs->exportToWkt(&wkt) == OGRERR_NONE && wkt) grid.wkt = wkt;
    CPLFree(wkt);
  }
  grid.gdalType = band->GetRasterDataType();
  grid.values.clear();
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  grid.noData.reset();
  if (hasNoData) grid.noData = noData;
  return S_OK;
}

HRESULT WindowReader::Read(int first, int rows, double* values) {
  if (!src_ || first < 0 || rows < 1 || first + rows > window_.rows) return E_INVALIDARG;
  const std::size_t n = static_cast<std::size_t>(window_.columns) * rows;
  std::vector<unsigned char> raw(
      n * GDALGetDataTypeSizeBytes(static_cast<GDALDataType>(placement_.gdalType)));
  if (HRESULT hr = ReadNative(first, rows, raw.data()); FAILED(hr)) return hr;
  ToNumbers(raw.data(), placement_.gdalType, 0, n, placement_.noData, values);
  return S_OK;
}

HRESULT ReadWindowGrid(const std::string& path, IEnvelope* area, WindowGrid* grid) {
  if (!grid) return E_POINTER;
  WindowReader reader;
  if (HRESULT hr = reader.Open(path, area); FAILED(hr)) return hr;
  *grid = reader.Placement();
  grid->values.assign(static_cast<std::size_t>(grid->columns) * grid->rows, 0.0);
  return reader.Read(0, grid->rows, grid->values.data());
}

int BlockRows(int columns) {
  const int rows = std::max(1, (1 << 22) / std::max(1, columns));
  return rows >= 256 ? rows / 256 * 256 : rows;
}

HRESULT WindowReader::ReadNative(int first, int rows, void* values) {
  if (!src_ || first < 0 || rows < 1 || first + rows > window_.rows) return E_INVALIDARG;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  const CPLErr err = src_->GetRasterBand(1)->RasterIO(
      GF_Read, window_.column, window_.row + first, window_.columns, rows, values,
      window_.columns, rows, static_cast<GDALDataType>(placement_.gdalType), 0, 0);
  src_->GetRasterBand(1)->FlushCache(false);  // blocks read are not read again
  CPLPopErrorHandler();
  return err == CE_None ? S_OK : E_DATA_UNREADABLE;
}

HRESULT GridWriter::WriteNative(int first, int rows, const void* values) {
  if (!dst_) return E_DATA_WRITE_FAILED;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  CPLErr err = dst_->GetRasterBand(1)->RasterIO(
      GF_Write, 0, first, columns_, rows, const_cast<void*>(values), columns_, rows,
      static_cast<GDALDataType>(type_), 0, 0);
  // Finished tiles leave the block cache at once: memory stays that of a block.
  if (err == CE_None) err = dst_->GetRasterBand(1)->FlushCache(false);
  CPLPopErrorHandler();
  return err == CE_None ? S_OK : E_DATA_WRITE_FAILED;
}

GridWriter::~GridWriter() {
  if (!dst_) return;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  dst_.reset();
  CPLPopErrorHandler();
  std::error_code ec;
  fs::remove(temp_, ec);
}

HRESULT GridWriter::Create(const std::string& path, const WindowGrid& grid, bool voids) {
  EnsureGdalDrivers();
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (!gtiff || grid.columns < 1 || grid.rows < 1) return E_DATA_WRITE_FAILED;
  const GDALDataType type = static_cast<GDALDataType>(grid.gdalType);
  // The placement's own no-data value marks no cell of its grid; without one, NaN for a
  // floating type or the lowest value of a whole-number type (the map-algebra operator tells
  // cells of that value apart by writing a floating result instead).
  noData_ = NAN;
  if (grid.noData) {
    noData_ = *grid.noData;
  } else if (!GDALDataTypeIsFloating(type)) {
    noData_ = GDALAdjustValueToDataType(type, -1e300, nullptr, nullptr);
  }
  if (!voids) noData_ = NAN;
  path_ = path;
  temp_ = path + ".part.tif";
  columns_ = grid.columns;
  type_ = grid.gdalType;
  // Tiles, and none written that holds no value at all: a result that keeps a few cells of a
  // large area takes little room, and its empty tiles cost nothing to read.
  const char* options[] = {"TILED=YES", "SPARSE_OK=TRUE", nullptr};
  CPLPushErrorHandler(CPLQuietErrorHandler);
  dst_.reset(gtiff->Create(temp_.c_str(), grid.columns, grid.rows, 1, type,
                           const_cast<char**>(options)));
  if (dst_) {
    std::array<double, 6> gt = grid.geoTransform;
    dst_->SetGeoTransform(gt.data());
    if (!grid.wkt.empty()) dst_->SetProjection(grid.wkt.c_str());
    if (voids) dst_->GetRasterBand(1)->SetNoDataValue(noData_);
  }
  CPLPopErrorHandler();
  return dst_ ? S_OK : E_DATA_WRITE_FAILED;
}

namespace {

// GDAL's own statistics keep 14 digits, which can move an extreme past the cell that holds it:
// 17 read back as the same double.
void WriteStatistics(GDALRasterBand* band, double minimum, double maximum, double mean,
                     double deviation) {
  const std::pair<const char*, double> items[] = {{"STATISTICS_MINIMUM", minimum},
                                                  {"STATISTICS_MAXIMUM", maximum},
                                                  {"STATISTICS_MEAN", mean},
                                                  {"STATISTICS_STDDEV", deviation}};
  for (const auto& [name, value] : items)
    band->SetMetadataItem(name, CPLSPrintf("%.17g", value));
}

}  // namespace

void GridWriter::SetStatistics(double minimum, double maximum, double mean, double deviation) {
  if (dst_) WriteStatistics(dst_->GetRasterBand(1), minimum, maximum, mean, deviation);
}

HRESULT GridWriter::Commit() {
  if (!dst_) return E_DATA_WRITE_FAILED;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  CPLErrorReset();
  dst_.reset();
  const bool ok = CPLGetLastErrorType() != CE_Failure;
  CPLPopErrorHandler();
  std::error_code ec;
  if (ok) fs::rename(temp_, path_, ec);
  if (!ok || ec) {
    fs::remove(temp_, ec);
    return E_DATA_WRITE_FAILED;
  }
  return S_OK;
}

namespace {

// Gathers the cells without a branch per cell; has(v) tells whether a cell has a value.
template <typename T, typename Has>
void Gather(const T* values, std::size_t n, Has has, CellStatistics& s) {
  long long count = 0;
  double lo = INFINITY, hi = -INFINITY, sum = 0, squares = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = static_cast<double>(values[i]);
    const bool ok = has(values[i]);
    count += ok;
    lo = ok && v < lo ? v : lo;
    hi = ok && v > hi ? v : hi;
    sum += ok ? v : 0.0;
    squares += ok ? v * v : 0.0;
  }
  if (count == 0) return;
  s.minimum = s.count ? std::min(s.minimum, lo) : lo;
  s.maximum = s.count ? std::max(s.maximum, hi) : hi;
  s.count += count;
  s.sum += sum;
  s.squares += squares;
}

template <typename T>
void GatherTyped(const void* values, std::size_t n, std::optional<double> noData,
                 CellStatistics& s) {
  const T* v = static_cast<const T*>(values);
  if constexpr (std::is_floating_point_v<T>) {
    if (noData && !std::isnan(*noData)) {
      const T nd = static_cast<T>(*noData);
      Gather(v, n, [nd](T x) { return x == x && x != nd; }, s);
    } else {
      Gather(v, n, [](T x) { return x == x; }, s);
    }
  } else {
    // A no-data value outside the type's range marks no cell.
    const double nd = noData ? *noData : 0.5;
    if (noData && nd == std::nearbyint(nd) && nd >= double(std::numeric_limits<T>::lowest()) &&
        nd <= double(std::numeric_limits<T>::max())) {
      const T t = static_cast<T>(nd);
      Gather(v, n, [t](T x) { return x != t; }, s);
    } else {
      Gather(v, n, [](T) { return true; }, s);
    }
  }
}

}  // namespace

namespace {

template <typename T>
void ToNumbersTyped(const T* from, std::size_t n, std::optional<double> noData, double* to) {
  if (!noData) {
    for (std::size_t i = 0; i < n; ++i) to[i] = static_cast<double>(from[i]);
    return;
  }
  const double nd = *noData;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = static_cast<double>(from[i]);
    to[i] = v == nd ? NAN : v;
  }
}

template <typename T>
bool FromNumbersTyped(const double* from, std::size_t n, double noData, T* to) {
  if constexpr (std::is_floating_point_v<T>) {
    for (std::size_t i = 0; i < n; ++i)
      to[i] = static_cast<T>(std::isnan(from[i]) ? noData : from[i]);
    return true;
  } else {
    const double lo = double(std::numeric_limits<T>::lowest());
    const double hi = double(std::numeric_limits<T>::max());
    const T nd = static_cast<T>(noData);
    bool fits = true;
    for (std::size_t i = 0; i < n; ++i) {
      const double v = from[i];
      const bool inRange = v >= lo && v <= hi;  // false for NaN
      const T t = inRange ? static_cast<T>(v) : nd;
      fits &= std::isnan(v) || (inRange && static_cast<double>(t) == v && v != noData);
      to[i] = t;
    }
    return fits;
  }
}

template <typename F>
bool ByType(int gdalType, F f) {
  switch (static_cast<GDALDataType>(gdalType)) {
    case GDT_Byte: return f(std::uint8_t());
    case GDT_Int16: return f(std::int16_t());
    case GDT_UInt16: return f(std::uint16_t());
    case GDT_Int32: return f(std::int32_t());
    case GDT_UInt32: return f(std::uint32_t());
    case GDT_Float32: return f(float());
    default: return f(double());
  }
}

}  // namespace

void ToNumbers(const void* from, int gdalType, std::size_t first, std::size_t n,
               std::optional<double> noData, double* to) {
  ByType(gdalType, [&](auto t) {
    using T = decltype(t);
    ToNumbersTyped(static_cast<const T*>(from) + first, n, noData, to);
    return true;
  });
}

bool FromNumbers(const double* from, std::size_t n, int gdalType, double noData, void* to,
                 std::size_t first) {
  return ByType(gdalType, [&](auto t) {
    using T = decltype(t);
    return FromNumbersTyped(from, n, noData, static_cast<T*>(to) + first);
  });
}

void CellStatistics::Add(const void* values, int gdalType, std::size_t n,
                         std::optional<double> noData) {
  switch (static_cast<GDALDataType>(gdalType)) {
    case GDT_Byte: GatherTyped<std::uint8_t>(values, n, noData, *this); break;
    case GDT_Int16: GatherTyped<std::int16_t>(values, n, noData, *this); break;
    case GDT_UInt16: GatherTyped<std::uint16_t>(values, n, noData, *this); break;
    case GDT_Int32: GatherTyped<std::int32_t>(values, n, noData, *this); break;
    case GDT_UInt32: GatherTyped<std::uint32_t>(values, n, noData, *this); break;
    case GDT_Float32: GatherTyped<float>(values, n, noData, *this); break;
    default: GatherTyped<double>(values, n, noData, *this); break;
  }
}

void CellStatistics::Merge(const CellStatistics& o) {
  if (o.count == 0) return;
  minimum = count ? std::min(minimum, o.minimum) : o.minimum;
  maximum = count ? std::max(maximum, o.maximum) : o.maximum;
  count += o.count;
  sum += o.sum;
  squares += o.squares;
}

HRESULT Pipelined(int blocks, const std::function<HRESULT(int, int)>& produce,
                  const std::function<HRESULT(int, int)>& consume) {
  if (blocks < 1) return S_OK;
  HRESULT hr = produce(0, 0);
  for (int b = 0; b < blocks && SUCCEEDED(hr); ++b) {
    std::future<HRESULT> next;
    if (b + 1 < blocks) next = std::async(std::launch::async, produce, b + 1, (b + 1) % 2);
    hr = consume(b, b % 2);
    if (next.valid()) {
      const HRESULT produced = next.get();  // waited for even after a failure
      if (SUCCEEDED(hr)) hr = produced;
    }
  }
  return hr;
}

double CellStatistics::Mean() const { return count ? sum / double(count) : 0.0; }

double CellStatistics::Deviation() const {
  if (count == 0) return 0.0;
  const double mean = Mean();
  return std::sqrt(std::max(0.0, squares / double(count) - mean * mean));
}

void CellStatistics::StoreIn(GridWriter& writer) const {
  if (count == 0) return;
  writer.SetStatistics(minimum, maximum, Mean(), Deviation());
}

void CellStatistics::StoreIn(GDALRasterBand* band) const {
  if (count > 0 && band) WriteStatistics(band, minimum, maximum, Mean(), Deviation());
}

}  // namespace velk::host
