// Start-up and shutdown that both component libraries share, and their six exported entry
// points. This is the project's own code (common/), compiled into each library.
#pragma once

#include "platform/registry/server_module.h"

namespace velk {

// The module state of one component library: its server module (object map, factories), its
// own resources and whether the loader has attached it.
class DeliverableModule {
 public:
  // onAttach is the library's own attach step, run once the module has started (null: none).
  DeliverableModule(const wchar_t* name, const res::EmbeddedResource* resources,
                    ObjectMapEntry* objectMap, const GUID& typeLibId, LONG (*lockCount)(),
                    void (*onAttach)() = nullptr)
      : own_(name, resources),
        server_(objectMap, typeLibId),
        lockCount_(lockCount),
        onAttach_(onAttach) {}

  ServerModule& Server() { return server_; }
  // A string-table text from the resource instance (empty when the id is missing).
  std::wstring ResourceString(UINT id) const {
    res::ResourceModule* m = server_.ResourceInstance();
    return m ? m->String(id) : std::wstring();
  }

  // Process attach (once until detached): the C runtime locale set to the user's default, the
  // module started with its own resources, and the localized resource module (when one is
  // installed) made the resource instance; then the library's own attach step. addressInLibrary is
  // any address inside the library, to find its file.
  void Attach(const void* addressInLibrary);
  // Process detach: beforeTerm runs first (the library's own clean-up), then a localized
  // resource module is freed and the module's factories released.
  void Detach(void (*beforeTerm)() = nullptr);

 private:
  res::ResourceModule own_;
  ServerModule server_;
  LONG (*lockCount_)();
  void (*onAttach_)();
  bool attached_ = false;
};

}  // namespace velk

// The six entry points (plus the registration error text for the host program) of a library
// whose module is returned by moduleFn().
#define VELK_DEFINE_SERVER_EXPORTS(moduleFn)                                                       \
  extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {                    \
    return moduleFn().CanUnloadNow();                                                              \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(                     \
      REFCLSID clsid, REFIID riid, void** ppv) {                                                   \
    return moduleFn().GetClassObject(clsid, riid, ppv);                                            \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() { return S_OK; }   \
  extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return S_OK; } \
  extern "C" __attribute__((visibility("default"))) HRESULT velkDllRegisterServer() {              \
    return moduleFn().RegisterServer();                                                            \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) HRESULT velkDllUnregisterServer() {            \
    return moduleFn().UnregisterServer();                                                          \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) const wchar_t* velkLastRegistrationError() {   \
    return moduleFn().LastError().c_str();                                                         \
  }
