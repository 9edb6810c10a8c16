#include "framework/raster_helpers.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/variant.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_dataset_name.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/win/messages.h"
#include "platform/win/window.h"

namespace velk::corvane {

namespace {

// The last part of a path, trailing separators ignored.
std::wstring LeafName(std::wstring path) {
  while (!path.empty() && (path.back() == L'/' || path.back() == L'\\')) path.pop_back();
  std::size_t cut = path.find_last_of(L"/\\");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

}  // namespace

void MakeRasterDatasetName(IDatasetName** name, IUnknown* workspaceName, BSTR nameText,
                           IUnknown* definition) {
  if (!name) ThrowComError(E_POINTER);
  *name = nullptr;
  auto workspace = RequireInterface<IWorkspaceName>(workspaceName);
  auto made = CreateHostObject<IDatasetName>(host::CLSID_RasterDatasetName);
  made->putref_WorkspaceName(workspace.get());
  if (definition) RequireInterface<IRasterDatasetName>(made.get())->putref_Definition(definition);
  if (SysStringLen(nameText) > 0) {
    made->put_Name(nameText);
  } else {
    Bstr path;
    workspace->get_PathName(&path);
    made->put_Name(Bstr(LeafName(path.str())));
  }
  *name = made.Detach();
}

void ApplyRasterAnalysisSettings(IUnknown* /*unused*/, IUnknown* target) {
  auto to = RequireInterface<IRasterAnalysisEnvironment>(target);
  auto fresh = CreateHostObject<IRasterAnalysisEnvironment>(host::CLSID_RasterAnalysis);

  ComPtr<IWorkspace> workspace;
  fresh->get_OutWorkspace(workspace.put());
  Check(to->putref_OutWorkspace(workspace.get()));

  ComPtr<ISpatialReference> sr;
  fresh->get_OutSpatialReference(sr.put());
  Check(to->putref_OutSpatialReference(sr.get()));

  LONG cellKind = 0;
  double cellSize = 0.0;
  Check(fresh->GetCellSize(&cellKind, &cellSize));
  Variant size(cellSize);
  Check(to->SetCellSize(cellKind, &size));

  LONG extentKind = 0;
  ComPtr<IUnknown> extent;
  Check(fresh->GetExtent(&extentKind, extent.put()));
  Variant hasExtent(static_cast<bool>(extent));
  Check(to->SetExtent(extentKind, &hasExtent, nullptr));

  // A default output workspace that has gone is the caller's to replace; not an error here.
  to->Validate();
}

namespace {

std::vector<std::wstring> SelectedNames(IRasterCatalog* catalog) {
  std::vector<std::wstring> selected;
  LONG count = 0;
  catalog->get_SelectedCount(&count);
  for (LONG i = 0; i < count; ++i) {
    Bstr n;
    if (SUCCEEDED(catalog->get_SelectedName(i, &n))) selected.push_back(n.str());
  }
  return selected;
}

// A selection names datasets by their names or, in a catalog layer, by their paths.
bool IsSelected(IDataset* dataset, const std::vector<std::wstring>& selected) {
  Bstr n, path;
  dataset->get_Name(&n);
  if (auto raster = QueryAs<IRasterDataset>(dataset)) raster->get_CompleteName(&path);
  return std::find(selected.begin(), selected.end(), n.str()) != selected.end() ||
         std::find(selected.begin(), selected.end(), path.str()) != selected.end();
}

// The raster catalog behind a catalog elevation or raster chart layer.
ComPtr<IRasterCatalog> CatalogOfLayer(IUnknown* catalogLayer) {
  ComPtr<IRasterCatalog> catalog;
  if (auto dted = QueryAs<IZelDtedLayer>(catalogLayer))
    dted->get_InternalObject(catalog.put());
  else
    RequireInterface<IZelRasterLayer>(catalogLayer)->get_InternalObject(catalog.put());
  if (!catalog) ThrowComError(E_POINTER);
  return catalog;
}

}  // namespace

LONG SelectedDatasetCount(IUnknown* catalogLayer) {
  LONG count = 0;
  CatalogOfLayer(catalogLayer)->get_SelectedCount(&count);
  return count;
}

ComPtr<IEnvelope> SelectedDatasetsExtent(IUnknown* catalogLayer) {
  auto catalog = CatalogOfLayer(catalogLayer);
  const std::vector<std::wstring> selected = SelectedNames(catalog.get());
  if (selected.empty()) return {};
  ComPtr<IEnumDataset> datasets;
  Check(catalog->get_RasterDatasets(datasets.put()));
  if (!datasets) return {};
  ComPtr<IEnvelope> extent;
  ComPtr<IDataset> dataset;
  while (datasets->Next(dataset.put()) == S_OK && dataset) {
    if (!IsSelected(dataset.get(), selected)) continue;
    ComPtr<IEnvelope> footprint;
    if (auto geo = dataset.As<IGeoDataset>()) geo->get_Extent(footprint.put());
    VARIANT_BOOL empty = VARIANT_TRUE;
    if (!footprint || FAILED(footprint->get_IsEmpty(&empty)) || empty) continue;
    if (!extent) {
      ComPtr<IClone> copy;
      Check(RequireInterface<IClone>(footprint.get())->Clone(copy.put()));
      extent = RequireInterface<IEnvelope>(copy.get());
    } else {
      Check(extent->Union(footprint.get()));
    }
  }
  return extent;
}

ComPtr<IRasterLayer> RasterLayerOfDataset(IUnknown* dataset) {
  ComPtr<IRaster> raster;
  if (auto rds = QueryAs<IRasterDataset>(dataset)) rds->CreateDefaultRaster(raster.put());
  if (!raster) return nullptr;
  auto layer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
  if (FAILED(layer->CreateFromRaster(raster.get()))) return nullptr;
  return layer;
}

ComPtr<IGeoDataset> FirstBandOf(IUnknown* layer) {
  auto rasterLayer = QueryAs<IRasterLayer>(layer);
  if (!rasterLayer) return nullptr;
  ComPtr<IRaster> raster;
  rasterLayer->get_Raster(raster.put());
  ComPtr<IRasterBand> band;
  if (auto bands = QueryAs<IRasterBandCollection>(raster.get())) bands->Item(0, band.put());
  return QueryAs<IGeoDataset>(band.get());
}

bool ComboShowsItem(HWND combo, UINT textId) {
  if (!combo) return false;
  std::wstring text = LoadResString(textId);
  LRESULT item = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(text.c_str()));
  LRESULT current = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return item == current;
}

void BuildRasterCollection(IRasterCollection** collection, bool selectedOnly, IUnknown* region,
                           IUnknown* source) {
  if (!collection) ThrowComError(E_POINTER);
  *collection = nullptr;
  auto made = CreateHostObject<IRasterCollection>(host::CLSID_RasterCollection);
  auto catalog = RequireInterface<IRasterCatalog>(source);

  std::vector<std::wstring> selected;
  if (selectedOnly) selected = SelectedNames(catalog.get());

  ComPtr<IRelationalOperator> area;
  if (region) {
    auto geometry = RequireInterface<IGeometry>(region);
    ComPtr<IEnvelope> envelope;
    Check(geometry->get_Envelope(envelope.put()));
    Check(made->putref_Extent(envelope.get()));
    area = RequireInterface<IRelationalOperator>(region);
  }

  ComPtr<IEnumDataset> datasets;
  Check(catalog->get_RasterDatasets(datasets.put()));
  if (!datasets) ThrowComError(E_POINTER);
  ComPtr<IDataset> dataset;
  while (datasets->Next(dataset.put()) == S_OK && dataset) {
    if (selectedOnly && !IsSelected(dataset.get(), selected)) continue;
    if (area) {
      ComPtr<IEnvelope> footprint;
      if (auto geo = dataset.As<IGeoDataset>()) geo->get_Extent(footprint.put());
      VARIANT_BOOL apart = VARIANT_FALSE;
      if (footprint && SUCCEEDED(area->Disjoint(footprint.get(), &apart)) && apart == VARIANT_TRUE)
        continue;
    }
    auto raster = RequireInterface<IRasterDataset>(dataset.get());
    ComPtr<IRaster> opened;
    Check(raster->CreateDefaultRaster(opened.put()));
    Check(made->Append(opened.get()));
  }
  *collection = made.Detach();
}

ComPtr<IRasterCollection> GetRasterFromCatalogLayer(bool selectedOnly, IUnknown* catalogLayer,
                                                    IUnknown* area) {
  auto catalog = CatalogOfLayer(catalogLayer);
  ComPtr<IRasterCollection> collection;
  BuildRasterCollection(collection.put(), selectedOnly, area, catalog.get());
  LONG count = 0;
  if (collection) collection->get_RasterCount(&count);
  if (count == 0) return {};
  return collection;
}

}  // namespace velk::corvane
