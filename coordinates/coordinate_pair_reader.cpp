#include "coordinates/coordinate_pair_reader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <string>

namespace velk::corvane {

namespace {

// The edit text as far as the readers see it, with a terminator for the C conversions.
std::wstring Visible(std::wstring_view text) {
  return std::wstring(text.substr(0, std::min(text.size(), kEditReadLength)));
}

bool IsSpace(wchar_t c) { return c != L'\0' && std::iswspace(c); }

// strtol over a NUL-terminated buffer: the value and where reading stopped; nullopt when no
// digits were read or the value does not fit a 32-bit long.
bool ScanLong(const wchar_t* from, long long* value, const wchar_t** end) {
  wchar_t* stop = nullptr;
  errno = 0;
  const long long v = std::wcstoll(from, &stop, 10);
  if (stop == from || errno == ERANGE || v < std::numeric_limits<LONG>::min() ||
      v > std::numeric_limits<LONG>::max())
    return false;
  *value = v;
  *end = stop;
  return true;
}

bool ScanDouble(const wchar_t* from, double* value, const wchar_t** end) {
  wchar_t* stop = nullptr;
  const double v = std::wcstod(from, &stop);
  if (stop == from) return false;
  *value = v;
  *end = stop;
  return true;
}

template <class T>
bool Refuse(T* value) {
  *value = 0;
  return false;
}

}  // namespace

bool ReadLongText(std::wstring_view text, std::size_t skip, LONG min, LONG max, LONG* value) {
  if (!value) return false;
  const std::wstring s = Visible(text);
  if (skip > s.size()) return Refuse(value);
  long long v = 0;
  const wchar_t* end = nullptr;
  if (!ScanLong(s.c_str() + skip, &v, &end) || v < min || v > max) return Refuse(value);
  *value = static_cast<LONG>(v);
  return true;
}

bool ReadDoubleText(std::wstring_view text, double min, double max, double* value) {
  if (!value) return false;
  const std::wstring s = Visible(text);
  double v = 0.0;
  const wchar_t* end = nullptr;
  if (!ScanDouble(s.c_str(), &v, &end) || !(v >= min && v <= max)) return Refuse(value);
  *value = v;
  return true;
}

bool ReadDmsText(std::wstring_view text, double min, double max, double* value) {
  if (!value) return false;
  const std::wstring s = Visible(text);
  const wchar_t* p = s.c_str();
  while (IsSpace(*p)) ++p;
  const bool negative = *p == L'-';  // the sign of the text, also for 0 degrees

  long long degrees = 0, minutes = 0;
  double seconds = 0.0;
  const wchar_t* end = nullptr;
  if (!ScanLong(p, &degrees, &end) || !IsSpace(*end)) return Refuse(value);
  if (!ScanLong(end, &minutes, &end) || !IsSpace(*end)) return Refuse(value);
  if (!ScanDouble(end, &seconds, &end)) return Refuse(value);
  while (IsSpace(*end)) ++end;
  if (*end != L'\0') return Refuse(value);
  if (minutes < 0 || minutes > 59 || !(seconds >= 0.0 && seconds < 60.0)) return Refuse(value);

  const double magnitude = std::fabs(static_cast<double>(degrees)) +
                           static_cast<double>(minutes) / 60.0 + seconds / 3600.0;
  const double v = negative ? -magnitude : magnitude;
  if (!(v >= min && v <= max)) return Refuse(value);
  *value = v;
  return true;
}

PairReadResult ReadCoordinatePairTexts(std::wstring_view xText, std::wstring_view yText,
                                       LONG notation, const GridTextReader& readGrid, double* x,
                                       double* y) {
  PairReadResult r;
  if (!x || !y) return r;
  *x = 0.0;
  *y = 0.0;
  auto pair = [&](auto reader, double xMin, double xMax, double yMin, double yMax) {
    if (!reader(xText, xMin, xMax, x)) {
      r.refusedEdit = 0;
    } else if (!reader(yText, yMin, yMax, y)) {
      r.refusedEdit = 1;
    } else {
      r.ok = true;
    }
  };
  switch (notation) {
    case kNotationMapUnits:
      pair(ReadDoubleText, -999999999.0, 999999999.0, -999999999.0, 999999999.0);
      break;
    case kNotationDecimalDegrees: pair(ReadDoubleText, -180.0, 360.0, -90.0, 90.0); break;
    case kNotationDms: pair(ReadDmsText, -180.0, 360.0, -90.0, 90.0); break;
    case kNotationUtm:
    case kNotationMgrs:
      r.ok = readGrid && readGrid(Visible(xText), notation, x, y);
      if (!r.ok) r.refusedEdit = 0;
      break;
    default: break;
  }
  return r;
}

}  // namespace velk::corvane
