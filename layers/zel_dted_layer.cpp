#include "layers/zel_dted_layer.h"

#include <algorithm>
#include <filesystem>

#include "layers/catalog_layer_support.h"
#include "layers/clip_catalog_region.h"
#include "layers/layer_stream.h"
#include "layers/lumeris_module.h"
#include "layers/new_guid_string.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/host/display/color_ramp.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/display/symbol.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {

constexpr const wchar_t* kLevelField = L"DTED_TYPE";
constexpr const wchar_t* kNoRasters = L"DTED_TYPE = 'No Rasters please'";
constexpr double kNoMinimum = 32767.0;
constexpr double kNoMaximum = -32767.0;
constexpr double kDefaultMinimum = -1000.0;
constexpr double kDefaultMaximum = 8500.0;
constexpr LONG kDefaultFootprintColour = 0x4E4E4E;
constexpr const wchar_t* kRampName = L"Zel DTED #1";
constexpr LONG kRampPartSize = 10;

// The seven parts of the elevation ramp: from colour, to colour (0x00BBGGRR), algorithm.
struct RampPart {
  LONG from, to, algorithm;
};
constexpr RampPart kRampParts[7] = {
    {0xD3DB76, 0xB3FFFF, kRampAlgorithmRgb}, {0xB3FFFF, 0x408000, kRampAlgorithmRgb},
    {0x408000, 0x03BAFC, kRampAlgorithmHsv}, {0x03BAFC, 0x000080, kRampAlgorithmRgb},
    {0x000080, 0x0D3069, kRampAlgorithmHsv}, {0x0D3069, 0xABABAB, kRampAlgorithmHsv},
    {0xABABAB, 0xFFFFFF, kRampAlgorithmHsv},
};

ComPtr<IColor> RgbColour(LONG rgb) {
  auto colour = CreateHostObject<IColor>(host::CLSID_RgbColor);
  Check(colour->put_RGB(rgb));
  return colour;
}

// Outline colours of DTED Levels 0 to 5 (0x00BBGGRR).
constexpr LONG kLevelColours[6] = {0x7FA7FF, 0x0000E6, 0x0070A8, 0x9ED7D7, 0x00E698, 0x896544};

bool IsTrue(VARIANT_BOOL b) { return b == VARIANT_TRUE; }

}  // namespace

bool ZelDtedLayer::IsRefusedIid(REFIID riid) { return riid == IidOf<IRasterCatalogLayer>(); }

HRESULT ZelDtedLayer::FinalConstruct() {
  HRESULT hr = CreateInner(host::CLSID_RasterCatalogLayer);
  if (FAILED(hr)) return hr;
  wireframeDisplay_ = velkWireframeDisplayNone;
  AddKeyField(kLevelField);
  CoCreateInstance(host::CLSID_FeatureLayer, nullptr, kHostCreationContext, IidOf<IUnknown>(),
                   footprint_.put_void());
  layerId_ = Bstr::Attach(NewGuidString());
  return S_OK;
}

// ---------------------------------------------------------------- binding

HRESULT ZelDtedLayer::Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) {
  if (!isSuccessful) return E_POINTER;
  *isSuccessful = VARIANT_FALSE;
  VELK_TRY
  if (!pTable || !IsCatalogOfKind(velkZelCatalogDTED, pTable)) return E_INVALIDARG;
  auto catalog = RequireInterface<IRasterCatalogLayer>(InnerUnknown());
  Bstr rasterField, oidField;
  Check(catalog->get_RasterPathField(&rasterField));
  Check(pTable->get_OIDFieldName(&oidField));
  subFields_ = Bstr(oidField.str() + L"," + rasterField.str());
  HRESULT hr = catalog->Setup(pTable, isSuccessful);
  if (!IsTrue(*isSuccessful)) return hr;
  SaveInnerRamp();
  LoadCatalogDatasets(pTable);
  auto footprint = RequireInterface<IFeatureLayer>(footprint_.get());
  Check(footprint->putref_FeatureClass(RequireInterface<IFeatureClass>(pTable).get()));
  Check(RequireInterface<IGeoFeatureLayer>(footprint_.get())->putref_Renderer(FootprintRenderer()));
  // Several levels: only the one whose text sorts first starts in use.
  if (UseMap().size() > 1) {
    for (const auto& entry : UseMap()) SetUseFlag(entry.first, VARIANT_FALSE);
    SetUseFlag(UseMap().begin()->first, VARIANT_TRUE);
  }
  hr = catalog->put_ResamplingType(1);
  if (!IsTrue(displayElevation_)) SetDefinition(InnerUnknown(), kNoRasters);
  return hr;
  VELK_CATCH
}

