#include "framework/corvane_module.h"

#include "catalog/mosaic/mosaic_command.h"
#include "coordinates/datum_table.h"
#include "coordinates/shift_point.h"
#include "corvane/object_map.h"
#include "interfaces/corvane_ids.h"
#include "platform/win/window.h"
#include "common/deliverable_module.h"

const velk::res::EmbeddedResource* corvane_resources();

VELK_DEFINE_MODULE()

namespace velk::corvane {

namespace {
LONG ReadLockCount() { return ThisModule().LockCount(); }
// Cached coordinate objects go before the module ends.
void CleanUp() {
  ReleaseWgs84CoordinateSystem();
  ResetDatumLookup();
}
// Corvane's dialogs hold list views, tree views, tabs, progress and track bars.
void OnAttach() {
  INITCOMMONCONTROLSEX icc;
  icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&icc);
  RegisterMosaicDialogForTools();
}
DeliverableModule& Deliverable() {
  static DeliverableModule module(L"Corvane", corvane_resources(), ObjectMap(), ids::LIBID_Corvane,
                                  &ReadLockCount, &OnAttach);
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

}  // namespace velk::corvane

using velk::corvane::Module;

VELK_DEFINE_SERVER_EXPORTS(Module)
