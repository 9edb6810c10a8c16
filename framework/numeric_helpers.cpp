#include "framework/numeric_helpers.h"

#include <cmath>

namespace velk::corvane {

double RoundToDecimals(double value, std::int32_t n) {
  double t = value * std::pow(10.0, n + 1);
  t = value >= 0 ? t + 5.0 : t - 5.0;
  t = std::trunc(t / 10.0);
  return t / std::pow(10.0, n);
}

float RoundFloatToDecimals(float& value, std::int32_t n) {
  float t = value * static_cast<float>(std::pow(10.0, n + 1));
  t = value >= 0 ? t + 5.0f : t - 5.0f;
  t = std::trunc(t / 10.0f);
  t = t / static_cast<float>(std::pow(10.0, n));
  value = t;
  return t;
}

float RoundToSignificantDigits(float x, std::int32_t digits) {
  if (digits < 1 || x == 0.0f || !std::isfinite(x)) return x;
  float magnitude = std::fabs(x);
  float p = static_cast<float>(std::pow(10.0, std::floor(std::log10(magnitude)) + 1.0));
  float scaled = magnitude / p;
  float rounded = RoundFloatToDecimals(scaled, digits) * p;
  return x < 0 ? -rounded : rounded;
}

bool NearlyEqual(float a, float b) { return std::fabs(a - b) <= 1e-20f; }

float WrapToRange(float range, float value) {
  if (value >= 0.0f && value < range) return value;
  float r = std::fmod(value, range);
  if (r < 0.0f) r += range;
  // A tiny negative remainder plus the range can round up to the range itself.
  if (r >= range) r = 0.0f;
  return r;
}

std::int32_t PositiveModulo(std::int32_t modulus, std::int32_t value) {
  if (modulus <= 0) return 0;
  if (value >= 0 && value < modulus) return value;
  std::int32_t r = value % modulus;
  if (r < 0) r += modulus;
  return r;
}

std::int32_t NormalizeDegrees(std::int32_t& angle) {
  angle = PositiveModulo(360, angle);
  return angle;
}

}  // namespace velk::corvane
