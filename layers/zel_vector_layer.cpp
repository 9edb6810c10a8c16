#include "layers/zel_vector_layer.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/lumeris_ids.h"
#include "layers/layer_stream.h"
#include "layers/lumeris_module.h"
#include "layers/new_guid_string.h"
#include "layers/product_series_tables.h"
#include "layers/wireframe_display_props_impl.h"
#include "layers/zel_datasets_impl.h"
#include "layers/zel_layer_frame.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/host/data_class_ids.h"
#include "platform/host/dataset.h"
#include "platform/host/display.h"
#include "platform/host/display_class_ids.h"
#include "platform/host/feature_class.h"
#include "platform/host/geometry.h"
#include "platform/host/layer.h"
#include "platform/host/layer_drawing.h"
#include "platform/host/layer_kinds.h"
#include "platform/host/raster_catalog_layer.h"
#include "platform/host/table.h"
#include "platform/host/track_cancel.h"
#include "platform/host/vpf_workspace.h"
#include "platform/host/workspace.h"
#include "platform/productline/geosym_renderer.h"

namespace velk::lumeris {
namespace {

template <class I>
ComPtr<I> Create(REFCLSID clsid) {
  ComPtr<I> p;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<I>(), p.put_void()))) return nullptr;
  return p;
}

std::wstring Cut(std::wstring s, std::size_t limit) {
  if (s.size() > limit) s.resize(limit);
  return s;
}

// The text before the first "$" (the whole text when it has none), and after it.
std::wstring Family(const std::wstring& key) { return key.substr(0, key.find(L'$')); }
std::wstring Title(const std::wstring& key) {
  const std::size_t d = key.find(L'$');
  return d == std::wstring::npos ? key : key.substr(d + 1);
}

// A catalog value inside single quotes, its own quotes doubled.
std::wstring Quoted(const std::wstring& value) {
  std::wstring out = L"'";
  for (wchar_t c : value) out += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
  return out + L"'";
}

std::wstring RowText(IRowBuffer* row, LONG index) {
  if (!row || index < 0) return L"";
  Variant v;
  if (FAILED(row->get_Value(index, &v))) return L"";
  Variant text;
  if (v.vt == VT_EMPTY || v.vt == VT_NULL ||
      FAILED(VariantChangeType(&text, &v, 0, VT_BSTR)) || !text.bstrVal)
    return L"";
  return BstrToWstring(text.bstrVal);
}

LONG RowLong(IRowBuffer* row, LONG index) {
  if (!row || index < 0) return 0;
  Variant v;
  if (FAILED(row->get_Value(index, &v))) return 0;
  Variant number;
  if (v.vt == VT_EMPTY || v.vt == VT_NULL || FAILED(VariantChangeType(&number, &v, 0, VT_I4)))
    return 0;
  return number.lVal;
}

bool KeepGoing(ITrackCancel* tracker) {
  if (!tracker) return true;
  VARIANT_BOOL go = VARIANT_TRUE;
  return FAILED(tracker->Continue(&go)) || go != VARIANT_FALSE;
}

ComPtr<IGroupLayer> NewGroup(const std::wstring& name) {
  auto group = Create<IGroupLayer>(host::CLSID_GroupLayer);
  if (group) group.As<ILayer>()->put_Name(Bstr(name));
  return group;
}

void SetScaleRange(IUnknown* layer, double zoomedOut, double zoomedIn) {
  if (auto range = QueryAs<ILayerScaleRange>(layer)) {
    range->put_MinimumScale(zoomedOut);
    range->put_MaximumScale(zoomedIn);
  }
}

// Empties a group and every group inside it; the feature layers stay alive where they are kept.
void ClearGroupLayer(IUnknown* layer) {
  auto group = QueryAs<IGroupLayer>(layer);
  auto composite = QueryAs<ICompositeLayer>(layer);
  if (!group || !composite) return;
  LONG count = 0;
  composite->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> member;
    if (SUCCEEDED(composite->get_Layer(i, member.put()))) ClearGroupLayer(member.get());
  }
  group->Clear();
}

