// What the two VPF layers (ZelVectorLayer and ZelManagedVpfLayer) share: a group layer over an
// aggregated host group layer that holds the footprint layer (one outline per library) and the
// tree of product groups, coverage groups and coverage feature layers; the three switches; the
// coverage list the user chooses from (IZelVpfCoverages); binding the catalog; and the stream
// both write (version, footprint, switches, name, dataset flags, coverage flags, layer id).
//
// Derived supplies:
//   static const CLSID& ClassId();
//   static constexpr LONG kStreamVersion, kIdSinceVersion   the layer id is read from this on
//   static constexpr bool kRefreshRemakesLayers   whether a refresh drops the kept layers
//   void ReadCoverageList()     after binding: the coverage list, product and coverage groups
//   void BuildLayers()          the coverage feature layers of the shown coverages
//   HRESULT Draw(...), HRESULT get_Valid(...)
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "layers/catalog_layer_support.h"
#include "layers/layer_stream.h"
#include "layers/lumeris_module.h"
#include "layers/new_guid_string.h"
#include "layers/vpf_layer_support.h"
#include "layers/wireframe_display_props_impl.h"
#include "layers/zel_datasets_impl.h"
#include "layers/zel_layer_frame.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/table.h"

namespace velk::lumeris {

// One coverage and feature class of a product family, across its products and libraries.
struct VpfCoverageEntry {
  std::wstring key;          // family "$" coverage "." feature class
  std::wstring description;  // family "$" coverage (description) "$" feature class (description)
  VARIANT_BOOL show = VARIANT_FALSE;
};

// Splits a coverage entry's key into coverage and feature class; false when it has no "$" with
// `family` before it, or no "." after it.
bool SplitCoverageKey(const std::wstring& key, const std::wstring& family, std::wstring* coverage,
                      std::wstring* featureClass);

template <class Derived, class... Own>
class VpfLayerBase
    : public ZelLayerFrame<Derived, IZelVectorLayer, Own..., ZelDatasetsImpl,
                           WireframeDisplayPropsImpl, LayerPersistStreamImpl<Derived>,
                           IZelVpfCoverages, ILayer, IGroupLayer, ILayerDraw,
                           EmptyConnectionPointContainer> {
 public:
  using IZelVectorLayer::QueryInterface;

  // The inner group, the layer's default name, the footprint layer, the key field and the id.
  HRESULT FinalConstruct() {
    if (FAILED(this->CreateInner(host::CLSID_GroupLayer))) return E_FAIL;
    put_Name(Bstr(LoadResString(1)));
    VELK_TRY
    footprint_ = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    this->AddKeyField(L"PRODUCT");
    layerId_ = Bstr::Attach(NewGuidString());
    return S_OK;
    VELK_CATCH
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
    if (!AddFootprint()) return S_FALSE;
    if (!fc) return S_FALSE;
    RenameFromDataset(fc);
    this->LoadCatalogDatasets(QueryAs<ITable>(fc).get());
    const HRESULT hr = ApplyFootprintRenderer();
    Self()->ReadCoverageList();
    return hr;
    VELK_CATCH
  }
  HRESULT get_DisplayCoverages(VARIANT_BOOL* value) override { return Out(value, displayCoverages_); }
  HRESULT put_DisplayCoverages(VARIANT_BOOL value) override {
    displayCoverages_ = value;
    for (auto& [key, layer] : featureLayers_) layer.template As<ILayer>()->put_Visible(value);
    return S_OK;
  }
  HRESULT get_UseGeoSym(VARIANT_BOOL* value) override { return Out(value, useGeoSym_); }
  // A change makes the next build make every coverage feature layer anew.
  HRESULT put_UseGeoSym(VARIANT_BOOL value) override {
    if (value != useGeoSym_) rebuild_ = true;
    useGeoSym_ = value;
    return S_OK;
  }
  HRESULT get_UseScaleDep(VARIANT_BOOL* value) override { return Out(value, useScaleDep_); }
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
  // Stores the flag only: RefreshCoverages builds.
  HRESULT put_ShowCoverage(LONG index, VARIANT_BOOL show) override {
    if (!InRange(index)) return E_INVALIDARG;
    coverages_[static_cast<std::size_t>(index)].show = show;
    return S_OK;
  }

  HRESULT RefreshCoverages() override {
    VELK_TRY
    if (Derived::kRefreshRemakesLayers) rebuild_ = true;
    Self()->BuildLayers();
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
  HRESULT get_Visible(VARIANT_BOOL* visible) override { return Out(visible, visible_); }
  HRESULT put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible;
    return S_OK;
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
    auto fresh = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    fresh->putref_FeatureClass(fc.get());
    fresh.template As<ILayer>()->put_Name(Bstr(LoadResString(2)));
    footprint_ = fresh;
    ApplyFootprintRenderer();
    if (group) group->Add(footprint_.template As<ILayer>().get());
    return S_OK;
    VELK_CATCH
  }

  // ---------------------------------------------------------------- IPersistStream
  HRESULT IsDirty() override {
    auto persist = this->template Inner<IPersistStream>();
    return persist ? persist->IsDirty() : S_FALSE;
  }
  HRESULT Save(IStream* stream, BOOL clearDirty) override {
    if (!stream) return E_POINTER;
    VELK_TRY
    if (FAILED(WriteStreamVersion(stream, Derived::kStreamVersion))) return E_FAIL;
    if (auto persist = footprint_.template As<IPersistStream>()) persist->Save(stream, clearDirty);
    if (FAILED(WriteStreamBool(stream, displayCoverages_)) ||
        FAILED(WriteStreamBool(stream, useGeoSym_)) || FAILED(WriteStreamBool(stream, visible_)) ||
        FAILED(WriteStreamLong(stream, this->wireframeDisplay_)) ||
        FAILED(WriteStreamBool(stream, useScaleDep_)))
      return E_FAIL;
    WriteStreamString(stream, name_.get());
    this->SaveDatasetFlags(stream);
    const HRESULT hr = SaveCoverageFlags(stream);
    WriteStreamString(stream, layerId_.get());
    return hr;
    VELK_CATCH
  }
  // Without its catalog the layer still reads its record to the end (S_FALSE then), so that
  // whatever follows it in the document is read from the right place.
  HRESULT Load(IStream* stream) override {
    if (!stream) return E_POINTER;
    VELK_TRY
    LONG version = 0;
    if (FAILED(ReadStreamVersion(stream, Derived::kStreamVersion, &version))) return E_FAIL;
    if (auto persist = footprint_.template As<IPersistStream>()) persist->Load(stream);
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
    this->put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(wireframe));
    put_UseScaleDep(scaleDep);
    ComPtr<IFeatureClass> fc;
    get_FeatureClass(fc.put());
    putref_FeatureClass(fc.get());
    this->LoadDatasetFlags(stream);
    LoadCoverageFlags(stream);
    if (fc) Self()->BuildLayers();
    if (version >= Derived::kIdSinceVersion) {
      Bstr id;
      if (SUCCEEDED(ReadStreamString(stream, &id))) layerId_ = std::move(id);
    }
    return fc ? S_OK : S_FALSE;
    VELK_CATCH
  }

