#include "coordinates/dms_validator.h"

namespace velk::corvane {

namespace {

using Step = SequenceMatcher::Step;
using C = SequenceMatcher::Class;
constexpr auto kMany = SequenceMatcher::kMany;

// The pattern's steps; only when every symbol is one character (each then stands for itself
// in the pattern).
std::unique_ptr<SequenceMatcher> MakeMatcher(const LocalizedCoordinateSymbols& s) {
  for (const std::wstring* one :
       {&s.north, &s.south, &s.east, &s.west, &s.decimalSeparator, &s.negativeSign})
    if (one->size() != 1) return nullptr;
  const wchar_t dec = s.decimalSeparator[0], neg = s.negativeSign[0];
  auto half = [&](std::uint16_t g, wchar_t positive, wchar_t negative) {
    return std::vector<Step>{
        {C::kChars, 0, 1, 1, g, L'+', neg},
        {C::kSpace, 0, kMany},
        {C::kDigit, 1, 7, 1, static_cast<std::uint16_t>(g + 1)},
        {C::kChars, 0, 1, 1, 0, dec, dec},
        {C::kDigit, 0, kMany, 1, static_cast<std::uint16_t>(g + 2)},
        {C::kSpace, 0, kMany},
        {C::kChars, 0, 1, 1, static_cast<std::uint16_t>(g + 3), positive, negative},
        {C::kSpace, 0, kMany},
    };
  };
  std::vector<Step> steps{{C::kSpace, 0, kMany}};
  for (const Step& x : half(1, s.north[0], s.south[0])) steps.push_back(x);
  steps.push_back({C::kSeparator, 1, 1, 1, 5});
  steps.push_back({C::kSpace, 0, kMany});
  for (const Step& x : half(6, s.east[0], s.west[0])) steps.push_back(x);
  auto matcher = std::make_unique<SequenceMatcher>();
  matcher->AddAlternative(std::move(steps));
  return matcher;
}

}  // namespace

DMSValidator::DMSValidator() {
  const auto& s = Symbols();
  std::wstring dec = EscapeForPattern(s.decimalSeparator);
  SetPattern(L"^\\s*" + s.signGroup + L"?\\s*(\\d{1,7})" + dec + L"?(\\d*)\\s*" +
                 s.northSouthGroup + L"?\\s*(\\s|/|\\\\)\\s*" + s.signGroup + L"?\\s*(\\d{1,7})" +
                 dec + L"?(\\d*)\\s*" + s.eastWestGroup + L"?\\s*$",
             MakeMatcher(s));
}

void DMSValidator::Normalize(BSTR* text) {
  if (!text || !*text || SysStringLen(*text) == 0) return;
  const auto& s = Symbols();
  std::wstring value = BstrToWstring(*text);
  for (auto& c : value) {
    switch (c) {
      case L'N': c = s.north[0]; break;
      case L'S': c = s.south[0]; break;
      case L'E': c = s.east[0]; break;
      case L'W': c = s.west[0]; break;
      default: break;
    }
  }
  Store(text, value);
}

}  // namespace velk::corvane
