#include "layers/catalog_layer_support.h"

#include <algorithm>

#include "layers/layer_stream.h"
#include "layers/lumeris_module.h"
#include "layers/product_series_tables.h"
#include "layers/scale_choice.h"
#include "layers/shared_raster_helper.h"
#include "layers/zel_datasets_impl.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer_draw.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/display/symbol.h"
#include "platform/host/data/table.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {
constexpr LONG kHollowFill = 1;
constexpr LONG kDefaultFootprintColour = 0x4E4E4E;
}  // namespace

bool IsCatalogOfKind(LONG kind, ITable* table) {
  auto manager = CreateHostObject<IDataManager>(productline::CLSID_DataManager);
  VARIANT_BOOL valid = VARIANT_FALSE;
  manager->IsCatalogValid(static_cast<velkZelCatalogTypeEnum>(kind), table, &valid);
  return (valid & 0xFFFF) == 0xFFFF;
}

ComPtr<ITable> CatalogTableOf(IUnknown* innerLayer) {
  ComPtr<ITable> table;
  if (auto catalog = QueryAs<IRasterCatalogLayer>(innerLayer)) catalog->get_Table(table.put());
  return table;
}

std::wstring DefinitionOf(IUnknown* layer) {
  Bstr text;
  Check(RequireInterface<IFeatureLayerDefinition>(layer)->get_DefinitionExpression(&text));
  return text.str();
}

void SetDefinition(IUnknown* layer, const std::wstring& clause) {
  Check(RequireInterface<IFeatureLayerDefinition>(layer)->put_DefinitionExpression(Bstr(clause)));
}

HRESULT DrawHostLayer(IUnknown* layer, LONG phase, IDisplay* display, ITrackCancel* cancel) {
  return RequireInterface<ILayerDraw>(layer)->Draw(phase, display, cancel);
}

ComPtr<IEnvelope> DisplayScaleAndExtent(IDisplay* display, double* scale) {
  if (!display) ThrowComError(E_POINTER);
  ComPtr<IDisplayTransformation> transformation;
  Check(display->get_DisplayTransformation(transformation.put()));
  if (!transformation) ThrowComError(E_POINTER);
  Check(RequireInterface<IDisplayScale>(transformation.get())->get_ScaleRatio(scale));
  ComPtr<IEnvelope> extent;
  Check(transformation->get_VisibleBounds(extent.put()));
  if (!extent) ThrowComError(E_POINTER);
  return extent;
}

bool EnvelopesEqual(IEnvelope* a, IEnvelope* b) {
  if (!a || !b) return false;
  double ax[4], bx[4];
  if (FAILED(a->QueryCoords(&ax[0], &ax[1], &ax[2], &ax[3])) ||
      FAILED(b->QueryCoords(&bx[0], &bx[1], &bx[2], &bx[3])))
    return false;
  return std::equal(ax, ax + 4, bx);
}

ComPtr<ISpatialFilter> ViewFilter(IEnvelope* extent, const std::wstring& where) {
  auto filter = CreateHostObject<ISpatialFilter>(host::CLSID_SpatialFilter);
  Check(filter->putref_Geometry(extent));
  Check(filter->put_SpatialRel(kSpatialRelIntersects));
  Check(filter->put_WhereClause(Bstr(where)));
  return filter;
}

bool HasRow(ITable* table, ISpatialFilter* filter) {
  ComPtr<ICursor> cursor;
  Check(table->Search(filter, VARIANT_FALSE, cursor.put()));
  if (!cursor) ThrowComError(E_POINTER);
  ComPtr<IRow> row;
  return cursor->NextRow(row.put()) == S_OK && row;
}

bool FootprintQueryFor(velkZelWireframeDisplayEnum mode, const std::wstring& field,
                       const std::wstring& datasetClause, std::wstring* query) {
  switch (mode) {
    case velkWireframeDisplayNone: *query = field + L" = 'No Wireframe please'"; return true;
    case velkWireframeDisplaySelected: *query = datasetClause; return true;
    case velkWireframeDisplayAll: query->clear(); return true;
    default: return false;
  }
}

