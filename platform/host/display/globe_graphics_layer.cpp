#include "platform/host/display/globe_graphics_layer.h"

#include <map>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer_visibility.h"

namespace velk::host {
namespace {

class GlobeGraphicsLayer
    : public ComObjectRoot<GlobeGraphicsLayer, ILayer, IGraphicsContainer, IGraphicsLayer,
                           IGraphicsSelection, ISceneVisibility, IGraphicsVisibility,
                           IGlobeGraphicsLayer> {
 public:
  // ILayer: its visibility is the scene visibility.
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = name_.Copy();
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = Bstr(BstrToWstring(name));
    return S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override { return get_SceneVisible(visible); }
  HRESULT put_Visible(VARIANT_BOOL visible) override { return put_SceneVisible(visible); }
  HRESULT get_Valid(VARIANT_BOOL* valid) override { return Out(valid, VARIANT_TRUE); }

  // IGraphicsContainer: deleted elements leave the selection too.
  HRESULT AddElement(IElement* e, LONG z) override { return graphics_.AddElement(e, z); }
  HRESULT DeleteElement(IElement* e) override {
    HRESULT hr = graphics_.DeleteElement(e);
    if (hr == S_OK) {
      Unselect(e);
      for (auto it = indexed_.begin(); it != indexed_.end(); ++it)
        if (IsSameObject(it->second.get(), e)) {
          indexed_.erase(it);
          break;
        }
    }
    return hr;
  }
  HRESULT DeleteAllElements() override {
    selected_.clear();
    indexed_.clear();
    return graphics_.DeleteAllElements();
  }

  // IGlobeGraphicsLayer
  HRESULT AddIndexedElement(IElement* e, IGlobeElementProperties*, LONG* index) override {
    if (!e || !index) return E_POINTER;
    HRESULT hr = graphics_.AddElement(e, 0);
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE)  // held already: it keeps its index
      for (const auto& [i, held] : indexed_)
        if (IsSameObject(held.get(), e)) return (*index = i, S_OK);
    *index = nextIndex_++;
    indexed_[*index] = e;
    return S_OK;
  }
  HRESULT UpdateElementByIndex(LONG index, IElement* e) override {
    if (!e) return E_POINTER;
    auto it = indexed_.find(index);
    if (it == indexed_.end()) return E_INVALIDARG;
    if (IsSameObject(it->second.get(), e)) return S_OK;
    ComPtr<IGeometry> g;
    e->get_Geometry(g.put());
    return it->second->put_Geometry(g.get());
  }
  HRESULT DeleteElementByIndex(LONG index) override {
    auto it = indexed_.find(index);
    if (it == indexed_.end()) return E_INVALIDARG;
    ComPtr<IElement> e = it->second;
    return DeleteElement(e.get());
  }
  HRESULT FindElementByIndex(LONG index, IElement** e) override {
    if (!e) return E_POINTER;
    *e = nullptr;
    auto it = indexed_.find(index);
    if (it == indexed_.end()) return E_INVALIDARG;
    return it->second.CopyTo(e);
  }
  HRESULT Reset() override { return graphics_.Reset(); }
  HRESULT Next(IElement** e) override { return graphics_.Next(e); }
  HRESULT get_ElementCount(LONG* n) override { return graphics_.get_ElementCount(n); }

  // IGraphicsLayer
  HRESULT get_Active(VARIANT_BOOL* active) override { return Out(active, ToVariantBool(active_)); }

  // IGraphicsSelection
  HRESULT SelectElement(IElement* element) override {
    if (!element) return E_POINTER;
    if (!graphics_.Contains(element)) return E_INVALIDARG;
    for (const auto& s : selected_)
      if (IsSameObject(s.get(), element)) return S_FALSE;
    selected_.emplace_back(element);
    return S_OK;
  }
  HRESULT get_SelectedCount(LONG* count) override {
    return Out(count, static_cast<LONG>(selected_.size()));
  }

  // ISceneVisibility
  HRESULT get_SceneVisible(VARIANT_BOOL* visible) override { return Out(visible, sceneVisible_); }
  HRESULT put_SceneVisible(VARIANT_BOOL visible) override {
    sceneVisible_ = visible;
    if (visible != VARIANT_FALSE) active_ = true;
    return S_OK;
  }
  HRESULT Deactivate() override {
    active_ = false;
    return S_OK;
  }

  // IGraphicsVisibility
  HRESULT get_GraphicsVisible(VARIANT_BOOL* visible) override {
    return Out(visible, graphicsVisible_);
  }
  HRESULT put_GraphicsVisible(VARIANT_BOOL visible) override {
    graphicsVisible_ = visible;
    return S_OK;
  }
  HRESULT UnselectAllElements() override {
    selected_.clear();
    return S_OK;
  }

 private:
  void Unselect(IElement* element) {
    for (auto it = selected_.begin(); it != selected_.end(); ++it)
      if (IsSameObject(it->get(), element)) {
        selected_.erase(it);
        return;
      }
  }

  Bstr name_{L"Globe Graphics"};
  GraphicsList graphics_;
  std::vector<ComPtr<IElement>> selected_;
  std::map<LONG, ComPtr<IElement>> indexed_;
  LONG nextIndex_ = 0;
  VARIANT_BOOL sceneVisible_ = VARIANT_TRUE;
  VARIANT_BOOL graphicsVisible_ = VARIANT_TRUE;
  bool active_ = true;
};

class GlobeElementProperties
    : public ComObjectRoot<GlobeElementProperties, IGlobeElementProperties> {
 public:
  HRESULT get_DrapeElement(VARIANT_BOOL* drape) override {
    if (!drape) return E_POINTER;
    *drape = drape_;
    return S_OK;
  }
  HRESULT put_DrapeElement(VARIANT_BOOL drape) override {
    drape_ = ToVariantBool(drape);
    return S_OK;
  }
  HRESULT get_MaxViewDistance(double* km) override {
    if (!km) return E_POINTER;
    *km = maxDistance_;
    return S_OK;
  }
  HRESULT put_MaxViewDistance(double km) override {
    if (!(km > 0.0)) return E_INVALIDARG;
    maxDistance_ = km;
    return S_OK;
  }

 private:
  VARIANT_BOOL drape_ = VARIANT_FALSE;
  double maxDistance_ = 100000.0;
};

}  // namespace

HRESULT CreateGlobeElementPropertiesObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GlobeElementProperties>(outer, riid, ppv);
}

HRESULT CreateGlobeGraphicsLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GlobeGraphicsLayer>(outer, riid, ppv);
}

}  // namespace velk::host
