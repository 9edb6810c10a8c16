// The host's visibility from observer points, over files: the surface raster, the observer
// points with their fields (OFFSETA, OFFSETB, AZIMUTH1, AZIMUTH2, VERT1, VERT2, RADIUS1,
// RADIUS2, SPOT; a missing field leaves its limit open, and a point without OFFSETA stands 1 m
// above the ground) and the count raster it writes. The surface-analysis operation object hands
// its inputs to this.
#pragma once

#include <functional>
#include <string>

#include "platform/host/analysis/visibility_model.h"

namespace velk::host::analysis {

struct ObserverVisibilityOptions {
  CurvatureOptions curvature;
  unsigned threads = 0;  // 0: every core
  // Called with the share of the sweep done (0 to 1) now and then, on the calling thread; false
  // stops the run, which then writes nothing and says "cancelled".
  std::function<bool(double)> progress;
};

struct ObserverVisibilityResult {
  std::string error;  // empty on success
  bool cancelled = false;  // the progress callback stopped the run
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
