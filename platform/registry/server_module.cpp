#include "platform/registry/server_module.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/com/text.h"
#include "platform/registry/registrar.h"

namespace velk {

ServerModule::ServerModule(ObjectMapEntry* entries, const GUID& typeLibId)
    : entries_(entries), typeLib_(typeLibId) {}

void ServerModule::Init(res::ResourceModule* deliverable) {
  deliverable_ = deliverable;
  resource_.store(deliverable);
  for (ObjectMapEntry* e = entries_; e->clsid; ++e)
    if (e->objectMain) e->objectMain(true);
}

void ServerModule::Term() {
  for (ObjectMapEntry* e = entries_; e->clsid; ++e) {
    if (e->cachedFactory) {
      IUnknown* f = e->cachedFactory;
      e->cachedFactory = nullptr;
      f->Release();
    }
    if (e->objectMain) e->objectMain(false);
  }
}

HRESULT ServerModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  HRESULT hr = S_OK;
  for (ObjectMapEntry* e = entries_; e->clsid; ++e) {
    if (!(*e->clsid == clsid) || !e->getClassObject) continue;
    if (!e->cachedFactory) {
      std::lock_guard<std::mutex> lock(classObjectLock_);
      if (!e->cachedFactory) {
        hr = e->getClassObject(e->createInstance, IidOf<IUnknown>(),
                               reinterpret_cast<void**>(&e->cachedFactory));
      }
    }
    if (e->cachedFactory) hr = e->cachedFactory->QueryInterface(riid, ppv);
    break;
  }
  // Nothing matched: the automatic object map is empty.
  if (*ppv == nullptr && hr == S_OK) hr = CLASS_E_CLASSNOTAVAILABLE;
  return hr;
}

HRESULT ServerModule::RegisterCategories(const ObjectMapEntry& e, bool doRegister) {
  if (!e.categoryMap) return S_OK;
  std::vector<CATID> impl, req;
  for (const CategoryMapEntry* c = e.categoryMap(); c && c->kind != 0; ++c)
    (c->kind == kCategoryImplemented ? impl : req).push_back(*c->catid);
  HRESULT hr = S_OK;
  const CLSID& clsid = *e.clsid;
  if (doRegister) {
    if (!impl.empty())
      hr = reg::RegisterClassImplCategories(clsid, static_cast<ULONG>(impl.size()), impl.data());
    if (SUCCEEDED(hr) && !req.empty())
      hr = reg::RegisterClassReqCategories(clsid, static_cast<ULONG>(req.size()), req.data());
  } else {
    if (!impl.empty())
      hr = reg::UnRegisterClassImplCategories(clsid, static_cast<ULONG>(impl.size()), impl.data());
    if (SUCCEEDED(hr) && !req.empty())
      hr = reg::UnRegisterClassReqCategories(clsid, static_cast<ULONG>(req.size()), req.data());
  }
  return hr;
}

HRESULT ServerModule::RegisterServer() {
  lastError_.clear();
  for (ObjectMapEntry* e = entries_; e->clsid; ++e) {
    HRESULT hr = e->updateRegistry ? e->updateRegistry(*this, true) : S_OK;
    if (FAILED(hr)) return hr;
    hr = RegisterCategories(*e, true);
    if (FAILED(hr)) {
      lastError_ = L"category map of " + GuidToString(*e->clsid) + L" could not be registered";
      return hr;
    }
  }
  return S_OK;  // the automatic object map is empty; the type library is not registered
}

HRESULT ServerModule::UnregisterServer() {
  lastError_.clear();
  for (ObjectMapEntry* e = entries_; e->clsid; ++e) {
    HRESULT hr = RegisterCategories(*e, false);
    if (FAILED(hr)) {
      lastError_ = L"category map of " + GuidToString(*e->clsid) + L" could not be unregistered";
      return hr;
    }
    hr = e->updateRegistry ? e->updateRegistry(*this, false) : S_OK;
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ServerModule::UpdateRegistryFromResource(const std::string& scriptName, bool doRegister) {
  const std::string* script = deliverable_ ? deliverable_->Find("REGISTRY", scriptName) : nullptr;
  if (!script) {
    lastError_ = L"registry script " + FromUtf8(scriptName) + L" is missing from the library";
    return E_FAIL;
  }
  reg::Registrar registrar;
  registrar.AddReplacement(L"MODULE", modulePath_);
  std::wstring text = FromUtf8(*script);
  HRESULT hr = doRegister ? registrar.Register(text) : registrar.Unregister(text);
  if (FAILED(hr))
    lastError_ = L"registry script " + FromUtf8(scriptName) + L": " + registrar.error();
  return hr;
}

std::wstring ModulePathOf(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) && info.dli_fname) {
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return FromUtf8(resolved);
    return FromUtf8(info.dli_fname);
  }
  return {};
}

}  // namespace velk
