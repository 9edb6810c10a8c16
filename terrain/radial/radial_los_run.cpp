#include "terrain/radial/radial_los_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "framework/scratch_folder.h"
#include "framework/surface_lookup.h"
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
  // 1. The surface.
  if (!p.surfaceLayer) return out;
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IUnknown> mapReference;
  map->get_SpatialReference(mapReference.put());
  ComPtr<ISpatialReference> wgs84 = MakeWgs84();
  ComPtr<ISpatialReference> mapSr = QueryAs<ISpatialReference>(mapReference.get());
  if (!mapSr) mapSr = wgs84;

  // 3. The work folder and the temporary name.
  std::wstring scratch = GetScratchFolder().str();
  while (!scratch.empty() && (scratch.back() == L'/' || scratch.back() == L'\\')) scratch.pop_back();
  out.workFolder = scratch + L"/RadialLOS";
  if (::mkdir(ToUtf8(out.workFolder).c_str(), 0777) != 0 && errno != EEXIST)
    ThrowComError(E_FAIL, L"Cannot create folder " + out.workFolder);
  std::wstring tempName = CreateTemporaryFile(out.workFolder, L"rlos");
  tempName = tempName.substr(tempName.find_last_of(L'/') + 1);
  tempName = tempName.substr(0, tempName.find_last_of(L'.'));
  // 4.
  auto rasterWorkspace =
      QueryAs<IWorkspace>(OpenWorkspaceFromFolder(Bstr(out.workFolder)).get());
  if (!rasterWorkspace) ThrowComError(E_POINTER);

  // 5, 6. The analysis area: the observers' extent in WGS 84, widened by 1.3.
  ComPtr<IEnvelope> area = p.observerExtent;
  if (!area) area = ObserverGeometryExtent(p.observers, mapSr.get());
  if (!area) return out;
  if (auto original = QueryAs<IClone>(area.get())) {  // the caller's envelope stays as it is
    ComPtr<IClone> copy;
    Check(original->Clone(copy.put()));
    area = RequireInterface<IEnvelope>(copy.get());
  }
  area->put_SpatialReference(mapSr.get());
  Check(area->Project(wgs84.get()));
  Check(area->Expand(kExtentRatio, kExtentRatio, VARIANT_TRUE));
  area->put_SpatialReference(wgs84.get());
  // 7. The projection of the prepared grid, centred on the area.
  ComPtr<IPoint> centre;
  Check(area->get_Center(centre.put()));
  ComPtr<ISpatialReference> aeqd;
  MakeAzimuthalEquidistantProjection(aeqd.put(), centre.get());

  // 8. A TIN cannot be analysed.
  if (QueryAs<ISurfaceLayer>(p.surfaceLayer.get()) && !QueryAs<IRasterLayer>(p.surfaceLayer.get())) {
    out.messages.push_back({kIdsNoOperationsOnTin, MB_ICONEXCLAMATION});
    return out;
  }

  // 9. The prepared grid.
  ComPtr<IUnknown> clipped;
  ComPtr<IRasterLayer> preparedLayer;
  if (QueryAs<IZelDtedLayer>(p.surfaceLayer.get())) {
    if (auto helper = QueryAs<IInternalZelHelper>(p.surfaceLayer.get())) {
      ComPtr<IGeoDataset> ds;
      helper->ClipRegion(area.get(), Bstr(out.workFolder), Bstr(tempName), VARIANT_TRUE,
                         ds.put());
      if (ds) {
        clipped = ds;
        ComPtr<IRaster> raster;
        if (auto rds = QueryAs<IRasterDataset>(ds.get())) rds->CreateDefaultRaster(raster.put());
        if (raster) {
          preparedLayer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
          if (FAILED(preparedLayer->CreateFromRaster(raster.get()))) preparedLayer.Reset();
        }
      }
    }
  } else if (auto rasterLayer = QueryAs<IRasterLayer>(p.surfaceLayer.get())) {
    ComPtr<IRaster> raster;
    rasterLayer->get_Raster(raster.put());
    ComPtr<IGeoDataset> band;
    if (auto bands = QueryAs<IRasterBandCollection>(raster.get())) {
      ComPtr<IRasterBand> b;
      if (SUCCEEDED(bands->Item(0, b.put()))) band = QueryAs<IGeoDataset>(b.get());
    }
    if (band) {
      auto op = CreateHostObject<ISurfacePreparationOp>(host::CLSID_RasterSurfaceOp);
      ComPtr<IGeoDataset> saved;
      op->PrepareAzimuthalGrid(band.get(), area.get(), rasterWorkspace.get(), Bstr(tempName),
                               saved.put());
      ComPtr<IRaster> prepared;
      if (auto rds = QueryAs<IRasterDataset>(saved.get())) rds->CreateDefaultRaster(prepared.put());
      if (prepared) {
        preparedLayer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
        if (FAILED(preparedLayer->CreateFromRaster(prepared.get()))) preparedLayer.Reset();
      }
    }
  }
  // 10.
  if (!preparedLayer) {
    out.statusId = kIdsCouldNotCreateViewshed;
    return out;
  }
  // 11.
  auto surface = GetSurfaceFromLayer(RequireInterface<ILayer>(preparedLayer.get()).get());
  if (!surface) {
    out.messages.push_back({kIdsInvalidDataset, MB_ICONEXCLAMATION});
    return out;
  }
  surface->put_ZFactor(1.0);
  // 12.
  ComPtr<IRaster> prepared;
  Check(preparedLayer->get_Raster(prepared.put()));
  ComPtr<IRasterDataset> preparedDataset;
  prepared->get_RasterDataset(preparedDataset.put());
  out.preparedPath = FileOf(preparedDataset.get());
  auto props = RequireInterface<IRasterProps>(prepared.get());
  ComPtr<ISpatialReference> preparedSr;
  props->get_SpatialReference(preparedSr.put());

  // 13. The observer feature class.
  const std::wstring fileName =
      NextFreeNumberedFileName(out.workFolder, L"losloc", L".shp").str();
  out.runNumber = fileName.substr(6, fileName.size() - 6 - 4);
  auto observers =
      CreateObserverFeatureClass(out.workFolder, fileName, preparedSr.get(), p.withObserverElevation);
  auto discard = [&] {
    if (clipped) DeleteDataset(clipped.get());
    DeleteDataset(observers.get());
  };
  // 14. One feature per observer, stopping at the first that cannot be written.
  for (const auto& o : p.observers) {
    if (!SurfaceElevationAtObserver(o, surface.get())) {
      if (o.location) out.messages.push_back({kIdsPointOutsideSurface, MB_ICONEXCLAMATION});
      discard();
      return out;
    }
    if (FAILED(WriteObserverFields(observers.get(), o.location.get(), o, p.withObserverElevation))) {
      out.statusId = kIdsCouldNotCreateViewshed;
      discard();
      return out;
    }
  }
  if (p.observers.empty()) {
    discard();
    return out;
  }
  out.observerPath = ShapefileOf(out.workFolder, fileName);

  // 16, 17. The coverage.
  double cellX = 0, cellY = 0;
  props->QueryCellSize(&cellX, &cellY);
  double refraction = 0.13;
  if (p.settings) p.settings->get_TerrainRefraction(&refraction);
  auto coverage = ComputeVisibilityCoverage(out.workFolder, prepared.get(), observers.get(),
                                            std::max(cellX, cellY), refraction);
  if (!coverage) {
    discard();
    out.observerPath.clear();
    out.statusId = kIdsCouldNotCreateViewshed;
    return out;
  }
  Bstr coverageName;
  RequireInterface<IDataset>(coverage.get())->get_Name(&coverageName);
  out.coveragePath = ShapefileOf(out.workFolder, coverageName.str());

  // 18, 19. The result layers.
  Bstr layerName;
  p.surfaceLayer->get_Name(&layerName);
  RadialVisibilityNames names{Format(kIdsRadialVisibilityGroup, out.runNumber, layerName.str()),
                              Format(kIdsLocationForVisibility, out.runNumber, layerName.str()),
                              Format(kIdsVisibilityOf, out.runNumber, layerName.str())};
  ComPtr<ILayer> group;
  for (const auto& o : p.observers)
    group = AddRadialVisibilityLayers(hook, group.get(), observers.get(), coverage.get(), names, o,
                                      p.settings.get());
  out.group = group;
  out.done = true;
  return out;
}

}  // namespace velk::corvane
