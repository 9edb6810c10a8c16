#include "coordinates/dms_formatter.h"

#include "coordinates/fraction_conversions.h"
#include "platform/com/number_text.h"

namespace velk::corvane {

namespace {

std::wstring PadNumber(unsigned value, std::size_t width) {
  std::wstring out;
  AppendDecimal(out, value, static_cast<unsigned>(width));
  return out;
}

// Digits padded on the left with zeros to width, or with leading characters cut to width;
// false when the cut would drop a digit other than 0.
bool FitLeft(const std::wstring& digits, std::size_t width, std::wstring& out) {
  if (digits.size() <= width) {
    out = std::wstring(width - digits.size(), L'0') + digits;
    return true;
  }
  std::size_t cut = digits.size() - width;
  for (std::size_t i = 0; i < cut; ++i)
    if (digits[i] != L'0') return false;
  out = digits.substr(cut);
  return true;
}

unsigned ToNumber(const std::wstring& digits) {
  unsigned v = 0;
  for (wchar_t c : digits) v = v * 10 + static_cast<unsigned>(c - L'0');
  return v;
}

}  // namespace

DMSFormatter::DMSFormatter() {
  const auto& s = symbols_;
  template_ = L"000100" + s.decimalSeparator + L"00" + s.north + L" 0000100" + s.decimalSeparator +
              L"00" + s.east;
}

void DMSFormatter::ResolveHemispheres(Half& half, const std::wstring& positiveLetter,
                                      const std::wstring& negativeLetter) const {
  if (!half.letter.empty() && (half.letter == positiveLetter || half.letter == negativeLetter))
    half.sign.clear();
  if (!half.sign.empty()) {
    if (half.sign == L"+")
      half.letter = positiveLetter;
    else if (half.sign == symbols_.negativeSign)
      half.letter = negativeLetter;
  }
  if (half.letter.empty()) half.letter = positiveLetter;
}

bool DMSFormatter::GroupDigits(Half& half, std::size_t degreeWidth, bool isLongitude) const {
  const std::wstring& typed = half.digits;
  const std::size_t n = typed.size();
  const unsigned degreeLimit = degreeWidth == 2 ? 100 : 1000;
  if (n == 0) return false;

  // Whole degrees typed: the fraction is a fraction of a degree.
  bool degreesOnly = isLongitude ? (n <= 3 && ToNumber(typed) <= 180) : n < 3;
  if (degreesOnly) {
    unsigned degrees = ToNumber(typed);
    SexagesimalParts p = FractionalDegreesToMinutesSeconds(half.fraction);
    if (p.carry) ++degrees;
    if (degrees >= degreeLimit) return false;
    half.digits = PadNumber(degrees, degreeWidth) + p.digits;
    half.fraction = p.fraction;
    return true;
  }

  // Degrees and minutes typed: the fraction is a fraction of a minute.
  std::size_t dmWidth = degreeWidth + 2;
  if (n <= dmWidth) {
    std::wstring dm = std::wstring(dmWidth - n, L'0') + typed;
    unsigned degrees = ToNumber(dm.substr(0, degreeWidth));
    unsigned minutes = ToNumber(dm.substr(degreeWidth));
    SexagesimalParts p = FractionalMinutesToSeconds(half.fraction);
    if (p.carry && ++minutes == 60) {
      minutes = 0;
      ++degrees;
    }
    if (degrees >= degreeLimit) return false;
    half.digits = PadNumber(degrees, degreeWidth) + PadNumber(minutes, 2) + p.digits;
    half.fraction = p.fraction;
    return true;
  }

  // Degrees, minutes and seconds typed: the fraction is kept as typed.
  std::wstring degrees;
  if (!FitLeft(typed.substr(0, n - 4), degreeWidth, degrees)) return false;
  half.digits = degrees + typed.substr(n - 4);
  return true;
}

bool DMSFormatter::Format(std::wstring& out, const std::vector<std::wstring>& subMatches) {
  Half lat{Part(subMatches, 1), Part(subMatches, 2), Part(subMatches, 3), Part(subMatches, 4)};
  Half lon{Part(subMatches, 6), Part(subMatches, 7), Part(subMatches, 8), Part(subMatches, 9)};
  const auto& s = symbols_;
  ResolveHemispheres(lat, s.north, s.south);
  ResolveHemispheres(lon, s.east, s.west);
  if (!GroupDigits(lat, 2, false) || !GroupDigits(lon, 3, true)) return false;
  for (Half* h : {&lat, &lon}) {
    if (h->fraction.empty()) h->fraction = L"00";
    if (h->fraction.size() == 1) h->fraction += L'0';
  }
  // A negative sign on a value that comes to zero is no hemisphere: -0 is written as 0 is.
  auto isZero = [](const Half& h) {
    return h.digits.find_first_not_of(L'0') == std::wstring::npos &&
           h.fraction.find_first_not_of(L'0') == std::wstring::npos;
  };
  if (!lat.sign.empty() && isZero(lat)) lat.letter = s.north;
  if (!lon.sign.empty() && isZero(lon)) lon.letter = s.east;
  const wchar_t dec = s.decimalSeparator.empty() ? L'.' : s.decimalSeparator[0];
  std::wstring text = lat.digits + dec + lat.fraction + lat.letter + L" " + lon.digits + dec +
                      lon.fraction + lon.letter;
  if (text.size() > kMaxDisplayLength) return false;
  latitude_ = std::move(lat);
  longitude_ = std::move(lon);
  out = std::move(text);
  return true;
}

}  // namespace velk::corvane
