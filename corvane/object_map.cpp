#include "corvane/object_map.h"

#include "corvane/class_creators.h"
#include "framework/corvane_module.h"
#include "interfaces/corvane_ids.h"

namespace velk::corvane {

namespace {

template <int kScriptId>
HRESULT UpdateRegistry(ServerModule& module, bool doRegister) {
  return module.UpdateRegistryFromResource(std::to_string(kScriptId), doRegister);
}

const wchar_t* NoDescription() { return L""; }

// Implemented categories that a class lists in the map besides its registry script.
const CategoryMapEntry* ConversionMenuCategories() {
  static const CategoryMapEntry map[] = {{kCategoryImplemented, &ids::CATID_QmCommandBars},
                                         {0, nullptr}};
  return map;
}
const CategoryMapEntry* EmptyCategories() {
  static const CategoryMapEntry map[] = {{0, nullptr}};
  return map;
}

ObjectMapEntry g_map[] = {
#define VELK_CLASS(name, progId, script, creator, implCategories, ...) \
  {&ids::CLSID_##name,                                                 \
   &UpdateRegistry<script>,                                            \
   &CreateClassFactory,                                                \
   &creator,                                                           \
   nullptr,                                                            \
   0,                                                                  \
   &NoDescription,                                                     \
   implCategories,                                                     \
   nullptr},
#include "framework/class_table.inc"
#undef VELK_CLASS
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};

}  // namespace

ObjectMapEntry* ObjectMap() { return g_map; }

}  // namespace velk::corvane
