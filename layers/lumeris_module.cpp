#include "layers/lumeris_module.h"

#include <clocale>

#include "interfaces/lumeris_ids.h"
#include "layers/object_map.h"
#include "layers/shared_raster_helper.h"
#include "platform/productline/velk_locale.h"

const velk::res::EmbeddedResource* lumeris_resources();

VELK_DEFINE_MODULE()

namespace velk::lumeris {

namespace {
LONG ReadLockCount() { return ThisModule().LockCount(); }
res::ResourceModule& OwnResources() {
  static res::ResourceModule module(L"Lumeris", lumeris_resources());
  return module;
}
bool g_attached = false;
}  // namespace

ServerModule& Module() {
  static ServerModule module(ObjectMap(), ids::LIBID_Lumeris);
  return module;
}

res::ResourceModule* ResourceInstance() { return Module().ResourceInstance(); }
res::ResourceModule* DeliverableInstance() { return Module().DeliverableInstance(); }

std::wstring LoadResString(UINT id) {
  res::ResourceModule* m = ResourceInstance();
  return m ? m->String(id) : std::wstring();
}

void ProcessAttach() {
  if (g_attached) return;
  g_attached = true;
  std::setlocale(LC_ALL, "");
  ServerModule& m = Module();
  m.SetLockCountReader(&ReadLockCount);
  m.SetModulePath(ModulePathOf(reinterpret_cast<const void*>(&ProcessAttach)));
  m.Init(&OwnResources());
  if (res::ResourceModule* localized = VelkLocale::LoadLocalizedRes(&OwnResources()))
    m.SetResourceInstance(localized);
}

void ProcessDetach() {
  if (!g_attached) return;
  g_attached = false;
  // The shared raster helper goes first: it holds a host object.
  DeleteSharedRasterHelper();
  ServerModule& m = Module();
  res::ResourceModule* current = m.SetResourceInstance(&OwnResources());
  if (current != &OwnResources()) VelkLocale::FreeLocalizedRes(current);
  m.Term();
}

namespace {
// The loader's attach and detach notifications.
__attribute__((constructor)) void OnLoad() { ProcessAttach(); }
__attribute__((destructor)) void OnUnload() { ProcessDetach(); }
}  // namespace

}  // namespace velk::lumeris

using velk::lumeris::Module;

#define VELK_EXPORT extern "C" __attribute__((visibility("default")))

VELK_EXPORT HRESULT DllCanUnloadNow() { return Module().CanUnloadNow(); }
VELK_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return Module().GetClassObject(clsid, riid, ppv);
}
VELK_EXPORT HRESULT DllRegisterServer() { return S_OK; }
VELK_EXPORT HRESULT DllUnregisterServer() { return S_OK; }
VELK_EXPORT HRESULT velkDllRegisterServer() { return Module().RegisterServer(); }
VELK_EXPORT HRESULT velkDllUnregisterServer() { return Module().UnregisterServer(); }
// Why the last registration step failed (for the host program's error text).
VELK_EXPORT const wchar_t* velkLastRegistrationError() { return Module().LastError().c_str(); }
