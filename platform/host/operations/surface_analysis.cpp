#include "platform/host/operations/surface_analysis.h"

#include <array>
#include <cmath>
#include <functional>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <gdal_priv.h>

#include "platform/com/text.h"
#include "platform/host/analysis/hillshade.h"
#include "platform/host/analysis/observer_visibility.h"
#include "platform/host/analysis/surface_preparation.h"
#include "platform/host/analysis/raster_points.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/analysis/visibility_raster.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/gdal_drivers.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host {
namespace {

// Optional VARIANT arguments: missing or empty gives the fallback.
bool ReadBool(VARIANT* v, bool fallback) {
  if (!v || v->vt == VT_EMPTY || v->vt == VT_ERROR) return fallback;
  if (v->vt == VT_BOOL) return v->boolVal != VARIANT_FALSE;
  if (v->vt == VT_R8) return v->dblVal != 0.0;
  if (v->vt == VT_R4) return v->fltVal != 0.0f;
  if (v->vt == VT_I4) return v->lVal != 0;
  if (v->vt == VT_I2) return v->iVal != 0;
  return fallback;
}
bool ReadDouble(VARIANT* v, double& out) {
  if (!v || v->vt == VT_EMPTY || v->vt == VT_ERROR) return true;
  if (v->vt == VT_R8)
    out = v->dblVal;
  else if (v->vt == VT_R4)
    out = v->fltVal;
  else if (v->vt == VT_I4)
    out = v->lVal;
  else if (v->vt == VT_I2)
    out = v->iVal;
  else
    return false;
  return true;
}


// The first free "hillshd<n>.tif" of the folder.
std::string NewResultPath(const std::string& folder) {
  for (int n = 0;; ++n) {
    auto p = std::filesystem::path(folder) / ("hillshd" + std::to_string(n) + ".tif");
    std::error_code ec;
    if (!std::filesystem::exists(p, ec)) return p.string();
  }
}

// The hillshade's arguments as options; E_INVALIDARG for a z factor that is no number.
HRESULT ReadHillshadeOptions(double azimuth, double altitude, VARIANT_BOOL shadows,
                             VARIANT* zFactor, analysis::HillshadeOptions* options) {
  options->azimuth = azimuth;
  options->altitude = altitude;
  options->shadows = shadows != VARIANT_FALSE;
  if (zFactor && zFactor->vt != VT_EMPTY) {
    Variant z;
    if (FAILED(VariantChangeType(&z, zFactor, 0, VT_R8))) return E_INVALIDARG;
    options->zFactor = z.dblVal;
  }
  return S_OK;
}

// The cells of a surface to shade: the input's over the environment's extent, at its cell size.
struct ShadedSurface {
  GdalDatasetPtr source;
  double geoTransform[6] = {};  // the source's
  CellWindow window{};          // the source's cells read
  int columns = 0, rows = 0;    // the cells made of them
  double cellX = 0, cellY = 0;
  std::vector<std::int16_t> i16;  // Int16 cells read as they are
  std::vector<float> f32;         // any other cells, or resampled ones
  analysis::Int16Grid int16Grid;  // over i16 when the cells were read as they are
  analysis::FloatGrid floatGrid;  // over f32 otherwise

  bool IsInt16() const { return int16Grid.values != nullptr; }
  std::string Check(const analysis::HillshadeOptions& o) const {
    return IsInt16() ? analysis::CheckHillshadeInput(int16Grid, o)
                     : analysis::CheckHillshadeInput(floatGrid, o);
  }
  analysis::HillshadeStatus Shade(const analysis::HillshadeOptions& o, std::uint8_t* out) const {
    return IsInt16() ? analysis::Hillshade(int16Grid, o, out) : analysis::Hillshade(floatGrid, o, out);
  }

