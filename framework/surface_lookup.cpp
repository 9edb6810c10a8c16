#include "framework/surface_lookup.h"

#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "interfaces/catalog_layer_ids.h"
#include "platform/com/answers.h"

namespace velk::corvane {

ComPtr<ISurface> FindLayerBaseSurface(ILayer* layer) {
  if (!layer) return nullptr;
  auto extensions = RequireInterface<ILayerExtensions>(layer);
  LONG count = 0;
  extensions->get_ExtensionCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IUnknown> item;
    extensions->get_Extension(i, item.put());
    auto props = QueryAs<I3DProperties>(item.get());
    if (!props) continue;
    LONG kind = 0;
    props->get_BaseOption(&kind);
    if (kind != kBaseOptionSurface) continue;
    ComPtr<IUnknown> base;
    props->get_BaseSurface(base.put());
    if (base) return QueryAs<ISurface>(base.get());
  }
  return nullptr;
}

ComPtr<ISurface> GetSurfaceFromLayer(ILayer* layer) {
  if (!layer) return nullptr;
  if (Answers(layer, ids::IID_IZelDtedLayer)) return nullptr;
  if (auto surfaceLayer = QueryAs<ISurfaceLayer>(layer)) {
    ComPtr<ISurface> surface;
    surfaceLayer->get_Surface(surface.put());
    return surface;
  }
  auto rasterLayer = QueryAs<IRasterLayer>(layer);
  if (!rasterLayer) return nullptr;
  if (FindLayerBaseSurface(layer)) return nullptr;
  ComPtr<IRaster> raster;
  rasterLayer->get_Raster(raster.put());
  auto bands = RequireInterface<IRasterBandCollection>(raster.get());
  ComPtr<IRasterBand> band;
  bands->Item(0, band.put());
  if (!band) ThrowComError(E_POINTER);
  auto surface = CreateHostObject<IRasterSurface>(host::CLSID_RasterSurface);
  surface->putref_RasterBand(band.get());
  return surface.As<ISurface>();
}

}  // namespace velk::corvane
