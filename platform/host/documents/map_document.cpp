#include "platform/host/documents/map_document.h"

namespace velk::host {

HRESULT MapDocument::FinalConstruct() {
  VELK_TRY
  maps_.push_back(MakeObjectPtr<Map, IMap>());
  layout_ = MakeObjectPtr<PageLayout, IPageLayout>();
  layout_.Query<IActiveView>()->put_FocusMap(maps_[0].get());
  stack_ = MakeObjectPtr<OperationStack, IOperationStack>();
  contents_ = MakeObjectPtr<ContentsView, IContentsView>();
  return S_OK;
  VELK_CATCH
}

HRESULT MapDocument::get_FocusMap(IMap** map) {
  if (!map) return E_POINTER;
  return maps_[focus_].CopyTo(map);
}

HRESULT MapDocument::put_FocusMap(IMap* map) {
  if (!map) return E_POINTER;
  std::size_t i = 0;
  while (i < maps_.size() && !IsSameObject(maps_[i].get(), map)) ++i;
  if (i == maps_.size()) {
    maps_.emplace_back(map);
    if (auto* m = dynamic_cast<Map*>(map)) m->SetObserver(observer_);
  }
  focus_ = i;
  return layout_.Query<IActiveView>()->put_FocusMap(map);
}

HRESULT MapDocument::get_MapCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(maps_.size());
  return S_OK;
}

HRESULT MapDocument::get_Map(LONG index, IMap** map) {
  if (!map) return E_POINTER;
  *map = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= maps_.size()) return E_INVALIDARG;
  return maps_[static_cast<std::size_t>(index)].CopyTo(map);
}

HRESULT MapDocument::get_ActiveView(IActiveView** view) {
  if (!view) return E_POINTER;
  *view = nullptr;
  IUnknown* source =
      viewKind_ == kLayoutView ? static_cast<IUnknown*>(layout_.get()) : maps_[focus_].get();
  return source->QueryInterface(IidOf<IActiveView>(), reinterpret_cast<void**>(view));
}

HRESULT MapDocument::get_PageLayout(IPageLayout** layout) { return layout_.CopyTo(layout); }

HRESULT MapDocument::get_OperationStack(IOperationStack** stack) { return stack_.CopyTo(stack); }

HRESULT MapDocument::get_ActiveViewKind(LONG* kind) {
  if (!kind) return E_POINTER;
  *kind = viewKind_;
  return S_OK;
}

HRESULT MapDocument::put_ActiveViewKind(LONG kind) {
  if (kind != kDataView && kind != kLayoutView) return E_INVALIDARG;
  viewKind_ = kind;
  return S_OK;
}

void MapDocument::SetMapObserver(MapObserver* observer) {
  observer_ = observer;
  for (auto& m : maps_)
    if (auto* map = dynamic_cast<Map*>(m.get())) map->SetObserver(observer);
}

}  // namespace velk::host
