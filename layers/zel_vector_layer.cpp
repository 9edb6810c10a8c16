#include "layers/zel_vector_layer.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/lumeris_ids.h"
#include "layers/product_series_tables.h"
#include "layers/vpf_layer_base.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/data/table.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/vpf_workspace.h"
#include "platform/host/data/workspace.h"
#include "platform/productline/catalog_scan.h"
#include "platform/productline/vpf_table.h"

namespace velk::lumeris {
namespace {

// The layer's own record of what it did, reached by GetVectorLayerStats.
struct IVectorLayerStats : IUnknown {
  VELK_INTERFACE_ID("{7D1E5C3A-2B4F-4E6A-9C8D-0F1A2B3C4D5E}")
  virtual VectorLayerStats Stats() const = 0;
};

class ZelVectorLayer : public VpfLayerBase<ZelVectorLayer, IVectorLayerStats> {
 public:
  static const CLSID& ClassId() { return ids::CLSID_ZelVectorLayer; }
  static constexpr LONG kStreamVersion = kVectorLayerStreamVersion;
  static constexpr LONG kIdSinceVersion = kVectorLayerStreamVersion;
  // A refresh makes every feature layer anew (with the current UseGeoSym).
  static constexpr bool kRefreshRemakesLayers = true;

  HRESULT FinalConstruct() {
    HRESULT hr = VpfLayerBase::FinalConstruct();
    if (FAILED(hr)) return hr;
    VELK_TRY
    extentFilter_ = CreateHostObject<ISpatialFilter>(host::CLSID_SpatialFilter);
    extentFilter_->put_SpatialRel(kSpatialRelIntersects);
    return extentFilter_->put_SubFields(Bstr(L"PRODUCT,LIBRARY"));
    VELK_CATCH
  }

  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    auto inner = InnerLayer();
    return inner ? inner->get_Valid(valid) : (valid ? (*valid = VARIANT_TRUE, S_OK) : E_POINTER);
  }

  // ---------------------------------------------------------------- ILayerDraw
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* tracker) override {
    VELK_TRY
    if (!visible_) return S_OK;
    ApplyWireframeQuery();
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


  VectorLayerStats Stats() const override { return stats_; }

  void ReadCoverageList() { ReadCatalogFeatureClasses(); }
  void BuildLayers() { BuildCoverageLayers(); }

 private:
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
    auto group = NewGroup(ProductTitle(product));
    if (!group) return nullptr;
    const VpfProductRow* row = FindVpfProduct(product);
    SetScaleRange(group.get(), row ? row->zoomedOutBound : 0, row ? row->zoomedInBound : 0);
    productGroups_[product] = group;
    return group;
  }

