#include "coordinates/mgrs_validator.h"

namespace velk::corvane {

MGRSValidator::MGRSValidator() {
  SetPattern(L"^\\s*(\\d{2})?([A-HJ-NP-Z])\\s*([A-HJ-NP-Z]{2})\\s*((?:\\d{2}){1,5})\\s*$");
}

}  // namespace velk::corvane
