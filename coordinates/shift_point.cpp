#include "coordinates/shift_point.h"

#include <cmath>
#include <vector>

#include "coordinates/datum_table.h"
#include "platform/host/data_class_ids.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/registry/activation.h"

namespace velk::corvane {

namespace {

using productline::CoordinateEngine;
using productline::GeoPoint;

// Module-wide, used from the user-interface thread only. The holder is never destroyed: the
// module's detach releases the system (ReleaseWgs84CoordinateSystem), and a static destroyed
// before that would release it twice.
ComPtr<IGeographicCoordinateSystem>& Wgs84() {
  static auto* wgs84 = new ComPtr<IGeographicCoordinateSystem>();
  return *wgs84;
}

bool ValidLocation(double x, double y) {
  return std::isfinite(x) && std::isfinite(y) && y >= -90.0 && y <= 90.0;
}

// One vertex between the datum of a datum-table row and WGS 84. The longitude keeps the range
// it was given in (a map may use 0..360): only the shift is added to it.
struct Shifter {
  int datum;
  bool toWgs84;
  void operator()(double& x, double& y) const {
    const GeoPoint p{x, y};
    const GeoPoint q = toWgs84 ? CoordinateEngine::ShiftToWgs84(datum, p)
                               : CoordinateEngine::ShiftFromWgs84(datum, p);
    x += std::remainder(q.lon - p.lon, 360.0);
    y = q.lat;
  }
};

bool ShiftPoint(IPoint* point, const Shifter& shift) {
  VARIANT_BOOL empty = VARIANT_TRUE;
  if (FAILED(point->get_IsEmpty(&empty))) return false;
  if (empty) return true;
  double x = 0.0, y = 0.0;
  if (FAILED(point->QueryCoords(&x, &y)) || !ValidLocation(x, y)) return false;
  shift(x, y);
  return SUCCEEDED(point->PutCoords(x, y));
}

bool ShiftEnvelope(IEnvelope* envelope, const Shifter& shift) {
  VARIANT_BOOL empty = VARIANT_TRUE;
  if (FAILED(envelope->get_IsEmpty(&empty))) return false;
  if (empty) return true;
  double xmin = 0.0, ymin = 0.0, xmax = 0.0, ymax = 0.0;
  if (FAILED(envelope->QueryCoords(&xmin, &ymin, &xmax, &ymax)) || !ValidLocation(xmin, ymin) ||
      !ValidLocation(xmax, ymax))
    return false;
  shift(xmin, ymin);
  shift(xmax, ymax);
  return SUCCEEDED(envelope->PutCoords(xmin, ymin, xmax, ymax));
}

// Every vertex is read and checked before the first one is written back.
bool ShiftVertices(IPointCollection* points, const Shifter& shift) {
  LONG count = 0;
  if (FAILED(points->get_PointCount(&count))) return false;
  std::vector<ComPtr<IPoint>> vertices;
  std::vector<double> xs, ys;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IPoint> v;
    double x = 0.0, y = 0.0;
    if (FAILED(points->get_Point(i, v.put())) || !v || FAILED(v->QueryCoords(&x, &y)) ||
        !ValidLocation(x, y))
      return false;
    shift(x, y);
    vertices.push_back(std::move(v));
    xs.push_back(x);
    ys.push_back(y);
  }
  for (LONG i = 0; i < count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (FAILED(vertices[k]->PutCoords(xs[k], ys[k])) ||
        FAILED(points->UpdatePoint(i, vertices[k].get())))
      return false;
  }
  return true;
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
      if (SUCCEEDED(factory->CreateGeographicCoordinateSystem(kFactoryCodeWgs84, made.put())))
        wgs84 = made;
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
  if (!row || *row >= static_cast<std::size_t>(CoordinateEngine::DatumCount())) return false;
  const Shifter shift{static_cast<int>(*row), toWgs84};

  if (auto point = QueryAs<IPoint>(geometry)) return ShiftPoint(point.get(), shift);
  if (auto envelope = QueryAs<IEnvelope>(geometry)) return ShiftEnvelope(envelope.get(), shift);
  if (auto points = QueryAs<IPointCollection>(geometry)) return ShiftVertices(points.get(), shift);
  return false;
}

}  // namespace velk::corvane
