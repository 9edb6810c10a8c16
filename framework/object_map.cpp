#include "framework/object_map.h"

#include "catalog/options/options_sheet.h"
#include "coordinates/convert_coords.h"
#include "coordinates/coord_tool.h"
#include "coordinates/coord_tool_dockable.h"
#include "framework/corvane_module.h"
#include "framework/menus_toolbars.h"
#include "interfaces/corvane_ids.h"

namespace velk::corvane {

HRESULT CreateUnavailable(IUnknown*, REFIID, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

namespace {

// The undo operation that adds catalog layers cannot be aggregated.
HRESULT CreateAddZelLayersOperation(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return CreateUnavailable(outer, riid, ppv);
}

template <int kScriptId>
HRESULT UpdateRegistry(ServerModule& module, bool doRegister) {
  return module.UpdateRegistryFromResource(std::to_string(kScriptId), doRegister);
}

const wchar_t* NoDescription() { return L""; }

const CategoryMapEntry* ConversionMenuCategories() {
  static const CategoryMapEntry map[] = {{kCategoryImplemented, &ids::CATID_QmCommandBars},
                                         {0, nullptr}};
  return map;
}
const CategoryMapEntry* EmptyCategories() {
  static const CategoryMapEntry map[] = {{0, nullptr}};
  return map;
}

#define VELK_ENTRY(cls, script, creator, categories)                                      \
  {                                                                                       \
    &ids::CLSID_##cls, &UpdateRegistry<script>, &CreateClassFactory, creator, nullptr, 0, \
        &NoDescription, categories, nullptr                                               \
  }

ObjectMapEntry g_map[] = {
    VELK_ENTRY(RadialLOS, 3134, &CreateUnavailable, nullptr),
    VELK_ENTRY(LinearLOS, 3127, &CreateUnavailable, nullptr),
    VELK_ENTRY(Hillshade, 3126, &CreateUnavailable, nullptr),
    VELK_ENTRY(ConversionMenu, 3117, &CreateInstance<ConversionMenu>, &ConversionMenuCategories),
    VELK_ENTRY(MainMenu, 3130, &CreateInstance<MainMenu>, nullptr),
    VELK_ENTRY(CreateZelLayer, 3121, &CreateUnavailable, nullptr),
    VELK_ENTRY(VpfExport, 3144, &CreateUnavailable, nullptr),
    VELK_ENTRY(ConvertCoords, 3118, &CreateConvertCoords, nullptr),
    VELK_ENTRY(LoadData, 3128, &CreateUnavailable, nullptr),
    VELK_ENTRY(Mosaic, 3132, &CreateUnavailable, nullptr),
    VELK_ENTRY(SelectedLayer, 3137, &CreateUnavailable, nullptr),
    VELK_ENTRY(CoordTool, 3119, &CreateCoordTool, nullptr),
    VELK_ENTRY(MainToolbar, 3131, &CreateInstance<MainToolbar>, nullptr),
    VELK_ENTRY(CoordToolDockable, 3120, &CreateCoordToolDockable, nullptr),
    VELK_ENTRY(AddLayer, 3116, &CreateUnavailable, nullptr),
    VELK_ENTRY(DDDViewer, 3122, &CreateUnavailable, nullptr),
    VELK_ENTRY(TerrainToolControl, 3140, &CreateUnavailable, nullptr),
    VELK_ENTRY(TerrainTools, 3141, &CreateUnavailable, nullptr),
    VELK_ENTRY(VpfExportDatasets, 3668, &CreateUnavailable, &EmptyCategories),
    VELK_ENTRY(AddZelLayersOperation, 3900, &CreateAddZelLayersOperation, nullptr),
    VELK_ENTRY(MainMenuDdd, 3278, &CreateInstance<MainMenuDdd>, nullptr),
    VELK_ENTRY(MainToolbarDdd, 3279, &CreateInstance<MainToolbarDdd>, nullptr),
    VELK_ENTRY(ThreatDome, 3142, &CreateUnavailable, nullptr),
    VELK_ENTRY(FlyThrough, 3123, &CreateUnavailable, nullptr),
    VELK_ENTRY(Options2, 3866, &CreateOptions2, nullptr),
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};

#undef VELK_ENTRY

}  // namespace

ObjectMapEntry* ObjectMap() { return g_map; }

}  // namespace velk::corvane