HRESULT ZelDtedLayer::get_InternalObject(IRasterCatalog** catalog) {
  if (!catalog) return E_POINTER;
  *catalog = nullptr;
  IUnknown* inner = InnerUnknown();
  if (!inner) return S_OK;
  auto found = QueryAs<IRasterCatalog>(inner);
  *catalog = found.Detach();
  return S_OK;
}

void ZelDtedLayer::BuildFootprintRenderer() {
  auto renderer = CreateHostObject<IUniqueValueRenderer>(host::CLSID_UniqueValueRenderer);
  Check(renderer->put_FieldCount(1));
  Check(renderer->put_Field(0, Bstr(kLevelField)));
  for (int level = 0; level < 6; ++level) {
    const std::wstring text = L"DTED Level " + std::to_wstring(level);
    Check(renderer->AddValue(Bstr(text), Bstr(text), OutlineSymbol(kLevelColours[level], 2.0).get()));
    Check(renderer->put_Label(Bstr(text), Bstr(text)));
  }
  Check(renderer->putref_DefaultSymbol(OutlineSymbol(kDefaultFootprintColour, 2.0).get()));
  Check(renderer->put_DefaultLabel(Bstr(LoadResString(3))));
  Check(renderer->put_UseDefaultSymbol(VARIANT_TRUE));
  SetFootprintRenderer(RequireInterface<IFeatureRenderer>(renderer.get()).get());
}

// ---------------------------------------------------------------- settings

HRESULT ZelDtedLayer::put_UseUniformRenderer(VARIANT_BOOL value) {
  if (value == useUniformRenderer_) return S_OK;
  useUniformRenderer_ = value;
  VELK_TRY
  if (!IsTrue(value))
    RestoreElevationRenderer();
  else
    SaveInnerRamp();
  return S_OK;
  VELK_CATCH
}

HRESULT ZelDtedLayer::get_UseUniformRenderer(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  *value = useUniformRenderer_;
  return S_OK;
}

HRESULT ZelDtedLayer::get_DisplayElevation(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  *value = displayElevation_;
  return S_OK;
}

HRESULT ZelDtedLayer::put_DisplayElevation(VARIANT_BOOL value) {
  // Switched on over the "no rasters" query the level clause must be applied again at the next
  // draw, even when the levels did not change.
  if (IsTrue(value) && !IsTrue(displayElevation_)) cachedWhereClause_.clear();
  displayElevation_ = value;
  return S_OK;
}

HRESULT ZelDtedLayer::get_ResamplingType(velkRasterResamplingType* value) {
  return GetCatalogResampling(InnerUnknown(), value);
}

HRESULT ZelDtedLayer::put_ResamplingType(velkRasterResamplingType value) {
  return PutCatalogResampling(InnerUnknown(), value);
}

// ---------------------------------------------------------------- drawing

std::wstring ZelDtedLayer::ApplyWireframeQuery() {
  std::wstring clause = BuildDatasetWhereClause();
  const bool changed = clause != cachedWhereClause_;
  if (changed) cachedWhereClause_ = clause;
  std::wstring footprintQuery;
  if (FootprintQueryFor(wireframeDisplay_, kLevelField, clause, &footprintQuery))
    SetDefinition(footprint_.get(), footprintQuery);
  if (changed && IsTrue(displayElevation_)) SetDefinition(InnerUnknown(), clause);
  return clause;
}

HRESULT ZelDtedLayer::Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) {
  VELK_TRY
  const std::wstring clause = ApplyWireframeQuery();
  if (IsTrue(useUniformRenderer_) && phase == kDrawPhaseGeography && IsTrue(displayElevation_)) {
    double scale = 0;
    ComPtr<IEnvelope> extent = DisplayScaleAndExtent(display, &scale);
    ApplyUniformStretch(CatalogTableOf(InnerUnknown()).get(), extent.get(), clause);
  }
  if (IsTrue(displayElevation_)) DrawHostLayer(InnerUnknown(), phase, display, cancel);
  if (!footprint_) return E_POINTER;
  return DrawHostLayer(footprint_.get(), phase, display, cancel);
  VELK_CATCH
}

