// The fly-through's camera keyframes as plain numbers: a linear track follows a path with the
// camera behind and above each vertex, looking down at it at the chosen inclination; a radial
// track keeps the camera at an observer and turns it a degree at a time, looking at points on
// a circle round it. Coordinates are longitude (x) and latitude (y) in degrees on WGS 84;
// heights entered are metres; keyframe heights are kilometres times the globe's height factor.
#pragma once

#include <functional>
#include <vector>

namespace velk::corvane::fly {

struct FlyThroughOptions {
  // Horizontal metres in a degree.
  double metresPerDegree = 111320.0;
  // Steeper inclinations are taken as this one (degrees).
  double maxInclination = 87.0;
  // How far (degrees) the camera stands behind the vertex at inclination 0.
  double levelCameraDistance = 0.0001;
};

struct PathVertex {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;  // metres, used when the path is height-aware
};

struct CameraPlace {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;  // metres
};

// Heights of one keyframe are kilometres times the height factor.
struct CameraKeyframe {
  long index = 0;
  double targetX = 0.0, targetY = 0.0, targetHeight = 0.0;
  double observerX = 0.0, observerY = 0.0, observerHeight = 0.0;
};

// The surface height (metres) at a longitude and latitude.
using SurfaceHeight = std::function<double(double x, double y)>;

// The azimuth (degrees clockwise from north, [0, 360)) of the direction from b to a; 819.999
// for coincident points.
double BackAzimuthDegrees(double ax, double ay, double bx, double by);

// The camera for the segment p0 -> p1: behind p0 (on the side away from p1) at the horizontal
// distance from which p0 is seen at the inclination (degrees, at most maxInclination) from
// offset metres above it; its height is heightMetres + offset.
CameraPlace PlaceLinearCamera(const PathVertex& p0, const PathVertex& p1, double heightMetres,
                              double inclination, double offsetMetres,
                              const FlyThroughOptions& options = {});

// Why a flight path cannot make a track: a vertex whose place is no number (NaN or infinite),
// fewer than two vertices, or no length at all.
enum class PathFault { kNone, kNotANumber, kTooFewVertices, kNoLength };
PathFault CheckFlightPath(const std::vector<PathVertex>& path);

// The longest piece a flight path is densified into: a tenth of a path shorter than 10
// degrees, else 1 degree.
double DensifySpacing(double lengthDegrees);

// Kilometres as degrees of a horizontal distance.
double KilometresToDegrees(double km, const FlyThroughOptions& options = {});

// One keyframe per segment, index i for the segment from vertex i: target the vertex, camera
// by PlaceLinearCamera. A path without heights uses the highest surface height of its vertices
// for all of them; a height-aware one each vertex's own z. Segments between longitudes -180
// and 180 (whole degrees, either way round) are skipped.
std::vector<CameraKeyframe> LinearTrack(const std::vector<PathVertex>& path, bool heightAware,
                                        double inclination, double offsetMetres,
                                        double heightFactor, const SurfaceHeight& surface,
                                        const FlyThroughOptions& options = {});

// An observer as its point layer stores it.
struct RadialObserver {
  double x = 0.0, y = 0.0;
  double spotMetres = 0.0;    // the observer's ground height
  double offsetMetres = 0.0;  // "OFFSETA"
  double radiusMetres = 0.0;  // "RADIUS2" (stored negative: its distance is used)
  double azimuthFrom = 0.0;   // "AZIMUTH1"
  double azimuthTo = 0.0;     // "AZIMUTH2"
};

// One keyframe per degree from azimuthFrom up to azimuthTo (a range that ends at or before its
// start goes on round through 360, so equal values give a full turn): the camera at the
// observer, offset above its ground, looking at the surface on the circle of its radius.
std::vector<CameraKeyframe> RadialTrack(const RadialObserver& observer, double heightFactor,
                                        const SurfaceHeight& surface,
                                        const FlyThroughOptions& options = {});

// 360 keyframes, one per degree clockwise from startAzimuth: the camera offset metres above
// the surface at (x, y), looking at the surface distanceKm away.
std::vector<CameraKeyframe> AroundPointTrack(double x, double y, double distanceKm,
                                             double startAzimuth, double offsetMetres,
                                             double heightFactor, const SurfaceHeight& surface,
                                             const FlyThroughOptions& options = {});

}  // namespace velk::corvane::fly
