#include "terrain/radial/radial_los_observer.h"

#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "platform/host/data/data_class_ids.h"

namespace velk::corvane {

ComPtr<ISpatialReference> MakeWgs84() {
  auto factory = CreateHostObject<ISpatialReferenceFactory>(host::CLSID_SpatialReferenceFactory);
  ComPtr<IGeographicCoordinateSystem> gcs;
  Check(factory->CreateGeographicCoordinateSystem(4326, gcs.put()));
  return RequireInterface<ISpatialReference>(gcs.get());
}

void PlaceObserver(RadialLosObserver& o, double longitude, double latitude) {
  auto point = CreateHostObject<IPoint>(host::CLSID_Point);
  point->PutCoords(longitude, latitude);
  point->put_SpatialReference(MakeWgs84().get());
  ComPtr<ISpatialReference> projection;
  MakeAzimuthalEquidistantProjection(projection.put(), point.get());
  Check(point->Project(projection.get()));
  point->put_SpatialReference(projection.get());
  o.projection = projection;
  o.location = point;
}

}  // namespace velk::corvane