  void ReadCatalogFeatureClasses() {
    auto table = FeatureTable();
    if (!table) return;
    auto filter = CreateHostObject<IQueryFilter>(host::CLSID_QueryFilter);
    if (filter)
      filter->put_SubFields(Bstr(L"PRODUCT, COVERAGE, FEAT_CLS, COV_DESC, FC_DESC, FC_TYPE"));
    ComPtr<ICursor> cursor;
    if (FAILED(table->Search(filter.get(), VARIANT_TRUE, cursor.put())) || !cursor) return;
    LONG f[5] = {-1, -1, -1, -1, -1};
    const wchar_t* names[5] = {L"PRODUCT", L"COVERAGE", L"FEAT_CLS", L"COV_DESC", L"FC_DESC"};
    for (int i = 0; i < 5; ++i) cursor->FindField(Bstr(names[i]), &f[i]);
    std::map<std::wstring, VpfCoverageEntry, Utf16Less> entries;
    ComPtr<IRow> row;
    while (cursor->NextRow(row.put()) == S_OK && row) {
      const std::wstring product = RowText(row.get(), f[0]);
      ProductGroup(product);
      const std::wstring coverage = RowText(row.get(), f[1]);
      const std::wstring family = ProductFamily(product);
      const std::wstring covDesc = RowText(row.get(), f[3]);
      VpfCoverageEntry e;
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
    ClearProductGroups();
    if (rebuild_) {
      featureLayers_.clear();
      libraryIndex_.clear();
      libraryFolders_.clear();
      libraryReadable_.clear();  // a refresh looks at the tables again
    }
    auto filter = CreateHostObject<IQueryFilter>(host::CLSID_QueryFilter);
    if (!filter) return;
    LONG f[6] = {-1, -1, -1, -1, -1, -1};
    const wchar_t* names[6] = {L"PRODUCT", L"PATH", L"LIBRARY", L"FC_TYPE", L"GEOSYM_PID",
                               L"FC_DESC"};
    for (int i = 0; i < 6; ++i) table->FindField(Bstr(names[i]), &f[i]);
    std::map<std::wstring, ComPtr<IWorkspaceName>> workspaces;
    std::map<std::wstring, ComPtr<IDatasetName>> datasets;
    for (const auto& [product, use] : UseMap()) {
      if (!use) continue;
      // A key without "$" has the empty family here.
      const std::wstring family =
          product.find(L'$') == std::wstring::npos ? L"" : ProductFamily(product);
      for (const VpfCoverageEntry& entry : coverages_) {
        std::wstring coverage, featureClass;
        if (!entry.show || !SplitCoverageKey(entry.key, family, &coverage, &featureClass))
          continue;
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
          auto& coverageGroup = coverageGroups_[product + L":" + coverage];
          if (!coverageGroup) coverageGroup = NewGroup(coverage);
          PlaceLayer(ProductGroup(product).get(), coverageGroup.get(), layer.As<ILayer>().get());
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
      ws = CreateHostObject<IWorkspaceName>(host::CLSID_WorkspaceName);
      if (!ws) return nullptr;
      ws->put_WorkspaceFactoryProgID(Bstr(L"velkDataSourcesFile.VpfWorkspaceFactory"));
      ws->put_PathName(Bstr(path));
    }
    auto& ds = datasets[Cut(path + L" " + library + L":" + coverage, 1000)];
    if (!ds) {
      ds = CreateHostObject<IDatasetName>(host::CLSID_DatasetName);
      if (!ds) return nullptr;
      ds->put_Type(kDatasetFeatureDataset);
      ds->put_Name(Bstr(library + L":" + coverage));
      ds->putref_WorkspaceName(ws.get());
    }
    auto name = CreateHostObject<IFeatureClassName>(host::CLSID_FeatureClassName);
    auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    if (!name || !layer) return nullptr;
    name.As<IDatasetName>()->put_Name(Bstr(featureClass));
    name->putref_FeatureDatasetName(ds.get());
    layer.As<ILayer>()->put_Name(Bstr(Cut(fcDesc + L" [" + library + L"]", 100)));
    layer.As<ILayer>()->put_Visible(displayCoverages_);
    libraryIndex_.emplace(product + L"|" + library,
                          std::make_pair(name.As<IName>(), layer));
    libraryFolders_.emplace(product + L"|" + library, std::make_pair(path, library));
    if (useGeoSym_ == VARIANT_TRUE)
      if (auto geo = layer.As<IGeoFeatureLayer>()) geo->putref_Renderer(NewGeoSymRenderer(geosym).get());
    return layer;
  }

  // Whether the library's tables read whole; checked once, before the host's VPF reader (which
  // trusts every length a table states) is let near it.
  bool LibraryReadable(const std::wstring& key) {
    auto known = libraryReadable_.find(key);
    if (known != libraryReadable_.end()) return known->second;
    bool readable = false;
    if (auto at = libraryFolders_.find(key); at != libraryFolders_.end()) {
      const std::string folder =
          productline::FindVpfFolder(ToUtf8(at->second.first), ToUtf8(at->second.second));
      std::string problemPath, reason;
      readable = !folder.empty() &&
                 productline::CheckVpfLibraryTables(folder, problemPath, reason);
    }
    libraryReadable_[key] = readable;
    return readable;
  }

  void PrepareLibraryLayers(const std::wstring& key, ITrackCancel* tracker) {
    ++stats_.libraryPreparations;
    // A library with a damaged table stays without data.
    if (!LibraryReadable(key)) return;
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


  std::multimap<std::wstring, std::pair<ComPtr<IName>, ComPtr<IFeatureLayer>>, Utf16Less>
      libraryIndex_;
  std::map<std::wstring, std::pair<std::wstring, std::wstring>, Utf16Less> libraryFolders_;
  std::map<std::wstring, bool, Utf16Less> libraryReadable_;
  ComPtr<ISpatialFilter> extentFilter_;
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
