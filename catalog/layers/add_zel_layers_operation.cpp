#include "catalog/layers/add_zel_layers_operation.h"

#include <memory>

#include "framework/corvane_module.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "interfaces/lumeris_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_settings.h"
#include "platform/com/out_param.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/registry.h"

namespace velk::corvane {
namespace {

bool IsTrue(VARIANT_BOOL value) { return (static_cast<unsigned>(value) & 0xFFFFu) == 0xFFFFu; }

bool IsValid(IDataManager* manager, velkZelCatalogTypeEnum kind, ITable* table) {
  VARIANT_BOOL valid = VARIANT_FALSE;
  manager->IsCatalogValid(kind, table, &valid);
  return IsTrue(valid);
}

// An RPF catalog whose workspace holds its companion "_uids" table references frame files by
// series; without it the catalog is a plain catalog of frames, drawn by the chart layer.
bool HasSeriesTable(ITable* table) {
  auto dataset = QueryAs<IDataset>(table);
  if (!dataset) return false;
  Bstr name;
  ComPtr<IWorkspace> ws;
  if (FAILED(dataset->get_Name(&name)) || FAILED(dataset->get_Workspace(ws.put())) || !ws)
    return false;
  auto features = QueryAs<IFeatureWorkspace>(ws.get());
  ComPtr<ITable> companion;
  return features && SUCCEEDED(features->OpenTable(Bstr(name.str() + L"_uids"), companion.put())) &&
         companion;
}

template <class I>
ComPtr<I> CreateLayer(const CLSID& clsid) {
  return CreateHostObject<I>(clsid);
}

}  // namespace

bool ReadLayerVisibilityDefault() {
  reg::Value value;
  if (!reg::ReadValue(reg::Hive::CurrentUser, kLayerVisibilityKey, kLayerVisibilityValue, value))
    return true;
  if (value.type != REG_DWORD) return true;
  return value.number != 0;
}

HRESULT AddZelLayersOperation::SetParameters(IMap* focusMap, IBasicMap* basicFocusMap,
                                             IGlobe* globe, IApplication* application,
                                             IEnumBrowseObject* picks) {
  if (!application || !picks) return E_POINTER;
  if (!focusMap && !basicFocusMap) return E_INVALIDARG;
  VELK_TRY
  focusMap_ = focusMap;
  basicFocusMap_ = basicFocusMap;
  globe_ = globe;
  // Only that there is one: the application owns the document whose operation stack keeps this
  // operation, so a reference to it would keep both alive for ever.
  hasApplication_ = true;
  picks_.clear();
  picks->Reset();
  for (;;) {
    ComPtr<IBrowseObject> item;
    if (picks->Next(item.put()) != S_OK || !item) break;
    ComPtr<IName> name;
    if (SUCCEEDED(item->get_InternalObjectName(name.put())) && name)
      picks_.push_back(std::move(name));
  }
  return S_OK;
  VELK_CATCH
}

HRESULT AddZelLayersOperation::get_MenuString(BSTR* text) {
  if (!text) return E_POINTER;
  *text = AllocBstr(LoadResString(kIdsAddZelLayersMenu));
  return S_OK;
}

HRESULT AddZelLayersOperation::get_CanUndo(VARIANT_BOOL* canUndo) {
  if (!canUndo) return E_POINTER;
  *canUndo = canUndo_;
  return S_OK;
}

HRESULT AddZelLayersOperation::get_CanRedo(VARIANT_BOOL* canRedo) {
  if (!canRedo) return E_POINTER;
  *canRedo = canRedo_;
  return S_OK;
}

ComPtr<ILayer> AddZelLayersOperation::MakeLayer(IName* pick, IDataManager* manager,
                                                ComPtr<ITable>* catalog) {
  // A pick that cannot be opened any more (a catalog that vanished) or is no table adds nothing.
  ComPtr<IUnknown> opened;
  if (FAILED(pick->Open(opened.put())) || !opened) return nullptr;
  auto table = QueryAs<ITable>(opened.get());
  if (!table) return nullptr;
  *catalog = table;
  // All four are asked, in this order; the first that claims the table decides.
  const bool dted = IsValid(manager, velkZelCatalogDTED, table.get());
  const bool rpf = IsValid(manager, velkZelCatalogRPF, table.get());
  const bool vpf = IsValid(manager, velkZelCatalogVPF, table.get());
  const bool gdbVpf = IsValid(manager, velkZelCatalogGDBVPF, table.get());
  if (dted) {
    auto layer = CreateLayer<IZelDtedLayer>(ids::CLSID_ZelDtedLayer);
    VARIANT_BOOL ok = VARIANT_FALSE;
    layer->Setup(table.get(), &ok);
    return IsTrue(ok) ? QueryAs<ILayer>(layer.get()) : nullptr;
  }
  if (rpf) {
    if (!HasSeriesTable(table.get())) {
      auto layer = CreateLayer<IZelRasterLayer>(ids::CLSID_ZelRasterLayer);
      VARIANT_BOOL ok = VARIANT_FALSE;
      layer->Setup(table.get(), &ok);
      return IsTrue(ok) ? QueryAs<ILayer>(layer.get()) : nullptr;
    }
    // The referenced layer is kept whatever its setup says.
    auto layer = CreateLayer<IZelRasterLayer>(ids::CLSID_ZelReferencedRpfLayer);
    VARIANT_BOOL ok = VARIANT_FALSE;
    layer->Setup(table.get(), &ok);
    return QueryAs<ILayer>(layer.get());
  }
  if (vpf) {
    auto featureClass = QueryAs<IFeatureClass>(table.get());
    if (!featureClass) return nullptr;
    auto layer = CreateLayer<IZelVectorLayer>(ids::CLSID_ZelVectorLayer);
    layer->putref_FeatureClass(featureClass.get());
    return QueryAs<ILayer>(layer.get());
  }
  if (gdbVpf) {
    auto layer = CreateLayer<IZelVectorLayer>(ids::CLSID_ZelManagedVpfLayer);
    layer->putref_FeatureClass(QueryAs<IFeatureClass>(table.get()).get());
    return QueryAs<ILayer>(layer.get());
  }
  return nullptr;
}

void AddZelLayersOperation::AddToMap(ILayer* layer, ITable* catalog, IDataManager* manager) {
  if (focusMap_) {
    Check(focusMap_->AddLayer(layer));
  } else if (globe_ && IsValid(manager, velkZelCatalogDTED, catalog)) {
    // Elevation goes onto the globe itself.
    Check(globe_->AddLayer(layer));
  } else {
    Check(basicFocusMap_->AddLayer(layer));
  }
  added_.push_back(ComPtr<ILayer>(layer));
}

void AddZelLayersOperation::ApplySettings() {
  ComPtr<IZelExtension> extension = FindZelExtension();
  if (!extension) return;
  ComPtr<IZelSettings> settings;
  extension->get_Settings(settings.put());
  auto dataMan = QueryAs<IDataManSettings>(settings.get());
  if (!dataMan) return;
  for (const ComPtr<ILayer>& layer : added_) {
    LONG wireframe = 2;
    VARIANT_BOOL a = VARIANT_FALSE, b = VARIANT_FALSE, c = VARIANT_FALSE;
    if (auto dted = QueryAs<IZelDtedLayer>(layer.get())) {
      dataMan->get_DataManDTEDWireframe(&wireframe);
      dataMan->get_DataManDTEDDisplayRasters(&a);
      dataMan->get_DataManDTEDUseUniformRenderer(&b);
      dted->put_DisplayElevation(a);
      dted->put_UseUniformRenderer(b);
    } else if (auto raster = QueryAs<IZelRasterLayer>(layer.get())) {
      dataMan->get_DataManRPFWireframe(&wireframe);
      dataMan->get_DataManRPFDisplayRasters(&a);
      dataMan->get_DataManRPFUseBestMapSet(&b);
      raster->put_DisplayRasters(a);
      raster->put_UseBestMap(b);
    } else if (auto vector = QueryAs<IZelVectorLayer>(layer.get())) {
      dataMan->get_DataManVPFWireframe(&wireframe);
      dataMan->get_DataManVPFUseGeosym(&a);
      dataMan->get_DataManVPFUseScaleDependency(&b);
      dataMan->get_DataManVPFShowData(&c);
      vector->put_UseGeoSym(a);
      vector->put_UseScaleDep(b);
      vector->put_DisplayCoverages(c);
    }
    if (auto wire = QueryAs<IWireframeDisplayProps>(layer.get()))
      wire->put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(wireframe));
  }
}

