#include "layers/zel_managed_vpf_layer.h"

#include <map>
#include <string>

#include "interfaces/lumeris_ids.h"
#include "layers/managed_vpf_products.h"
#include "layers/product_series_tables.h"
#include "layers/vpf_layer_base.h"
#include "platform/host/display/display.h"
#include "platform/host/data/workspace.h"

namespace velk::lumeris {
namespace {

// A product's library feature classes, by their names.
using LibraryClasses = std::map<std::wstring, ComPtr<IFeatureClass>, Utf16Less>;

class ZelManagedVpfLayer : public VpfLayerBase<ZelManagedVpfLayer, IZelManagedVpfLayer> {
 public:
  static const CLSID& ClassId() { return ids::CLSID_ZelManagedVpfLayer; }
  static constexpr LONG kStreamVersion = kManagedVpfLayerStreamVersion;
  static constexpr LONG kIdSinceVersion = 0;  // always stored
  // A refresh reuses the kept coverage layers: only a change of UseGeoSym makes them anew.
  static constexpr bool kRefreshRemakesLayers = false;

  HRESULT FinalConstruct() {
    HRESULT hr = VpfLayerBase::FinalConstruct();
    useGeoSym_ = VARIANT_TRUE;
    useScaleDep_ = VARIANT_FALSE;
    return hr;
  }

  // ---------------------------------------------------------------- IZelManagedVpfLayer
  // Binds one product's feature dataset without a catalog: its name is the product's prefix,
  // which gives the one dataset key, the product group and the coverage list. There are no
  // footprints then, and a saved layer comes back without its data (the stream names only the
  // catalog).
  HRESULT putref_FeatureDataset(IFeatureDataset* featureDataset) override {
    VELK_TRY
    featureDataset_ = featureDataset;
    if (!AddFootprint() || !featureDataset) return S_FALSE;
    RenameFromDataset(featureDataset);
    Bstr name;
    QueryAs<IDataset>(featureDataset)->get_Name(&name);
    const VpfProductKind product = ClassifyVpfProduct(name.str());
    ClearDatasets();
    if (!product.key.empty()) AddDatasetRow({product.key});
    PublishDatasets();
    BuildFootprintRenderer();
    ApplyFootprintRenderer();
    libraries_.clear();
    std::map<std::wstring, VpfCoverageEntry, Utf16Less> entries;
    if (!product.key.empty()) ClassifyLibrary(product, name.str(), featureDataset, entries);
    TakeCoverageList(entries);
    return product.key.empty() ? S_FALSE : S_OK;
    VELK_CATCH
  }

  // ---------------------------------------------------------------- ILayer
  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    auto footprint = footprint_.As<ILayer>();
    return footprint ? footprint->get_Valid(valid) : S_OK;
  }

  // ---------------------------------------------------------------- ILayerDraw
  // Footprints and feature layers through one walk of the tree, which leaves out hidden layers
  // and product groups out of their scale range; every phase is passed on as it comes.
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* tracker) override {
    VELK_TRY
    if (!visible_) return S_OK;
    ApplyWireframeQuery();
    for (auto& [key, group] : productGroups_) {
      if (useScaleDep_ == VARIANT_TRUE) {
        double zoomedOut = 0, zoomedIn = 0;
        GetScaleRange(group.get(), &zoomedOut, &zoomedIn);
        const std::wstring tableKey = ScaleTableKey(key);
        if (const VpfProductRow* row = tableKey.empty() ? nullptr : FindVpfProductNoCase(tableKey)) {
          zoomedOut = row->zoomedOutBound;
          zoomedIn = row->zoomedInBound;
        }
        SetScaleRange(group.get(), zoomedOut, zoomedIn);
      } else {
        SetScaleRange(group.get(), 0, 0);
      }
    }
    double scale = 0;
    auto drawDisplay = QueryAs<IDrawDisplay>(display);
    if (drawDisplay) drawDisplay->get_MapScale(&scale);
    return Walk(this->InnerUnknown(), phase, display, tracker, scale) ? S_OK : S_FALSE;
    VELK_CATCH
  }

