// MGRS grid references: optional two-digit zone, band letter, two 100 km square letters and
// an even number (2 to 10) of easting and northing digits ("18TWL8562811322").
#pragma once

#include "coordinates/validator.h"

namespace velk::corvane {

// Groups: 1 zone (may be empty), 2 band letter, 3 square letters, 4 digits. An odd digit count
// does not split into easting and northing and is refused.
class MGRSValidator : public Validator {
 public:
  MGRSValidator();
};

}  // namespace velk::corvane
