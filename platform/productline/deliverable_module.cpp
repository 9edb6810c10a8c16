#include "platform/productline/deliverable_module.h"

#include <clocale>

#include "platform/productline/velk_locale.h"

namespace velk {

void AttachDeliverable(ServerModule& module, res::ResourceModule& own, LONG (*lockCount)(),
                       const void* addressInLibrary) {
  std::setlocale(LC_ALL, "");
  module.SetLockCountReader(lockCount);
  module.SetModulePath(ModulePathOf(addressInLibrary));
  module.Init(&own);
  if (res::ResourceModule* localized = VelkLocale::LoadLocalizedRes(&own)) module.SetResourceInstance(localized);
}

void DetachDeliverable(ServerModule& module, res::ResourceModule& own) {
  res::ResourceModule* current = module.SetResourceInstance(&own);
  if (current != &own) VelkLocale::FreeLocalizedRes(current);
  module.Term();
}

}  // namespace velk