  void ReadCoverageList() { ClassifyCatalogLibraries(); }
  void BuildLayers() { BuildVpfLibraryLayers(); }

 private:
  struct Library {
    std::wstring prefix;
    ComPtr<IFeatureDataset> dataset;
    LONG kind = 0;  // the GeoSym product of its key
  };

  // Every product of the catalog whose prefix names a feature dataset beside it.
  void ClassifyCatalogLibraries() {
    libraries_.clear();
    ComPtr<IFeatureClass> fc;
    get_FeatureClass(fc.put());
    ComPtr<IWorkspace> ws;
    if (auto ds = QueryAs<IDataset>(fc.get())) ds->get_Workspace(ws.put());
    auto features = QueryAs<IFeatureWorkspace>(ws.get());
    std::map<std::wstring, VpfCoverageEntry, Utf16Less> entries;
    for (const auto& [value, use] : UseMap()) {
      const std::wstring prefix = ManagedVpfPrefix(value);
      ComPtr<IFeatureDataset> dataset;
      if (prefix.empty() || !features ||
          FAILED(features->OpenFeatureDataset(Bstr(prefix), dataset.put())) || !dataset)
        continue;
      ClassifyLibrary(ClassifyVpfProduct(prefix), prefix, dataset.get(), entries);
    }
    TakeCoverageList(entries);
  }

  // Records the product's prefix and feature dataset under its key; makes its product group
  // (with the key's scale range) and a coverage group and coverage entry per library feature
  // class it holds.
  void ClassifyLibrary(const VpfProductKind& product, const std::wstring& prefix,
                       IFeatureDataset* dataset,
                       std::map<std::wstring, VpfCoverageEntry, Utf16Less>& entries) {
    if (product.key.empty()) return;
    libraries_.try_emplace(product.key, Library{prefix, dataset, product.kind});
    if (!productGroups_.count(product.key)) {
      if (auto group = NewGroup(ProductTitle(product.key))) {
        const VpfProductRow* row = FindVpfProduct(product.key);
        SetScaleRange(group.get(), row ? row->zoomedOutBound : 0, row ? row->zoomedInBound : 0);
        productGroups_[product.key] = group;
      }
    }
    const std::wstring family = ProductFamily(product.key);
    for (const auto& [name, fc] : ClassesOf(dataset)) {
      std::wstring coverage, featureClass;
      if (!SplitLibraryClassName(name, prefix, &coverage, &featureClass)) continue;
      auto& group = coverageGroups_[product.key + L":" + coverage];
      if (!group) group = NewGroup(coverage);
      VpfCoverageEntry& e = entries[family + L"$" + coverage + L"." + featureClass];
      e.key = family + L"$" + coverage + L"." + featureClass;
      e.description = family + L"$" + coverage + L"$" + featureClass;
    }
  }

  void TakeCoverageList(std::map<std::wstring, VpfCoverageEntry, Utf16Less>& entries) {
    coverages_.clear();
    for (auto& [key, e] : entries) coverages_.push_back(e);
  }

  static LibraryClasses ClassesOf(IFeatureDataset* dataset) {
    LibraryClasses out;
    ComPtr<IEnumDataset> subsets;
    if (!dataset || FAILED(dataset->get_Subsets(subsets.put())) || !subsets) return out;
    ComPtr<IDataset> ds;
    while (subsets->Next(ds.put()) == S_OK && ds) {
      Bstr name;
      auto fc = ds.As<IFeatureClass>();
      if (fc && SUCCEEDED(ds->get_Name(&name))) out[name.str()] = fc;
    }
    return out;
  }

