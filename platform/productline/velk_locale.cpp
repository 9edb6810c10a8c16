#include "platform/productline/velk_locale.h"

#include "platform/com/text.h"
#include "platform/registry/registry.h"

namespace VelkLocale {

HINSTANCE LoadLocalizedRes(HINSTANCE deliverable) {
  if (!deliverable) return nullptr;
  std::string folder = velk::reg::HostRoot() + "/localized/" + velk::ToUtf8(deliverable->Name());
  return velk::res::ResourceModule::FromFolder(deliverable->Name(), folder).release();
}

void FreeLocalizedRes(HINSTANCE localized) { delete localized; }

}  // namespace VelkLocale