ComPtr<IUnknown> ZelDtedLayer::StretchRenderer() const {
  auto catalog = QueryAs<IRasterCatalogLayer>(InnerUnknown());
  if (!catalog) ThrowComError(E_POINTER);
  LONG count = 0;
  Check(catalog->get_RendererCount(&count));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IUnknown> renderer;
    Check(catalog->get_Renderer(i, renderer.put()));
    if (QueryAs<IRasterStretchRenderer>(renderer.get())) return renderer;
  }
  return nullptr;
}

void ZelDtedLayer::ApplyUniformStretch(ITable* table, IUnknown* extent, const std::wstring& where) {
  if (!table) return;
  ComPtr<IUnknown> renderer = StretchRenderer();
  if (!renderer) return;
  auto filter = ViewFilter(RequireInterface<IEnvelope>(extent).get(), where);
  Check(filter->put_SubFields(subFields_));
  ComPtr<ICursor> cursor;
  Check(table->Search(filter.get(), VARIANT_FALSE, cursor.put()));
  if (!cursor) ThrowComError(E_POINTER);
  Bstr pathField;
  Check(RequireInterface<IRasterCatalogLayer>(InnerUnknown())->get_RasterPathField(&pathField));
  LONG pathIndex = -1;
  Check(table->FindField(pathField, &pathIndex));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
  double low = kNoMinimum, high = kNoMaximum;
  ComPtr<IRow> row;
  while (cursor->NextRow(row.put()) == S_OK && row) {
    LONG oid = 0;
    Check(row->get_OID(&oid));
    if (auto it = statistics_.find(oid); it != statistics_.end()) {
      low = std::min(low, it->second.first);
      high = std::max(high, it->second.second);
      continue;
    }
    Variant path;
    if (pathIndex < 0 || FAILED(row->get_Value(pathIndex, &path)) || path.vt != VT_BSTR) continue;
    const std::filesystem::path file(ToUtf8(BstrToWstring(path.bstrVal)));
    ComPtr<IWorkspace> ws;
    ComPtr<IRasterDataset> dataset;
    if (FAILED(factory->OpenFromFile(Bstr(FromUtf8(file.parent_path().string())), nullptr,
                                     ws.put())) ||
        !ws)
      continue;
    auto rasters = QueryAs<IRasterWorkspace>(ws.get());
    if (!rasters ||
        FAILED(rasters->OpenRasterDataset(Bstr(FromUtf8(file.filename().string())),
                                          dataset.put())) ||
        !dataset)
      continue;
    auto bands = QueryAs<IRasterBandCollection>(dataset.get());
    ComPtr<IRasterBand> band;
    if (!bands || FAILED(bands->Item(0, band.put())) || !band) continue;
    ComPtr<IRasterStatistics> stats;
    ++statisticsReads_;
    if (FAILED(band->get_Statistics(stats.put())) || !stats) continue;
    double cellLow = 0, cellHigh = 0;
    stats->get_Minimum(&cellLow);
    stats->get_Maximum(&cellHigh);
    low = std::min(low, cellLow);
    high = std::max(high, cellHigh);
    statistics_[oid] = {cellLow, cellHigh};
  }
  if (low == kNoMinimum) low = kDefaultMinimum;
  if (high == kNoMaximum) high = kDefaultMaximum;
  if (!elevationRamp_) elevationRamp_ = BuildElevationColorRamp();
  auto ramp = RequireInterface<IColorRamp>(elevationRamp_.get());
  Check(RequireInterface<IRasterRendererColorRamp>(renderer.get())->putref_ColorRamp(ramp.get()));
  Check(ramp->put_Name(Bstr(kRampName)));
  auto stretch = RequireInterface<IRasterStretchRenderer>(renderer.get());
  Check(stretch->put_UseCustomStatistics(VARIANT_TRUE));
  Check(stretch->put_Maximum(high));
  Check(stretch->put_Minimum(low));
  lastStretch_ = {low, high};
}

