#include "layers/lumeris_module.h"

#include "interfaces/lumeris_ids.h"
#include "layers/object_map.h"
#include "layers/shared_raster_helper.h"
#include "common/deliverable_module.h"

const velk::res::EmbeddedResource* lumeris_resources();

VELK_DEFINE_MODULE()

namespace velk::lumeris {

namespace {
LONG ReadLockCount() { return ThisModule().LockCount(); }
// The shared raster helper goes first: it holds a host object.
void CleanUp() { DeleteSharedRasterHelper(); }
DeliverableModule& Deliverable() {
  static DeliverableModule module(L"Lumeris", lumeris_resources(), ObjectMap(), ids::LIBID_Lumeris,
                                  &ReadLockCount);
  return module;
}
}  // namespace

ServerModule& Module() { return Deliverable().Server(); }
res::ResourceModule* ResourceInstance() { return Module().ResourceInstance(); }
res::ResourceModule* DeliverableInstance() { return Module().DeliverableInstance(); }
std::wstring LoadResString(UINT id) { return Deliverable().ResourceString(id); }

void ProcessAttach() { Deliverable().Attach(reinterpret_cast<const void*>(&ProcessAttach)); }
void ProcessDetach() { Deliverable().Detach(&CleanUp); }

namespace {
// The loader's attach and detach notifications.
__attribute__((constructor)) void OnLoad() { ProcessAttach(); }
__attribute__((destructor)) void OnUnload() { ProcessDetach(); }
}  // namespace

}  // namespace velk::lumeris

using velk::lumeris::Module;

VELK_DEFINE_SERVER_EXPORTS(Module)
