#include "coordinates/mgrs_formatter.h"

namespace velk::corvane {

MGRSFormatter::MGRSFormatter() { template_ = L"00I II 0000000000"; }

bool MGRSFormatter::Format(std::wstring& out, const std::vector<std::wstring>& subMatches) {
  const std::wstring& digits = Part(subMatches, 4);
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 10) return false;
  std::size_t half = digits.size() / 2;
  std::wstring easting = digits.substr(0, half), northing = digits.substr(half);
  easting.append(5 - half, L'0');
  northing.append(5 - half, L'0');

  zone_ = Part(subMatches, 1);
  band_ = Part(subMatches, 2);
  squares_ = Part(subMatches, 3);
  digits_ = easting + northing;
  out = zone_ + band_ + L" " + squares_ + L" " + digits_;
  return true;
}

}  // namespace velk::corvane
