// Choosing the catalog scale a layer draws at a map scale: the catalog's scales are tried one
// by one, from the first scale above the map scale, first in one direction and then, from the
// same place again, in the other, until one has frames in view. Plain data in, the scale out.
#pragma once

#include <functional>
#include <optional>
#include <vector>

namespace velk::lumeris {

struct ScaleChoiceOptions {
  // The first pass walks toward larger scale denominators (the raster chart layer), else
  // toward smaller ones (the referenced RPF layer).
  bool largerFirst = true;
};

// The scales in the order they are tried (the starting scale is tried in both passes). The map
// scale s counts as s - 1 unless it is exactly 1.0, so a catalog scale equal to the map scale
// is where the search starts; past the largest scale both passes start at the largest.
std::vector<long> ScaleTrialOrder(const std::vector<long>& ascendingScales, double mapScale,
                                  const ScaleChoiceOptions& options = {});

// The first scale, in trial order, for which hasFrames answers true; none when no scale has
// frames (or the list is empty).
std::optional<long> ChooseScale(const std::vector<long>& ascendingScales, double mapScale,
                                const std::function<bool(long)>& hasFrames,
                                const ScaleChoiceOptions& options = {});

// In the globe host a chart layer starts at the first catalog scale above 1:97,724,160 (the
// whole globe in view), or at the largest scale when none is above. The list is not empty.
inline constexpr long kGlobeViewScale = 97724160;
long GlobeInitialScale(const std::vector<long>& ascendingScales);

}  // namespace velk::lumeris
