#include "platform/host/surface_analysis.h"

#include <cstdio>
#include <filesystem>

#include "platform/com/text.h"
#include "platform/host/analysis/observer_visibility.h"
#include "platform/host/analysis/visibility_raster.h"
#include "platform/host/dataset.h"
#include "platform/host/feature_class.h"
#include "platform/host/raster.h"
#include "platform/host/raster_analysis_environment.h"
#include "platform/host/raster_objects.h"
#include "platform/host/workspace.h"

namespace velk::host {
namespace {

namespace fs = std::filesystem;

// The file behind a raster dataset.
std::string RasterPath(IUnknown* dataset) {
  auto raster = QueryAs<IRasterDataset>(dataset);
  Bstr path;
  if (!raster || FAILED(raster->get_CompleteName(&path))) return {};
  return ToUtf8(path.str());
}

std::string WorkspaceFolder(IWorkspace* workspace) {
  Bstr path;
  if (!workspace || FAILED(workspace->get_PathName(&path))) return {};
  return ToUtf8(path.str());
}

// The shapefile behind a feature class of a folder workspace.
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

// A VARIANT argument as a double or bool, with a fallback for a missing or empty one.
bool ReadBool(VARIANT* v, bool fallback) {
  if (!v || v->vt == VT_EMPTY || v->vt == VT_ERROR) return fallback;
  if (v->vt == VT_BOOL) return v->boolVal != VARIANT_FALSE;
  if (v->vt == VT_R8) return v->dblVal != 0.0;
  if (v->vt == VT_I4) return v->lVal != 0;
  if (v->vt == VT_R4) return v->fltVal != 0.0f;
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

// Both operations carry the host's analysis environment as an inner object.
template <class Derived, class Op>
class AnalysisOp : public ComObjectRoot<Derived, Op> {
 public:
  HRESULT FinalConstruct() {
    return CreateRasterAnalysisObject(this->ControllingUnknown(), IidOf<IUnknown>(),
                                      reinterpret_cast<void**>(environment_.put()));
  }
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<IRasterAnalysisEnvironment>() && environment_)
      return environment_->QueryInterface(riid, ppv);
    return E_NOINTERFACE;
  }

 protected:
  ComPtr<IRasterAnalysisEnvironment> Environment() {
    return QueryAs<IRasterAnalysisEnvironment>(environment_.get());
  }

 private:
  ComPtr<IUnknown> environment_;
};

class SurfaceOp : public AnalysisOp<SurfaceOp, ISurfaceOp> {
 public:
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
    if (auto env = Environment()) env->get_OutWorkspace(workspace.put());
    std::string folder = WorkspaceFolder(workspace.get());
    if (folder.empty()) folder = fs::path(surfacePath).parent_path().string();
    std::string name;
    for (int n = 0;; ++n) {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "viz%04d.tif", n);
      if (!fs::exists(fs::path(folder) / buffer)) {
        name = buffer;
        break;
      }
    }
    const std::string out = (fs::path(folder) / name).string();
    lastError_ =
        analysis::ComputeObserverVisibility(surfacePath, observersPath, out, options).error;
    if (!lastError_.empty()) return E_FAIL;
    ComPtr<IRasterDataset> dataset;
    HRESULT hr = OpenRasterFile(out, workspace.get(), dataset.put());
    if (FAILED(hr)) return hr;
    return dataset->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
  }

 private:
  std::string lastError_;
};

class ConversionOp : public AnalysisOp<ConversionOp, IConversionOp> {
 public:
  HRESULT RasterDataToPolygonFeatureData(IGeoDataset* raster, IWorkspace* workspace, BSTR name,
                                         VARIANT_BOOL, IGeoDataset** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!raster || !workspace) return E_POINTER;
    const std::string rasterPath = RasterPath(raster);
    const std::string folder = WorkspaceFolder(workspace);
    std::string file = ToUtf8(BstrToWstring(name));
    if (rasterPath.empty() || folder.empty() || file.empty()) return E_INVALIDARG;
    if (fs::path(file).extension() != ".shp") file += ".shp";
    if (!analysis::PolygonizeCountRaster(rasterPath, (fs::path(folder) / file).string()).empty())
      return E_FAIL;
    auto features = QueryAs<IFeatureWorkspace>(workspace);
    if (!features) return E_NOINTERFACE;
    ComPtr<IFeatureClass> fc;
    HRESULT hr =
        features->OpenFeatureClass(Bstr(FromUtf8(fs::path(file).stem().string())), fc.put());
    if (FAILED(hr)) return hr;
    return QueryAs<IGeoDataset>(fc.get()).CopyTo(result);
  }
};

}  // namespace

HRESULT CreateSurfaceOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<SurfaceOp>(outer, riid, ppv);
}
HRESULT CreateConversionOpObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ConversionOp>(outer, riid, ppv);
}

}  // namespace velk::host
