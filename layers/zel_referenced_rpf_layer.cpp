#include "layers/zel_referenced_rpf_layer.h"

#include "layers/catalog_layer_support.h"
#include "layers/layer_stream.h"
#include "layers/new_guid_string.h"
#include "layers/scale_choice.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/data/table.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {
constexpr const wchar_t* kProductField = L"PRODUCT";
bool IsTrue(VARIANT_BOOL b) { return b == VARIANT_TRUE; }

std::wstring TextOf(IRow* row, LONG index) {
  Variant v;
  if (index < 0 || FAILED(row->get_Value(index, &v)) || v.vt != VT_BSTR) return {};
  return BstrToWstring(v.bstrVal);
}

// A missing tracker means "go on".
bool KeepGoing(ITrackCancel* cancel) {
  VARIANT_BOOL go = VARIANT_TRUE;
  return !cancel || FAILED(cancel->Continue(&go)) || go != VARIANT_FALSE;
}
}  // namespace

bool ZelReferencedRpfLayer::IsRefusedIid(REFIID riid) { return riid == IidOf<IFeatureSelection>(); }

HRESULT ZelReferencedRpfLayer::FinalConstruct() {
  visible_ = VARIANT_TRUE;
  HRESULT hr = CreateInner(host::CLSID_FeatureLayer);
  if (FAILED(hr)) return hr;
  resampling_ = 0;
  wireframeDisplay_ = velkWireframeDisplayNone;
  AddKeyField(kProductField);
  layerId_ = Bstr::Attach(NewGuidString());
  return S_OK;
}

// ---------------------------------------------------------------- binding

HRESULT ZelReferencedRpfLayer::Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) {
  if (!isSuccessful) return E_POINTER;
  *isSuccessful = VARIANT_FALSE;
  VELK_TRY
  if (!pTable || !IsCatalogOfKind(velkZelCatalogRPF, pTable)) return E_INVALIDARG;
  auto features = RequireInterface<IFeatureClass>(pTable);
  Check(RequireInterface<IFeatureLayer>(InnerUnknown())->putref_FeatureClass(features.get()));
  ComPtr<IUnknown> footprint;
  Check(CoCreateInstance(host::CLSID_FeatureLayer, nullptr, kHostCreationContext,
                         IidOf<IUnknown>(), footprint.put_void()));
  Check(RequireInterface<IFeatureLayer>(footprint.get())->putref_FeatureClass(features.get()));
  footprint_ = footprint;
  // Without a companion "_uids" table the products and scales come from the catalog itself.
  LoadCatalogDatasets(pTable);
  scales_ = CatalogScalesAfterLoad(*this, pTable);
  lastExtent_.Reset();
  lastScaleClause_.clear();
  ApplyGlobeInitialScale(InnerUnknown(), scales_);
  Check(RequireInterface<IGeoFeatureLayer>(footprint_.get())->putref_Renderer(FootprintRenderer()));
  Check(RequireInterface<IGeoFeatureLayer>(InnerUnknown())->putref_Renderer(FootprintRenderer()));
  // isSuccessful stays false: callers judge this layer's setup by the result alone.
  return S_OK;
  VELK_CATCH
}

void ZelReferencedRpfLayer::BuildFootprintRenderer() {
  SetFootprintRenderer(BuildRpfSeriesRenderer().get());
}

HRESULT ZelReferencedRpfLayer::get_InternalObject(IRasterCatalog** catalog) {
  if (!catalog) return E_POINTER;
  *catalog = nullptr;
  auto layer = QueryAs<IFeatureLayer>(InnerUnknown());
  if (!layer) return S_OK;
  ComPtr<IFeatureClass> features;
  layer->get_FeatureClass(features.put());
  if (!features) return S_OK;
  return features->QueryInterface(IidOf<IRasterCatalog>(), reinterpret_cast<void**>(catalog));
}

// ---------------------------------------------------------------- settings

HRESULT ZelReferencedRpfLayer::get_ResamplingType(velkRasterResamplingType* value) {
  if (!value) return E_POINTER;
  *value = resampling_;
  return S_OK;
}
HRESULT ZelReferencedRpfLayer::put_ResamplingType(velkRasterResamplingType value) {
  resampling_ = value;
  return S_OK;
}

