#include "framework/hook_struct.h"

namespace velk::corvane {
namespace {

// Takes the object as basic map into out (empty when it does not answer).
template <class M>
void AsBasicMap(const ComPtr<M>& object, IBasicMap** out) {
  if (object) object->QueryInterface(IidOf<IBasicMap>(), reinterpret_cast<void**>(out));
}

ComPtr<IDocument> DocumentOf(IApplication* app) {
  ComPtr<IDocument> doc;
  app->get_Document(doc.put());  // the result is not tested: an empty document tells
  return doc;
}

}  // namespace

HRESULT HookStructImpl::SetHook(IUnknown* hook) {
  if (!hook) return E_POINTER;
  auto bar = QueryAs<ICommandBarHook>(hook);
  auto map = QueryAs<IMapViewHook>(hook);
  auto page = QueryAs<IPageViewHook>(hook);
  auto globe = QueryAs<IGlobeViewHook>(hook);
  if (bar) {
    BarHook = bar;
    ComPtr<IUnknown> buddy;
    bar->get_Buddy(buddy.put());
    if (buddy) {
      if (auto m = QueryAs<IMapViewHook>(buddy.get())) MapHook = m;
      if (auto p = QueryAs<IPageViewHook>(buddy.get())) PageHook = p;
      if (auto g = QueryAs<IGlobeViewHook>(buddy.get())) GlobeHook = g;
    }
  } else if (map) {
    MapHook = map;
  } else if (page) {
    PageHook = page;
  } else if (globe) {
    GlobeHook = globe;
  } else if (auto app = QueryAs<IApplication>(hook)) {
    Application = app;
  }
  return S_OK;
}

HRESULT HookStructImpl::GetBasicFocusMap(IBasicMap** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (GlobeHook) {
    ComPtr<IGlobe> globe;
    HRESULT hr = GlobeHook->get_Globe(globe.put());
    if (SUCCEEDED(hr)) AsBasicMap(globe, out);
    return hr;
  }
  if (MapHook) {
    ComPtr<IMap> map;
    HRESULT hr = MapHook->get_Map(map.put());
    if (SUCCEEDED(hr)) AsBasicMap(map, out);
    return hr;
  }
  if (PageHook) {
    ComPtr<IActiveView> view;
    PageHook->get_ActiveView(view.put());
    if (view) {
      ComPtr<IMap> map;
      HRESULT hr = view->get_FocusMap(map.put());
      if (SUCCEEDED(hr)) AsBasicMap(map, out);
      return hr;
    }
  }
  if (Application) {
    ComPtr<IDocument> doc = DocumentOf(Application.get());
    if (auto mapDoc = QueryAs<IMapDocument>(doc.get())) {
      ComPtr<IMap> map;
      HRESULT hr = mapDoc->get_FocusMap(map.put());
      if (SUCCEEDED(hr)) AsBasicMap(map, out);
      return hr;
    }
    if (auto globeDoc = QueryAs<IGlobeDocument>(doc.get())) {
      ComPtr<IGlobe> globe;
      HRESULT hr = globeDoc->get_Globe(globe.put());
      if (SUCCEEDED(hr)) AsBasicMap(globe, out);
      return hr;
    }
    return E_FAIL;
  }
  return E_FAIL;
}

HRESULT HookStructImpl::GetFocusMap(IMap** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (MapHook) return MapHook->get_Map(out);
  if (PageHook) {
    ComPtr<IActiveView> view;
    PageHook->get_ActiveView(view.put());
    if (view) return view->get_FocusMap(out);
  }
  if (Application) {
    ComPtr<IDocument> doc = DocumentOf(Application.get());
    if (auto mapDoc = QueryAs<IMapDocument>(doc.get())) return mapDoc->get_FocusMap(out);
  }
  return E_FAIL;
}

HRESULT HookStructImpl::GetActiveView(IActiveView** out) {
  if (!out) return E_POINTER;
  if (MapHook) return MapHook->get_ActiveView(out);
  if (PageHook) return PageHook->get_ActiveView(out);
  if (GlobeHook) return S_FALSE;
  if (Application) {
    ComPtr<IDocument> doc = DocumentOf(Application.get());
    if (auto mapDoc = QueryAs<IMapDocument>(doc.get())) return mapDoc->get_ActiveView(out);
  }
  return E_FAIL;
}

HRESULT HookStructImpl::GetApplicationObject(IStatusBar** out) {
  if (!out) return E_POINTER;
  if (!Application) return E_NOTIMPL;
  Application->get_StatusBar(out);
  return S_OK;
}

HRESULT HookStructImpl::GetGlobe(IGlobe** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (GlobeHook) return GlobeHook->get_Globe(out);
  if (Application) {
    ComPtr<IDocument> doc = DocumentOf(Application.get());
    if (auto globeDoc = QueryAs<IGlobeDocument>(doc.get())) return globeDoc->get_Globe(out);
  }
  return E_NOTIMPL;
}

HRESULT HookStructImpl::ForwardToMapDocument(LONG value) {
  if (!Application) return E_FAIL;
  ComPtr<IDocument> doc = DocumentOf(Application.get());
  auto mapDoc = QueryAs<IMapDocument>(doc.get());
  if (!mapDoc) return E_FAIL;
  return mapDoc->put_ActiveViewKind(value);
}

HRESULT HookStructImpl::GetMapHook(IMapViewHook** out) {
  // Every caller passes an out; a null one is refused rather than written through.
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!MapHook) return S_FALSE;
  return MapHook->QueryInterface(IidOf<IMapViewHook>(), reinterpret_cast<void**>(out));
}

HRESULT HookStructImpl::GetOperationStack(IOperationStack** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  HRESULT hr = E_FAIL;
  if (Application) {
    ComPtr<IDocument> doc;
    hr = Application->get_Document(doc.put());
    if (doc) {
      ComPtr<IMapDocument> mapDoc;
      HRESULT qhr = doc->QueryInterface(IidOf<IMapDocument>(), mapDoc.put_void());
      if (FAILED(qhr) && qhr != E_NOINTERFACE) ThrowComError(qhr);
      if (mapDoc) hr = mapDoc->get_OperationStack(out);
    }
  }
  if (!*out && BarHook) hr = BarHook->get_OperationStack(out);
  if (!*out && SUCCEEDED(hr)) hr = E_FAIL;
  return hr;
}

HWND HookStructImpl::GetWindowHandle() {
  HWND window = nullptr;
  if (MapHook) {
    MapHook->get_hWnd(&window);
    return window;
  }
  if (Application) {
    Application->get_hWnd(&window);
    return window;
  }
  return nullptr;
}

HRESULT HookStructImpl::GetApplication(IApplication** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!Application) return S_OK;
  return Application->QueryInterface(IidOf<IApplication>(), reinterpret_cast<void**>(out));
}

}  // namespace velk::corvane
