// The visibility model shared by every line-of-sight computation of the host: how the earth's
// curvature and atmospheric refraction lower distant terrain, how the terrain between grid
// cells is interpolated, and which cells an observer's limits (distance range, azimuth sector,
// vertical angles) admit. The viewshed sweep, the line along a sight line and the tests'
// brute-force reference all take these from here so they cannot drift apart.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace velk::host::analysis {

// Mean radius of the earth in metres.
inline constexpr double kEarthRadius = 6371008.8;

struct CurvatureOptions {
  bool useCurvature = false;
  // Refraction coefficient: the fraction of the curvature drop that bending light makes up.
  double refraction = 0.13;
};

// Lowering of terrain at horizontal distance d: factor d^2 with factor (1 - k) / (2 R), or 0
// without curvature.
class CurvatureModel {
 public:
  CurvatureModel() = default;
  explicit CurvatureModel(const CurvatureOptions& options)
      : factor_(options.useCurvature ? (1.0 - options.refraction) / (2.0 * kEarthRadius) : 0.0) {}
  double Factor() const { return factor_; }
  double Apparent(double z, double distance) const { return z - factor_ * distance * distance; }

 private:
  double factor_ = 0.0;
};

// Linear interpolation between two grid cells a (weight 1 - t) and b (weight t). A void (NaN)
// cell gives way to the other; both void gives NaN (nothing there blocks the view).
inline double InterpolateCells(double a, double b, double t) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  return a + (b - a) * t;
}

// One observer's eye and limits, in metres and degrees.
struct ObserverLimits {
  double offsetA = 0.0;   // eye height above the ground (or above SPOT)
  double offsetB = 0.0;   // height added to every target
  double azimuth1 = 0.0;  // clockwise sector from azimuth1 to azimuth2, may wrap through north
  double azimuth2 = 360.0;
  double vert1 = 90.0;   // upper vertical angle limit
  double vert2 = -90.0;  // lower vertical angle limit
  // Distance range. Negative: horizontal distance of the magnitude; otherwise 3-D distance.
  double radius1 = 0.0;
  double radius2 = std::numeric_limits<double>::infinity();
};

// Normalised sector: full circle, or a start azimuth and a width in (0, 360).
struct Sector {
  bool full = true;
  double start = 0.0;  // degrees in [0, 360)
  double width = 360.0;
  bool Contains(double azimuth) const {
    if (full) return true;
    double off = std::fmod(azimuth - start, 360.0);
    if (off < 0) off += 360.0;
    return off <= width;
  }
};

// Empty when the limits can be used, else the reason (a zero-width sector, an inner radius
// beyond the outer one, a vertical range upside down, values that are not numbers).
std::string CheckObserverLimits(const ObserverLimits& limits);
Sector MakeSector(double azimuth1, double azimuth2);

// Decides whether a target passes an observer's limits (not whether terrain hides it).
class LimitTest {
 public:
  explicit LimitTest(const ObserverLimits& limits);
  // Target at horizontal offset (dx east, dy north) in metres, dz = apparent target height
  // (including offsetB) minus the eye.
  bool Admits(double dx, double dy, double dz) const {
    const double h2 = dx * dx + dy * dy;
    if (!DistanceAdmits(h2, dz)) return false;
    if (!sector_.full && h2 > 0 && !sector_.Contains(AzimuthOf(dx, dy))) return false;
    return VerticalAdmits(dz, std::sqrt(h2));
  }
  bool DistanceAdmits(double h2, double dz) const {
    const double d2 = threeD1_ || threeD2_ ? h2 + dz * dz : h2;
    const double inner2 = threeD1_ ? d2 : h2;
    const double outer2 = threeD2_ ? d2 : h2;
    return inner2 >= inner2_ && outer2 <= outer2_;
  }
  bool VerticalAdmits(double dz, double h) const {
    if (!verticalLimited_) return true;
    if (h == 0) return true;
    const double slope = dz / h;
    return slope <= upperSlope_ && slope >= lowerSlope_;
  }
  // Horizontal distance beyond which nothing is admitted.
  double MaxHorizontal() const { return std::sqrt(outer2_); }
  const Sector& sector() const { return sector_; }
  // Whether the only limits are of the horizontal distance, and their squares (inner, outer):
  // then Admits is inner <= dx^2 + dy^2 <= outer.
  bool OnlyHorizontalRange() const {
    return sector_.full && !verticalLimited_ && !threeD1_ && !threeD2_;
  }
  std::pair<double, double> HorizontalRange() const { return {inner2_, outer2_}; }
  bool Trivial() const {
    return sector_.full && !verticalLimited_ && inner2_ <= 0 && std::isinf(outer2_);
  }
  static double AzimuthOf(double dx, double dy) {
    double a = std::atan2(dx, dy) * 57.29577951308232;
    return a < 0 ? a + 360.0 : a;
  }

 private:
  Sector sector_;
  bool threeD1_ = false, threeD2_ = false;
  double inner2_ = 0, outer2_ = std::numeric_limits<double>::infinity();
  bool verticalLimited_ = false;
  double upperSlope_ = 0, lowerSlope_ = 0;
};

}  // namespace velk::host::analysis