  // The result's geotransform: the window's corner, the cells' size.
  std::array<double, 6> ResultGeoTransform() const {
    const double* gt = geoTransform;
    return {gt[0] + window.column * gt[1], cellX, 0, gt[3] + window.row * gt[5], 0, -cellY};
  }
};

// GDAL's progress over the reading, passed on as the first share of the run.
struct ReadProgress {
  const std::function<bool(double)>* progress;
  double share;
  bool stopped = false;
};
int CPL_STDCALL OnReadProgress(double done, const char*, void* data) {
  auto* read = static_cast<ReadProgress*>(data);
  read->stopped = read->stopped || !(*read->progress)(done * read->share);
  return read->stopped ? FALSE : TRUE;
}

// Opens the input and reads its cells as the environment asks: the extent's window, at the
// input's cell size or at a given one (resampled bilinearly). E_ABORT when progress stopped it.
HRESULT ReadShadedSurface(const std::string& path, IRasterAnalysisEnvironment* env,
                          const std::function<bool(double)>& progress, double progressShare,
                          ShadedSurface* s) {
  double* gt = s->geoTransform;
  if (HRESULT hr = OpenNorthUpRaster(path, &s->source, gt); FAILED(hr)) return hr;
  LONG extentKind = 0;
  ComPtr<IUnknown> extent;
  env->GetExtent(&extentKind, extent.put());
  auto envelope = QueryAs<IEnvelope>(extent.get());
  auto window = WindowOf(gt, s->source->GetRasterXSize(), s->source->GetRasterYSize(),
                         extentKind == kExtentValue ? envelope.get() : nullptr);
  if (!window) return E_INVALIDARG;
  s->window = *window;
  LONG cellKind = 0;
  double cellSize = 0;
  env->GetCellSize(&cellKind, &cellSize);
  s->cellX = gt[1];
  s->cellY = -gt[5];
  s->columns = window->columns;
  s->rows = window->rows;
  if (cellKind == kCellSizeValue && cellSize > 0) {
    s->columns = std::max(1, static_cast<int>(std::lround(window->columns * gt[1] / cellSize)));
    s->rows = std::max(1, static_cast<int>(std::lround(window->rows * -gt[5] / cellSize)));
    s->cellX = window->columns * gt[1] / s->columns;
    s->cellY = window->rows * -gt[5] / s->rows;
  }
  GDALRasterBand* band = s->source->GetRasterBand(1);
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  const bool int16 = band->GetRasterDataType() == GDT_Int16 &&
                     (s->columns == window->columns && s->rows == window->rows);
  const size_t cells = static_cast<size_t>(s->columns) * s->rows;
  GDALRasterIOExtraArg extra;
  INIT_RASTERIO_EXTRA_ARG(extra);
  extra.eResampleAlg = GRIORA_Bilinear;
  ReadProgress read{&progress, progressShare};
  if (progress) {
    extra.pfnProgress = OnReadProgress;
    extra.pProgressData = &read;
  }
  void* cellsRead = nullptr;
  if (int16) {
    s->i16.resize(cells);
    cellsRead = s->i16.data();
  } else {
    s->f32.resize(cells);
    cellsRead = s->f32.data();
  }
  CPLPushErrorHandler(CPLQuietErrorHandler);
  const CPLErr err = band->RasterIO(GF_Read, window->column, window->row, window->columns,
                                    window->rows, cellsRead, s->columns, s->rows,
                                    int16 ? GDT_Int16 : GDT_Float32, 0, 0, &extra);
  CPLPopErrorHandler();
  if (err != CE_None) return read.stopped ? E_ABORT : E_DATA_UNREADABLE;
  const std::optional<double> voids = hasNoData ? std::optional<double>(noData) : std::nullopt;
  if (int16) {
    s->int16Grid = {s->i16.data(), s->columns, s->rows, s->cellX, s->cellY, voids};
  } else {
    s->floatGrid = {s->f32.data(), s->columns, s->rows, s->cellX, s->cellY, std::nullopt};
    if (voids) s->floatGrid.noData = static_cast<float>(*voids);
  }
  return S_OK;
}

// Writes the grey levels as a new "hillshd<n>.tif" of folder; E_DATA_WRITE_FAILED (and nothing
// left) when it cannot be written.
HRESULT WriteShade(const std::string& folder, const ShadedSurface& s,
                   const std::vector<std::uint8_t>& shade, std::string* path) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string out = NewResultPath(folder);
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (!gtiff) return E_DATA_WRITE_FAILED;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  bool ok = false;
  {
    GdalDatasetPtr dst(gtiff->Create(out.c_str(), s.columns, s.rows, 1, GDT_Byte, nullptr));
    if (dst) {
      std::array<double, 6> gt = s.ResultGeoTransform();
      dst->SetGeoTransform(gt.data());
      if (const OGRSpatialReference* srs = s.source->GetSpatialRef()) dst->SetSpatialRef(srs);
      GDALRasterBand* band = dst->GetRasterBand(1);
      band->SetNoDataValue(analysis::kHillshadeNoData);
      ok = band->RasterIO(GF_Write, 0, 0, s.columns, s.rows,
                          const_cast<std::uint8_t*>(shade.data()), s.columns, s.rows, GDT_Byte,
                          0, 0, nullptr) == CE_None;
      CPLErrorReset();
      dst->FlushCache();
      ok = ok && CPLGetLastErrorType() != CE_Failure;
    }
  }
  if (!ok) gtiff->Delete(out.c_str());
  CPLPopErrorHandler();
  if (!ok) {
    std::filesystem::remove(out, ec);
    return E_DATA_WRITE_FAILED;
  }
  *path = out;
  return S_OK;
}

