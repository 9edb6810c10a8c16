#include "layers/scale_choice.h"

#include <algorithm>

namespace velk::lumeris {

std::vector<long> ScaleTrialOrder(const std::vector<long>& scales, double mapScale,
                                  const ScaleChoiceOptions& options) {
  std::vector<long> order;
  if (scales.empty()) return order;
  const double s = mapScale == 1.0 ? mapScale : mapScale - 1;
  const auto above = std::upper_bound(scales.begin(), scales.end(), s,
                                      [](double v, long scale) { return v < scale; });
  const std::size_t start =
      above == scales.end() ? scales.size() - 1 : static_cast<std::size_t>(above - scales.begin());
  auto up = [&] {
    for (std::size_t i = start; i < scales.size(); ++i) order.push_back(scales[i]);
  };
  auto down = [&] {
    for (std::size_t i = start + 1; i-- > 0;) order.push_back(scales[i]);
  };
  if (options.largerFirst) {
    up();
    down();
  } else {
    down();
    up();
  }
  return order;
}

std::optional<long> ChooseScale(const std::vector<long>& scales, double mapScale,
                                const std::function<bool(long)>& hasFrames,
                                const ScaleChoiceOptions& options) {
  for (long scale : ScaleTrialOrder(scales, mapScale, options))
    if (hasFrames(scale)) return scale;
  return std::nullopt;
}

long GlobeInitialScale(const std::vector<long>& ascendingScales) {
  auto it = std::upper_bound(ascendingScales.begin(), ascendingScales.end(), kGlobeViewScale);
  return it == ascendingScales.end() ? ascendingScales.back() : *it;
}

}  // namespace velk::lumeris
