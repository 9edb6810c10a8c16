#include "platform/productline/geosym_renderer.h"

#include "platform/com/object.h"
#include "platform/host/display/layer_kinds.h"

namespace velk::productline {
namespace {

class GeoSymRenderer : public ComObjectRoot<GeoSymRenderer, IGSGeoSymRenderer, IFeatureRenderer> {
 public:
  using IGSGeoSymRenderer::QueryInterface;
  HRESULT get_ProductID(LONG* id) override {
    if (!id) return E_POINTER;
    *id = product_;
    return S_OK;
  }
  HRESULT put_ProductID(LONG id) override {
    product_ = id;
    return S_OK;
  }
  HRESULT get_MarinerDepthContour(double* depth) override {
    if (!depth) return E_POINTER;
    *depth = mariner_;
    return S_OK;
  }
  HRESULT put_MarinerDepthContour(double depth) override {
    mariner_ = depth;
    return S_OK;
  }
  HRESULT get_ShipsSafetyDepthContour(double* depth) override {
    if (!depth) return E_POINTER;
    *depth = safety_;
    return S_OK;
  }
  HRESULT put_ShipsSafetyDepthContour(double depth) override {
    safety_ = depth;
    return S_OK;
  }

 private:
  LONG product_ = 0;
  double mariner_ = 30;
  double safety_ = 30;
};

}  // namespace

HRESULT CreateGeoSymRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GeoSymRenderer>(outer, riid, ppv);
}

}  // namespace velk::productline