ComPtr<IUnknown> OutlineSymbol(LONG rgb, double width) {
  auto colour = CreateHostObject<IColor>(host::CLSID_RgbColor);
  Check(colour->put_RGB(rgb));
  auto line = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
  Check(line->put_Color(colour.get()));
  Check(line->put_Width(width));
  auto fill = CreateHostObject<IFillSymbol>(host::CLSID_SimpleFillSymbol);
  Check(fill->put_Style(kHollowFill));
  Check(fill->put_Outline(line.get()));
  return fill.As<IUnknown>();
}

ComPtr<IFeatureRenderer> BuildRpfSeriesRenderer() {
  auto renderer = CreateHostObject<IUniqueValueRenderer>(host::CLSID_UniqueValueRenderer);
  Check(renderer->put_FieldCount(1));
  Check(renderer->put_Field(0, Bstr(L"SERIES")));
  for (const auto& [code, index] : GetRpfSeriesMap()) {
    const RpfSeriesRow* row = RpfSeriesAt(index);
    if (!row) continue;
    Check(renderer->AddValue(Bstr(row->seriesCode), Bstr(row->longName),
                             OutlineSymbol(static_cast<LONG>(row->colour), 1.0).get()));
  }
  Check(renderer->putref_DefaultSymbol(OutlineSymbol(kDefaultFootprintColour, 2.0).get()));
  Check(renderer->put_DefaultLabel(Bstr(LoadResString(3))));
  Check(renderer->put_UseDefaultSymbol(VARIANT_TRUE));
  return RequireInterface<IFeatureRenderer>(renderer.get());
}

std::vector<LONG> DistinctSorted(std::vector<LONG> scales) {
  std::sort(scales.begin(), scales.end());
  scales.erase(std::unique(scales.begin(), scales.end()), scales.end());
  return scales;
}

std::vector<LONG> QueryCatalogScales(ITable* table) {
  std::vector<LONG> scales;
  if (!table) return scales;
  LONG index = -1;
  Check(table->FindField(Bstr(L"SCALE"), &index));
  if (index < 0) return scales;
  auto filter = CreateHostObject<IQueryFilter>(host::CLSID_QueryFilter);
  Check(filter->put_SubFields(Bstr(L"DISTINCT (SCALE)")));
  ComPtr<ICursor> cursor;
  Check(table->Search(filter.get(), VARIANT_TRUE, cursor.put()));
  if (!cursor) ThrowComError(E_POINTER);
  ComPtr<IRow> row;
  while (cursor->NextRow(row.put()) == S_OK && row) {
    Variant v;
    Check(row->get_Value(index, &v));
    Variant n;
    if (SUCCEEDED(VariantChangeType(&n, &v, 0, VT_I4))) scales.push_back(n.lVal);
  }
  // Whether or not the workspace honoured DISTINCT, the list holds each scale once.
  return DistinctSorted(std::move(scales));
}

std::wstring ScaleClause(LONG scale) { return L"SCALE = " + std::to_wstring(scale); }

HRESULT WriteHeaderFlags(IStream* stream, const LayerHeaderFlags& flags) {
  if (FAILED(WriteStreamBool(stream, flags.first)) ||
      FAILED(WriteStreamBool(stream, flags.second)) ||
      FAILED(WriteStreamLong(stream, flags.wireframe)))
    return E_FAIL;
  return S_OK;
}

HRESULT ReadHeaderFlags(IStream* stream, LayerHeaderFlags* flags) {
  if (FAILED(ReadStreamBool(stream, &flags->first)) ||
      FAILED(ReadStreamBool(stream, &flags->second)) ||
      FAILED(ReadStreamLong(stream, &flags->wireframe)))
    return E_FAIL;
  return S_OK;
}

namespace {
bool Tell(IStream* stream, ULONGLONG* at) {
  ULARGE_INTEGER pos{};
  if (FAILED(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &pos))) return false;
  *at = pos.QuadPart;
  return true;
}
bool SeekTo(IStream* stream, ULONGLONG at) {
  return SUCCEEDED(stream->Seek(LARGE_INTEGER{static_cast<LONGLONG>(at)}, STREAM_SEEK_SET, nullptr));
}
}  // namespace

