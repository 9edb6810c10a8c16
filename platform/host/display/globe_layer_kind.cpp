#include "platform/host/display/globe_layer_kind.h"

namespace velk::host {

namespace {

class GlobeLayerKind : public ComObjectRoot<GlobeLayerKind, IGlobeLayerKind> {
 public:
  HRESULT get_Kind(LONG* kind) override {
    if (!kind) return E_POINTER;
    *kind = kind_;
    return S_OK;
  }
  HRESULT put_Kind(LONG kind) override {
    if (kind < kGlobeLayerDraped || kind > kGlobeLayerFloating) return E_INVALIDARG;
    kind_ = kind;
    return S_OK;
  }

 private:
  LONG kind_ = kGlobeLayerDraped;
};

}  // namespace

HRESULT CreateGlobeLayerKindObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GlobeLayerKind>(outer, riid, ppv);
}

}  // namespace velk::host