  // For every dataset in use and every shown coverage of its family, the feature layer over the
  // product's own library feature class, under its coverage and product groups.
  void BuildVpfLibraryLayers() {
    ClearProductGroups();
    if (rebuild_) featureLayers_.clear();
    for (const auto& [product, use] : UseMap()) {
      if (!use) continue;
      auto library = libraries_.find(product);
      if (library == libraries_.end()) continue;
      const LibraryClasses classes = ClassesOf(library->second.dataset.get());
      const std::wstring family = ProductFamily(product);
      for (const VpfCoverageEntry& entry : coverages_) {
        std::wstring coverage, featureClass;
        if (!entry.show || !SplitCoverageKey(entry.key, family, &coverage, &featureClass))
          continue;
        const std::wstring className =
            library->second.prefix + L"_" + coverage + L"_" + featureClass;
        auto found = classes.find(className);
        if (found == classes.end()) continue;
        // Keyed on the product, its prefix and its library feature class, so that products
        // sharing coverage and class names keep layers of their own.
        const std::wstring key = Cut(product + L" " + library->second.prefix + L":" + coverage +
                                         L"." + featureClass + L" " + className,
                                     1000);
        auto& layer = featureLayers_[key];
        if (!layer) layer = MakeFeatureLayer(found->second.get(), entry, product, library->second);
        if (!layer) {
          featureLayers_.erase(key);
          continue;
        }
        auto productGroup = productGroups_[product];
        auto& coverageGroup = coverageGroups_[product + L":" + coverage];
        if (!coverageGroup) coverageGroup = NewGroup(coverage);
        PlaceLayer(productGroup.get(), coverageGroup.get(), layer.As<ILayer>().get());
      }
    }
  }

  ComPtr<IFeatureLayer> MakeFeatureLayer(IFeatureClass* fc, const VpfCoverageEntry& entry,
                                         const std::wstring& product, const Library& library) {
    auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    if (!layer) return nullptr;
    layer->putref_FeatureClass(fc);
    const std::wstring display = entry.description.substr(entry.description.rfind(L'$') + 1);
    layer.As<ILayer>()->put_Name(Bstr(Cut(display + L" [" + ProductTitle(product) + L"]", 100)));
    layer.As<ILayer>()->put_Visible(displayCoverages_);
    if (useGeoSym_ == VARIANT_TRUE)
      if (auto geo = layer.As<IGeoFeatureLayer>())
        geo->putref_Renderer(NewGeoSymRenderer(library.kind).get());
    return layer;
  }

  // Draws the layer or, for a visible group in its scale range, its members in index order
  // until the tracker says stop; false once it has.
  bool Walk(IUnknown* layer, LONG phase, IDisplay* display, ITrackCancel* tracker, double scale) {
    VARIANT_BOOL visible = VARIANT_TRUE;
    auto general = QueryAs<ILayer>(layer);
    if (general) general->get_Visible(&visible);
    if (!visible) return true;
    if (auto group = QueryAs<ICompositeLayer>(layer)) {
      double zoomedOut = 0, zoomedIn = 0;
      GetScaleRange(layer, &zoomedOut, &zoomedIn);
      if ((zoomedIn != 0 && scale < zoomedIn) || (zoomedOut != 0 && scale > zoomedOut)) return true;
      LONG count = 0;
      group->get_Count(&count);
      for (LONG i = 0; i < count; ++i) {
        if (!KeepGoing(tracker)) return false;
        ComPtr<ILayer> member;
        if (SUCCEEDED(group->get_Layer(i, member.put())) &&
            !Walk(member.get(), phase, display, tracker, scale))
          return false;
      }
      return true;
    }
    if (auto self = QueryAs<ILayerDraw>(layer)) {
      self->Draw(phase, display, tracker);
    } else if (auto drawDisplay = QueryAs<IDrawDisplay>(display)) {
      drawDisplay->DrawLayer(layer, tracker);
    }
    return true;
  }

  std::map<std::wstring, Library, Utf16Less> libraries_;  // by product key
  ComPtr<IFeatureDataset> featureDataset_;
};

}  // namespace

HRESULT CreateZelManagedVpfLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ZelManagedVpfLayer>(outer, riid, ppv);
}

}  // namespace velk::lumeris