class RasterSurfaceOp : public AnalysisOpRoot<RasterSurfaceOp, ISurfaceOp, ISurfacePreparationOp,
                                              IAnalysisProgress> {
 public:
  using ISurfaceOp::QueryInterface;
  RasterSurfaceOp() : AnalysisOpRoot(L"hillshd") {}

  HRESULT SetProgress(const std::function<bool(double)>& progress) override {
    progress_ = progress;
    return S_OK;
  }

  HRESULT HillShade(IGeoDataset* input, double azimuth, double altitude, VARIANT_BOOL shadows,
                    VARIANT* zFactor, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!input) return E_POINTER;
    VELK_TRY
    analysis::HillshadeOptions options;
    if (HRESULT hr = ReadHillshadeOptions(azimuth, altitude, shadows, zFactor, &options);
        FAILED(hr))
      return hr;
    const std::string path = RasterPath(input);
    if (path.empty()) return E_INVALIDARG;
    // Shares of the run: reading the cells, shading them, writing the result.
    constexpr double kRead = 0.3, kShade = 0.6;
    ShadedSurface surface;
    if (HRESULT hr = ReadShadedSurface(path, Environment(), progress_, kRead, &surface); FAILED(hr))
      return hr;
    if (!surface.Check(options).empty()) return E_INVALIDARG;
    if (progress_)
      options.progress = [this](double done) { return progress_(kRead + kShade * done); };
    std::vector<std::uint8_t> shade(static_cast<size_t>(surface.columns) * surface.rows);
    if (surface.Shade(options, shade.data()) == analysis::HillshadeStatus::Stopped)
      return E_ABORT;
    surface.i16 = {};
    surface.f32 = {};

    // The output workspace's folder, else the host's scratch folder.
    ComPtr<IWorkspace> workspace;
    Environment()->get_OutWorkspace(workspace.put());
    std::string folder = WorkspaceFolder(workspace.get());
    if (folder.empty()) folder = ScratchFolderPath();
    std::string out;
    if (HRESULT hr = WriteShade(folder, surface, shade, &out); FAILED(hr)) return hr;
    ComPtr<IRasterDataset> dataset;
    HRESULT hr = OpenRasterFile(out, workspace.get(), dataset.put(), true);
    if (FAILED(hr)) return hr;
    if (progress_) progress_(1.0);  // the run is done: nothing left to stop
    return dataset->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
    VELK_CATCH
  }

  HRESULT Visibility(IGeoDataset* surface, IGeoDataset* observers, LONG kind, VARIANT* useCurvature,
                     VARIANT* refraction, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!surface || !observers) return E_POINTER;
    if (kind != kVisibilityFrequency) return E_INVALIDARG;
    analysis::ObserverVisibilityOptions options;
    options.curvature.useCurvature = ReadBool(useCurvature, false);
    if (!ReadDouble(refraction, options.curvature.refraction)) return E_INVALIDARG;
    const std::string surfacePath = RasterPath(surface);
    const std::string observersPath = ShapefilePath(observers);
    if (surfacePath.empty() || observersPath.empty()) return E_FAIL;
    ComPtr<IWorkspace> workspace;
    Environment()->get_OutWorkspace(workspace.put());
    std::string folder = WorkspaceFolder(workspace.get());
    if (folder.empty()) folder = std::filesystem::path(surfacePath).parent_path().string();
    std::string out;
    for (int n = 0; out.empty(); ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "viz%04d.tif", n);
      const auto p = std::filesystem::path(folder) / name;
      std::error_code ec;
      if (!std::filesystem::exists(p, ec)) out = p.string();
    }
    if (!analysis::ComputeObserverVisibility(surfacePath, observersPath, out, options)
             .error.empty())
      return E_FAIL;
    ComPtr<IRasterDataset> dataset;
    HRESULT hr = OpenRasterFile(out, workspace.get(), dataset.put());
    if (FAILED(hr)) return hr;
    return dataset->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
  }

  HRESULT PrepareAzimuthalGrid(IGeoDataset* source, IEnvelope* area, IWorkspace* workspace,
                               BSTR name, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!source || !area || !workspace) return E_POINTER;
    VELK_TRY
    analysis::ResampleRequest request;
    request.sourcePath = RasterPath(source);
    const std::string folder = WorkspaceFolder(workspace);
    const std::string file = ToUtf8(BstrToWstring(name));
    if (request.sourcePath.empty() || folder.empty() || file.empty()) return E_INVALIDARG;
    area->QueryCoords(&request.west, &request.south, &request.east, &request.north);
    request.centreLongitude = (request.west + request.east) / 2.0;
    request.centreLatitude = (request.south + request.north) / 2.0;
    const std::string out = analysis::GridRasterPath(folder, file);
    if (!analysis::ResampleToAzimuthalEquidistant(request, out).error.empty()) return E_INVALIDARG;
    ComPtr<IRasterDataset> dataset;
    HRESULT hr = OpenRasterFile(out, workspace, dataset.put());
    if (FAILED(hr)) return hr;
    return dataset->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
    VELK_CATCH
  }

 private:
  std::function<bool(double)> progress_;
};

