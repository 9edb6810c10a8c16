// Small numeric helpers: decimal rounding half away from zero for display, significant digits,
// float comparison and wrapping of values and angles into a range.
#pragma once

#include <cstdint>

namespace velk::corvane {

// Rounds half away from zero to n decimals: 1.25 -> 1.3, -1.25 -> -1.3, 2.5 (n = 0) -> 3.
double RoundToDecimals(double value, std::int32_t n);
// The same steps in single precision; stores the result in value and returns it.
float RoundFloatToDecimals(float& value, std::int32_t n);
// Rounds to the given number of significant digits; digits < 1 or x = 0 gives x unchanged.
float RoundToSignificantDigits(float x, std::int32_t digits);
// True when |a - b| <= 1e-20.
bool NearlyEqual(float a, float b);
// value brought into [0, range) by a floating remainder (range above 0).
float WrapToRange(float range, float value);
// value brought into [0, modulus) (modulus above 0; any other modulus gives 0).
std::int32_t PositiveModulo(std::int32_t modulus, std::int32_t value);
// angle brought into [0, 360) in place; returns it.
std::int32_t NormalizeDegrees(std::int32_t& angle);

}  // namespace velk::corvane
