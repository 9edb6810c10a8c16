#include "platform/host/operations/surface_analysis.h"

#include <cmath>
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

class RasterSurfaceOp
    : public AnalysisOpRoot<RasterSurfaceOp, ISurfaceOp, ISurfacePreparationOp> {
 public:
  using ISurfaceOp::QueryInterface;
  RasterSurfaceOp() : AnalysisOpRoot(L"hillshd") {}

  HRESULT HillShade(IGeoDataset* input, double azimuth, double altitude, VARIANT_BOOL shadows,
                    VARIANT* zFactor, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!input) return E_POINTER;
    VELK_TRY
    analysis::HillshadeOptions options;
    options.azimuth = azimuth;
    options.altitude = altitude;
    options.shadows = shadows != VARIANT_FALSE;
    if (zFactor && zFactor->vt != VT_EMPTY) {
      Variant z;
      if (FAILED(VariantChangeType(&z, zFactor, 0, VT_R8))) return E_INVALIDARG;
      options.zFactor = z.dblVal;
    }
    const std::string path = RasterPath(input);
    if (path.empty()) return E_INVALIDARG;
    GdalDatasetPtr src;
    double gt[6];
    if (HRESULT hr = OpenNorthUpRaster(path, &src, gt); FAILED(hr)) return hr;

    LONG extentKind = 0;
    ComPtr<IUnknown> extent;
    Environment()->GetExtent(&extentKind, extent.put());
    auto envelope = QueryAs<IEnvelope>(extent.get());
    auto window = WindowOf(gt, src->GetRasterXSize(), src->GetRasterYSize(),
                           extentKind == kExtentValue ? envelope.get() : nullptr);
    if (!window) return E_INVALIDARG;

    // Cells as the environment asks: the input's, or a given size (resampled bilinearly).
    LONG cellKind = 0;
    double cellSize = 0;
    Environment()->GetCellSize(&cellKind, &cellSize);
    double cellX = gt[1], cellY = -gt[5];
    int columns = window->columns, rows = window->rows;
    if (cellKind == kCellSizeValue && cellSize > 0) {
      columns = std::max(1, static_cast<int>(std::lround(window->columns * gt[1] / cellSize)));
      rows = std::max(1, static_cast<int>(std::lround(window->rows * -gt[5] / cellSize)));
      cellX = window->columns * gt[1] / columns;
      cellY = window->rows * -gt[5] / rows;
    }

    GDALRasterBand* band = src->GetRasterBand(1);
    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    const bool int16 = band->GetRasterDataType() == GDT_Int16 &&
                       (columns == window->columns && rows == window->rows);
    const size_t cells = static_cast<size_t>(columns) * rows;
    std::vector<std::int16_t> i16;
    std::vector<float> f32;
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_Bilinear;
    CPLErr err;
    if (int16) {
      i16.resize(cells);
      err = band->RasterIO(GF_Read, window->column, window->row, window->columns, window->rows,
                           i16.data(), columns, rows, GDT_Int16, 0, 0, &extra);
    } else {
      f32.resize(cells);
      err = band->RasterIO(GF_Read, window->column, window->row, window->columns, window->rows,
                           f32.data(), columns, rows, GDT_Float32, 0, 0, &extra);
    }
    if (err != CE_None) return E_DATA_UNREADABLE;
    analysis::ElevationGrid grid;
    if (int16) {
      grid = analysis::ElevationGrid(i16.data(), columns, rows, cellX, cellY,
                                     hasNoData ? std::optional<double>(noData) : std::nullopt);
    } else {
      grid = analysis::ElevationGrid(f32.data(), columns, rows, cellX, cellY);
      if (hasNoData) grid.noData = static_cast<float>(noData);
    }
    if (!analysis::CheckHillshadeInput(grid, options).empty()) return E_INVALIDARG;
    std::vector<std::uint8_t> shade(cells);
    analysis::Hillshade(grid, options, shade.data());

    // The output workspace's folder, else the host's scratch folder.
    ComPtr<IWorkspace> workspace;
    Environment()->get_OutWorkspace(workspace.put());
    std::string folder;
    if (workspace) {
      Bstr p;
      if (SUCCEEDED(workspace->get_PathName(&p))) folder = ToUtf8(p.str());
    }
    if (folder.empty()) folder = ScratchFolderPath();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string out = NewResultPath(folder);
    GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!gtiff) return E_DATA_WRITE_FAILED;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    bool ok = false;
    {
      GdalDatasetPtr dst(gtiff->Create(out.c_str(), columns, rows, 1, GDT_Byte, nullptr));
      if (dst) {
        const double outGt[6] = {gt[0] + window->column * gt[1], cellX, 0,
                                 gt[3] + window->row * gt[5],    0,     -cellY};
        dst->SetGeoTransform(const_cast<double*>(outGt));
        if (const OGRSpatialReference* srs = src->GetSpatialRef()) dst->SetSpatialRef(srs);
        GDALRasterBand* ob = dst->GetRasterBand(1);
        ob->SetNoDataValue(analysis::kHillshadeNoData);
        ok = ob->RasterIO(GF_Write, 0, 0, columns, rows, shade.data(), columns, rows, GDT_Byte, 0,
                          0, nullptr) == CE_None;
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
    ComPtr<IRasterDataset> dataset;
    HRESULT hr = OpenRasterFile(out, workspace.get(), dataset.put(), true);
    if (FAILED(hr)) return hr;
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
