#include "platform/host/data/raster_analysis_environment.h"

#include <cmath>
#include <mutex>

#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"

namespace velk::host {
namespace {

struct Settings {
  ComPtr<IWorkspace> workspace;
  ComPtr<ISpatialReference> sr;
  LONG cellKind = kCellSizeMaxOfInputs;
  double cellSize = 0.0;
  LONG extentKind = kExtentIntersectionOfInputs;
  ComPtr<IEnvelope> extent;  // only with kExtentValue
};

std::mutex g_defaultLock;

Settings& DefaultSettings() {
  static Settings* settings = new Settings();  // never destroyed: no release after the host's end
  return *settings;
}

Settings CopyOfDefault() {
  std::lock_guard<std::mutex> lock(g_defaultLock);
  return DefaultSettings();
}

// A copy of the envelope of a geometry (an envelope included); null for anything else.
ComPtr<IEnvelope> EnvelopeCopy(IUnknown* object) {
  auto geometry = QueryAs<IGeometry>(object);
  if (!geometry) return nullptr;
  VARIANT_BOOL empty = VARIANT_TRUE;
  if (FAILED(geometry->get_IsEmpty(&empty)) || empty) return nullptr;
  ComPtr<IEnvelope> envelope;
  if (FAILED(geometry->get_Envelope(envelope.put()))) return nullptr;
  return envelope;
}

class RasterAnalysis : public ComObjectRoot<RasterAnalysis, IRasterAnalysisEnvironment> {
 public:
  HRESULT FinalConstruct() {
    settings_ = CopyOfDefault();
    return S_OK;
  }
  HRESULT get_OutWorkspace(IWorkspace** workspace) override {
    return settings_.workspace.CopyTo(workspace);
  }
  HRESULT putref_OutWorkspace(IWorkspace* workspace) override {
    settings_.workspace = workspace;
    return S_OK;
  }
  HRESULT get_OutSpatialReference(ISpatialReference** sr) override {
    return settings_.sr.CopyTo(sr);
  }
  HRESULT putref_OutSpatialReference(ISpatialReference* sr) override {
    settings_.sr = sr;
    return S_OK;
  }
  HRESULT GetCellSize(LONG* kind, double* size) override {
    if (!kind || !size) return E_POINTER;
    *kind = settings_.cellKind;
    *size = settings_.cellSize;
    return S_OK;
  }
  HRESULT SetCellSize(LONG kind, VARIANT* size) override {
    if (kind == kCellSizeMaxOfInputs || kind == kCellSizeMinOfInputs) {
      settings_.cellKind = kind;
      settings_.cellSize = 0.0;
      return S_OK;
    }
    if (kind != kCellSizeValue || !size) return E_INVALIDARG;
    VELK_TRY
    Variant number;
    if (FAILED(VariantChangeType(&number, size, 0, VT_R8))) return E_INVALIDARG;
    if (!std::isfinite(number.dblVal) || !(number.dblVal > 0)) return E_INVALIDARG;
    settings_.cellKind = kind;
    settings_.cellSize = number.dblVal;
    return S_OK;
    VELK_CATCH
  }
  HRESULT GetExtent(LONG* kind, IUnknown** extent) override {
    if (!kind || !extent) return E_POINTER;
    *kind = settings_.extentKind;
    *extent = nullptr;
    if (!settings_.extent) return S_OK;
    VELK_TRY
    *extent = EnvelopeCopy(settings_.extent.get()).As<IUnknown>().Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT SetExtent(LONG kind, VARIANT* extent, VARIANT* snapRaster) override {
    if (snapRaster && snapRaster->vt != VT_EMPTY && snapRaster->vt != VT_NULL &&
        !((snapRaster->vt == VT_UNKNOWN || snapRaster->vt == VT_DISPATCH) && !snapRaster->punkVal))
      return E_INVALIDARG;
    if (kind == kExtentIntersectionOfInputs || kind == kExtentUnionOfInputs) {
      settings_.extentKind = kind;
      settings_.extent.Reset();
      return S_OK;
    }
    if (kind != kExtentValue || !extent) return E_INVALIDARG;
    VELK_TRY
    ComPtr<IEnvelope> envelope;
    if (extent->vt == VT_UNKNOWN || extent->vt == VT_DISPATCH) {
      envelope = EnvelopeCopy(extent->punkVal);
    } else if (extent->vt == VT_BOOL && extent->boolVal == VARIANT_TRUE) {
      Settings fallback = CopyOfDefault();
      if (fallback.extent) envelope = EnvelopeCopy(fallback.extent.get());
    }
    if (!envelope) return E_INVALIDARG;
    settings_.extentKind = kind;
    settings_.extent = envelope;
    return S_OK;
    VELK_CATCH
  }
  HRESULT Validate() override {
    if (!settings_.workspace) return S_OK;
    VARIANT_BOOL exists = VARIANT_FALSE;
    if (FAILED(settings_.workspace->Exists(&exists)) || exists == VARIANT_FALSE) return E_FAIL;
    return S_OK;
  }
  HRESULT SetAsNewDefaultEnvironment() override {
    std::lock_guard<std::mutex> lock(g_defaultLock);
    DefaultSettings() = settings_;
    return S_OK;
  }

 private:
  Settings settings_;
};

}  // namespace

HRESULT CreateRasterAnalysisObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterAnalysis>(outer, riid, ppv);
}

void ResetDefaultRasterAnalysisEnvironment() {
  std::lock_guard<std::mutex> lock(g_defaultLock);
  DefaultSettings() = Settings();
}

}  // namespace velk::host
