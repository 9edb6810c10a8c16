#include "terrain/viewer3d/flight_path.h"

#include <algorithm>
#include <cmath>

namespace velk::corvane {

std::vector<FlightPoint> LookAroundCircle(const FlightPoint& centre,
                                          const LookAroundOptions& options) {
  std::vector<FlightPoint> points;
  if (!(options.radius > 0) || !(options.stepRadians > 0) || !std::isfinite(options.radius))
    return points;
  const double full = 2 * 3.14159265358979323846;
  const int steps = std::max(1, static_cast<int>(std::ceil(full / options.stepRadians - 1e-9)));
  for (int i = 0; i < steps; ++i) {
    const double a = full * i / steps;
    points.push_back({centre.x + options.radius * std::cos(a),
                      centre.y + options.radius * std::sin(a), centre.z});
  }
  points.push_back(points.front());
  return points;
}

int StepLookAround(PathWalk& walk, int count) {
  if (count < 2) return -1;
  walk.index += walk.direction > 0 ? 1 : -1;
  if (walk.index > count - 2) {
    walk.direction = -1;
    walk.index = count - 2;
  }
  if (walk.index < 0) {
    walk.index = 0;
    walk.direction = 1;
  }
  return walk.index;
}

bool MakeLinePath(const std::vector<FlightPoint>& vertices, const LinePathOptions& options,
                  LinePath* path, std::string* why) {
  auto refuse = [why](const char* text) {
    if (why) *why = text;
    return false;
  };
  if (vertices.size() < 2) return refuse("the flight path has fewer than two points");
  double length = 0;
  for (std::size_t i = 1; i < vertices.size(); ++i)
    length += std::hypot(vertices[i].x - vertices[i - 1].x, vertices[i].y - vertices[i - 1].y);
  if (!(length > 0) || !std::isfinite(length)) return refuse("the flight path has no length");
  const int n = std::max(1, std::min(static_cast<int>(vertices.size()), options.maxSegments));
  const double segment = length / n;
  LinePath made;
  made.points.push_back(vertices.front());
  for (std::size_t i = 1; i < vertices.size(); ++i) {
    const FlightPoint& a = vertices[i - 1];
    const FlightPoint& b = vertices[i];
    const double d = std::hypot(b.x - a.x, b.y - a.y);
    const int pieces = std::max(1, static_cast<int>(std::ceil(d / segment - 1e-9)));
    for (int k = 1; k <= pieces; ++k) {
      const double t = static_cast<double>(k) / pieces;
      made.points.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t});
    }
  }
  auto out = [&](const FlightPoint& from, const FlightPoint& toward) {
    const double d = std::hypot(toward.x - from.x, toward.y - from.y);
    const double k = d > 0 ? length * options.endRatio / d : 0;
    return FlightPoint{from.x - (toward.x - from.x) * k, from.y - (toward.y - from.y) * k, from.z};
  };
  const auto& p = made.points;
  made.start = out(p.front(), p[1]);
  made.end = out(p.back(), p[p.size() - 2]);
  *path = std::move(made);
  return true;
}

void StepLinePath(PathWalk& walk, const LinePath& path, FlightPoint* current,
                  FlightPoint* neighbour) {
  const int last = static_cast<int>(path.points.size()) - 1;
  if (last < 0) return;
  walk.index = std::clamp(walk.index, 0, last);
  *current = path.points[static_cast<std::size_t>(walk.index)];
  if (walk.direction > 0)
    *neighbour = walk.index == last ? path.end : path.points[static_cast<std::size_t>(walk.index + 1)];
  else
    *neighbour = walk.index == 0 ? path.start : path.points[static_cast<std::size_t>(walk.index - 1)];
  walk.index += walk.direction;
  if (walk.index > last) {
    walk.index = last;
    walk.direction = -1;
  } else if (walk.index < 0) {
    walk.index = 0;
    walk.direction = 1;
  }
}

}  // namespace velk::corvane
