#include "platform/host/display/raster_catalog_layer.h"

#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/enum_list.h"
#include "platform/com/out_param.h"
#include "platform/com/stream.h"
#include "platform/com/text.h"
#include "platform/host/display/color_ramp.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_base.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/data/persist_bytes.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_location.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host {
namespace {

class RasterStretchRenderer
    : public ComObjectRoot<RasterStretchRenderer, IRasterStretchRenderer, IRasterRendererColorRamp> {
 public:
  using IRasterStretchRenderer::QueryInterface;
  HRESULT get_ColorRamp(IColorRamp** ramp) override { return ramp_.CopyTo(ramp); }
  HRESULT putref_ColorRamp(IColorRamp* ramp) override {
    ramp_ = ramp;
    return S_OK;
  }
  HRESULT get_UseCustomStatistics(VARIANT_BOOL* custom) override {
    if (!custom) return E_POINTER;
    *custom = ToVariantBool(custom_);
    return S_OK;
  }
  HRESULT put_UseCustomStatistics(VARIANT_BOOL custom) override {
    custom_ = custom != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Minimum(double* value) override {
    if (!value) return E_POINTER;
    *value = minimum_;
    return S_OK;
  }
  HRESULT put_Minimum(double value) override {
    minimum_ = value;
    return S_OK;
  }
  HRESULT get_Maximum(double* value) override {
    if (!value) return E_POINTER;
    *value = maximum_;
    return S_OK;
  }
  HRESULT put_Maximum(double value) override {
    maximum_ = value;
    return S_OK;
  }

 private:
  bool custom_ = false;
  double minimum_ = 0;
  double maximum_ = 0;
  ComPtr<IColorRamp> ramp_;
};

class RasterCatalogLayer
    : public PersistentLayerBase<RasterCatalogLayer, CLSID_RasterCatalogLayer, IRasterCatalogLayer,
                                 IRasterCatalog, IRasterCatalogSelection> {
 public:
  // IRasterCatalog: the rasters of every record, in the table's order; a raster that does not
  // open fails the whole (E_DATA_NOT_FOUND), so that nothing is put together without it.
  HRESULT get_RasterDatasets(IEnumDataset** datasets) override {
    if (!datasets) return E_POINTER;
    *datasets = nullptr;
    if (!table_) return E_POINTER;
    VELK_TRY
    std::vector<ComPtr<IDataset>> found;
    for (const std::wstring& path : Paths(L"")) {
      ComPtr<IRasterDataset> raster;
      HRESULT hr = OpenRasterFile(ToUtf8(path), nullptr, raster.put());
      if (FAILED(hr)) return E_DATA_NOT_FOUND;
      found.push_back(raster.As<IDataset>());
    }
    *datasets = MakeListEnum<IEnumDataset, IDataset>(std::move(found)).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_SelectedCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(selected_.size());
    return S_OK;
  }
  HRESULT get_SelectedName(LONG index, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= selected_.size()) return E_INVALIDARG;
    *name = AllocBstr(selected_[static_cast<std::size_t>(index)]);
    return S_OK;
  }
  HRESULT SelectWhere(BSTR whereClause, LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    if (!table_) return E_POINTER;
    VELK_TRY
    std::vector<std::wstring> paths = Paths(BstrToWstring(whereClause));
    selected_ = std::move(paths);
    *count = static_cast<LONG>(selected_.size());
    return S_OK;
    VELK_CATCH
  }
  HRESULT ClearSelection() override {
    selected_.clear();
    return S_OK;
  }

  HRESULT FinalConstruct() {
    ComPtr<IUnknown> stretch;
    HRESULT hr =
        CreateInstance<RasterStretchRenderer>(nullptr, IidOf<IUnknown>(), stretch.put_void());
    if (SUCCEEDED(hr)) renderers_.push_back(stretch);
    return hr;
  }
  bool IsValid() const { return table_ != nullptr; }
  ComPtr<IEnvelope> Extent() {
    ComPtr<IEnvelope> e;
    if (auto geo = table_.As<IGeoDataset>()) geo->get_Extent(e.put());
    return e;
  }
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel*) override {
    if (phase != kDrawPhaseGeography || !visible_ || !table_) return S_OK;
    return DrawRasterCatalogOnDisplay(display, this, definition_);
  }

