// The host's visibility from observer points, over files: the surface raster, the observer
// points with their fields (OFFSETA, OFFSETB, AZIMUTH1, AZIMUTH2, VERT1, VERT2, RADIUS1,
// RADIUS2, SPOT; a missing field takes its default from ObserverLimits) and the count raster it
// writes. The surface-analysis operation object hands its inputs to this.
#pragma once

#include <string>

#include "platform/host/analysis/visibility_model.h"

namespace velk::host::analysis {

struct ObserverVisibilityOptions {
  CurvatureOptions curvature;
  unsigned threads = 0;  // 0: every core
};

struct ObserverVisibilityResult {
  std::string error;  // empty on success
  int observers = 0;
  int columns = 0;
  int rows = 0;
};

// surfacePath: a raster in a projected system (metres); observersPath: a point layer OGR reads
// (points in another system are projected into the surface's). Writes the count raster at
// outPath whole, or nothing.
ObserverVisibilityResult ComputeObserverVisibility(const std::string& surfacePath,
                                                   const std::string& observersPath,
                                                   const std::string& outPath,
                                                   const ObserverVisibilityOptions& options = {});

}  // namespace velk::host::analysis