void ZelDtedLayer::RestoreElevationRenderer() {
  ComPtr<IUnknown> renderer = StretchRenderer();
  if (!renderer) return;
  auto saved = QueryAs<IColorRamp>(savedRamp_.get());
  Check(RequireInterface<IRasterRendererColorRamp>(renderer.get())->putref_ColorRamp(saved.get()));
  if (saved) Check(saved->put_Name(Bstr(kRampName)));
  Check(RequireInterface<IRasterStretchRenderer>(renderer.get())
            ->put_UseCustomStatistics(VARIANT_FALSE));
}

void ZelDtedLayer::SaveInnerRamp() {
  savedRamp_.Reset();
  ComPtr<IUnknown> renderer = StretchRenderer();
  if (!renderer) return;
  ComPtr<IColorRamp> ramp;
  Check(RequireInterface<IRasterRendererColorRamp>(renderer.get())->get_ColorRamp(ramp.put()));
  if (!ramp) return;
  ComPtr<IClone> copy;
  Check(RequireInterface<IClone>(ramp.get())->Clone(copy.put()));
  savedRamp_ = copy.As<IUnknown>();
}

ComPtr<IUnknown> ZelDtedLayer::BuildElevationColorRamp() {
  auto ramp = CreateHostObject<IMultiPartColorRamp>(host::CLSID_MultiPartColorRamp);
  for (const RampPart& p : kRampParts) {
    auto part = CreateHostObject<IAlgorithmicColorRamp>(host::CLSID_AlgorithmicColorRamp);
    Check(part->putref_FromColor(RgbColour(p.from).get()));
    Check(part->putref_ToColor(RgbColour(p.to).get()));
    Check(part->put_Algorithm(p.algorithm));
    auto asRamp = RequireInterface<IColorRamp>(part.get());
    Check(asRamp->put_Size(kRampPartSize));
    VARIANT_BOOL made = VARIANT_FALSE;
    asRamp->CreateRamp(&made);
    Check(ramp->AddRamp(asRamp.get()));
  }
  VARIANT_BOOL made = VARIANT_FALSE;
  Check(RequireInterface<IColorRamp>(ramp.get())->CreateRamp(&made));
  return ramp.As<IUnknown>();
}

// ---------------------------------------------------------------- clip

HRESULT ZelDtedLayer::ClipRegion(IEnvelope* Envelope, BSTR folder, BSTR Name,
                                 VARIANT_BOOL blnReproject, IGeoDataset** GeoDataset) {
  ComPtr<IRasterCatalog> catalog;
  get_InternalObject(catalog.put());
  return ClipCatalogRegion(Envelope, folder, Name, blnReproject, catalog.get(), InnerUnknown(),
                           GeoDataset, kClipElevationRasters);
}

// ---------------------------------------------------------------- persistence

HRESULT ZelDtedLayer::IsDirty() {
  auto persist = QueryAs<IPersistStream>(InnerUnknown());
  return persist ? persist->IsDirty() : S_FALSE;
}

HRESULT ZelDtedLayer::Save(IStream* stream, BOOL) {
  VELK_TRY
  // The strings are the layer id and the level clause, which is applied as it is made.
  return SaveCatalogLayerRecord(
      stream, kVersion, {InnerUnknown(), footprint_.get()},
      {useUniformRenderer_, displayElevation_, static_cast<LONG>(wireframeDisplay_)}, *this,
      [this] {
        return std::vector<Bstr>{layerId_, Bstr(ApplyWireframeQuery())};
      });
  VELK_CATCH
}

HRESULT ZelDtedLayer::Load(IStream* stream) {
  VELK_TRY
  CatalogLayerRecord record;
  HRESULT hr =
      ReadCatalogLayerRecord(stream, kVersion, {InnerUnknown(), footprint_.get()}, 2, &record);
  if (FAILED(hr)) return hr;
  put_UseUniformRenderer(record.flags.first);
  put_DisplayElevation(record.flags.second);
  put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(record.flags.wireframe));
  // The saved level clause is not taken as the applied one: the first draw applies the levels.
  if (record.HasStrings()) layerId_ = record.tail.TakeString(0);
  return BindLoadedCatalog(*this, CatalogTableOf(InnerUnknown()).get(), record, stream);
  VELK_CATCH
}

}  // namespace velk::lumeris
