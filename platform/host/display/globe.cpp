#include "platform/host/display/globe.h"

#include "platform/host/display/globe_display.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {

HRESULT Globe::FinalConstruct() {
  VELK_TRY
  spatialReference_ = SpatialReferenceFromCode(4326);
  return S_OK;
  VELK_CATCH
}

HRESULT Globe::QueryExtra(REFIID riid, void** ppv) {
  if (riid == IidOf<IBasicMap>()) {
    *ppv = static_cast<IBasicMap*>(this);
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT Globe::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = name_.Copy();
  return S_OK;
}

HRESULT Globe::put_Name(BSTR name) {
  name_ = Bstr(BstrToWstring(name));
  return S_OK;
}

HRESULT Globe::get_SpatialReference(IUnknown** spatialReference) {
  return spatialReference_.CopyTo(spatialReference);
}

HRESULT Globe::put_SpatialReference(IUnknown* spatialReference) {
  spatialReference_ = spatialReference;
  return S_OK;
}

HRESULT Globe::get_VerticalExaggeration(double* factor) {
  if (!factor) return E_POINTER;
  *factor = exaggeration_;
  return S_OK;
}

HRESULT Globe::put_VerticalExaggeration(double factor) {
  if (!(factor > 0.0)) return E_INVALIDARG;
  exaggeration_ = factor;
  return S_OK;
}

HRESULT Globe::get_GlobeDisplay(IGlobeDisplay** display) {
  if (!display) return E_POINTER;
  *display = display_;
  if (display_) display_->AddRef();
  return S_OK;
}

HRESULT GlobeViewer::FinalConstruct() {
  VELK_TRY
  camera_ = NewGlobeCamera();
  return S_OK;
  VELK_CATCH
}

HRESULT GlobeViewer::get_Camera(ICamera** camera) { return camera_.CopyTo(camera); }

HRESULT GlobeViewer::get_hWnd(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}

HRESULT CreateGlobe(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Globe>(outer, riid, ppv);
}

}  // namespace velk::host
