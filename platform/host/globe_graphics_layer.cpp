#include "platform/host/globe_graphics_layer.h"

#include <vector>

#include "platform/host/graphics_objects.h"
#include "platform/host/layer.h"
#include "platform/host/layer_kinds.h"
#include "platform/host/layer_visibility.h"

namespace velk::host {
namespace {

class GlobeGraphicsLayer
    : public ComObjectRoot<GlobeGraphicsLayer, ILayer, IGraphicsContainer, IGraphicsLayer,
                           IGraphicsSelection, ISceneVisibility, IGraphicsVisibility> {
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
    if (hr == S_OK) Unselect(e);
    return hr;
  }
  HRESULT DeleteAllElements() override {
    selected_.clear();
    return graphics_.DeleteAllElements();
  }
  HRESULT Reset() override { return graphics_.Reset(); }
  HRESULT Next(IElement** e) override { return graphics_.Next(e); }
  HRESULT get_ElementCount(LONG* n) override { return graphics_.get_ElementCount(n); }

  // IGraphicsLayer
  HRESULT get_Active(VARIANT_BOOL* active) override {
    return Out(active, active_ ? VARIANT_TRUE : VARIANT_FALSE);
  }

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
  template <class T>
  static HRESULT Out(T* out, T v) {
    if (!out) return E_POINTER;
    *out = v;
    return S_OK;
  }
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
  VARIANT_BOOL sceneVisible_ = VARIANT_TRUE;
  VARIANT_BOOL graphicsVisible_ = VARIANT_TRUE;
  bool active_ = true;
};

}  // namespace

HRESULT CreateGlobeGraphicsLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GlobeGraphicsLayer>(outer, riid, ppv);
}

}  // namespace velk::host