HRESULT LayerRecordTail::Read(IStream* stream, int strings) {
  StreamMark mark(stream);
  strings_.assign(static_cast<std::size_t>(strings), Bstr());
  if (!Tell(stream, &flagsAt_) || FAILED(ZelDatasetsImpl::SkipDatasetFlags(stream))) return E_FAIL;
  for (Bstr& text : strings_)
    if (FAILED(ReadStreamString(stream, &text))) return E_FAIL;
  if (!Tell(stream, &endAt_)) return E_FAIL;
  mark.Keep();
  return S_OK;
}

HRESULT LayerRecordTail::ApplyFlags(ZelDatasetsImpl& datasets, IStream* stream) const {
  if (!SeekTo(stream, flagsAt_)) return E_FAIL;
  HRESULT hr = datasets.LoadDatasetFlags(stream);
  return SeekTo(stream, endAt_) ? hr : E_FAIL;
}

HRESULT SaveCatalogLayerRecord(IStream* stream, LONG version,
                               std::initializer_list<IUnknown*> parts,
                               const LayerHeaderFlags& flags, ZelDatasetsImpl& datasets,
                               const std::function<std::vector<Bstr>()>& strings) {
  if (!stream) return E_POINTER;
  if (FAILED(WriteStreamVersion(stream, version))) return E_FAIL;
  // Every field has to be there for the stream to load again.
  for (IUnknown* part : parts)
    if (FAILED(SaveInnerPart(part, stream))) return E_FAIL;
  if (FAILED(WriteHeaderFlags(stream, flags)) || FAILED(datasets.SaveDatasetFlags(stream)))
    return E_FAIL;
  for (const Bstr& text : strings())
    if (FAILED(WriteStreamString(stream, text))) return E_FAIL;
  return S_OK;
}

HRESULT ReadCatalogLayerRecord(IStream* stream, LONG classVersion,
                               std::initializer_list<IUnknown*> parts, int strings,
                               CatalogLayerRecord* record) {
  if (!stream) return E_POINTER;
  StreamMark mark(stream);
  HRESULT hr = ReadStreamVersion(stream, classVersion, &record->version);
  if (FAILED(hr)) return hr;
  for (IUnknown* part : parts)
    if (FAILED(LoadInnerPart(part, stream))) return E_FAIL;
  if (FAILED(ReadHeaderFlags(stream, &record->flags)) ||
      FAILED(record->tail.Read(stream, record->HasStrings() ? strings : 0)))
    return E_FAIL;
  mark.Keep();
  return S_OK;
}

std::vector<LONG> CatalogScalesAfterLoad(const ZelDatasetsImpl& datasets, ITable* catalog) {
  if (datasets.ReadFromPlainTable()) return QueryCatalogScales(catalog);
  const auto& read = datasets.CompanionScales();
  return DistinctSorted(std::vector<LONG>(read.begin(), read.end()));
}

void ApplyGlobeInitialScale(IUnknown* innerLayer, const std::vector<LONG>& scales) {
  auto host = ComPtr<IUnknown>::Attach(GetSharedRasterHelper()->FindHostApplicationObject());
  if (!host || !innerLayer || scales.empty()) return;
  const std::vector<long> ascending(scales.begin(), scales.end());
  SetDefinition(innerLayer, ScaleClause(static_cast<LONG>(GlobeInitialScale(ascending))));
}

HRESULT GetCatalogResampling(IUnknown* innerLayer, velkRasterResamplingType* value) {
  if (!value) return E_POINTER;
  auto catalog = QueryAs<IRasterCatalogLayer>(innerLayer);
  if (!catalog) return E_POINTER;
  LONG kind = 0;
  HRESULT hr = catalog->get_ResamplingType(&kind);
  *value = kind;
  return hr;
}

HRESULT PutCatalogResampling(IUnknown* innerLayer, velkRasterResamplingType value) {
  auto catalog = QueryAs<IRasterCatalogLayer>(innerLayer);
  return catalog ? catalog->put_ResamplingType(value) : E_POINTER;
}

HRESULT SaveInnerPart(IUnknown* object, IStream* stream) {
  auto persist = QueryAs<IPersistStream>(object);
  return persist ? persist->Save(stream, TRUE) : S_OK;
}

HRESULT LoadInnerPart(IUnknown* object, IStream* stream) {
  auto persist = QueryAs<IPersistStream>(object);
  return persist ? persist->Load(stream) : S_OK;
}

}  // namespace velk::lumeris