void AddLayerOnce(IGroupLayer* group, ILayer* layer) {
  auto composite = QueryAs<ICompositeLayer>(group);
  if (!group || !layer || !composite) return;
  LONG count = 0;
  composite->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> member;
    if (SUCCEEDED(composite->get_Layer(i, member.put())) && IsSameObject(member.get(), layer))
      return;
  }
  group->Add(layer);
}

// The layer's own record of what it did, reached by GetVectorLayerStats.
struct IVectorLayerStats : IUnknown {
  VELK_INTERFACE_ID("{7D1E5C3A-2B4F-4E6A-9C8D-0F1A2B3C4D5E}")
  virtual VectorLayerStats Stats() const = 0;
};

struct CoverageEntry {
  std::wstring key;          // family "$" coverage "." feature class
  std::wstring description;  // family "$" coverage description "$" class description
  VARIANT_BOOL show = VARIANT_FALSE;
};

class ZelVectorLayer : public ZelLayerFrame<ZelVectorLayer, IZelVectorLayer, ZelDatasetsImpl,
                                            WireframeDisplayPropsImpl,
                                            LayerPersistStreamImpl<ZelVectorLayer>,
                                            IZelVpfCoverages, ILayer, IGroupLayer, ILayerDraw,
                                            EmptyConnectionPointContainer, IVectorLayerStats> {
 public:
  using IZelVectorLayer::QueryInterface;
  static const CLSID& ClassId() { return ids::CLSID_ZelVectorLayer; }

  HRESULT FinalConstruct() {
    if (FAILED(CreateInner(host::CLSID_GroupLayer))) return E_FAIL;
    put_Name(Bstr(LoadResString(1)));
    footprint_ = Create<IFeatureLayer>(host::CLSID_FeatureLayer);
    AddKeyField(L"PRODUCT");
    extentFilter_ = Create<ISpatialFilter>(host::CLSID_SpatialFilter);
    if (!footprint_ || !extentFilter_) return E_FAIL;
    extentFilter_->put_SpatialRel(kSpatialRelIntersects);
    layerId_ = Bstr::Attach(NewGuidString());
    return extentFilter_->put_SubFields(Bstr(L"PRODUCT,LIBRARY"));
  }

  // ---------------------------------------------------------------- IZelVectorLayer
  HRESULT get_FeatureClass(IFeatureClass** featureClass) override {
    if (!featureClass) return E_POINTER;
    *featureClass = nullptr;
    return footprint_ ? footprint_->get_FeatureClass(featureClass) : E_FAIL;
  }
  HRESULT putref_FeatureClass(IFeatureClass* fc) override {
    VELK_TRY
    footprint_->putref_FeatureClass(fc);
    footprint_.As<ILayer>()->put_Name(Bstr(LoadResString(2)));
    auto group = InnerGroup();
    if (!group) return S_FALSE;
    AddLayerOnce(group.get(), footprint_.As<ILayer>().get());
    if (!fc) return S_FALSE;
    if (name_.str() == LoadResString(1)) {
      Bstr datasetName;
      if (auto ds = QueryAs<IDataset>(fc); ds && SUCCEEDED(ds->get_Name(&datasetName)))
        put_Name(datasetName.get());
    }
    LoadCatalogProducts(fc);
    ReadCatalogFeatureClasses();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_DisplayCoverages(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = displayCoverages_;
    return S_OK;
  }
  HRESULT put_DisplayCoverages(VARIANT_BOOL value) override {
    displayCoverages_ = value;
    for (auto& [key, layer] : featureLayers_) layer.As<ILayer>()->put_Visible(value);
    return S_OK;
  }
  HRESULT get_UseGeoSym(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = useGeoSym_;
    return S_OK;
  }
  HRESULT put_UseGeoSym(VARIANT_BOOL value) override {
    if (value != useGeoSym_) rebuild_ = true;
    useGeoSym_ = value;
    return S_OK;
  }
  HRESULT get_UseScaleDep(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = useScaleDep_;
    return S_OK;
  }
  HRESULT put_UseScaleDep(VARIANT_BOOL value) override {
    useScaleDep_ = value;
    return S_OK;
  }

  // ---------------------------------------------------------------- IZelVpfCoverages
  HRESULT get_CoverageCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(coverages_.size());
    return S_OK;
  }
  HRESULT get_Coverage(LONG index, BSTR* coverage) override {
    if (!coverage) return E_POINTER;
    *coverage = nullptr;
    if (!InRange(index)) return E_INVALIDARG;
    *coverage = AllocBstr(coverages_[static_cast<std::size_t>(index)].description);
    return S_OK;
  }
  HRESULT get_ShowCoverage(LONG index, VARIANT_BOOL* show) override {
    if (!show) return E_POINTER;
    if (!InRange(index)) return E_INVALIDARG;
    *show = coverages_[static_cast<std::size_t>(index)].show;
    return S_OK;
  }
  HRESULT put_ShowCoverage(LONG index, VARIANT_BOOL show) override {
    if (!InRange(index)) return E_INVALIDARG;
    coverages_[static_cast<std::size_t>(index)].show = show;
    return S_OK;
  }
  HRESULT RefreshCoverages() override {
    VELK_TRY
    rebuild_ = true;
    BuildCoverageLayers();
    rebuild_ = false;
    return S_OK;
    VELK_CATCH
  }

  // ---------------------------------------------------------------- ILayer
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = name_.Copy();
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = Bstr(BstrToWstring(name));
    auto inner = InnerLayer();
    return inner ? inner->put_Name(name) : S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override {
    if (!visible) return E_POINTER;
    *visible = visible_;
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible;
    return S_OK;
  }
  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    auto inner = InnerLayer();
    return inner ? inner->get_Valid(valid) : (valid ? (*valid = VARIANT_TRUE, S_OK) : E_POINTER);
  }

  // ---------------------------------------------------------------- IGroupLayer
  // The tree is the layer's own: nothing is added or cleared from outside, and the footprint
  // layer deleted is replaced by a fresh one over the same catalog.
  HRESULT Add(ILayer*) override { return E_FAIL; }
  HRESULT Clear() override { return E_FAIL; }
  HRESULT Delete(ILayer* layer) override {
    VELK_TRY
    if (!layer || !IsSameObject(layer, footprint_.get())) return S_OK;
    ComPtr<IFeatureClass> fc;
    footprint_->get_FeatureClass(fc.put());
    auto group = InnerGroup();
    if (group) group->Delete(layer);
    auto fresh = Create<IFeatureLayer>(host::CLSID_FeatureLayer);
    if (!fresh) return S_OK;
    fresh->putref_FeatureClass(fc.get());
    fresh.As<ILayer>()->put_Name(Bstr(LoadResString(2)));
    footprint_ = fresh;
    if (group) group->Add(footprint_.As<ILayer>().get());
    return S_OK;
    VELK_CATCH
  }

  // ---------------------------------------------------------------- ILayerDraw
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* tracker) override {
    VELK_TRY
    if (!visible_) return S_OK;
    const std::wstring where = DatasetWhereClause();
    if (where != whereClause_) whereClause_ = where;
    auto definition = footprint_.As<IFeatureLayerDefinition>();
    if (definition) {
      switch (wireframeDisplay_) {
        case velkWireframeDisplayNone:
          definition->put_DefinitionExpression(Bstr(L"PRODUCT = 'No Wireframe please'"));
          break;
        case velkWireframeDisplaySelected:
          definition->put_DefinitionExpression(Bstr(whereClause_));
          break;
        case velkWireframeDisplayAll: definition->put_DefinitionExpression(Bstr(L"")); break;
        default: break;
      }
    }
    auto drawDisplay = QueryAs<IDrawDisplay>(display);
    if (drawDisplay) drawDisplay->DrawLayer(footprint_.get(), tracker);
    if (!displayCoverages_) return S_OK;
    if (phase == 1) {
      double scale = 0;
      ComPtr<IEnvelope> extent;
      if (drawDisplay) {
        drawDisplay->get_MapScale(&scale);
        drawDisplay->get_VisibleExtent(extent.put());
      }
      extentFilter_->putref_Geometry(extent.get());
      ComPtr<IFeatureClass> fc;
      get_FeatureClass(fc.put());
      if (!fc) return S_OK;
      if (!KeepGoing(tracker)) return S_FALSE;
      ComPtr<IFeatureCursor> cursor;
      ++stats_.catalogQueries;
      if (FAILED(fc->Search(extentFilter_.As<IQueryFilter>().get(), VARIANT_FALSE,
                            cursor.put())) ||
          !cursor)
        return S_OK;
      if (!KeepGoing(tracker)) return S_FALSE;
      LONG productField = -1, libraryField = -1;
      cursor->FindField(Bstr(L"PRODUCT"), &productField);
      cursor->FindField(Bstr(L"LIBRARY"), &libraryField);
      std::vector<std::wstring> keys;
      ComPtr<IFeature> row;
      while (cursor->NextFeature(row.put()) == S_OK && row) {
        if (!KeepGoing(tracker)) return S_FALSE;
        const std::wstring product = RowText(row.get(), productField);
        bool inRange = true;
        auto group = productGroups_.find(product);
        if (group != productGroups_.end()) {
          auto range = group->second.As<ILayerScaleRange>();
          if (useScaleDep_ == VARIANT_TRUE) {
            double zoomedOut = 0, zoomedIn = 0;
            range->get_MinimumScale(&zoomedOut);
            range->get_MaximumScale(&zoomedIn);
            if (const VpfProductRow* known = FindVpfProductNoCase(product)) {
              zoomedOut = known->zoomedOutBound;
              zoomedIn = known->zoomedInBound;
            }
            range->put_MinimumScale(zoomedOut);
            range->put_MaximumScale(zoomedIn);
            inRange = ScaleInRange(zoomedOut, zoomedIn, scale);
          } else {
            range->put_MaximumScale(0.0);
            range->put_MinimumScale(0.0);
          }
        }
        if (!inRange) continue;
        const std::wstring key = product + L"|" + RowText(row.get(), libraryField);
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
      }
      for (const std::wstring& key : keys) {
        if (!KeepGoing(tracker)) return S_FALSE;
        PrepareLibraryLayers(key, tracker);
      }
    }
    rebuild_ = false;
    ComPtr<ICompositeLayer> inner;
    if (!InnerUnknown() || FAILED(InnerUnknown()->QueryInterface(IidOf<ICompositeLayer>(),
                                                                 inner.put_void())))
      return S_OK;
    return drawDisplay ? drawDisplay->DrawLayer(inner.get(), tracker) : S_OK;
    VELK_CATCH
  }

  // ---------------------------------------------------------------- IPersistStream
  HRESULT IsDirty() override {
    auto persist = InnerPersist();
    return persist ? persist->IsDirty() : S_FALSE;
  }
  HRESULT Save(IStream* stream, BOOL clearDirty) override {
    if (!stream) return E_POINTER;
    VELK_TRY
    if (FAILED(WriteStreamVersion(stream, kVectorLayerStreamVersion))) return E_FAIL;
    if (auto persist = footprint_.As<IPersistStream>()) persist->Save(stream, clearDirty);
    if (FAILED(WriteStreamBool(stream, displayCoverages_)) ||
        FAILED(WriteStreamBool(stream, useGeoSym_)) || FAILED(WriteStreamBool(stream, visible_)) ||
        FAILED(WriteStreamLong(stream, wireframeDisplay_)) ||
        FAILED(WriteStreamBool(stream, useScaleDep_)))
      return E_FAIL;
    WriteStreamString(stream, name_.get());
    SaveDatasetFlags(stream);
    const HRESULT hr = SaveCoverageFlags(stream);
    WriteStreamString(stream, layerId_.get());
    return hr;
    VELK_CATCH
  }
  HRESULT Load(IStream* stream) override {
    if (!stream) return E_POINTER;
    VELK_TRY
    LONG version = 0;
    HRESULT hr = ReadStreamVersion(stream, kVectorLayerStreamVersion, &version);
    if (FAILED(hr)) return E_FAIL;
    if (auto persist = footprint_.As<IPersistStream>()) persist->Load(stream);
    VARIANT_BOOL display = 0, geoSym = 0, visible = 0, scaleDep = 0;
    LONG wireframe = 0;
    if (FAILED(ReadStreamBool(stream, &display)) || FAILED(ReadStreamBool(stream, &geoSym)) ||
        FAILED(ReadStreamBool(stream, &visible)) || FAILED(ReadStreamLong(stream, &wireframe)) ||
        FAILED(ReadStreamBool(stream, &scaleDep)))
      return E_FAIL;
    Bstr name;
    ReadStreamString(stream, &name);
    name_ = std::move(name);
    put_DisplayCoverages(display);
    put_UseGeoSym(geoSym);
    put_Visible(visible);
    put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(wireframe));
    put_UseScaleDep(scaleDep);
    ComPtr<IFeatureClass> fc;
    get_FeatureClass(fc.put());
    putref_FeatureClass(fc.get());
    // Without its catalog the layer still reads its record to the end, so that whatever
    // follows it in the document is read from the right place.
    LoadDatasetFlags(stream);
    LoadCoverageFlags(stream);
    if (fc) BuildCoverageLayers();
    if (version >= kVectorLayerStreamVersion) {
      Bstr id;
      if (SUCCEEDED(ReadStreamString(stream, &id))) layerId_ = std::move(id);
    }
    return fc ? S_OK : S_FALSE;
    VELK_CATCH
  }

  VectorLayerStats Stats() const override { return stats_; }

 private:
  bool InRange(LONG index) const {
    return index >= 0 && static_cast<std::size_t>(index) < coverages_.size();
  }
  template <class I>
  ComPtr<I> Inner() const {
    ComPtr<I> p;
    if (InnerUnknown()) InnerUnknown()->QueryInterface(IidOf<I>(), p.put_void());
    return p;
  }
  ComPtr<ILayer> InnerLayer() const { return Inner<ILayer>(); }
  ComPtr<IGroupLayer> InnerGroup() const { return Inner<IGroupLayer>(); }
  ComPtr<IPersistStream> InnerPersist() const { return Inner<IPersistStream>(); }

  // The catalog's distinct PRODUCT values become the dataset keys, every one in use.
  void LoadCatalogProducts(IFeatureClass* fc) {
    ClearDatasets();
    auto filter = Create<IQueryFilter>(host::CLSID_QueryFilter);
    if (filter) filter->put_SubFields(Bstr(L"PRODUCT"));
    ComPtr<IFeatureCursor> cursor;
    if (SUCCEEDED(fc->Search(filter.get(), VARIANT_TRUE, cursor.put())) && cursor) {
      LONG field = -1;
      cursor->FindField(Bstr(L"PRODUCT"), &field);
      ComPtr<IFeature> row;
      while (cursor->NextFeature(row.put()) == S_OK && row)
        AddDatasetRow({RowText(row.get(), field)});
    }
    PublishDatasets();
  }

  // "PRODUCT IN (...)" over the datasets in use; a clause that holds for none when none is.
  std::wstring DatasetWhereClause() const {
    std::wstring list;
    for (const auto& [key, use] : UseMap())
      if (use == VARIANT_TRUE) list += (list.empty() ? L"" : L", ") + Quoted(key);
    return list.empty() ? L"PRODUCT IN ('')" : L"PRODUCT IN (" + list + L")";
  }

  ComPtr<ITable> FeatureTable() {
    ComPtr<IFeatureClass> fc;
    get_FeatureClass(fc.put());
    auto ds = QueryAs<IDataset>(fc.get());
    if (!ds) return nullptr;
    Bstr name;
    ComPtr<IWorkspace> ws;
    if (FAILED(ds->get_Name(&name)) || FAILED(ds->get_Workspace(ws.put())) || !ws) return nullptr;
    auto features = ws.As<IFeatureWorkspace>();
    ComPtr<ITable> table;
    if (!features ||
        FAILED(features->OpenTable(Bstr(name.str() + L"_features"), table.put())))
      return nullptr;
    return table;
  }

  ComPtr<IGroupLayer> ProductGroup(const std::wstring& product) {
    auto it = productGroups_.find(product);
    if (it != productGroups_.end()) return it->second;
    auto group = NewGroup(Title(product));
    if (!group) return nullptr;
    const VpfProductRow* row = FindVpfProduct(product);
    SetScaleRange(group.get(), row ? row->zoomedOutBound : 0, row ? row->zoomedInBound : 0);
    productGroups_[product] = group;
    return group;
  }

  void ReadCatalogFeatureClasses() {
    auto table = FeatureTable();
    if (!table) return;
    auto filter = Create<IQueryFilter>(host::CLSID_QueryFilter);
    if (filter)
      filter->put_SubFields(Bstr(L"PRODUCT, COVERAGE, FEAT_CLS, COV_DESC, FC_DESC, FC_TYPE"));
    ComPtr<ICursor> cursor;
    if (FAILED(table->Search(filter.get(), VARIANT_TRUE, cursor.put())) || !cursor) return;
    LONG f[5] = {-1, -1, -1, -1, -1};
    const wchar_t* names[5] = {L"PRODUCT", L"COVERAGE", L"FEAT_CLS", L"COV_DESC", L"FC_DESC"};
    for (int i = 0; i < 5; ++i) cursor->FindField(Bstr(names[i]), &f[i]);
    std::map<std::wstring, CoverageEntry, Utf16Less> entries;
    ComPtr<IRow> row;
    while (cursor->NextRow(row.put()) == S_OK && row) {
      const std::wstring product = RowText(row.get(), f[0]);
      ProductGroup(product);
      const std::wstring coverage = RowText(row.get(), f[1]);
      const std::wstring family = Family(product);
      const std::wstring covDesc = RowText(row.get(), f[3]);
      CoverageEntry e;
      e.key = family + L"$" + coverage + L"." + RowText(row.get(), f[2]);
      e.description = family + L"$" + covDesc + L"$" + RowText(row.get(), f[4]);
      const std::wstring groupKey = product + L":" + coverage;
      if (!coverageGroups_.count(groupKey))
        if (auto group = NewGroup(covDesc)) coverageGroups_[groupKey] = group;
      entries[e.key] = e;
    }
    coverages_.clear();
    for (auto& [key, e] : entries) coverages_.push_back(e);
  }

  void BuildCoverageLayers() {
    auto table = FeatureTable();
    if (!table) return;
    for (auto& [key, group] : productGroups_) ClearGroupLayer(group.get());
    if (rebuild_) {
      featureLayers_.clear();
      libraryIndex_.clear();
    }
    auto filter = Create<IQueryFilter>(host::CLSID_QueryFilter);
    if (!filter) return;
    LONG f[6] = {-1, -1, -1, -1, -1, -1};
    const wchar_t* names[6] = {L"PRODUCT", L"PATH", L"LIBRARY", L"FC_TYPE", L"GEOSYM_PID",
                               L"FC_DESC"};
    for (int i = 0; i < 6; ++i) table->FindField(Bstr(names[i]), &f[i]);
    std::map<std::wstring, ComPtr<IWorkspaceName>> workspaces;
    std::map<std::wstring, ComPtr<IDatasetName>> datasets;
    auto inner = InnerGroup();
    for (const auto& [product, use] : UseMap()) {
      if (!use) continue;
      const std::size_t dollar = product.find(L'$');
      const std::wstring family = dollar == std::wstring::npos ? L"" : product.substr(0, dollar);
      for (const CoverageEntry& entry : coverages_) {
        if (!entry.show) continue;
        const std::size_t d = entry.key.find(L'$');
        if (d == std::wstring::npos || entry.key.substr(0, d) != family) continue;
        const std::wstring rest = entry.key.substr(d + 1);
        const std::size_t dot = rest.find(L'.');
        if (dot == std::wstring::npos) continue;
        const std::wstring coverage = rest.substr(0, dot);
        const std::wstring featureClass = rest.substr(dot + 1);
        const std::wstring fcDesc = entry.description.substr(entry.description.rfind(L'$') + 1);
        filter->put_WhereClause(Bstr(Cut(L"(  PRODUCT = " + Quoted(product) +
                                             L" AND  COVERAGE = " + Quoted(coverage) +
                                             L" AND FEAT_CLS = " + Quoted(featureClass) + L" ) ",
                                         5000)));
        ComPtr<ICursor> cursor;
        ++stats_.featureTableQueries;
        if (FAILED(table->Search(filter.get(), VARIANT_TRUE, cursor.put())) || !cursor) continue;
        ComPtr<IRow> row;
        while (cursor->NextRow(row.put()) == S_OK && row) {
          const std::wstring path = RowText(row.get(), f[1]);
          const std::wstring library = RowText(row.get(), f[2]);
          const std::wstring type = RowText(row.get(), f[3]);
          const LONG geosym = RowLong(row.get(), f[4]);
          const std::wstring key =
              Cut(path + L" " + library + L":" + coverage + L"." + featureClass + L" " + type, 1000);
          auto layer = featureLayers_[key];
          if (!layer) {
            layer = MakeFeatureLayer(path, library, coverage, featureClass, fcDesc, product,
                                     geosym, workspaces, datasets);
            if (!layer) {
              featureLayers_.erase(key);
              continue;
            }
            featureLayers_[key] = layer;
          }
          auto productGroup = ProductGroup(product);
          auto coverageGroup = coverageGroups_[product + L":" + coverage];
          if (!coverageGroup) coverageGroup = coverageGroups_[product + L":" + coverage] =
                                  NewGroup(coverage);
          if (inner && productGroup) AddLayerOnce(inner.get(), productGroup.As<ILayer>().get());
          if (productGroup && coverageGroup)
            AddLayerOnce(productGroup.get(), coverageGroup.As<ILayer>().get());
          if (coverageGroup) AddLayerOnce(coverageGroup.get(), layer.As<ILayer>().get());
        }
      }
    }
  }

  ComPtr<IFeatureLayer> MakeFeatureLayer(const std::wstring& path, const std::wstring& library,
                                         const std::wstring& coverage,
                                         const std::wstring& featureClass,
                                         const std::wstring& fcDesc, const std::wstring& product,
                                         LONG geosym,
                                         std::map<std::wstring, ComPtr<IWorkspaceName>>& workspaces,
                                         std::map<std::wstring, ComPtr<IDatasetName>>& datasets) {
    auto& ws = workspaces[path];
    if (!ws) {
      ws = Create<IWorkspaceName>(host::CLSID_WorkspaceName);
      if (!ws) return nullptr;
      ws->put_WorkspaceFactoryProgID(Bstr(L"velkDataSourcesFile.VpfWorkspaceFactory"));
      ws->put_PathName(Bstr(path));
    }
    auto& ds = datasets[Cut(path + L" " + library + L":" + coverage, 1000)];
    if (!ds) {
      ds = Create<IDatasetName>(host::CLSID_DatasetName);
      if (!ds) return nullptr;
      ds->put_Type(kDatasetFeatureDataset);
      ds->put_Name(Bstr(library + L":" + coverage));
      ds->putref_WorkspaceName(ws.get());
    }
    auto name = Create<IFeatureClassName>(host::CLSID_FeatureClassName);
    auto layer = Create<IFeatureLayer>(host::CLSID_FeatureLayer);
    if (!name || !layer) return nullptr;
    name.As<IDatasetName>()->put_Name(Bstr(featureClass));
    name->putref_FeatureDatasetName(ds.get());
    layer.As<ILayer>()->put_Name(Bstr(Cut(fcDesc + L" [" + library + L"]", 100)));
    layer.As<ILayer>()->put_Visible(displayCoverages_);
    libraryIndex_.emplace(product + L"|" + library,
                          std::make_pair(name.As<IName>(), layer));
    if (useGeoSym_ == VARIANT_TRUE) {
      if (auto geoSym = Create<IGSGeoSymRenderer>(productline::CLSID_GeoSymRenderer)) {
        geoSym->put_ProductID(geosym);
        double mariner = 0;
        geoSym->get_MarinerDepthContour(&mariner);
        geoSym->put_ShipsSafetyDepthContour(mariner + 1);
        if (auto geo = layer.As<IGeoFeatureLayer>())
          geo->putref_Renderer(geoSym.As<IFeatureRenderer>().get());
      }
    }
    return layer;
  }

  void PrepareLibraryLayers(const std::wstring& key, ITrackCancel* tracker) {
    ++stats_.libraryPreparations;
    auto range = libraryIndex_.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
      if (!KeepGoing(tracker)) return;
      auto& [name, layer] = it->second;
      ComPtr<IFeatureClass> fc;
      layer->get_FeatureClass(fc.put());
      if (!fc) {
        // A library that cannot be opened stays without data; the next draw tries again.
        ComPtr<IUnknown> opened;
        ++stats_.featureClassOpens;
        if (SUCCEEDED(name->Open(opened.put())) && opened)
          if (auto openedClass = QueryAs<IFeatureClass>(opened.get()))
            layer->putref_FeatureClass(openedClass.get());
      }
      if (rebuild_) layer.As<ILayer>()->put_Visible(displayCoverages_);
    }
  }

  HRESULT SaveCoverageFlags(IStream* stream) {
    if (!stream) return E_FAIL;
    if (FAILED(WriteStreamLong(stream, static_cast<LONG>(coverages_.size())))) return E_FAIL;
    for (const CoverageEntry& e : coverages_) {
      WriteStreamString(stream, Bstr(e.key).get());
      if (FAILED(WriteStreamBool(stream, e.show))) return E_FAIL;
    }
    return S_OK;
  }
  // The whole block is read before any flag is taken.
  HRESULT LoadCoverageFlags(IStream* stream) {
    if (!stream) return E_FAIL;
    LONG count = 0;
    if (FAILED(ReadStreamLong(stream, &count)) || count < 0) return E_FAIL;
    std::map<std::wstring, VARIANT_BOOL, Utf16Less> stored;
    for (LONG i = 0; i < count; ++i) {
      Bstr key;
      VARIANT_BOOL show = 0;
      if (FAILED(ReadStreamString(stream, &key)) || FAILED(ReadStreamBool(stream, &show)))
        return E_FAIL;
      stored[key.str()] = show;
    }
    for (CoverageEntry& e : coverages_)
      if (auto it = stored.find(e.key); it != stored.end()) e.show = it->second;
    return S_OK;
  }

  ComPtr<IFeatureLayer> footprint_;
  VARIANT_BOOL displayCoverages_ = VARIANT_FALSE;
  VARIANT_BOOL useGeoSym_ = VARIANT_FALSE;
  VARIANT_BOOL useScaleDep_ = VARIANT_TRUE;
  Bstr name_;
  bool rebuild_ = false;
  std::vector<CoverageEntry> coverages_;
  std::map<std::wstring, ComPtr<IGroupLayer>, Utf16Less> productGroups_;
  std::map<std::wstring, ComPtr<IGroupLayer>, Utf16Less> coverageGroups_;
  std::multimap<std::wstring, std::pair<ComPtr<IName>, ComPtr<IFeatureLayer>>, Utf16Less>
      libraryIndex_;
  std::map<std::wstring, ComPtr<IFeatureLayer>, Utf16Less> featureLayers_;
  VARIANT_BOOL visible_ = VARIANT_TRUE;
  ComPtr<ISpatialFilter> extentFilter_;
  Bstr layerId_;
  std::wstring whereClause_;
  VectorLayerStats stats_;
};

}  // namespace

HRESULT CreateZelVectorLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ZelVectorLayer>(outer, riid, ppv);
}

bool GetVectorLayerStats(IUnknown* layer, VectorLayerStats* stats) {
  auto own = QueryAs<IVectorLayerStats>(layer);
  if (!own || !stats) return false;
  *stats = own->Stats();
  return true;
}

}  // namespace velk::lumeris
