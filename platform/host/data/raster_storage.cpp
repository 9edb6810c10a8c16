#include "platform/host/data/raster_storage.h"

#include "platform/host/geometry/spatial_reference.h"

namespace velk::host {

namespace {

class RasterStorageDef : public ComObjectRoot<RasterStorageDef, IRasterStorageDef> {
 public:
  analysis::RasterStorage values;

  HRESULT get_TileWidth(LONG* v) override { return Get(v, values.tileWidth); }
  HRESULT put_TileWidth(LONG v) override { return Put(v, 16, 4096, values.tileWidth); }
  HRESULT get_TileHeight(LONG* v) override { return Get(v, values.tileHeight); }
  HRESULT put_TileHeight(LONG v) override { return Put(v, 16, 4096, values.tileHeight); }
  HRESULT get_ResamplingType(LONG* v) override { return Get(v, values.resampling); }
  HRESULT put_ResamplingType(LONG v) override { return Put(v, 0, 2, values.resampling); }
  HRESULT get_CompressionType(LONG* v) override { return Get(v, values.compression); }
  HRESULT put_CompressionType(LONG v) override {
    return Put(v, kRasterCompressionNone, kRasterCompressionJPEG, values.compression);
  }
  HRESULT get_PyramidLevel(LONG* v) override { return Get(v, values.pyramidLevel); }
  HRESULT put_PyramidLevel(LONG v) override { return Put(v, -1, 30, values.pyramidLevel); }
  HRESULT get_CompressionQuality(LONG* v) override { return Get(v, values.quality); }
  HRESULT put_CompressionQuality(LONG v) override { return Put(v, 1, 100, values.quality); }

 private:
  static HRESULT Get(LONG* out, int value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
  static HRESULT Put(LONG v, LONG low, LONG high, int& value) {
    if (v < low || v > high) return E_INVALIDARG;
    value = static_cast<int>(v);
    return S_OK;
  }
};

class RasterDatasetDef : public ComObjectRoot<RasterDatasetDef, IRasterDatasetDef> {
 public:
  HRESULT get_SpatialReference(ISpatialReference** sr) override {
    if (!sr) return E_POINTER;
    *sr = nullptr;
    return sr_ ? sr_.CopyTo(sr) : S_OK;
  }
  HRESULT putref_SpatialReference(ISpatialReference* sr) override {
    sr_ = ComPtr<ISpatialReference>(sr);
    return S_OK;
  }

 private:
  ComPtr<ISpatialReference> sr_;
};

}  // namespace

HRESULT CreateRasterStorageDefObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterStorageDef>(outer, riid, ppv);
}
HRESULT CreateRasterDatasetDefObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterDatasetDef>(outer, riid, ppv);
}

analysis::RasterStorage StorageOf(IUnknown* storageDef) {
  analysis::RasterStorage s;
  auto def = QueryAs<IRasterStorageDef>(storageDef);
  if (!def) return s;
  LONG v = 0;
  if (SUCCEEDED(def->get_TileWidth(&v))) s.tileWidth = v;
  if (SUCCEEDED(def->get_TileHeight(&v))) s.tileHeight = v;
  if (SUCCEEDED(def->get_ResamplingType(&v))) s.resampling = v;
  if (SUCCEEDED(def->get_CompressionType(&v))) s.compression = v;
  if (SUCCEEDED(def->get_PyramidLevel(&v))) s.pyramidLevel = v;
  if (SUCCEEDED(def->get_CompressionQuality(&v))) s.quality = v;
  return s;
}

}  // namespace velk::host
