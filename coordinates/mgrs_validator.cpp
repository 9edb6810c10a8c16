#include "coordinates/mgrs_validator.h"

namespace velk::corvane {

namespace {

using Step = SequenceMatcher::Step;
using C = SequenceMatcher::Class;
constexpr auto kMany = SequenceMatcher::kMany;

// The pattern step for step: optional two-digit zone, band, two square letters, one to five
// pairs of digits.
std::unique_ptr<SequenceMatcher> MakeMatcher() {
  auto m = std::make_unique<SequenceMatcher>();
  m->AddAlternative({{C::kSpace, 0, kMany},
                     {C::kDigit, 0, 2, 2, 1},
                     {C::kBand, 1, 1, 1, 2},
                     {C::kSpace, 0, kMany},
                     {C::kBand, 2, 2, 1, 3},
                     {C::kSpace, 0, kMany},
                     {C::kDigit, 2, 10, 2, 4},
                     {C::kSpace, 0, kMany}});
  return m;
}

}  // namespace

MGRSValidator::MGRSValidator() {
  SetPattern(L"^\\s*(\\d{2})?([A-HJ-NP-Z])\\s*([A-HJ-NP-Z]{2})\\s*((?:\\d{2}){1,5})\\s*$",
             MakeMatcher());
}

}  // namespace velk::corvane