 protected:
  Derived* Self() { return static_cast<Derived*>(this); }
  static HRESULT Out(VARIANT_BOOL* out, VARIANT_BOOL value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
  bool InRange(LONG index) const {
    return index >= 0 && static_cast<std::size_t>(index) < coverages_.size();
  }
  template <class I>
  ComPtr<I> Inner() const {
    return QueryAs<I>(this->InnerUnknown());
  }
  ComPtr<ILayer> InnerLayer() const { return Inner<ILayer>(); }
  ComPtr<IGroupLayer> InnerGroup() const { return Inner<IGroupLayer>(); }

  // The footprint layer named and put into the inner group; false when the inner object is no
  // group.
  bool AddFootprint() {
    footprint_.template As<ILayer>()->put_Name(Bstr(LoadResString(2)));
    auto group = InnerGroup();
    if (!group) return false;
    AddLayerOnce(group.get(), footprint_.template As<ILayer>().get());
    return true;
  }
  // The footprints outlined per product.
  void BuildFootprintRenderer() override {
    this->SetFootprintRenderer(BuildProductFootprintRenderer(this->DatasetLabels()).get());
  }
  HRESULT ApplyFootprintRenderer() {
    auto geo = footprint_.template As<IGeoFeatureLayer>();
    return geo && this->FootprintRenderer() ? geo->putref_Renderer(this->FootprintRenderer()) : S_OK;
  }

  // A layer still called by its default name takes the dataset's name.
  void RenameFromDataset(IUnknown* dataset) {
    if (name_.str() != LoadResString(1)) return;
    Bstr datasetName;
    if (auto ds = QueryAs<IDataset>(dataset); ds && SUCCEEDED(ds->get_Name(&datasetName)))
      put_Name(datasetName.get());
  }

  // The footprint layer's query by the wireframe mode: none shows no footprint, selected those
  // of the datasets in use, all every one; another mode leaves the query as it is.
  void ApplyWireframeQuery() {
    const std::wstring where = this->BuildDatasetWhereClause();
    if (where != this->cachedWhereClause_) this->cachedWhereClause_ = where;
    std::wstring query;
    if (FootprintQueryFor(this->wireframeDisplay_, L"PRODUCT", this->cachedWhereClause_, &query))
      SetDefinition(footprint_.get(), query);
  }

  // Starts a build: empties every product group (and the coverage groups in them), so that
  // what the build places is all they hold.
  void ClearProductGroups() {
    for (auto& [key, group] : productGroups_) ClearGroupLayer(group.get());
    placed_.clear();
  }

  // The product group into the inner group, the coverage group into it, the layer into that,
  // each once. The groups below the inner group hold only what this build placed, so that is
  // remembered instead of searched (a coverage group may hold thousands of layers).
  void PlaceLayer(IGroupLayer* productGroup, IGroupLayer* coverageGroup, ILayer* layer) {
    auto inner = InnerGroup();
    if (inner && productGroup) AddLayerOnce(inner.get(), QueryAs<ILayer>(productGroup).get());
    if (productGroup && coverageGroup && placed_.emplace(productGroup, coverageGroup).second)
      productGroup->Add(QueryAs<ILayer>(coverageGroup).get());
    if (coverageGroup && layer && placed_.emplace(coverageGroup, layer).second)
      coverageGroup->Add(layer);
  }

  HRESULT SaveCoverageFlags(IStream* stream) {
    if (!stream) return E_FAIL;
    if (FAILED(WriteStreamLong(stream, static_cast<LONG>(coverages_.size())))) return E_FAIL;
    for (const VpfCoverageEntry& e : coverages_) {
      WriteStreamString(stream, Bstr(e.key).get());
      if (FAILED(WriteStreamBool(stream, e.show))) return E_FAIL;
    }
    return S_OK;
  }
  // The whole block is read before any flag is taken; stored keys the list lacks are dropped.
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
    for (VpfCoverageEntry& e : coverages_)
      if (auto it = stored.find(e.key); it != stored.end()) e.show = it->second;
    return S_OK;
  }

  ComPtr<IFeatureLayer> footprint_;
  VARIANT_BOOL displayCoverages_ = VARIANT_FALSE;
  VARIANT_BOOL useGeoSym_ = VARIANT_FALSE;
  VARIANT_BOOL useScaleDep_ = VARIANT_TRUE;
  Bstr name_;
  bool rebuild_ = false;
  std::vector<VpfCoverageEntry> coverages_;
  std::map<std::wstring, ComPtr<IGroupLayer>, Utf16Less> productGroups_;
  std::map<std::wstring, ComPtr<IGroupLayer>, Utf16Less> coverageGroups_;
  std::map<std::wstring, ComPtr<IFeatureLayer>, Utf16Less> featureLayers_;
  VARIANT_BOOL visible_ = VARIANT_TRUE;
  Bstr layerId_;
  std::set<std::pair<const void*, const void*>> placed_;  // (group, member) of this build
};

}  // namespace velk::lumeris
