// Latitude/longitude pairs in degrees, degrees-minutes or degrees-minutes-seconds digits with
// an optional decimal fraction, signs and hemisphere letters ("40.5N 73.25W", "-40/-73").
#pragma once

#include "coordinates/validator.h"

namespace velk::corvane {

// Groups: 1 latitude sign, 2 latitude digits, 3 latitude fraction, 4 north/south letter,
// 5 separator (white space, "/" or "\"), 6 longitude sign, 7 longitude digits, 8 longitude
// fraction, 9 east/west letter.
class DMSValidator : public Validator {
 public:
  DMSValidator();
  // English letters N, S, E, W typed by the user become the localized letters.
  void Normalize(BSTR* text) override;
};

}  // namespace velk::corvane
