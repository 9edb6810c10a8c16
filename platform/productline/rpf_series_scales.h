// What the catalog loader needs to know of each RPF series: its two-character code (the first
// two characters of a frame file's extension), its product type and its nominal scale. The
// rows follow the series table the catalog layers draw their legends from (a test holds the
// two equal).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace velk::productline {

struct RpfSeriesScale {
  const char* code;         // "ON", "I1", ...
  const char* productType;  // "CADRG" or "CIB"
  std::uint32_t scale;      // nominal scale denominator
};

std::span<const RpfSeriesScale> RpfSeriesScales();

// The row of a series code (exact, upper case); null for a code no series has.
const RpfSeriesScale* FindRpfSeriesScale(std::string_view code);

}  // namespace velk::productline
