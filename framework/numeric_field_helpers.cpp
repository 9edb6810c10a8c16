#include "framework/numeric_field_helpers.h"

#include <algorithm>
#include <cmath>
#include <charconv>

#include "platform/com/variant.h"
#include "platform/win/locale_source.h"

namespace velk::corvane {

namespace {

constexpr std::size_t kFieldTextLimit = 255;

// The number in plain form (independent of the C library's locale), then the locale's
// decimal symbol in place of ".".
// decimals below 0: the shortest text that reads back to the same value.
std::wstring Printed(std::chars_format form, int decimals, double value,
                     const std::wstring& decimal) {
  char buf[512];
  auto [end, ec] = decimals < 0 ? std::to_chars(buf, buf + sizeof buf, value, form)
                                : std::to_chars(buf, buf + sizeof buf, value, form, decimals);
  if (ec != std::errc()) return {};
  std::wstring out;
  for (const char* p = buf; p != end; ++p) {
    char c = *p;
    if (c == '.')
      out += decimal;
    else
      out += static_cast<wchar_t>(c);
  }
  return out;
}

}  // namespace

void ParseLocaleDouble(std::wstring_view text, double* value) {
  if (!value) return;
  double v = 0.0;
  if (!text.empty() && !velk::win::ParseNumberInLocale(text, LOCALE_USER_DEFAULT, v) &&
      !velk::win::ParseNumberInLocale(text, LOCALE_ENGLISH_US, v))
    v = 0.0;
  *value = v;
}

bool ParseFieldNumber(std::wstring_view text, double* value) {
  double v = 0.0;
  if (!velk::win::ParseNumberInLocale(text, LOCALE_USER_DEFAULT, v) &&
      !velk::win::ParseNumberInLocale(text, LOCALE_ENGLISH_US, v))
    return false;
  if (!std::isfinite(v)) return false;
  if (value) *value = v;
  return true;
}

std::wstring FormatFieldDouble(double value, int decimals, std::wstring_view fallback) {
  if (std::isnan(value)) return std::wstring(fallback.substr(0, kFieldTextLimit));
  decimals = std::clamp(decimals, 0, 15);
  std::wstring decimal = velk::win::UserLocale().decimal;
  for (int d = decimals; d >= 0; --d) {
    std::wstring text = Printed(std::chars_format::fixed, d, value, decimal);
    if (text.size() <= kFieldTextLimit) return text;
  }
  return Printed(std::chars_format::scientific, -1, value, decimal);
}

void FormatLongAsText(std::wstring& out, LONG value) {
  out = Variant(value).ToString(LOCALE_USER_DEFAULT);
}

void FormatDoubleAsText(std::wstring& out, double value) {
  out = Variant(value).ToString(LOCALE_USER_DEFAULT);
}

}  // namespace velk::corvane
