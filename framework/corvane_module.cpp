#include "framework/corvane_module.h"

#include "coordinates/datum_table.h"
#include "coordinates/shift_point.h"
#include "framework/object_map.h"
#include "interfaces/corvane_ids.h"
#include "platform/productline/deliverable_module.h"

const velk::res::EmbeddedResource* corvane_resources();

VELK_DEFINE_MODULE()

namespace velk::corvane {

namespace {
LONG ReadLockCount() { return ThisModule().LockCount(); }
res::ResourceModule& OwnResources() {
  static res::ResourceModule module(L"Corvane", corvane_resources());
  return module;
}
bool g_attached = false;
}  // namespace

ServerModule& Module() {
  static ServerModule module(ObjectMap(), ids::LIBID_Corvane);
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
  ReleaseWgs84CoordinateSystem();
  ResetDatumLookup();
  DetachDeliverable(Module(), OwnResources());
}

namespace {
// The loader's attach and detach notifications.
__attribute__((constructor)) void OnLoad() { ProcessAttach(); }
__attribute__((destructor)) void OnUnload() { ProcessDetach(); }
}  // namespace

}  // namespace velk::corvane

using velk::corvane::Module;

VELK_DEFINE_SERVER_EXPORTS(Module)
