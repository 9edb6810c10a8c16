// Decimal digits of whole numbers appended to a text, without the printf family (which is a
// large share of the cost of writing many records).
#pragma once

#include <string>

namespace velk {

// Appends v in decimal, padded on the left with zeros to width digits ("%0*llu").
inline void AppendDecimal(std::wstring& out, unsigned long long v, unsigned width = 0) {
  wchar_t digits[24];
  unsigned n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (unsigned i = n; i < width; ++i) out += L'0';
  while (n > 0) out += digits[--n];
}

// The same for a signed number ("%lld"): a minus sign before the digits of a negative value.
inline void AppendDecimal(std::wstring& out, long long v) {
  if (v < 0) {
    out += L'-';
    AppendDecimal(out, 0ULL - static_cast<unsigned long long>(v));
  } else {
    AppendDecimal(out, static_cast<unsigned long long>(v));
  }
}

}  // namespace velk
