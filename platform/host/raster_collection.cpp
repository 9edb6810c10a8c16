#include "platform/host/raster_collection.h"

#include <vector>

#include "platform/host/geometry.h"
#include "platform/host/raster.h"

namespace velk::host {
namespace {

class RasterCollection : public ComObjectRoot<RasterCollection, IRasterCollection> {
 public:
  HRESULT get_RasterCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(rasters_.size());
    return S_OK;
  }
  HRESULT get_Raster(LONG index, IRaster** raster) override {
    if (!raster) return E_POINTER;
    *raster = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= rasters_.size()) return E_INVALIDARG;
    return rasters_[static_cast<std::size_t>(index)].CopyTo(raster);
  }
  HRESULT Append(IRaster* raster) override {
    if (!raster) return E_POINTER;
    rasters_.emplace_back(raster);
    return S_OK;
  }
  HRESULT get_Extent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    return extent_ ? extent_->get_Envelope(extent) : S_OK;
  }
  HRESULT putref_Extent(IEnvelope* extent) override {
    if (!extent) {
      extent_.Reset();
      return S_OK;
    }
    VARIANT_BOOL empty = VARIANT_TRUE;
    if (FAILED(extent->get_IsEmpty(&empty)) || empty) return E_INVALIDARG;
    ComPtr<IEnvelope> copy;
    HRESULT hr = extent->get_Envelope(copy.put());
    if (FAILED(hr)) return hr;
    extent_ = copy;
    return S_OK;
  }

 private:
  std::vector<ComPtr<IRaster>> rasters_;
  ComPtr<IEnvelope> extent_;
};

}  // namespace

HRESULT CreateRasterCollectionObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterCollection>(outer, riid, ppv);
}

}  // namespace velk::host
