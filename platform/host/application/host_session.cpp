#include "platform/host/application/host_session.h"

#include "platform/com/hresult_text.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/application/editor.h"
#include "platform/host/display/globe.h"
#include "platform/host/shell/host_extension.h"
#include "platform/host/display/map.h"
#include "platform/host/display/operation_stack.h"
#include "platform/host/data/raster_analysis_environment.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"

namespace velk::host {
namespace {

HostSession* g_current = nullptr;

}  // namespace

std::vector<DWORD> RegisterHostClasses() {
  std::vector<DWORD> cookies = {
      RegisterProcessClass(CLSID_Map, &CreateMap),
      RegisterProcessClass(CLSID_Globe, &CreateGlobe),
      RegisterProcessClass(CLSID_UID, &CreateUID),
      RegisterProcessClass(CLSID_OperationStack, &CreateOperationStack),
      RegisterProcessClass(CLSID_CancelTracker, &CreateCancelTrackerObject),
      RegisterProcessClass(CLSID_ExtensionManager, &CreateExtensionManager),
      RegisterProcessClass(CLSID_AppRef, &CreateAppRef),
  };
  for (DWORD c : RegisterHostDataClasses()) cookies.push_back(c);  // data, layers, graphics
  return cookies;
}

HostSession* HostSession::Current() { return g_current; }

HRESULT CreateAppRef(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!g_current || !g_current->Hook()) return E_FAIL;
  return g_current->Hook()->QueryInterface(riid, ppv);
}

std::unique_ptr<HostSession> HostSession::Start(const HostSessionOptions& options,
                                                std::wstring* error) {
  auto fail = [&](const std::wstring& why) -> std::unique_ptr<HostSession> {
    if (error) *error = why;
    return nullptr;
  };
  if (g_current) return fail(L"a host session is already running");
  std::unique_ptr<HostSession> s(new HostSession());
  ResetDefaultRasterAnalysisEnvironment();  // each run of the host starts from the first default
  try {
    s->app_ = MakeApplication(options.kind, options.mainWindow);
    ComObject<ExtensionManager>* manager = nullptr;
    Check(ComObject<ExtensionManager>::Create(&manager));
    s->manager_ = ComPtr<ExtensionManager>::Attach(manager);
    s->classCookies_ = RegisterHostClasses();
    SetCurrentExtensionManager(manager);
    g_current = s.get();

    IUnknown* app = s->app_.get();
    Check(manager->Load(MakeHostExtension(L"Quentara", options.quentaraState).get(), CLSID_Quentara,
                        app));
    Check(manager->Load(MakeHostExtension(L"Sorrelin", options.sorrelinState).get(), CLSID_Sorrelin,
                        app));
    Check(manager->Load(MakeEditor().get(), CLSID_Editor, app));
    for (const CLSID& clsid : options.extensions) {
      ComPtr<IExtension> extension;
      HRESULT hr =
          CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<IExtension>(), extension.put_void());
      if (FAILED(hr))
        return fail(L"cannot create extension " + GuidToString(clsid) + L": " + HresultText(hr));
      hr = manager->Load(extension.get(), clsid, app);
      if (FAILED(hr))
        return fail(L"extension " + GuidToString(clsid) + L" did not start: " + HresultText(hr));
    }
  } catch (const ComError& e) {
    return fail(L"host session could not start: " + HresultText(e.Error()));
  }
  return s;
}

HostSession::~HostSession() {
  if (manager_) manager_->ShutdownAll();
  if (app_) app_->Shutdown();
  if (g_current == this) {
    SetCurrentExtensionManager(nullptr);
    g_current = nullptr;
  }
  for (DWORD cookie : classCookies_) RevokeProcessClass(cookie);
  ResetDefaultRasterAnalysisEnvironment();
}

ComPtr<IDocument> HostSession::Document() {
  ComPtr<IDocument> doc;
  app_->get_Document(doc.put());
  return doc;
}

ComPtr<IExtension> HostSession::FindExtension(const std::wstring& name) {
  Variant key(name);
  ComPtr<IExtension> extension;
  manager_->FindExtension(key, extension.put());
  return extension;
}

HRESULT HostSession::SetExtensionState(const std::wstring& name, LONG state) {
  auto config = QueryAs<IExtensionConfig>(FindExtension(name).get());
  if (!config) return E_INVALIDARG;
  return config->put_State(state);
}

HRESULT HostSession::CreateCommand(const std::wstring& progId, LONG subType, ICommandItem** item) {
  return app_->Document().Bars().CreateItem(progId, subType, item);
}

}  // namespace velk::host
