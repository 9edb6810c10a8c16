#include "coordinates/shift_point.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "coordinates/datum_table.h"
#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/geometry/geo_transformation.h"
#include "platform/registry/activation.h"

namespace velk::corvane {

namespace {

// Module-wide, used from the user-interface thread only. The holder is never destroyed: the
// module's detach releases the system (ReleaseWgs84CoordinateSystem), and a static destroyed
// before that would release it twice.
ComPtr<IGeographicCoordinateSystem>& Wgs84() {
  static auto* wgs84 = new ComPtr<IGeographicCoordinateSystem>();
  return *wgs84;
}

}  // namespace

ComPtr<IGeographicCoordinateSystem> GetWgs84CoordinateSystem() {
  ComPtr<IGeographicCoordinateSystem>& wgs84 = Wgs84();
  if (!wgs84) {
    ComPtr<ISpatialReferenceFactory> factory;
    if (SUCCEEDED(CoCreateInstance(host::CLSID_SpatialReferenceFactory, nullptr, CLSCTX_ALL,
                                   IidOf<ISpatialReferenceFactory>(), factory.put_void())) &&
        factory) {
      ComPtr<IGeographicCoordinateSystem> made;
      if (SUCCEEDED(factory->CreateGeographicCoordinateSystem(kFactoryCodeWgs84, made.put()))) {
        wgs84 = made;
        // At process exit the statics the system rests on (PROJ's context among them) go before
        // the module's detach runs; they were made before it, so a handler registered now runs
        // before they go.
        static const bool releasedAtExit = std::atexit(&ReleaseWgs84CoordinateSystem) == 0;
        (void)releasedAtExit;
      }
    }
  }
  return wgs84;
}

void ReleaseWgs84CoordinateSystem() { Wgs84().Reset(); }

bool ShiftPointToWgs84(bool toWgs84, ISpatialReference* mapReference, IGeometry* geometry) {
  if (!mapReference || !geometry) return false;
  ComPtr<IGeographicCoordinateSystem> gcs = QueryAs<IGeographicCoordinateSystem>(mapReference);
  LONG code = 0;
  if (!gcs || FAILED(gcs->get_FactoryCode(&code))) return false;
  const auto row = LookUpDatumRow(code);
  if (!row) return false;
  ComPtr<IGeographicCoordinateSystem> wgs84 = GetWgs84CoordinateSystem();
  auto moved = QueryAs<ITransform2D>(geometry);
  if (!wgs84 || !moved) return false;

  // The host's geocentric translation from the map's datum to WGS 84 with the row's shift.
  ComPtr<IGeocentricTranslation> translation;
  if (FAILED(CoCreateInstance(host::CLSID_GeocentricTranslation, nullptr, kHostCreationContext,
                              IidOf<IGeocentricTranslation>(), translation.put_void())) ||
      !translation)
    return false;
  const DatumTableRow& shift = DatumTable[*row];
  if (FAILED(translation->PutSpatialReferences(mapReference, wgs84.get())) ||
      FAILED(translation->PutParameters(shift.dx, shift.dy, shift.dz)))
    return false;
  return SUCCEEDED(moved->Transform(toWgs84 ? host::kTransformForward : host::kTransformReverse,
                                    translation.get()));
}

}  // namespace velk::corvane
