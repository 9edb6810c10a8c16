#include "terrain/radial/observer_extent.h"

#include <cmath>

#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"

namespace velk::corvane {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kOuterPoints = 300;
constexpr int kInnerPoints = 150;

// count points of the arc of radius r from angle start through sweep (radians, counter-
// clockwise from east), both ends included.
std::vector<ExtentVertex> Arc(double r, double start, double sweep, int count) {
  std::vector<ExtentVertex> points;
  points.reserve(count);
  for (int i = 0; i < count; ++i) {
    const double a = start + sweep * i / (count - 1);
    points.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return points;
}

}  // namespace

void NormaliseAzimuths(double& from, double& to) {
  if (from == 0.0 && to == 0.0) to = 360.0;
  for (double* v : {&from, &to}) {
    const double r = std::fmod(*v, 360.0);
    *v = (*v != 0.0 && r == 0.0) ? 360.0 : r;
  }
  if (from < 0) from += 360.0;
  if (to < 0) to += 360.0;
}

std::vector<std::vector<ExtentVertex>> ObserverExtentRings(double near, double far,
                                                           double azimuthFrom, double azimuthTo) {
  if (!(far >= 0) || !(far > near)) return {};
  if (near < 0) near = 0;
  NormaliseAzimuths(azimuthFrom, azimuthTo);
  const double inner = near * 1000.0, outer = far * 1000.0;
  // An equal start and end (360/360) is a sector of no width: nothing to draw.
  if (azimuthFrom == azimuthTo) return {};
  if (std::fabs(azimuthFrom - azimuthTo) == 360.0) {
    std::vector<std::vector<ExtentVertex>> rings{Arc(outer, 0.0, -2 * kPi, kOuterPoints)};
    if (inner > 0) rings.push_back(Arc(inner, 0.0, 2 * kPi, kInnerPoints));
    return rings;
  }
  if (azimuthFrom > azimuthTo) azimuthFrom -= 360.0;
  const double sweep = (azimuthTo - azimuthFrom) * 2 * kPi / 360.0;
  const double start = (90.0 - azimuthTo) * 2 * kPi / 360.0;
  std::vector<ExtentVertex> ring = Arc(outer, start, sweep, kOuterPoints);
  std::vector<ExtentVertex> back = Arc(inner, start, sweep, kInnerPoints);
  ring.insert(ring.end(), back.rbegin(), back.rend());
  ring.push_back(ring.front());
  return {ring};
}

ComPtr<IPolygon> BuildObserverExtent(IPoint* location, double near, double far,
                                     double azimuthFrom, double azimuthTo) {
  if (!location) return nullptr;
  const auto rings = ObserverExtentRings(near, far, azimuthFrom, azimuthTo);
  if (rings.empty()) return nullptr;
  double cx = 0, cy = 0;
  location->QueryCoords(&cx, &cy);
  ComPtr<ISpatialReference> sr;
  location->get_SpatialReference(sr.put());
  auto polygon = CreateHostObject<IPolygon>(host::CLSID_Polygon);
  auto points = RequireInterface<IPointCollection>(polygon.get());
  auto parts = RequireInterface<IPartCollection>(polygon.get());
  auto vertex = CreateHostObject<IPoint>(host::CLSID_Point);
  for (std::size_t k = 0; k < rings.size(); ++k) {
    if (k > 0) parts->StartPart();
    for (const auto& v : rings[k]) {
      vertex->PutCoords(cx + v.x, cy + v.y);
      Check(points->AddPoint(vertex.get()));
    }
  }
  polygon->Close();
  polygon->put_SpatialReference(sr.get());
  return polygon;
}

}  // namespace velk::corvane
