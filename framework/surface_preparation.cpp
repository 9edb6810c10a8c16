#include "framework/surface_preparation.h"

#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/raster_helpers.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/raster.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/operations/surface_analysis.h"

namespace velk::corvane {

namespace {

bool HasReference(IGeoDataset* dataset) {
  ComPtr<ISpatialReference> sr;
  if (!dataset || FAILED(dataset->get_SpatialReference(sr.put())) || !sr) return false;
  Bstr wkt;
  sr->ExportToWkt(&wkt);
  return !wkt.str().empty();
}

void Keep(PreparedSurface& out, IUnknown* written) {
  if (auto dataset = QueryAs<IDataset>(written)) out.made.push_back(dataset);
}

ComPtr<IWorkspace> WorkspaceOf(const SurfacePreparation& p) {
  if (p.workspace) return p.workspace;
  return QueryAs<IWorkspace>(OpenWorkspaceFromFolder(Bstr(p.workFolder)).get());
}

// The catalog layer's cells: its clip over the area, or its datasets saved as one grid.
ComPtr<IGeoDataset> CatalogCellsOf(const SurfacePreparation& p, const std::wstring& name,
                                   PreparedSurface& out) {
  if (p.catalogCells == CatalogCells::kClip) {
    auto helper = QueryAs<IInternalZelHelper>(p.surfaceLayer.get());
    if (!helper || !p.area) return nullptr;
    const VARIANT_BOOL reproject = ToVariantBool(p.grid != SurfaceGrid::kOwn);
    ComPtr<IGeoDataset> clip;
    if (FAILED(helper->ClipRegion(p.area.get(), Bstr(p.workFolder), Bstr(name), reproject,
                                  clip.put())))
      return nullptr;
    Keep(out, clip.get());
    return clip;
  }
  auto rasters = GetRasterFromCatalogLayer(p.catalogCells == CatalogCells::kSelectedDatasets,
                                           p.surfaceLayer.get(), p.area.get());
  if (!rasters) return nullptr;
  auto workspace = WorkspaceOf(p);
  if (!workspace) return nullptr;
  ComPtr<IUnknown> saved;
  RequireInterface<ISaveAs>(rasters.get())
      ->SaveAs(Bstr(name), workspace.get(), Bstr(L"GRID"), saved.put());
  Keep(out, saved.get());
  return QueryAs<IGeoDataset>(saved.get());
}

// The source warped into the azimuthal equidistant grid over the area.
ComPtr<IGeoDataset> Warp(const SurfacePreparation& p, IGeoDataset* source, PreparedSurface& out) {
  if (p.requireReference && !HasReference(source)) {
    out.failure = SurfaceFailure::kNoReference;
    return nullptr;
  }
  auto workspace = WorkspaceOf(p);
  if (!workspace) return nullptr;
  auto op = CreateHostObject<ISurfacePreparationOp>(host::CLSID_RasterSurfaceOp);
  ComPtr<IGeoDataset> saved;
  op->PrepareAzimuthalGrid(source, p.area.get(), workspace.get(), Bstr(p.name), saved.put());
  Keep(out, saved.get());
  return saved;
}

void Prepare(const SurfacePreparation& p, PreparedSurface& out) {
  const bool catalog = QueryAs<IZelDtedLayer>(p.surfaceLayer.get()) != nullptr;
  if (!catalog && p.grid == SurfaceGrid::kOwn) {
    out.layer = p.surfaceLayer;
    out.dataset = FirstBandOf(p.surfaceLayer.get());
    if (!QueryAs<IRasterLayer>(p.surfaceLayer.get())) out.failure = SurfaceFailure::kNotARaster;
    return;
  }
  ComPtr<IGeoDataset> prepared;
  if (catalog) {
    const bool warped = p.grid == SurfaceGrid::kAzimuthalWarped;
    prepared = CatalogCellsOf(p, warped ? p.name + L"c" : p.name, out);
    if (prepared && warped) {
      // The warp reads the clip's first band through a layer of it, as for a raster layer; the
      // clip was only the way to it.
      auto clipLayer = RasterLayerOfDataset(prepared.get());
      auto band = FirstBandOf(clipLayer.get());
      prepared = band ? Warp(p, band.get(), out) : nullptr;
      if (prepared) {
        band.Reset();
        clipLayer.Reset();
        auto clip = out.made.front();
        out.made.erase(out.made.begin());
        clip->Delete();
      }
    }
  } else if (auto band = FirstBandOf(p.surfaceLayer.get())) {
    prepared = Warp(p, band.get(), out);
  }
  if (!prepared) {
    if (out.failure == SurfaceFailure::kNone) out.failure = SurfaceFailure::kNotPrepared;
    return;
  }
  out.dataset = prepared;
  // A grid of the catalog's datasets is read as it is saved; a clip or a warp through a layer.
  if (!catalog || p.catalogCells == CatalogCells::kClip) {
    auto layer = RasterLayerOfDataset(prepared.get());
    if (!layer) {
      out.failure = SurfaceFailure::kNotPrepared;
      return;
    }
    out.layer = RequireInterface<ILayer>(layer.get());
  }
}

}  // namespace

PreparedSurface PrepareSurface(const SurfacePreparation& p) {
  PreparedSurface out;
  if (!p.surfaceLayer) {
    out.failure = SurfaceFailure::kNotARaster;
    return out;
  }
  try {
    Prepare(p, out);
  } catch (...) {
    DiscardPreparedSurface(out);
    throw;
  }
  return out;
}

void DiscardPreparedSurface(PreparedSurface& surface) {
  surface.layer.Reset();
  surface.dataset.Reset();
  for (auto it = surface.made.rbegin(); it != surface.made.rend(); ++it) {
    try {
      (*it)->Delete();
    } catch (...) {
      // Nothing more can be cleared.
    }
  }
  surface.made.clear();
}

}  // namespace velk::corvane
