#include "platform/host/analysis/visibility_model.h"

#include <algorithm>

namespace velk::host::analysis {

namespace {

constexpr double kDegree = 0.017453292519943295;

double SlopeOfAngle(double degrees) {
  if (degrees >= 90.0) return std::numeric_limits<double>::infinity();
  if (degrees <= -90.0) return -std::numeric_limits<double>::infinity();
  return std::tan(degrees * kDegree);
}

}  // namespace

Sector MakeSector(double azimuth1, double azimuth2) {
  Sector s;
  if (std::fabs(azimuth2 - azimuth1) >= 360.0) return s;
  s.full = false;
  s.start = std::fmod(azimuth1, 360.0);
  if (s.start < 0) s.start += 360.0;
  s.width = std::fmod(azimuth2 - azimuth1, 360.0);
  if (s.width < 0) s.width += 360.0;
  return s;
}

std::string CheckObserverLimits(const ObserverLimits& l) {
  for (double v : {l.offsetA, l.offsetB, l.azimuth1, l.azimuth2, l.vert1, l.vert2, l.radius1})
    if (!std::isfinite(v)) return "an observer value is not a number";
  if (std::isnan(l.radius2)) return "an observer value is not a number";
  const Sector s = MakeSector(l.azimuth1, l.azimuth2);
  if (!s.full && s.width == 0.0) return "the azimuth range has no width";
  if (std::fabs(l.radius1) > std::fabs(l.radius2))
    return "the near distance is beyond the far distance";
  return {};
}

LimitTest::LimitTest(const ObserverLimits& l) : sector_(MakeSector(l.azimuth1, l.azimuth2)) {
  threeD1_ = l.radius1 > 0;
  threeD2_ = l.radius2 > 0 && !std::isinf(l.radius2);
  inner2_ = l.radius1 * l.radius1;
  outer2_ = std::isinf(l.radius2) ? std::numeric_limits<double>::infinity() : l.radius2 * l.radius2;
  const double upper = std::max(l.vert1, l.vert2);
  const double lower = std::min(l.vert1, l.vert2);
  verticalLimited_ = upper < 90.0 || lower > -90.0;
  upperSlope_ = SlopeOfAngle(upper);
  lowerSlope_ = SlopeOfAngle(lower);
}

}  // namespace velk::host::analysis
