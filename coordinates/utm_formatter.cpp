#include "coordinates/utm_formatter.h"

namespace velk::corvane {

namespace {

// Where each alternative of the UTM pattern keeps its parts (0: the alternative has none).
struct Layout {
  std::size_t zone, band, easting, northing, polarLetter;
};
constexpr Layout kLayouts[] = {
    {1, 2, 3, 4, 0},     {0, 0, 5, 6, 7},     {8, 9, 10, 11, 0},   {12, 13, 14, 15, 0},
    {18, 19, 16, 17, 0}, {22, 23, 20, 21, 0}, {26, 27, 24, 25, 0}, {0, 0, 28, 29, 30},
};

}  // namespace

UTMFormatter::UTMFormatter() { template_ = L"00I 000000 0000000"; }

bool UTMFormatter::Format(std::wstring& out, const std::vector<std::wstring>& subMatches) {
  for (const Layout& l : kLayouts) {
    const std::wstring& easting = Part(subMatches, l.easting);
    const std::wstring& northing = Part(subMatches, l.northing);
    if (easting.empty() || northing.empty()) continue;
    polar_ = l.polarLetter != 0;
    easting_ = easting;
    northing_ = northing;
    if (polar_) {
      zone_.clear();
      letter_ = Part(subMatches, l.polarLetter);
      if (letter_.empty()) return false;
      out = easting_ + L" " + northing_ + L" " + letter_;
    } else {
      zone_ = Part(subMatches, l.zone);
      letter_ = Part(subMatches, l.band);
      if (zone_.empty() || letter_.empty()) return false;
      out = zone_ + letter_ + L" " + easting_ + L" " + northing_;
    }
    return true;
  }
  return false;
}

}  // namespace velk::corvane