class ConversionOp : public ComObjectRoot<ConversionOp, IConversionOp> {
 public:
  HRESULT RasterDataToPolygonFeatureData(IGeoDataset* raster, IWorkspace* workspace, BSTR name,
                                         VARIANT_BOOL, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    ComPtr<IFeatureClass> fc;
    HRESULT hr = Convert(raster, workspace, name, fc, [](const std::string& in, const std::string& out) {
      return analysis::PolygonizeCountRaster(in, out).empty();
    });
    if (FAILED(hr)) return hr;
    return QueryAs<IGeoDataset>(fc.get()).CopyTo(result);
  }
  HRESULT RasterDataToPointFeatureData(IGeoDataset* raster, IWorkspace* workspace, BSTR name,
                                       IFeatureClass** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    ComPtr<IFeatureClass> fc;
    bool tooMany = false;
    HRESULT hr = Convert(raster, workspace, name, fc, [&](const std::string& in, const std::string& out) {
      const analysis::RasterPointsResult points = analysis::RasterToPoints(in, out);
      tooMany = points.tooMany;
      return points.error.empty();
    });
    if (tooMany) return E_DATA_TOO_MANY_FEATURES;
    if (FAILED(hr)) return hr;
    *result = fc.Detach();
    return S_OK;
  }

 private:
  // Runs convert(raster file, shapefile path) and opens the new feature class.
  template <class Converter>
  static HRESULT Convert(IGeoDataset* raster, IWorkspace* workspace, BSTR name,
                         ComPtr<IFeatureClass>& fc, Converter convert) {
    if (!raster || !workspace) return E_POINTER;
    const std::string rasterPath = RasterPath(raster);
    const std::string folder = WorkspaceFolder(workspace);
    std::string file = ToUtf8(BstrToWstring(name));
    if (rasterPath.empty() || folder.empty() || file.empty()) return E_INVALIDARG;
    if (std::filesystem::path(file).extension() != ".shp") file += ".shp";
    if (!convert(rasterPath, (std::filesystem::path(folder) / file).string())) return E_FAIL;
    auto features = QueryAs<IFeatureWorkspace>(workspace);
    if (!features) return E_NOINTERFACE;
    return features->OpenFeatureClass(
        Bstr(FromUtf8(std::filesystem::path(file).stem().string())), fc.put());
  }
};

}  // namespace

HRESULT CreateRasterSurfaceOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterSurfaceOp>(outer, riid, ppv);
}

HRESULT CreateConversionOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ConversionOp>(outer, riid, ppv);
}

}  // namespace velk::host
