#include "layers/lumeris_module.h"

#include "interfaces/lumeris_ids.h"
#include "layers/object_map.h"
#include "layers/shared_raster_helper.h"
#include "platform/productline/deliverable_module.h"

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
  AttachDeliverable(Module(), OwnResources(), &ReadLockCount, reinterpret_cast<const void*>(&ProcessAttach));
}

void ProcessDetach() {
  if (!g_attached) return;
  g_attached = false;
  // The shared raster helper goes first: it holds a host object.
  DeleteSharedRasterHelper();
  DetachDeliverable(Module(), OwnResources());
}

namespace {
// The loader's attach and detach notifications.
__attribute__((constructor)) void OnLoad() { ProcessAttach(); }
__attribute__((destructor)) void OnUnload() { ProcessDetach(); }
}  // namespace

}  // namespace velk::lumeris

using velk::lumeris::Module;

VELK_DEFINE_SERVER_EXPORTS(Module)
