// Start-up and shutdown shared by the component libraries of the product line, and their six
// exported entry points.
#pragma once

#include "platform/registry/server_module.h"

namespace velk {

// Process attach: the C runtime locale set to the user's default, the module started with its
// own resources, and the localized resource module (when one is installed) made the resource
// instance. addressInLibrary is any address inside the library, to find its file.
void AttachDeliverable(ServerModule& module, res::ResourceModule& own, LONG (*lockCount)(),
                       const void* addressInLibrary);
// Process detach: a localized resource module freed, the module's factories released.
void DetachDeliverable(ServerModule& module, res::ResourceModule& own);

}  // namespace velk

// The six entry points (plus the registration error text for the host program) of a library
// whose module is returned by moduleFn().
#define VELK_DEFINE_SERVER_EXPORTS(moduleFn)                                                        \
  extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {                     \
    return moduleFn().CanUnloadNow();                                                              \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,      \
                                                                              REFIID riid,         \
                                                                              void** ppv) {        \
    return moduleFn().GetClassObject(clsid, riid, ppv);                                            \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() { return S_OK; }   \
  extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return S_OK; } \
  extern "C" __attribute__((visibility("default"))) HRESULT velkDllRegisterServer() {               \
    return moduleFn().RegisterServer();                                                            \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) HRESULT velkDllUnregisterServer() {             \
    return moduleFn().UnregisterServer();                                                          \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) const wchar_t* velkLastRegistrationError() {   \
    return moduleFn().LastError().c_str();                                                         \
  }
