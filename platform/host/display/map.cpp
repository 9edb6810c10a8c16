#include "platform/host/display/map.h"

#include <algorithm>

#include "platform/com/enum_list.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/uid.h"
#include "platform/com/answers.h"

namespace velk::host {
namespace {

// Any layer answers a null interface.
bool Answers(ILayer* layer, const IID* iid) { return !iid || velk::Answers(layer, *iid); }

void Collect(ILayer* layer, const IID* iid, bool recursive, std::vector<ComPtr<ILayer>>& out,
             int depth) {
  if (Answers(layer, iid)) out.emplace_back(layer);
  if (!recursive || depth > 64) return;  // a group that holds itself must not loop forever
  auto group = QueryAs<ICompositeLayer>(layer);
  if (!group) return;
  LONG n = 0;
  if (FAILED(group->get_Count(&n))) return;
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> child;
    if (SUCCEEDED(group->get_Layer(i, child.put())) && child)
      Collect(child.get(), iid, recursive, out, depth + 1);
  }
}

}  // namespace

HRESULT LayerList::Count(LONG* count) const {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(layers_.size());
  return S_OK;
}

HRESULT LayerList::At(LONG index, ILayer** layer) const {
  if (!layer) return E_POINTER;
  *layer = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= layers_.size()) return E_INVALIDARG;
  return layers_[static_cast<std::size_t>(index)].CopyTo(layer);
}

HRESULT LayerList::Add(ILayer* layer) {
  if (!layer) return E_POINTER;
  for (const auto& l : layers_)
    if (IsSameObject(l.get(), layer)) return S_FALSE;
  layers_.insert(layers_.begin(), ComPtr<ILayer>(layer));
  if (observer_) observer_->LayerAdded(layer);
  return S_OK;
}

HRESULT LayerList::Insert(ILayer* layer, LONG index) {
  if (!layer) return E_POINTER;
  if (index < 0) return E_INVALIDARG;
  for (const auto& l : layers_)
    if (IsSameObject(l.get(), layer)) return S_FALSE;
  const auto at = std::min<std::size_t>(static_cast<std::size_t>(index), layers_.size());
  layers_.insert(layers_.begin() + at, ComPtr<ILayer>(layer));
  if (observer_) observer_->LayerAdded(layer);
  return S_OK;
}

HRESULT LayerList::Delete(ILayer* layer) {
  if (!layer) return E_POINTER;
  auto it = std::find_if(layers_.begin(), layers_.end(),
                         [&](const ComPtr<ILayer>& l) { return IsSameObject(l.get(), layer); });
  if (it == layers_.end()) return S_FALSE;
  ComPtr<ILayer> keep = *it;  // alive while the observer hears of it
  layers_.erase(it);
  if (observer_) observer_->LayerDeleted(keep.get());
  return S_OK;
}

HRESULT LayerList::Clear() {
  layers_.clear();
  if (observer_) observer_->LayersCleared();
  return S_OK;
}

HRESULT LayerList::Enumerate(IUID* uid, VARIANT_BOOL recursive, IEnumLayer** layers) const {
  if (!layers) return E_POINTER;
  *layers = nullptr;
  IID iid{};
  if (uid && !UidAsGuid(uid, iid)) return E_INVALIDARG;
  VELK_TRY
  std::vector<ComPtr<ILayer>> found;
  for (const auto& l : layers_)
    Collect(l.get(), uid ? &iid : nullptr, recursive != VARIANT_FALSE, found, 0);
  // A snapshot: layers added or removed later do not change it.
  *layers = MakeListEnum<IEnumLayer, ILayer>(std::move(found)).Detach();
  return S_OK;
  VELK_CATCH
}

HRESULT Map::QueryExtra(REFIID riid, void** ppv) {
  if (riid == IidOf<IBasicMap>()) {
    *ppv = static_cast<IBasicMap*>(static_cast<IMap*>(this));
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT Map::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = name_.Copy();
  return S_OK;
}

HRESULT Map::put_Name(BSTR name) {
  name_ = Bstr(BstrToWstring(name));
  return S_OK;
}

HRESULT Map::get_SpatialReference(IUnknown** spatialReference) {
  return spatialReference_.CopyTo(spatialReference);
}

HRESULT Map::put_SpatialReference(IUnknown* spatialReference) {
  spatialReference_ = spatialReference;
  display_.SetSpatialReference(spatialReference);
  return S_OK;
}

HRESULT Map::get_MapScale(double* scale) {
  if (!scale) return E_POINTER;
  *scale = scale_;
  return S_OK;
}

HRESULT Map::put_MapScale(double scale) {
  if (!(scale >= 0.0)) return E_INVALIDARG;  // negative or NaN
  scale_ = scale;
  return S_OK;
}

HRESULT Map::get_FocusMap(IMap** map) {
  if (!map) return E_POINTER;
  *map = static_cast<IMap*>(this);
  (*map)->AddRef();
  return S_OK;
}

HRESULT Map::put_FocusMap(IMap*) { return E_NOTIMPL; }

HRESULT Map::Refresh() {
  ++refreshes_;
  return S_OK;
}

HRESULT CreateMap(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Map>(outer, riid, ppv);
}

HRESULT Map::InsertLayerInGroup(IUnknown* group, ILayer* layer, VARIANT_BOOL, LONG index) {
  if (!layer) return E_POINTER;
  auto order = QueryAs<IGroupLayerOrder>(group);
  if (!order) return E_INVALIDARG;
  return order->InsertAt(layer, index);
}

}  // namespace velk::host