  // IRasterCatalogLayer
  HRESULT Setup(ITable* table, VARIANT_BOOL* isSuccessful) override {
    if (!isSuccessful) return E_POINTER;
    *isSuccessful = VARIANT_FALSE;
    if (!table) return E_INVALIDARG;
    ComPtr<IFeatureClass> features;
    if (FAILED(table->QueryInterface(IidOf<IFeatureClass>(), features.put_void())) || !features)
      return S_OK;
    LONG index = -1;
    if (FAILED(table->FindField(Bstr(pathField_), &index)) || index < 0) return S_OK;
    table_ = table;
    source_ = TableLocation::Of(table);
    if (name_.empty()) {
      Bstr n;
      if (auto ds = QueryAs<IDataset>(table); ds && SUCCEEDED(ds->get_Name(&n))) name_ = n.str();
    }
    *isSuccessful = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_Table(ITable** table) override { return table_.CopyTo(table); }
  HRESULT get_RasterPathField(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(pathField_);
    return S_OK;
  }
  HRESULT put_RasterPathField(BSTR name) override {
    if (SysStringLen(name) == 0) return E_INVALIDARG;
    pathField_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_ResamplingType(LONG* kind) override {
    if (!kind) return E_POINTER;
    *kind = resampling_;
    return S_OK;
  }
  HRESULT put_ResamplingType(LONG kind) override {
    if (kind < 0 || kind > 2) return E_INVALIDARG;
    resampling_ = kind;
    return S_OK;
  }
  HRESULT get_RendererCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(renderers_.size());
    return S_OK;
  }
  HRESULT get_Renderer(LONG index, IUnknown** renderer) override {
    if (!renderer) return E_POINTER;
    *renderer = nullptr;
    if (index < 0 || index >= static_cast<LONG>(renderers_.size())) return E_INVALIDARG;
    return renderers_[static_cast<std::size_t>(index)].CopyTo(renderer);
  }
  HRESULT AddRenderer(IUnknown* renderer) override {
    if (!renderer) return E_INVALIDARG;
    renderers_.emplace_back(renderer);
    return S_OK;
  }
  HRESULT ClearRenderers() override {
    renderers_.clear();
    return S_OK;
  }

  // IPersistStream: the layer's settings and where its table lies (a database file and the
  // table's name), so that a map document brings it back; a table no longer there leaves the
  // layer invalid rather than failing the document.
  HRESULT Save(IStream* stream, BOOL) override {
    if (!stream) return E_POINTER;
    const Stretch s = StretchSettings();
    return SaveLayerRecord(
        stream, std::array{name_, source_.workspace, source_.table, pathField_, definition_},
        [&](ByteWriter& w) {
          w.U32(static_cast<std::uint32_t>(resampling_));
          w.U32(s.present ? (s.custom ? 2 : 1) : 0);
          w.F64(s.minimum);
          w.F64(s.maximum);
        });
  }
  HRESULT Load(IStream* stream) override {
    if (!stream) return E_POINTER;
    std::array<std::wstring, 5> texts;
    bool visible = false;
    std::uint32_t resampling = 0, stretch = 0;
    double minimum = 0, maximum = 0;
    HRESULT read = LoadLayerRecord(stream, &texts, &visible, [&](ByteReader& r) {
      resampling = r.U32();
      stretch = r.U32();
      minimum = r.F64();
      maximum = r.F64();
      return !r.ok || resampling > 2 || texts[3].empty() ? E_FAIL : S_OK;
    });
    if (FAILED(read)) return read;
    name_ = texts[0];
    source_ = {texts[1], texts[2]};
    pathField_ = texts[3];
    definition_ = texts[4];
    visible_ = visible;
    resampling_ = static_cast<LONG>(resampling);
    renderers_.clear();
    if (stretch) {
      ComPtr<IRasterStretchRenderer> s;
      HRESULT hr = CreateInstance<RasterStretchRenderer>(nullptr, IidOf<IRasterStretchRenderer>(),
                                                         s.put_void());
      if (FAILED(hr)) return hr;
      s->put_UseCustomStatistics(ToVariantBool(stretch == 2));
      s->put_Minimum(minimum);
      s->put_Maximum(maximum);
      renderers_.emplace_back(s.get());
    }
    table_.Reset();
    Reopen();
    return S_OK;
  }

 private:
  struct Stretch {
    bool present = false;
    bool custom = false;
    double minimum = 0, maximum = 0;
  };
  Stretch StretchSettings() const {
    for (const auto& r : renderers_) {
      ComPtr<IRasterStretchRenderer> s;
      if (FAILED(r->QueryInterface(IidOf<IRasterStretchRenderer>(), s.put_void()))) continue;
      Stretch out{true};
      VARIANT_BOOL custom = VARIANT_FALSE;
      s->get_UseCustomStatistics(&custom);
      out.custom = custom != VARIANT_FALSE;
      s->get_Minimum(&out.minimum);
      s->get_Maximum(&out.maximum);
      return out;
    }
    return {};
  }
  // Opens the saved table again; a database or table no longer there leaves the layer invalid.
  void Reopen() {
    ComPtr<ITable> table = source_.Reopen();
    if (!table) return;
    LONG index = -1;
    if (SUCCEEDED(table->FindField(Bstr(pathField_), &index)) && index >= 0) table_ = table;
  }

  TableLocation source_;
  // The raster paths of the records the where clause finds ("" for all), in table order. A
  // clause the table refuses raises E_INVALIDARG.
  std::vector<std::wstring> Paths(const std::wstring& where) {
    ComPtr<IQueryFilter> filter;
    Check(CreateQueryFilterObject(nullptr, IidOf<IQueryFilter>(), filter.put_void()));
    Check(filter->put_WhereClause(Bstr(where)));
    ComPtr<ICursor> cursor;
    if (FAILED(table_->Search(filter.get(), VARIANT_FALSE, cursor.put())) || !cursor)
      ThrowComError(E_INVALIDARG);
    LONG field = -1;
    Check(cursor->FindField(Bstr(pathField_), &field));
    std::vector<std::wstring> paths;
    for (;;) {
      ComPtr<IRow> row;
      if (FAILED(cursor->NextRow(row.put()))) ThrowComError(E_INVALIDARG);
      if (!row) break;
      Variant value;
      if (SUCCEEDED(row->get_Value(field, &value)) && value.vt == VT_BSTR)
        paths.push_back(BstrToWstring(value.bstrVal));
    }
    return paths;
  }

  ComPtr<ITable> table_;
  std::vector<std::wstring> selected_;
  std::wstring pathField_ = L"FULL_NAME";
  LONG resampling_ = 0;
  std::vector<ComPtr<IUnknown>> renderers_;
};

}  // namespace

HRESULT CreateRasterCatalogLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterCatalogLayer>(outer, riid, ppv);
}
HRESULT CreateRasterStretchRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterStretchRenderer>(outer, riid, ppv);
}

}  // namespace velk::host
