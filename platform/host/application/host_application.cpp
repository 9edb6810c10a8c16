#include "platform/host/application/host_application.h"

#include "platform/host/documents/catalog_document.h"
#include "platform/host/shell/command.h"
#include "platform/host/documents/globe_document.h"
#include "platform/host/documents/map_document.h"

namespace velk::host {
namespace {

template <class D>
DocumentBase* MakeDocument(ComPtr<IDocument>& out) {
  ComObject<D>* d = nullptr;
  Check(ComObject<D>::Create(&d));
  out = ComPtr<IDocument>::Attach(static_cast<IDocument*>(d));
  return d;
}

}  // namespace

const wchar_t* HostKindName(HostKind kind) {
  switch (kind) {
    case HostKind::Map: return L"Trevik";
    case HostKind::Globe: return L"Kuvalo";
    case HostKind::Catalog: return L"Catalog";
  }
  return L"";
}

HRESULT Application::Init(HostKind kind, HWND mainWindow) {
  VELK_TRY
  kind_ = kind;
  window_ = mainWindow;
  switch (kind) {
    case HostKind::Map: documentBase_ = MakeDocument<MapDocument>(document_); break;
    case HostKind::Globe: documentBase_ = MakeDocument<GlobeDocument>(document_); break;
    case HostKind::Catalog: documentBase_ = MakeDocument<CatalogDocument>(document_); break;
  }
  documentBase_->SetParent(this);
  dockables_.SetOuter(static_cast<IApplication*>(this));
  graphWindows_.SetOuter(static_cast<IApplication*>(this));
  catalog_.SetOuter(static_cast<IApplication*>(this));
  statusBar_ = MakeObjectPtr<StatusBar, IStatusBar>();
  return S_OK;
  VELK_CATCH
}

HRESULT Application::QueryExtra(REFIID riid, void** ppv) {
  if (riid == IidOf<IDockableWindowManager>()) {
    *ppv = static_cast<IDockableWindowManager*>(&dockables_);
    static_cast<IApplication*>(this)->AddRef();
    return S_OK;
  }
  if (riid == IidOf<ICatalogApplication>() && kind_ == HostKind::Catalog) {
    *ppv = static_cast<ICatalogApplication*>(&catalog_);
    static_cast<IApplication*>(this)->AddRef();
    return S_OK;
  }
  if (riid == IidOf<IGraphWindows>()) {
    *ppv = static_cast<IGraphWindows*>(&graphWindows_);
    static_cast<IApplication*>(this)->AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT Application::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = AllocBstr(HostKindName(kind_));
  return S_OK;
}

HRESULT Application::get_hWnd(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}

HRESULT Application::put_CurrentTool(ICommandItem* tool) {
  VELK_TRY
  if (currentTool_ && !IsSameObject(currentTool_.get(), tool)) {
    ComPtr<IUnknown> command;
    currentTool_->get_Command(command.put());
    if (auto t = QueryAs<ITool>(command.get())) {
      VARIANT_BOOL may = VARIANT_TRUE;
      if (SUCCEEDED(t->Deactivate(&may)) && may == VARIANT_FALSE) return S_FALSE;
    }
  }
  currentTool_ = tool;
  return S_OK;
  VELK_CATCH
}

void Application::Shutdown() {
  dockables_.DestroyAll();
  graphWindows_.Clear();
  catalog_.Clear();
  currentTool_.Reset();
  if (documentBase_) {
    documentBase_->Bars().Clear();
    documentBase_->SetParent(nullptr);
  }
}

ComPtr<Application> MakeApplication(HostKind kind, HWND mainWindow) {
  ComObject<Application>* app = nullptr;
  Check(ComObject<Application>::Create(&app));
  auto result = ComPtr<Application>::Attach(app);
  Check(app->Init(kind, mainWindow));
  return result;
}

}  // namespace velk::host
