#include "platform/productline/zel_extension.h"

#include "platform/host/documents/globe_document.h"
#include "platform/host/application/host_application.h"
#include "platform/host/documents/map_document.h"
#include "platform/productline/tarvos_environment.h"

namespace velk::productline {

HRESULT ZelExtension::FinalConstruct() {
  VELK_TRY
  settings_ = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  return S_OK;
  VELK_CATCH
}

void ZelExtension::FinalRelease() { Shutdown(); }

HRESULT ZelExtension::get_Settings(IZelSettings** settings) { return settings_.CopyTo(settings); }

HRESULT ZelExtension::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = AllocBstr(L"Tarvos");
  return S_OK;
}

void ZelExtension::Relay(IDocument* document, host::MapObserver* observer) {
  if (auto* map = dynamic_cast<host::MapDocument*>(document))
    map->SetMapObserver(observer);
  else if (auto* globe = dynamic_cast<host::GlobeDocument*>(document))
    globe->SetMapObserver(observer);
}

HRESULT ZelExtension::Startup(VARIANT* initData) {
  VELK_TRY
  Shutdown();
  if (!initData || (initData->vt != VT_UNKNOWN && initData->vt != VT_DISPATCH) ||
      !initData->punkVal)
    return S_OK;
  auto app = QueryAs<IApplication>(initData->punkVal);
  if (!app) return S_OK;
  Check(app->get_Document(document_.put()));
  Relay(document_.get(), this);
  return S_OK;
  VELK_CATCH
}

HRESULT ZelExtension::Shutdown() {
  if (document_) {
    Relay(document_.get(), nullptr);
    document_.Reset();
  }
  // An unloaded extension lets its event sinks go; a sink that holds the extension would
  // otherwise keep both alive for good.
  if (ConnectionPoint* p = PointOf<IZelExtensionEvents>()) {
    for (auto& [cookie, sink] : p->Connections()) p->Unadvise(cookie);
  }
  return S_OK;
}

HRESULT ZelExtension::get_ProductName(BSTR* name) { return get_Name(name); }

HRESULT ZelExtension::get_Description(BSTR* description) {
  if (!description) return E_POINTER;
  *description = AllocBstr(L"Tarvos analysis extension");
  return S_OK;
}

HRESULT ZelExtension::get_State(LONG* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

HRESULT ZelExtension::put_State(LONG state) {
  state_ = state;
  return S_OK;
}

HRESULT ZelExtension::FireEvent(LONG dispid) {
  using E = IZelExtensionEvents;
  HRESULT (E::*method)() = nullptr;
  switch (dispid) {
    case kZelTestEvent: method = &E::TestEvent; break;
    case kZelContentsChanged: method = &E::ContentsChanged; break;
    case kZelContentsCleared: method = &E::ContentsCleared; break;
    case kZelSelectionChanged: method = &E::SelectionChanged; break;
    case kZelFocusMapChanged: method = &E::FocusMapChanged; break;
    case kZelSpatialReferenceChanged: method = &E::SpatialReferenceChanged; break;
    case kZelActiveViewChanged: method = &E::ActiveViewChanged; break;
    case kZelMapsChanged: method = &E::MapsChanged; break;
    case kZelNewDocument: method = &E::NewDocument; break;
    case kZelOpenDocument: method = &E::OpenDocument; break;
    case kZelCloseDocument: method = &E::CloseDocument; break;
    default: return E_INVALIDARG;
  }
  return Fire<E>([&](E* sink) { return (sink->*method)(); });
}

HRESULT ZelExtension::FireItemEvent(LONG dispid, VARIANT item, LONG toIndex) {
  using E = IZelExtensionEvents;
  switch (dispid) {
    case kZelItemAdded: return Fire<E>([&](E* sink) { return sink->ItemAdded(item); });
    case kZelItemDeleted: return Fire<E>([&](E* sink) { return sink->ItemDeleted(item); });
    case kZelItemReordered:
      return Fire<E>([&](E* sink) { return sink->ItemReordered(item, toIndex); });
    default: return E_INVALIDARG;
  }
}

HRESULT ZelExtension::FireViewRefreshed(IActiveView* view, LONG phase, VARIANT data,
                                        IUnknown* envelope) {
  return Fire<IZelExtensionEvents>(
      [&](IZelExtensionEvents* sink) { return sink->ViewRefreshed(view, phase, data, envelope); });
}

HRESULT ZelExtension::FireAfterDraw(IUnknown* display, LONG phase) {
  return Fire<IZelExtensionEvents>(
      [&](IZelExtensionEvents* sink) { return sink->AfterDraw(display, phase); });
}

HRESULT ZelExtension::FireAfterItemDraw(SHORT index, IUnknown* display, LONG phase) {
  return Fire<IZelExtensionEvents>(
      [&](IZelExtensionEvents* sink) { return sink->AfterItemDraw(index, display, phase); });
}

HRESULT ZelExtension::FireOnContextMenu(LONG x, LONG y, VARIANT_BOOL* handled) {
  if (!handled) return E_POINTER;
  *handled = VARIANT_FALSE;
  return Fire<IZelExtensionEvents>([&](IZelExtensionEvents* sink) {
    VARIANT_BOOL h = VARIANT_FALSE;
    HRESULT hr = sink->OnContextMenu(x, y, &h);
    if (SUCCEEDED(hr) && h != VARIANT_FALSE) *handled = VARIANT_TRUE;
    return hr;
  });
}

HRESULT ZelExtension::FireBeforeCloseDocument(VARIANT_BOOL* abortClose) {
  if (!abortClose) return E_POINTER;
  *abortClose = VARIANT_FALSE;
  return Fire<IZelExtensionEvents>([&](IZelExtensionEvents* sink) {
    VARIANT_BOOL a = VARIANT_FALSE;
    HRESULT hr = sink->BeforeCloseDocument(&a);
    if (SUCCEEDED(hr) && a != VARIANT_FALSE) *abortClose = VARIANT_TRUE;
    return hr;
  });
}

HRESULT ZelExtension::get_ConnectionCount(LONG* count) {
  if (!count) return E_POINTER;
  ConnectionPoint* p = PointOf<IZelExtensionEvents>();
  *count = p ? static_cast<LONG>(p->ConnectionCount()) : 0;
  return S_OK;
}

void ZelExtension::LayerAdded(ILayer* layer) {
  Variant item(static_cast<IUnknown*>(layer));
  FireItemEvent(kZelItemAdded, item, 0);
}

void ZelExtension::LayerDeleted(ILayer* layer) {
  Variant item(static_cast<IUnknown*>(layer));
  FireItemEvent(kZelItemDeleted, item, 0);
}

void ZelExtension::LayersCleared() { FireEvent(kZelContentsCleared); }

HRESULT CreateZelExtension(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ZelExtension>(outer, riid, ppv);
}

}  // namespace velk::productline
