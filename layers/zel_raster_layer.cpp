#include "layers/zel_raster_layer.h"

#include "layers/catalog_layer_support.h"
#include "layers/clip_catalog_region.h"
#include "layers/layer_stream.h"
#include "layers/new_guid_string.h"
#include "layers/scale_choice.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/data/table.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {
constexpr const wchar_t* kProductField = L"PRODUCT";
bool IsTrue(VARIANT_BOOL b) { return b == VARIANT_TRUE; }
}  // namespace

bool ZelRasterLayer::IsRefusedIid(REFIID riid) { return riid == IidOf<IRasterCatalogLayer>(); }

HRESULT ZelRasterLayer::FinalConstruct() {
  HRESULT hr = CreateInner(host::CLSID_RasterCatalogLayer);
  if (FAILED(hr)) return hr;
  wireframeDisplay_ = velkWireframeDisplayNone;
  AddKeyField(kProductField);
  hr = CoCreateInstance(host::CLSID_FeatureLayer, nullptr, kHostCreationContext, IidOf<IUnknown>(),
                        footprint_.put_void());
  layerId_ = Bstr::Attach(NewGuidString());
  return hr;
}

// ---------------------------------------------------------------- binding

HRESULT ZelRasterLayer::Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) {
  if (!isSuccessful) return E_POINTER;
  *isSuccessful = VARIANT_FALSE;
  VELK_TRY
  if (!pTable || !IsCatalogOfKind(velkZelCatalogRPF, pTable)) return E_INVALIDARG;
  auto catalog = RequireInterface<IRasterCatalogLayer>(InnerUnknown());
  HRESULT hr = catalog->Setup(pTable, isSuccessful);
  if (!IsTrue(*isSuccessful)) return hr;
  LoadCatalogDatasets(pTable);
  scales_ = CatalogScalesAfterLoad(*this, pTable);
  lastExtent_.Reset();
  ApplyGlobeInitialScale(InnerUnknown(), scales_);
  Check(RequireInterface<IFeatureLayer>(footprint_.get())
            ->putref_FeatureClass(RequireInterface<IFeatureClass>(pTable).get()));
  Check(RequireInterface<IGeoFeatureLayer>(footprint_.get())->putref_Renderer(FootprintRenderer()));
  return catalog->put_ResamplingType(0);
  VELK_CATCH
}

void ZelRasterLayer::BuildFootprintRenderer() {
  SetFootprintRenderer(BuildRpfSeriesRenderer().get());
}

HRESULT ZelRasterLayer::get_InternalObject(IRasterCatalog** catalog) {
  if (!catalog) return E_POINTER;
  *catalog = nullptr;
  IUnknown* inner = InnerUnknown();
  if (!inner) return S_OK;
  auto found = QueryAs<IRasterCatalog>(inner);
  *catalog = found.Detach();
  return S_OK;
}

// ---------------------------------------------------------------- settings

HRESULT ZelRasterLayer::get_ResamplingType(velkRasterResamplingType* value) {
  return GetCatalogResampling(InnerUnknown(), value);
}

HRESULT ZelRasterLayer::put_ResamplingType(velkRasterResamplingType value) {
  return PutCatalogResampling(InnerUnknown(), value);
}

// ---------------------------------------------------------------- drawing

std::wstring ZelRasterLayer::ApplyWireframeQuery(bool* changed) {
  std::wstring clause = BuildDatasetWhereClause();
  *changed = clause != cachedWhereClause_;
  if (*changed) cachedWhereClause_ = clause;
  std::wstring footprintQuery;
  if (FootprintQueryFor(wireframeDisplay_, kProductField, clause, &footprintQuery))
    SetDefinition(footprint_.get(), footprintQuery);
  return clause;
}

void ZelRasterLayer::SearchScale(IDisplay* display) {
  double scale = 0;
  ComPtr<IEnvelope> extent = DisplayScaleAndExtent(display, &scale);
  if (EnvelopesEqual(extent.get(), lastExtent_.get())) return;
  ComPtr<ITable> table = CatalogTableOf(InnerUnknown());
  if (!table) ThrowComError(E_POINTER);
  if (!scales_.empty()) {
    auto filter = ViewFilter(extent.get(), L"");
    const std::vector<long> scales(scales_.begin(), scales_.end());
    auto chosen = ChooseScale(scales, scale, [&](long n) {
      Check(filter->put_WhereClause(Bstr(ScaleClause(static_cast<LONG>(n)))));
      return HasRow(table.get(), filter.get());
    });
    if (chosen) SetDefinition(InnerUnknown(), ScaleClause(static_cast<LONG>(*chosen)));
  }
  lastExtent_ = extent;
}

HRESULT ZelRasterLayer::Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) {
  if (phase != kDrawPhaseGeography) return S_OK;
  VELK_TRY
  VARIANT_BOOL valid = VARIANT_FALSE;
  auto inner = Inner();
  if (!inner || FAILED(inner->get_Valid(&valid)) || !valid) return S_OK;
  bool changed = false;
  const std::wstring clause = ApplyWireframeQuery(&changed);
  if (!IsTrue(useBestMap_)) {
    if (changed) SetDefinition(InnerUnknown(), clause);
  } else {
    SearchScale(display);
  }
  if (IsTrue(displayRasters_)) DrawHostLayer(InnerUnknown(), kDrawPhaseGeography, display, cancel);
  return DrawHostLayer(footprint_.get(), kDrawPhaseGeography, display, cancel);
  VELK_CATCH
}

// ---------------------------------------------------------------- clip

HRESULT ZelRasterLayer::ClipRegion(IEnvelope* Envelope, BSTR folder, BSTR Name,
                                   VARIANT_BOOL blnReproject, IGeoDataset** GeoDataset) {
  ComPtr<IRasterCatalog> catalog;
  get_InternalObject(catalog.put());
  return ClipCatalogRegion(Envelope, folder, Name, blnReproject, catalog.get(), InnerUnknown(),
                           GeoDataset, kClipChartRasters);
}

// ---------------------------------------------------------------- persistence

HRESULT ZelRasterLayer::IsDirty() {
  auto persist = QueryAs<IPersistStream>(InnerUnknown());
  return persist ? persist->IsDirty() : S_FALSE;
}

HRESULT ZelRasterLayer::Save(IStream* stream, BOOL) {
  VELK_TRY
  return SaveCatalogLayerRecord(
      stream, kVersion, {InnerUnknown(), footprint_.get()},
      {useBestMap_, displayRasters_, static_cast<LONG>(wireframeDisplay_)}, *this,
      [this] { return std::vector<Bstr>{layerId_}; });
  VELK_CATCH
}

HRESULT ZelRasterLayer::Load(IStream* stream) {
  VELK_TRY
  CatalogLayerRecord record;
  HRESULT hr =
      ReadCatalogLayerRecord(stream, kVersion, {InnerUnknown(), footprint_.get()}, 1, &record);
  if (FAILED(hr)) return hr;
  put_UseBestMap(record.flags.first);
  put_DisplayRasters(record.flags.second);
  put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(record.flags.wireframe));
  if (record.HasStrings()) layerId_ = record.tail.TakeString(0);
  return BindLoadedCatalog(*this, CatalogTableOf(InnerUnknown()).get(), record, stream);
  VELK_CATCH
}

}  // namespace velk::lumeris
