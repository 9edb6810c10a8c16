// UTM grid texts: zone and band with easting and northing ("18T 585628 4511322"), also
// written the other way round or run together, and the polar form of easting, northing and a
// polar letter A, B, Y or Z ("1234567 1234567 Y").
#pragma once

#include <string>

#include "coordinates/validator.h"

namespace velk::corvane {

// Eight alternatives, 30 groups. Normalize brings every form the pattern knows into the first
// (groups 1 zone, 2 band, 3 easting, 4 northing) or the second (5 easting, 6 northing, 7 polar
// letter), so the formatter reads only those; a text of another shape is left whole and then
// fails the pattern.
class UTMValidator : public Validator {
 public:
  UTMValidator();
  void Normalize(BSTR* text) override;
  // The rewriting itself, on a plain string.
  static std::wstring NormalizeText(const std::wstring& text);
};

}  // namespace velk::corvane