// ---------------------------------------------------------------- host layer

HRESULT ZelReferencedRpfLayer::get_Visible(VARIANT_BOOL* visible) {
  if (!visible) return E_POINTER;
  *visible = visible_;
  return S_OK;
}
HRESULT ZelReferencedRpfLayer::put_Visible(VARIANT_BOOL visible) {
  visible_ = visible;
  return S_OK;
}

// ---------------------------------------------------------------- drawing

std::wstring ZelReferencedRpfLayer::ApplyWireframeQuery() {
  std::wstring clause = BuildDatasetWhereClause();
  if (clause != cachedWhereClause_) cachedWhereClause_ = clause;
  std::wstring footprintQuery;
  if (FootprintQueryFor(wireframeDisplay_, kProductField, clause, &footprintQuery))
    SetDefinition(footprint_.get(), footprintQuery);
  return clause;
}

std::wstring ZelReferencedRpfLayer::SearchScale(IFeatureClass* frames, IEnvelope* extent,
                                                double mapScale) {
  auto table = RequireInterface<ITable>(frames);
  auto filter = ViewFilter(extent, L"");
  Check(filter->put_SubFields(Bstr(L"ObjectID,SHAPE")));
  const std::vector<long> scales(scales_.begin(), scales_.end());
  auto chosen = ChooseScale(
      scales, mapScale,
      [&](long n) {
        Check(filter->put_WhereClause(Bstr(ScaleClause(static_cast<LONG>(n)))));
        return HasRow(table.get(), filter.get());
      },
      ScaleChoiceOptions{.largerFirst = false});
  return chosen ? ScaleClause(static_cast<LONG>(*chosen)) : std::wstring();
}

ComPtr<IWorkspace> ZelReferencedRpfLayer::FolderWorkspace(const std::wstring& folder) {
  auto factory = factories_.find(folder);
  if (factory == factories_.end())
    factory = factories_
                  .emplace(folder, CreateHostObject<IWorkspaceFactory>(
                                       host::CLSID_RasterWorkspaceFactory))
                  .first;
  auto ws = workspaces_.find(folder);
  if (ws == workspaces_.end() || !ws->second) {
    // A folder that did not open is tried again on a later draw.
    ComPtr<IWorkspace> opened;
    factory->second->OpenFromFile(Bstr(folder), nullptr, opened.put());
    ws = workspaces_.insert_or_assign(folder, opened).first;
  }
  return ws->second;
}

void ZelReferencedRpfLayer::DrawFrames(IFeatureClass* frames, IEnvelope* extent,
                                       const std::wstring& clause, IDisplay* display,
                                       ITrackCancel* cancel) {
  auto table = RequireInterface<ITable>(frames);
  auto filter = ViewFilter(extent, clause);
  ComPtr<ISelectionSet> selection;
  Check(table->Select(filter.get(), kSelectionTypeIDSet, kSelectionOptionNormal, nullptr,
                      selection.put()));
  LONG count = 0;
  if (selection) Check(selection->get_Count(&count));
  if (count > kMaxFramesDrawn) {
    SetDefinition(footprint_.get(), clause);
    DrawHostLayer(footprint_.get(), kDrawPhaseGeography, display, cancel);
    return;
  }
  Check(filter->put_SubFields(Bstr(L"NAME,FULL_NAME")));
  ComPtr<ICursor> cursor;
  Check(table->Search(filter.get(), VARIANT_TRUE, cursor.put()));
  if (!cursor) ThrowComError(E_POINTER);
  LONG fullIndex = -1, nameIndex = -1;
  Check(cursor->FindField(Bstr(L"FULL_NAME"), &fullIndex));
  Check(cursor->FindField(Bstr(L"NAME"), &nameIndex));
  ComPtr<IRow> row;
  while (cursor->NextRow(row.put()) == S_OK && row) {
    if (!KeepGoing(cancel)) break;
    const std::wstring full = TextOf(row.get(), fullIndex);
    const std::wstring name = TextOf(row.get(), nameIndex);
    const std::wstring folder =
        name.size() > full.size() ? std::wstring() : full.substr(0, full.size() - name.size());
    ComPtr<IWorkspace> ws = FolderWorkspace(folder);
    auto rasters = QueryAs<IRasterWorkspace>(ws.get());
    ComPtr<IRasterDataset> dataset;
    if (!rasters || FAILED(rasters->OpenRasterDataset(Bstr(name), dataset.put())) || !dataset)
      continue;
    ComPtr<IRaster> raster;
    if (FAILED(dataset->CreateDefaultRaster(raster.put())) || !raster) continue;
    if (auto resampling = raster.As<IRasterResampling>()) resampling->put_ResamplingMode(resampling_);
    ComPtr<IRasterLayer> layer;
    if (FAILED(CoCreateInstance(host::CLSID_RasterLayer, nullptr, kHostCreationContext,
                                IidOf<IRasterLayer>(), layer.put_void())) ||
        !layer || FAILED(layer->CreateFromRaster(raster.get())))
      continue;
    DrawHostLayer(layer.get(), kDrawPhaseGeography, display, cancel);
  }
}

