#include "platform/host/raster_catalog_layer.h"

#include <vector>

#include "platform/com/bstr.h"
#include "platform/host/dataset.h"
#include "platform/host/feature_class.h"
#include "platform/host/geometry_objects.h"
#include "platform/host/layer.h"
#include "platform/host/layer_kinds.h"
#include "platform/host/table.h"

namespace velk::host {
namespace {

VARIANT_BOOL VB(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

class RasterStretchRenderer : public ComObjectRoot<RasterStretchRenderer, IRasterStretchRenderer> {
 public:
  HRESULT get_UseCustomStatistics(VARIANT_BOOL* custom) override {
    if (!custom) return E_POINTER;
    *custom = VB(custom_);
    return S_OK;
  }
  HRESULT put_UseCustomStatistics(VARIANT_BOOL custom) override {
    custom_ = custom != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Minimum(double* value) override {
    if (!value) return E_POINTER;
    *value = minimum_;
    return S_OK;
  }
  HRESULT put_Minimum(double value) override {
    minimum_ = value;
    return S_OK;
  }
  HRESULT get_Maximum(double* value) override {
    if (!value) return E_POINTER;
    *value = maximum_;
    return S_OK;
  }
  HRESULT put_Maximum(double value) override {
    maximum_ = value;
    return S_OK;
  }

 private:
  bool custom_ = false;
  double minimum_ = 0;
  double maximum_ = 0;
};

class RasterCatalogLayer : public ComObjectRoot<RasterCatalogLayer, ILayer, ILayerExtent,
                                                IRasterCatalogLayer, IFeatureLayerDefinition> {
 public:
  using ILayer::QueryInterface;
  HRESULT FinalConstruct() {
    ComPtr<IUnknown> stretch;
    HRESULT hr =
        CreateInstance<RasterStretchRenderer>(nullptr, IidOf<IUnknown>(), stretch.put_void());
    if (SUCCEEDED(hr)) renderers_.push_back(stretch);
    return hr;
  }

  // ILayer
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override {
    if (!visible) return E_POINTER;
    *visible = VB(visible_);
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    if (!valid) return E_POINTER;
    *valid = VB(table_ != nullptr);
    return S_OK;
  }
  HRESULT get_AreaOfInterest(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    ComPtr<IEnvelope> e;
    if (auto geo = table_.As<IGeoDataset>()) geo->get_Extent(e.put());
    *extent = (e ? e : NewEnvelope()).Detach();
    return S_OK;
  }

  // IRasterCatalogLayer
  HRESULT Setup(ITable* table, VARIANT_BOOL* isSuccessful) override {
    if (!isSuccessful) return E_POINTER;
    *isSuccessful = VARIANT_FALSE;
    if (!table) return E_INVALIDARG;
    ComPtr<IFeatureClass> features;
    if (FAILED(table->QueryInterface(IidOf<IFeatureClass>(), features.put_void())) || !features)
      return S_OK;
    LONG index = -1;
    if (FAILED(table->FindField(Bstr(pathField_), &index)) || index < 0) return S_OK;
    table_ = table;
    if (name_.empty()) {
      Bstr n;
      if (auto ds = QueryAs<IDataset>(table); ds && SUCCEEDED(ds->get_Name(&n))) name_ = n.str();
    }
    *isSuccessful = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_Table(ITable** table) override { return table_.CopyTo(table); }
  HRESULT get_RasterPathField(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(pathField_);
    return S_OK;
  }
  HRESULT put_RasterPathField(BSTR name) override {
    if (SysStringLen(name) == 0) return E_INVALIDARG;
    pathField_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_ResamplingType(LONG* kind) override {
    if (!kind) return E_POINTER;
    *kind = resampling_;
    return S_OK;
  }
  HRESULT put_ResamplingType(LONG kind) override {
    if (kind < 0 || kind > 2) return E_INVALIDARG;
    resampling_ = kind;
    return S_OK;
  }
  HRESULT get_RendererCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(renderers_.size());
    return S_OK;
  }
  HRESULT get_Renderer(LONG index, IUnknown** renderer) override {
    if (!renderer) return E_POINTER;
    *renderer = nullptr;
    if (index < 0 || index >= static_cast<LONG>(renderers_.size())) return E_INVALIDARG;
    return renderers_[static_cast<std::size_t>(index)].CopyTo(renderer);
  }
  HRESULT AddRenderer(IUnknown* renderer) override {
    if (!renderer) return E_INVALIDARG;
    renderers_.emplace_back(renderer);
    return S_OK;
  }
  HRESULT ClearRenderers() override {
    renderers_.clear();
    return S_OK;
  }

  // IFeatureLayerDefinition
  HRESULT get_DefinitionExpression(BSTR* expression) override {
    if (!expression) return E_POINTER;
    *expression = AllocBstr(definition_);
    return S_OK;
  }
  HRESULT put_DefinitionExpression(BSTR expression) override {
    definition_ = BstrToWstring(expression);
    return S_OK;
  }

 private:
  std::wstring name_;
  bool visible_ = true;
  ComPtr<ITable> table_;
  std::wstring pathField_ = L"FULL_NAME";
  LONG resampling_ = 0;
  std::vector<ComPtr<IUnknown>> renderers_;
  std::wstring definition_;
};

}  // namespace

HRESULT CreateRasterCatalogLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterCatalogLayer>(outer, riid, ppv);
}
HRESULT CreateRasterStretchRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterStretchRenderer>(outer, riid, ppv);
}

}  // namespace velk::host
