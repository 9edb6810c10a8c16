#include "platform/host/operations/local_analysis.h"

#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>

#include <gdal.h>

#include "platform/com/text.h"
#include "platform/host/analysis/map_algebra.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"

namespace velk::host {
namespace {

// The written result as the host's temporary raster dataset in the output workspace.
HRESULT OpenResult(const std::string& path, IRasterAnalysisEnvironment* env,
                   IGeoDataset** result) {
  ComPtr<IWorkspace> workspace;
  env->get_OutWorkspace(workspace.put());
  ComPtr<IRasterDataset> dataset;
  HRESULT hr = OpenRasterFile(path, workspace.get(), dataset.put(), true);
  if (FAILED(hr)) return hr;
  return dataset->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
}

class RasterLocalOp : public AnalysisOpRoot<RasterLocalOp, ILocalOp> {
 public:
  using ILocalOp::QueryInterface;
  RasterLocalOp() : AnalysisOpRoot(L"stats") {}

  HRESULT LocalStatistics(IGeoDataset* inputs, LONG statistic, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!inputs) return E_POINTER;
    if (statistic != kCellStatisticMaximum && statistic != kCellStatisticMinimum)
      return E_INVALIDARG;
    VELK_TRY
    const std::string path = RasterPath(inputs);
    if (path.empty()) return E_INVALIDARG;
    // One input: every statistic of a cell is the cell's own value, over the extent.
    WindowGrid grid;
    HRESULT hr = ReadWindowGrid(path, ExtentEnvelope(Environment()).get(), &grid);
    if (FAILED(hr)) return hr;
    const std::string out = NewOutputPath();
    hr = WriteWindowGrid(out, grid);
    if (FAILED(hr)) return hr;
    return OpenResult(out, Environment(), result);
    VELK_CATCH
  }
};

class RasterMapAlgebraOp : public AnalysisOpRoot<RasterMapAlgebraOp, IMapAlgebraOp> {
 public:
  using IMapAlgebraOp::QueryInterface;
  RasterMapAlgebraOp() : AnalysisOpRoot(L"calc") {}

  HRESULT BindRaster(IGeoDataset* raster, BSTR name) override {
    if (!raster) return E_POINTER;
    const std::wstring n = BstrToWstring(name);
    if (n.empty() || RasterPath(raster).empty()) return E_INVALIDARG;
    bound_[n] = ComPtr<IGeoDataset>(raster);
    return S_OK;
  }
  HRESULT UnbindRaster(BSTR name) override {
    return bound_.erase(BstrToWstring(name)) ? S_OK : S_FALSE;
  }
  HRESULT Execute(BSTR expression, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    VELK_TRY
    std::optional<analysis::MapAlgebraExpression> expr;
    try {
      expr.emplace(BstrToWstring(expression));
    } catch (const std::invalid_argument&) {
      return E_INVALIDARG;
    }
    if (expr->Names().empty()) return E_INVALIDARG;
    // Every raster is read over the first one's window, so their cells line up.
    std::map<std::wstring, WindowGrid> grids;
    ComPtr<IEnvelope> area = ExtentEnvelope(Environment());
    WindowGrid* first = nullptr;
    for (const auto& name : expr->Names()) {
      auto it = bound_.find(name);
      if (it == bound_.end()) return E_INVALIDARG;
      WindowGrid& g = grids[name];
      HRESULT hr = ReadWindowGrid(RasterPath(it->second.get()), area.get(), &g);
      if (FAILED(hr)) return hr;
      if (!first) {
        first = &g;
      } else if (g.columns != first->columns || g.rows != first->rows ||
                 g.geoTransform != first->geoTransform) {
        return E_INVALIDARG;  // rasters of other cells: this host does not resample
      }
    }
    std::map<std::wstring, const double*> inputs;
    for (const auto& [name, g] : grids) inputs[name] = g.values.data();
    WindowGrid out = *first;
    out.values = expr->Evaluate(inputs, out.values.size());
    // Whole-number cells keep their type while every value fits it.
    const GDALDataType type = static_cast<GDALDataType>(out.gdalType);
    for (double v : out.values) {
      if (GDALDataTypeIsFloating(type) || std::isnan(v)) continue;
      int clamped = 0, rounded = 0;
      GDALAdjustValueToDataType(type, v, &clamped, &rounded);
      if (clamped || rounded) {
        out.gdalType = GDT_Float64;
        break;
      }
    }
    const std::string path = NewOutputPath();
    HRESULT hr = WriteWindowGrid(path, out);
    if (FAILED(hr)) return hr;
    return OpenResult(path, Environment(), result);
    VELK_CATCH
  }

 private:
  std::map<std::wstring, ComPtr<IGeoDataset>> bound_;
};

}  // namespace

HRESULT CreateRasterLocalOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterLocalOp>(outer, riid, ppv);
}

HRESULT CreateRasterMapAlgebraOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterMapAlgebraOp>(outer, riid, ppv);
}

}  // namespace velk::host
