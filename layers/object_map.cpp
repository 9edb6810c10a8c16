#include "layers/object_map.h"

#include <string>

#include "interfaces/lumeris_ids.h"
#include "layers/zel_dted_layer.h"
#include "layers/zel_raster_layer.h"
#include "layers/zel_referenced_rpf_layer.h"
#include "layers/zel_vector_layer.h"

namespace velk::lumeris {

HRESULT CreateUnavailable(IUnknown*, REFIID, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

namespace {

template <int kScriptId>
HRESULT UpdateRegistry(ServerModule& module, bool doRegister) {
  return module.UpdateRegistryFromResource(std::to_string(kScriptId), doRegister);
}

const wchar_t* NoDescription() { return L""; }

// No layer class implements or requires a component category.
const CategoryMapEntry* EmptyCategories() {
  static const CategoryMapEntry map[] = {{0, nullptr}};
  return map;
}

#define VELK_ENTRY(cls, script) VELK_CREATABLE(cls, script, &CreateUnavailable)
#define VELK_CREATABLE(cls, script, create)                                                   \
  {                                                                                           \
    &ids::CLSID_##cls, &UpdateRegistry<script>, &CreateClassFactory, create, nullptr, 0,      \
        &NoDescription, &EmptyCategories, nullptr                                             \
  }

ObjectMapEntry g_map[] = {
    VELK_CREATABLE(ZelRasterLayer, 1000, &CreateInstance<ZelRasterLayer>),
    VELK_CREATABLE(ZelVectorLayer, 1001, &CreateZelVectorLayerObject),
    VELK_CREATABLE(ZelDtedLayer, 1002, &CreateInstance<ZelDtedLayer>),
    VELK_ENTRY(ZelManagedVpfLayer, 1004),
    VELK_CREATABLE(ZelReferencedRpfLayer, 1103, &CreateInstance<ZelReferencedRpfLayer>),
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};

#undef VELK_ENTRY
#undef VELK_CREATABLE

}  // namespace

ObjectMapEntry* ObjectMap() { return g_map; }

}  // namespace velk::lumeris