HRESULT ZelReferencedRpfLayer::Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) {
  if (!IsTrue(visible_) || phase != kDrawPhaseGeography) return S_OK;
  VELK_TRY
  VARIANT_BOOL valid = VARIANT_FALSE;
  auto inner = Inner();
  if (!inner || FAILED(inner->get_Valid(&valid)) || !valid) return S_OK;
  if (!footprint_) return E_POINTER;
  const std::wstring datasetClause = ApplyWireframeQuery();
  double scale = 0;
  ComPtr<IEnvelope> extent = DisplayScaleAndExtent(display, &scale);
  ComPtr<IFeatureClass> frames;
  Check(RequireInterface<IFeatureLayer>(footprint_.get())->get_FeatureClass(frames.put()));
  if (!frames) return E_POINTER;
  if (IsTrue(useBestMap_) && !EnvelopesEqual(extent.get(), lastExtent_.get())) {
    // The chosen scale is kept, so a redraw of the same view shows the same frames.
    lastScaleClause_ = SearchScale(frames.get(), extent.get(), scale);
    lastExtent_ = extent;
  }
  if (IsTrue(displayRasters_)) {
    if (!IsTrue(useBestMap_))
      DrawFrames(frames.get(), extent.get(), datasetClause, display, cancel);
    else if (!lastScaleClause_.empty())
      DrawFrames(frames.get(), extent.get(), lastScaleClause_, display, cancel);
  }
  ApplyWireframeQuery();
  return DrawHostLayer(footprint_.get(), kDrawPhaseGeography, display, cancel);
  VELK_CATCH
}

// ---------------------------------------------------------------- persistence

HRESULT ZelReferencedRpfLayer::IsDirty() {
  auto persist = QueryAs<IPersistStream>(InnerUnknown());
  return persist ? persist->IsDirty() : S_FALSE;
}

HRESULT ZelReferencedRpfLayer::Save(IStream* stream, BOOL) {
  VELK_TRY
  return SaveCatalogLayerRecord(
      stream, kVersion, {InnerUnknown()},
      {useBestMap_, displayRasters_, static_cast<LONG>(wireframeDisplay_)}, *this,
      [this] { return std::vector<Bstr>{layerId_}; });
  VELK_CATCH
}

HRESULT ZelReferencedRpfLayer::Load(IStream* stream) {
  VELK_TRY
  CatalogLayerRecord record;
  HRESULT hr = ReadCatalogLayerRecord(stream, kVersion, {InnerUnknown()}, 1, &record);
  if (FAILED(hr)) return hr;
  put_UseBestMap(record.flags.first);
  put_DisplayRasters(record.flags.second);
  put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(record.flags.wireframe));
  if (record.HasStrings()) layerId_ = record.tail.TakeString(0);
  ComPtr<IFeatureClass> features;
  if (auto layer = QueryAs<IFeatureLayer>(InnerUnknown())) layer->get_FeatureClass(features.put());
  auto table = QueryAs<ITable>(features.get());
  return BindLoadedCatalog(*this, table.get(), record, stream);
  VELK_CATCH
}

}  // namespace velk::lumeris
