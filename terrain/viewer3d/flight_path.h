// The 3-D viewer's flights as plain geometry: the look-around circle round an observer and the
// back-and-forth walk over it, and a line path densified for a flight along it.
#pragma once

#include <string>
#include <vector>

namespace velk::corvane {

struct FlightPoint {
  double x = 0, y = 0, z = 0;
};

struct LookAroundOptions {
  double radius = 1000.0;                     // map units round the observer
  double stepRadians = 0.08726646259971647;   // 5 degrees between points
};

// Points on a circle round the centre, counter-clockwise from east, every step, the first
// point repeated at the end (73 points at 5 degrees). Empty for a radius or step that is not
// a positive number.
std::vector<FlightPoint> LookAroundCircle(const FlightPoint& centre,
                                          const LookAroundOptions& options = {});

// Where a flight stands on its path and which way it goes.
struct PathWalk {
  int index = 0;
  int direction = 1;
};

// One tick of the look-around walk over count points: a step in the walk's direction, turning
// at both ends so that the points 0 .. count - 2 are visited (the last, which repeats the
// first, never). Returns the index to look at, or -1 (nothing changes) for fewer than 2 points.
int StepLookAround(PathWalk& walk, int count);

// A line path: the points of the polyline densified so that no segment is longer than the
// length divided by min(points, maxSegments), and points just before its start and just beyond
// its end (a ratio of the length out along the first and the last segment).
struct LinePathOptions {
  int maxSegments = 50;
  double endRatio = 0.0001;
};
struct LinePath {
  std::vector<FlightPoint> points;
  FlightPoint start, end;
};

// False with the reason for a path of fewer than two points or no length.
bool MakeLinePath(const std::vector<FlightPoint>& vertices, const LinePathOptions& options,
                  LinePath* path, std::string* why);

// One tick of the line walk: the current point and the neighbour in the walk's direction (the
// point before the start or beyond the end at the two ends), then a step, turning at the ends.
void StepLinePath(PathWalk& walk, const LinePath& path, FlightPoint* current,
                  FlightPoint* neighbour);

}  // namespace velk::corvane
