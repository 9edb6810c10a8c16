#include "terrain/fly_through/fly_through_tracks.h"

#include <algorithm>
#include <cmath>

namespace velk::corvane::fly {
namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kDegreesPerRadian = 57.29577951308232;

// Sine and cosine of an angle in degrees, exact at the multiples of 90 (so a camera due west
// of a vertex keeps the vertex's latitude to the last digit).
void SinCosDegrees(double degrees, double& s, double& c) {
  double r = std::fmod(degrees, 360.0);
  if (r < 0.0) r += 360.0;
  if (r == 0.0 || r == 180.0) {
    s = 0.0;
    c = r == 0.0 ? 1.0 : -1.0;
  } else if (r == 90.0 || r == 270.0) {
    s = r == 90.0 ? 1.0 : -1.0;
    c = 0.0;
  } else {
    s = std::sin(r * kRadiansPerDegree);
    c = std::cos(r * kRadiansPerDegree);
  }
}

// The point at the azimuth (degrees clockwise from north) and distance (degrees) from (x, y):
// the mathematical angle is 450 - azimuth degrees, counter-clockwise from east.
void PointAt(double x, double y, double azimuth, double distance, double& tx, double& ty) {
  double s = 0.0, c = 0.0;
  SinCosDegrees(450.0 - azimuth, s, c);
  tx = x + distance * c;
  ty = y + distance * s;
}

}  // namespace

double BackAzimuthDegrees(double ax, double ay, double bx, double by) {
  double dx = ax - bx, dy = ay - by;
  double r;
  if (dx < 0)
    r = 90.0 - std::atan(dy / dx) * kDegreesPerRadian;
  else if (dx > 0)
    r = 270.0 - std::atan(dy / dx) * kDegreesPerRadian;
  else if (dy > 0)
    r = 180.0;  // a north of b: the azimuth from a to b is south
  else if (dy < 0)
    r = 0.0;
  else
    r = 999.999;
  if (r < 180.0) return r + 180.0;
  if (r > 180.0) return r - 180.0;
  return 0.0;
}

CameraPlace PlaceLinearCamera(const PathVertex& p0, const PathVertex& p1, double heightMetres,
                              double inclination, double offsetMetres,
                              const FlyThroughOptions& options) {
  double incl = std::min(inclination, options.maxInclination) * kRadiansPerDegree;
  double s = 0.0, c = 0.0;
  SinCosDegrees(BackAzimuthDegrees(p0.x, p0.y, p1.x, p1.y), s, c);
  double d = incl == 0.0 ? options.levelCameraDistance
                         : (offsetMetres / options.metresPerDegree) / std::tan(incl);
  return {p0.x + s * d, p0.y + c * d, heightMetres + offsetMetres};
}

PathFault CheckFlightPath(const std::vector<PathVertex>& path) {
  for (const PathVertex& v : path)
    if (!std::isfinite(v.x) || !std::isfinite(v.y)) return PathFault::kNotANumber;
  if (path.size() < 2) return PathFault::kTooFewVertices;
  for (std::size_t i = 1; i < path.size(); ++i)
    if (path[i].x != path[0].x || path[i].y != path[0].y) return PathFault::kNone;
  return PathFault::kNoLength;
}

double DensifySpacing(double lengthDegrees) {
  return lengthDegrees < 10.0 ? lengthDegrees / 10.0 : 1.0;
}

double KilometresToDegrees(double km, const FlyThroughOptions& options) {
  return km * 1000.0 / options.metresPerDegree;
}

std::vector<CameraKeyframe> LinearTrack(const std::vector<PathVertex>& path, bool heightAware,
                                        double inclination, double offsetMetres,
                                        double heightFactor, const SurfaceHeight& surface,
                                        const FlyThroughOptions& options) {
  std::vector<CameraKeyframe> keys;
  double highest = -999999999.0;
  if (!heightAware)
    for (const auto& v : path) highest = std::max(highest, surface(v.x, v.y));
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    const PathVertex &p0 = path[i], &p1 = path[i + 1];
    double t0 = std::trunc(p0.x), t1 = std::trunc(p1.x);
    if ((t0 == -180.0 && t1 == 180.0) || (t0 == 180.0 && t1 == -180.0)) continue;
    double h = heightAware ? p0.z : highest;
    CameraPlace camera = PlaceLinearCamera(p0, p1, h, inclination, offsetMetres, options);
    keys.push_back({static_cast<long>(i), p0.x, p0.y, h / 1000.0 * heightFactor, camera.x, camera.y,
                    camera.z / 1000.0 * heightFactor});
  }
  return keys;
}

std::vector<CameraKeyframe> RadialTrack(const RadialObserver& observer, double heightFactor,
                                        const SurfaceHeight& surface,
                                        const FlyThroughOptions& options) {
  std::vector<CameraKeyframe> keys;
  double radius = std::fabs(observer.radiusMetres) / options.metresPerDegree;
  double observerHeight =
      (observer.offsetMetres / 1000.0 + observer.spotMetres / 1000.0) * heightFactor;
  double az1 = observer.azimuthFrom, az2 = observer.azimuthTo;
  if (az2 <= az1) az2 += 360.0;
  for (long i = 0;; ++i) {
    double a = az1 + static_cast<double>(i);
    if (a > az2) break;
    CameraKeyframe k{i, 0, 0, 0, observer.x, observer.y, observerHeight};
    PointAt(observer.x, observer.y, a, radius, k.targetX, k.targetY);
    k.targetHeight = surface(k.targetX, k.targetY) / 1000.0 * heightFactor;
    keys.push_back(k);
  }
  return keys;
}

std::vector<CameraKeyframe> AroundPointTrack(double x, double y, double distanceKm,
                                             double startAzimuth, double offsetMetres,
                                             double heightFactor, const SurfaceHeight& surface,
                                             const FlyThroughOptions& options) {
  std::vector<CameraKeyframe> keys;
  double distance = KilometresToDegrees(distanceKm, options);
  double observerHeight = (surface(x, y) + offsetMetres) / 1000.0 * heightFactor;
  for (long i = 0; i < 360; ++i) {
    CameraKeyframe k{i, 0, 0, 0, x, y, observerHeight};
    PointAt(x, y, startAzimuth + static_cast<double>(i), distance, k.targetX, k.targetY);
    k.targetHeight = surface(k.targetX, k.targetY) / 1000.0 * heightFactor;
    keys.push_back(k);
  }
  return keys;
}

}  // namespace velk::corvane::fly
