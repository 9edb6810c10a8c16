// Decimal fractions of a degree or a minute turned into minutes, seconds and hundredths of a
// second, rounded to the nearest hundredth (half up). The fraction is given by its digits
// ("11" for 0.11), so the rounding is exact (digits past the 18th are dropped).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velk::corvane {

struct SexagesimalParts {
  // True when the fraction rounds up to a whole unit of the part above (60 minutes, or 60
  // seconds): digits and fraction are then zero and the caller adds one to that part.
  bool carry = false;
  std::wstring digits;    // minutes and seconds "MMSS", or seconds "SS"
  std::wstring fraction;  // hundredths of a second, "00" to "99"
};

// Round half up of 0.<fractionDigits> * scale; characters other than digits count as 0.
// scale must stay below 2^32.
std::uint64_t RoundScaledFraction(std::wstring_view fractionDigits, std::uint32_t scale);

// 0.11 of a degree -> "0636", "00" (6 minutes 36.00 seconds); 0.999999 -> carry.
SexagesimalParts FractionalDegreesToMinutesSeconds(std::wstring_view fractionDigits);
// 0.5 of a minute -> "30", "00"; 0.99999 -> carry.
SexagesimalParts FractionalMinutesToSeconds(std::wstring_view fractionDigits);

}  // namespace velk::corvane
