#include "common/deliverable_module.h"

#include <clocale>

#include "platform/productline/velk_locale.h"

namespace velk {

void DeliverableModule::Attach(const void* addressInLibrary) {
  if (attached_) return;
  attached_ = true;
  std::setlocale(LC_ALL, "");
  server_.SetLockCountReader(lockCount_);
  server_.SetModulePath(ModulePathOf(addressInLibrary));
  server_.Init(&own_);
  if (res::ResourceModule* localized = VelkLocale::LoadLocalizedRes(&own_))
    server_.SetResourceInstance(localized);
  if (onAttach_) onAttach_();
}

void DeliverableModule::Detach(void (*beforeTerm)()) {
  if (!attached_) return;
  attached_ = false;
  if (beforeTerm) beforeTerm();
  res::ResourceModule* current = server_.SetResourceInstance(&own_);
  if (current != &own_) VelkLocale::FreeLocalizedRes(current);
  server_.Term();
}

}  // namespace velk