void AddZelLayersOperation::RemoveAdded() {
  for (const ComPtr<ILayer>& layer : added_) {
    if (focusMap_) {
      focusMap_->DeleteLayer(layer.get());
    } else {
      // The globe's elevation and the map's layers: whichever holds it lets it go.
      if (globe_) globe_->DeleteLayer(layer.get());
      if (basicFocusMap_) basicFocusMap_->DeleteLayer(layer.get());
    }
  }
  added_.clear();
}

HRESULT AddZelLayersOperation::Do() {
  if (!hasApplication_ || picks_.empty() || (!focusMap_ && !basicFocusMap_)) return kOperationCannotRun;
  try {
    ComPtr<IDataManager> manager =
        CreateHostObject<IDataManager>(productline::CLSID_DataManager);
    canUndo_ = VARIANT_FALSE;
    canRedo_ = VARIANT_FALSE;
    added_.clear();
    const VARIANT_BOOL visible = ToVariantBool(ReadLayerVisibilityDefault());
    for (const ComPtr<IName>& pick : picks_) {
      ComPtr<ITable> catalog;
      ComPtr<ILayer> layer = MakeLayer(pick.get(), manager.get(), std::addressof(catalog));
      if (!layer) continue;
      layer->put_Visible(visible);
      AddToMap(layer.get(), catalog.get(), manager.get());
    }
    ApplySettings();
    if (!focusMap_ && globe_) {
      ComPtr<IGlobeDisplay> display;
      globe_->get_GlobeDisplay(display.put());
      if (display) display->RefreshViewers();
    }
  } catch (const ComError& e) {
    // The map changes as a whole or not at all.
    RemoveAdded();
    return FAILED(e.Error()) ? e.Error() : E_FAIL;
  } catch (...) {
    RemoveAdded();
    return E_FAIL;
  }
  canUndo_ = VARIANT_TRUE;
  return S_OK;
}

HRESULT AddZelLayersOperation::Undo() {
  if (!canUndo_) return kOperationCannotRun;
  VELK_TRY
  canUndo_ = VARIANT_FALSE;
  canRedo_ = VARIANT_FALSE;
  RemoveAdded();
  canRedo_ = VARIANT_TRUE;
  return S_OK;
  VELK_CATCH
}

HRESULT AddZelLayersOperation::Redo() {
  if (!canRedo_) return kOperationCannotRun;
  return Do();
}

HRESULT AddZelLayersOperation::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IidOf<IAddZelLayersOperation>() || riid == IidOf<IOperation>() ? S_OK : S_FALSE;
}

HRESULT CreateAddZelLayersOperation(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return CreateInstance<AddZelLayersOperation>(outer, riid, ppv);
}

}  // namespace velk::corvane
