#include "coordinates/fraction_conversions.h"

#include "platform/com/number_text.h"

namespace velk::corvane {

namespace {

// Digits read; later ones lie below 1e-18 of the unit and are dropped.
constexpr std::size_t kExactDigits = 18;

std::wstring TwoDigits(std::uint64_t v) {
  std::wstring out;
  AppendDecimal(out, v % 100, 2);
  return out;
}

}  // namespace

std::uint64_t RoundScaledFraction(std::wstring_view fractionDigits, std::uint32_t scale) {
  unsigned __int128 numerator = 0, denominator = 1;
  for (std::size_t i = 0; i < fractionDigits.size() && i < kExactDigits; ++i) {
    wchar_t c = fractionDigits[i];
    unsigned d = (c >= L'0' && c <= L'9') ? static_cast<unsigned>(c - L'0') : 0;
    numerator = numerator * 10 + d;
    denominator *= 10;
  }
  // round(n * scale / den), half up, in integers: floor((2 n scale + den) / (2 den)).
  unsigned __int128 twice = 2 * numerator * scale + denominator;
  return static_cast<std::uint64_t>(twice / (2 * denominator));
}

SexagesimalParts FractionalDegreesToMinutesSeconds(std::wstring_view fractionDigits) {
  std::uint64_t hundredths = RoundScaledFraction(fractionDigits, 360000);  // of a second
  SexagesimalParts parts;
  if (hundredths >= 360000) {
    parts.carry = true;
    hundredths = 0;
  }
  std::uint64_t minutes = hundredths / 6000, seconds = (hundredths / 100) % 60;
  parts.digits = TwoDigits(minutes) + TwoDigits(seconds);
  parts.fraction = TwoDigits(hundredths % 100);
  return parts;
}

SexagesimalParts FractionalMinutesToSeconds(std::wstring_view fractionDigits) {
  std::uint64_t hundredths = RoundScaledFraction(fractionDigits, 6000);
  SexagesimalParts parts;
  if (hundredths >= 6000) {
    parts.carry = true;
    hundredths = 0;
  }
  parts.digits = TwoDigits(hundredths / 100);
  parts.fraction = TwoDigits(hundredths % 100);
  return parts;
}

}  // namespace velk::corvane
