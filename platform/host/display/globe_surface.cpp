#include "platform/host/display/globe_surface.h"

#include <cmath>

#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {
namespace {

// The source's height at the place, NaN where it has none.
double RasterLayerHeight(ILayer* layer, IPoint* place) {
  auto rasterLayer = QueryAs<IRasterLayer>(layer);
  if (!rasterLayer) return NAN;
  VARIANT_BOOL visible = VARIANT_FALSE;
  layer->get_Visible(&visible);
  if (!visible) return NAN;
  ComPtr<IRaster> raster;
  rasterLayer->get_Raster(raster.put());
  auto bands = QueryAs<IRasterBandCollection>(raster.get());
  ComPtr<IRasterBand> band;
  if (!bands || FAILED(bands->Item(0, band.put())) || !band) return NAN;
  ComPtr<IRasterSurface> surface;
  if (FAILED(CreateRasterSurfaceObject(nullptr, IidOf<IRasterSurface>(), surface.put_void())))
    return NAN;
  surface->putref_RasterBand(band.get());
  double z = NAN;
  if (FAILED(surface.As<ISurface>()->GetElevation(place, &z))) return NAN;
  return z;
}

}  // namespace

HRESULT Globe::get_HeightFactor(double* factor) { return get_VerticalExaggeration(factor); }

HRESULT Globe::GetSurfaceHeight(double longitude, double latitude, VARIANT_BOOL inMetres,
                                double* height) {
  if (!height) return E_POINTER;
  *height = 0.0;
  if (!(std::fabs(latitude) <= 90.0) || !(std::fabs(longitude) <= 360.0)) return E_INVALIDARG;
  VELK_TRY
  auto place = NewPoint(longitude, latitude, SpatialReferenceFromCode(4326).get());
  double metres = NAN;
  LONG count = 0;
  layers_.Count(&count);
  for (LONG i = 0; i < count && std::isnan(metres); ++i) {
    ComPtr<ILayer> layer;
    layers_.At(i, layer.put());
    metres = RasterLayerHeight(layer.get(), place.get());
  }
  HRESULT hr = S_OK;
  if (std::isnan(metres)) {
    metres = 0.0;
    hr = S_FALSE;
  }
  *height = inMetres ? metres : metres / 1000.0 * exaggeration_;
  return hr;
  VELK_CATCH
}

}  // namespace velk::host
