#include "terrain/viewer3d/viewer_domes.h"

#include <cmath>
#include <vector>

#include "platform/host/geometry/geometry_objects.h"
#include "framework/host_object_creation.h"
#include "platform/host/geometry/multipatch.h"
#include "platform/host/geometry/spatial_reference.h"
#include "terrain/threat_dome/dome_rays.h"

namespace velk::corvane {
namespace {

constexpr double kMetresPerDegree = 111320.0;

// Local metres round the centre and back: degrees are scaled at the centre's latitude.
struct LocalFrame {
  double cx = 0, cy = 0, kx = 1, ky = 1;
  double X(double localX) const { return cx + localX / kx; }
  double Y(double localY) const { return cy + localY / ky; }
};

ComPtr<IGeometry> Polyline(const std::vector<std::vector<DomePoint>>& parts, ISpatialReference* sr) {
  ComPtr<IPolyline> line = host::NewPolyline();
  line->put_ZAware(VARIANT_TRUE);
  auto points = QueryAs<IPointCollection>(line.get());
  auto partList = QueryAs<IPartCollection>(line.get());
  for (const auto& part : parts) {
    if (part.size() < 2) continue;
    partList->StartPart();
    for (const DomePoint& p : part) {
      ComPtr<IPoint> v = host::NewPoint(p.x, p.y, sr);
      v->put_ZAware(VARIANT_TRUE);
      v->put_Z(p.z);
      points->AddPoint(v.get());
    }
  }
  line->put_SpatialReference(sr);
  return line.As<IGeometry>();
}

ComPtr<IGeometry> Surface(const DomeMesh& mesh, ISpatialReference* sr) {
  auto patch = CreateHostObject<IGeometry>(host::CLSID_MultiPatch);
  auto parts = RequireInterface<IGeometryCollection>(patch.get());
  auto add = [&](const std::vector<DomePoint>& points, REFCLSID kind) {
    if (points.size() < 3) return;
    auto part = CreateHostObject<IGeometry>(kind);
    part->put_ZAware(VARIANT_TRUE);
    part->put_MAware(VARIANT_TRUE);
    auto collection = RequireInterface<IPointCollection>(part.get());
    for (const DomePoint& p : points) {
      ComPtr<IPoint> v = host::NewPoint(p.x, p.y, sr);
      v->put_ZAware(VARIANT_TRUE);
      v->put_Z(p.z);
      v->put_M(p.m);
      collection->AddPoint(v.get());
    }
    Check(parts->AddGeometry(part.get()));
  };
  for (const auto& strip : mesh.strips) add(strip, host::CLSID_TriangleStrip);
  add(mesh.fan, host::CLSID_TriangleFan);
  patch->put_SpatialReference(sr);
  return patch;
}

}  // namespace

ViewerDome BuildViewerDome(IPoint* centre, double radius, ISurface* surface,
                           const ViewerDomeOptions& options) {
  ViewerDome dome;
  dome.error = CheckDomeSteps(options.azimuthStep, options.elevationStep);
  if (!dome.error.empty()) return dome;
  if (!centre || !surface || !(radius > 0) || !std::isfinite(radius)) {
    dome.error = "no dome without a centre, a surface and a radius";
    return dome;
  }
  LocalFrame frame;
  centre->QueryCoords(&frame.cx, &frame.cy);
  double eye = 0;
  centre->get_Z(&eye);
  ComPtr<ISpatialReference> sr;
  surface->get_SpatialReference(sr.put());
  if (QueryAs<IGeographicCoordinateSystem>(sr.get())) {
    frame.ky = kMetresPerDegree;
    frame.kx = kMetresPerDegree * std::cos(frame.cy * 0.017453292519943295);
  }

  // The ground round the centre, a little beyond the radius, in cells of radius / n metres
  // with the centre in the middle of its cell.
  const int n = std::max(options.cellsPerRadius, 8);
  const double cell = radius / n;
  const int half = n + 2;
  const int side = 2 * half + 1;
  std::vector<float> values(static_cast<std::size_t>(side) * side);
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) {
      double z = std::nan("");
      surface->GetElevationAt(frame.X((c - half) * cell), frame.Y((half - r) * cell), &z);
      values[static_cast<std::size_t>(r) * side + c] = static_cast<float>(z);
    }
  DomeSurface ground;
  ground.grid.values = values.data();
  ground.grid.columns = ground.grid.rows = side;
  ground.grid.cellX = ground.grid.cellY = cell;
  ground.originX = -(half + 0.5) * cell;
  ground.originY = (half + 0.5) * cell;

  DomeRayOptions rays;
  rays.azimuthStep = options.azimuthStep;
  rays.elevationStep = options.elevationStep;
  rays.curvature = options.curvature;
  const DomePoint local{0.0, 0.0, eye, 0.0};
  DomeRaysResult traced = ComputeDomeRays(ground, local, radius, rays);
  if (!traced.error.empty()) {
    dome.error = traced.error;
    return dome;
  }
  DomeMesh mesh = BuildDomeMesh(traced.grid, local,
                                CountsOf(options.azimuthStep, options.elevationStep));
  auto toGround = [&](std::vector<DomePoint>& part) {
    for (DomePoint& p : part) p.x = frame.X(p.x), p.y = frame.Y(p.y);
  };
  for (auto* parts : {&mesh.strips, &mesh.meridians, &mesh.rings})
    for (auto& part : *parts) toGround(part);
  toGround(mesh.fan);
  std::vector<std::vector<DomePoint>> lines = mesh.meridians;
  lines.insert(lines.end(), mesh.rings.begin(), mesh.rings.end());
  dome.wireframe = Polyline(lines, sr.get());
  dome.surface = Surface(mesh, sr.get());
  dome.mesh = std::move(mesh);
  return dome;
}

}  // namespace velk::corvane
