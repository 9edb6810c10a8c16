#include "terrain/radial/radial_los_run.h"

#include <algorithm>

#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "framework/raster_helpers.h"
#include "framework/run_progress.h"
#include "framework/scratch_folder.h"
#include "framework/surface_lookup.h"
#include "framework/surface_preparation.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/win/format_message.h"
#include "platform/win/responder.h"
#include "framework/temporary_file.h"
#include "terrain/radial/observer_extent.h"
#include "terrain/radial/observer_feature_class.h"
#include "terrain/radial/radial_visibility_layers.h"
#include "terrain/radial/visibility_coverage.h"

namespace velk::corvane {

namespace {

constexpr double kExtentRatio = 1.3;

std::wstring Format(UINT id, const std::wstring& number, const std::wstring& layer) {
  std::wstring out;
  if (!win::FormatInserts(LoadResString(id), {number, layer}, &out)) return {};
  return out;
}

ComPtr<IEnvelope> EnvelopeOf(IGeometry* g, ISpatialReference* sr) {
  if (!g) return nullptr;
  VARIANT_BOOL empty = VARIANT_TRUE;
  g->get_IsEmpty(&empty);
  if (empty) return nullptr;
  ComPtr<IEnvelope> e;
  if (FAILED(g->get_Envelope(e.put())) || !e) return nullptr;
  if (sr && FAILED(e->Project(sr))) return nullptr;
  return e;
}

void DeleteDataset(IUnknown* object) {
  if (auto ds = QueryAs<IDataset>(object)) ds->Delete();
}

std::wstring FileOf(IUnknown* object) {
  Bstr path;
  if (auto raster = QueryAs<IRasterDataset>(object)) raster->get_CompleteName(&path);
  return path.str();
}

std::wstring ShapefileOf(const std::wstring& folder, const std::wstring& name) {
  std::wstring file = name;
  if (file.size() < 4 || file.substr(file.size() - 4) != L".shp") file += L".shp";
  return folder + L"/" + file;
}

// The observer's elevation on the surface; false when it lies on a void or off the surface.
bool SurfaceElevationAtObserver(const RadialLosObserver& o, ISurface* surface) {
  if (!o.location || !surface) return false;
  double z = 0;
  if (FAILED(surface->GetElevation(o.location.get(), &z))) return false;
  VARIANT_BOOL isVoid = VARIANT_TRUE;
  surface->IsVoidZ(z, &isVoid);
  return isVoid == VARIANT_FALSE;
}

// The analysis area: the observers' extent (or the one given) in WGS 84, widened by 1.3. The
// caller's envelope stays as it is. Null without observers.
ComPtr<IEnvelope> AnalysisArea(const RadialLosRunParameters& p, ISpatialReference* mapSr,
                               ISpatialReference* wgs84) {
  ComPtr<IEnvelope> area = p.observerExtent;
  if (!area) area = ObserverGeometryExtent(p.observers, mapSr);
  if (!area) return nullptr;
  if (auto original = QueryAs<IClone>(area.get())) {
    ComPtr<IClone> copy;
    Check(original->Clone(copy.put()));
    area = RequireInterface<IEnvelope>(copy.get());
  }
  area->put_SpatialReference(mapSr);
  Check(area->Project(wgs84));
  Check(area->Expand(kExtentRatio, kExtentRatio, VARIANT_TRUE));
  area->put_SpatialReference(wgs84);
  return area;
}

// One feature per observer, stopping at the first that lies off the surface (a message) or
// cannot be written (a status); false then.
bool WriteObservers(const RadialLosRunParameters& p, ISurface* surface, IFeatureClass* observers,
                    RadialLosRunOutcome& out) {
  for (const auto& o : p.observers) {
    if (!SurfaceElevationAtObserver(o, surface)) {
      if (o.location) out.messages.push_back({kIdsPointOutsideSurface, MB_ICONEXCLAMATION});
      return false;
    }
    if (FAILED(WriteObserverFields(observers, o.location.get(), o, p.withObserverElevation))) {
      out.statusId = kIdsCouldNotCreateViewshed;
      return false;
    }
  }
  return true;
}

// The group "Radial Visibility <n> of <layer>" with each observer's outline and point and the
// coverage.
ComPtr<ILayer> AddResultLayers(HookStruct& hook, const RadialLosRunParameters& p,
                               IFeatureClass* observers, IFeatureClass* coverage,
                               const std::wstring& runNumber) {
  Bstr layerName;
  p.surfaceLayer->get_Name(&layerName);
  RadialVisibilityNames names{Format(kIdsRadialVisibilityGroup, runNumber, layerName.str()),
                              Format(kIdsLocationForVisibility, runNumber, layerName.str()),
                              Format(kIdsVisibilityOf, runNumber, layerName.str())};
  ComPtr<ILayer> group;
  for (const auto& o : p.observers)
    group = AddRadialVisibilityLayers(hook, group.get(), observers, coverage, names, o,
                                      p.settings.get());
  return group;
}

// The prepared surface of a run and what the run reads of it.
struct RadialSurface {
  PreparedSurface prepared;
  ComPtr<ISurface> surface;
  ComPtr<IRaster> raster;
};

// The surface prepared over the area: a catalog layer's clip or a raster layer's band warped
// into the analysis grid, its surface at z factor 1. False (out says why, nothing is left) when
// it could not be made or the user stopped the run.
bool PrepareRadialSurface(const RadialLosRunParameters& p, IEnvelope* area,
                          const std::wstring& name, IWorkspace* workspace, RunProgress& progress,
                          RadialSurface& s, RadialLosRunOutcome& out) {
  Bstr layerName;
  p.surfaceLayer->get_Name(&layerName);
  progress.Show(kIdsPreparingSurfaceProgress, {layerName.str()});
  if (!progress.KeepGoing()) return false;
  s.prepared = PrepareSurface({.surfaceLayer = p.surfaceLayer,
                               .area = area,
                               .workFolder = out.workFolder,
                               .name = name,
                               .workspace = workspace,
                               .grid = SurfaceGrid::kAzimuthal});
  auto layer = QueryAs<IRasterLayer>(s.prepared.layer.get());
  if (!layer || !progress.KeepGoing()) {
    DiscardPreparedSurface(s.prepared);
    if (!progress.Cancelled()) out.statusId = kIdsCouldNotCreateViewshed;
    return false;
  }
  s.surface = GetSurfaceFromLayer(s.prepared.layer.get());
  if (!s.surface) {
    DiscardPreparedSurface(s.prepared);
    out.messages.push_back({kIdsInvalidDataset, MB_ICONEXCLAMATION});
    return false;
  }
  s.surface->put_ZFactor(1.0);
  Check(layer->get_Raster(s.raster.put()));
  ComPtr<IRasterDataset> dataset;
  s.raster->get_RasterDataset(dataset.put());
  out.preparedPath = FileOf(dataset.get());
  return true;
}

// The observer feature class, one feature per observer, then the coverage (the count of
// observers that see each cell, as polygons) and the result layers. A run that stops on the way
// deletes what it made, the prepared surface too.
void ComputeAndShow(HookStruct& hook, const RadialLosRunParameters& p, RadialSurface& s,
                    RunProgress& progress, RadialLosRunOutcome& out) {
  auto props = RequireInterface<IRasterProps>(s.raster.get());
  ComPtr<ISpatialReference> preparedSr;
  props->get_SpatialReference(preparedSr.put());
  const std::wstring fileName = NextFreeNumberedFileName(out.workFolder, L"losloc", L".shp").str();
  out.runNumber = fileName.substr(6, fileName.size() - 6 - 4);
  auto observers = CreateObserverFeatureClass(out.workFolder, fileName, preparedSr.get(),
                                              p.withObserverElevation);
  auto discard = [&] {
    s.surface.Reset();
    s.raster.Reset();
    DiscardPreparedSurface(s.prepared);
    DeleteDataset(observers.get());
  };
  if (!WriteObservers(p, s.surface.get(), observers.get(), out) || p.observers.empty()) {
    discard();
    return;
  }
  out.observerPath = ShapefileOf(out.workFolder, fileName);

  double cellX = 0, cellY = 0;
  props->QueryCellSize(&cellX, &cellY);
  double refraction = 0.13;
  if (p.settings) p.settings->get_TerrainRefraction(&refraction);
  const auto made = ComputeVisibilityCoverage(out.workFolder, s.raster.get(), observers.get(),
                                              std::max(cellX, cellY), refraction,
                                              progress.Callback(kIdsVisibilityProgress));
  const ComPtr<IFeatureClass>& coverage = made.coverage;
  // Esc while the polygons were made (they ask nothing) is heard here: the run then keeps
  // neither the polygons nor the count raster.
  if (!coverage || !progress.KeepGoing()) {
    if (coverage) DeleteDataset(coverage.get());
    if (made.counts) DeleteDataset(made.counts.get());
    discard();
    out.observerPath.clear();
    if (!progress.Cancelled()) out.statusId = kIdsCouldNotCreateViewshed;
    return;
  }
  Bstr coverageName;
  RequireInterface<IDataset>(coverage.get())->get_Name(&coverageName);
  out.coveragePath = ShapefileOf(out.workFolder, coverageName.str());

  out.group = AddResultLayers(hook, p, observers.get(), coverage.get(), out.runNumber);
  out.done = true;
}

}  // namespace

ComPtr<IEnvelope> ObserverGeometryExtent(const std::vector<RadialLosObserver>& observers,
                                         ISpatialReference* sr) {
  ComPtr<IEnvelope> all;
  auto add = [&](const ComPtr<IEnvelope>& e) {
    if (!e) return;
    if (!all)
      all = e;
    else
      all->Union(e.get());
  };
  for (const auto& o : observers) {
    add(EnvelopeOf(QueryAs<IGeometry>(o.location.get()).get(), sr));
    ComPtr<IPolygon> extent = o.extent;
    if (!extent)
      extent = BuildObserverExtent(o.location.get(), o.distanceNear, o.distanceFar, o.azimuthFrom,
                                   o.azimuthTo);
    add(EnvelopeOf(QueryAs<IGeometry>(extent.get()).get(), sr));
  }
  return all;
}

RadialLosRunOutcome RunRadialLos(HookStruct& hook, const RadialLosRunParameters& p) {
  RadialLosRunOutcome out;
  if (!p.surfaceLayer) return out;
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IUnknown> mapReference;
  map->get_SpatialReference(mapReference.put());
  ComPtr<ISpatialReference> wgs84 = MakeWgs84();
  ComPtr<ISpatialReference> mapSr = QueryAs<ISpatialReference>(mapReference.get());
  if (!mapSr) mapSr = wgs84;

  // The work folder, a temporary name in it (given up when the run ends) and the folder as a
  // raster workspace.
  out.workFolder = ScratchWorkFolder(L"RadialLOS");
  const TemporaryNameClaim claim(out.workFolder, L"rlos");
  auto rasterWorkspace = QueryAs<IWorkspace>(OpenWorkspaceFromFolder(Bstr(out.workFolder)).get());
  if (!rasterWorkspace) ThrowComError(E_POINTER);

  // The analysis area, and the grid's projection centred on it.
  ComPtr<IEnvelope> area = AnalysisArea(p, mapSr.get(), wgs84.get());
  if (!area) return out;
  ComPtr<IPoint> centre;
  Check(area->get_Center(centre.put()));
  ComPtr<ISpatialReference> aeqd;
  MakeAzimuthalEquidistantProjection(aeqd.put(), centre.get());

  // A TIN cannot be analysed.
  if (QueryAs<ISurfaceLayer>(p.surfaceLayer.get()) &&
      !QueryAs<IRasterLayer>(p.surfaceLayer.get())) {
    out.messages.push_back({kIdsNoOperationsOnTin, MB_ICONEXCLAMATION});
    return out;
  }

  RunProgress progress(hook);
  RadialSurface surface;
  if (PrepareRadialSurface(p, area.get(), claim.Name(), rasterWorkspace.get(), progress, surface,
                           out))
    ComputeAndShow(hook, p, surface, progress, out);
  out.cancelled = progress.Cancelled();
  progress.Finish();
  return out;
}

}  // namespace velk::corvane
