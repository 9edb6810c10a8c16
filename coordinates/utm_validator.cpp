#include "coordinates/utm_validator.h"

#include <cwctype>
#include <vector>

namespace velk::corvane {

namespace {

bool IsLetter(wchar_t c) { return std::iswalpha(c) != 0; }

bool AllDigits(const std::wstring& s) {
  if (s.empty()) return false;
  for (wchar_t c : s)
    if (c < L'0' || c > L'9') return false;
  return true;
}

// Two digits and a band letter ("18T").
bool IsZoneBand(const std::wstring& s) {
  return s.size() == 3 && AllDigits(s.substr(0, 2)) && IsLetter(s[2]);
}

// Easting and northing run together: six plus seven or seven plus seven digits.
bool IsJoinedDigits(const std::wstring& s) {
  return (s.size() == 13 || s.size() == 14) && AllDigits(s);
}

std::wstring SplitJoinedDigits(const std::wstring& s) {
  std::size_t e = s.size() - 7;
  return s.substr(0, e) + L" " + s.substr(e);
}

std::vector<std::wstring> Tokens(const std::wstring& text) {
  std::vector<std::wstring> tokens;
  std::wstring current;
  for (wchar_t c : text) {
    if (c == L' ' || c == L',') {
      if (!current.empty()) tokens.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) tokens.push_back(std::move(current));
  return tokens;
}

using Step = SequenceMatcher::Step;
using C = SequenceMatcher::Class;
constexpr auto kMany = SequenceMatcher::kMany;

Step Digits(std::uint16_t min, std::uint16_t max, std::uint16_t group) {
  return {C::kDigit, min, max, 1, group};
}
Step Band(std::uint16_t group) { return {C::kBand, 1, 1, 1, group}; }
Step Polar(std::uint16_t group) { return {C::kPolar, 1, 1, 1, group}; }
constexpr Step kSpaces{C::kSpace, 0, kMany};
constexpr Step kGap{C::kSpaceOrComma, 1, kMany};

// The eight alternatives of the pattern, step for step.
std::unique_ptr<SequenceMatcher> MakeMatcher() {
  auto m = std::make_unique<SequenceMatcher>();
  m->AddAlternative(
      {kSpaces, Digits(2, 2, 1), Band(2), kGap, Digits(1, 7, 3), kGap, Digits(1, 7, 4), kSpaces});
  m->AddAlternative({kSpaces, Digits(1, 7, 5), kGap, Digits(1, 7, 6), kGap, Polar(7), kSpaces});
  m->AddAlternative(
      {kSpaces, Digits(2, 2, 8), Band(9), Digits(6, 6, 10), Digits(7, 7, 11), kSpaces});
  m->AddAlternative(
      {kSpaces, Digits(2, 2, 12), Band(13), Digits(7, 7, 14), Digits(7, 7, 15), kSpaces});
  m->AddAlternative({kSpaces, Digits(1, 7, 16), kGap, Digits(1, 7, 17), kGap, Digits(2, 2, 18),
                     Band(19), kSpaces});
  m->AddAlternative(
      {kSpaces, Digits(6, 6, 20), Digits(7, 7, 21), Digits(2, 2, 22), Band(23), kSpaces});
  m->AddAlternative(
      {kSpaces, Digits(7, 7, 24), Digits(7, 7, 25), Digits(2, 2, 26), Band(27), kSpaces});
  m->AddAlternative({kSpaces, Digits(7, 7, 28), Digits(7, 7, 29), Polar(30), kSpaces});
  return m;
}

}  // namespace

UTMValidator::UTMValidator() {
  SetPattern(
      L"(?:^\\s*(\\d{2})([A-HJ-NP-Z])[ ,]+(\\d{1,7})[ ,]+(\\d{1,7})\\s*$)"
      L"|(?:^\\s*(\\d{1,7})[ ,]+(\\d{1,7})[ ,]+([ABYZ])\\s*$)"
      L"|(?:^\\s*(\\d{2})([A-HJ-NP-Z])(\\d{6})(\\d{7})\\s*$)"
      L"|(?:^\\s*(\\d{2})([A-HJ-NP-Z])(\\d{7})(\\d{7})\\s*$)"
      L"|(?:^\\s*(\\d{1,7})[ ,]+(\\d{1,7})[ ,]+(\\d{2})([A-HJ-NP-Z])\\s*$)"
      L"|(?:^\\s*(\\d{6})(\\d{7})(\\d{2})([A-HJ-NP-Z])\\s*$)"
      L"|(?:^\\s*(\\d{7})(\\d{7})(\\d{2})([A-HJ-NP-Z])\\s*$)"
      L"|(?:^\\s*(\\d{7})(\\d{7})([ABYZ])\\s*$)",
      MakeMatcher());
}

std::wstring UTMValidator::NormalizeText(const std::wstring& text) {
  std::vector<std::wstring> t = Tokens(text);
  switch (t.size()) {
    case 1: {
      const std::wstring& s = t[0];
      bool lastIsLetter = !s.empty() && IsLetter(s.back());
      if (s.size() == 16 || s.size() == 17) {
        std::size_t e = s.size() - 10;  // 6 or 7 easting digits
        if (lastIsLetter)
          return s.substr(s.size() - 3) + L" " + s.substr(0, e) + L" " + s.substr(e, 7);
        if (IsLetter(s[2])) return s.substr(0, 3) + L" " + s.substr(3, e) + L" " + s.substr(3 + e);
      } else if (s.size() == 15 && lastIsLetter) {
        return s.substr(0, 7) + L" " + s.substr(7, 7) + L" " + s.substr(14);  // polar
      }
      return text;
    }
    case 2:
      if (IsZoneBand(t[0]) && IsJoinedDigits(t[1])) return t[0] + L" " + SplitJoinedDigits(t[1]);
      if (IsJoinedDigits(t[0]) && IsZoneBand(t[1])) return t[1] + L" " + SplitJoinedDigits(t[0]);
      if (t[0].size() == 14 && AllDigits(t[0]) && t[1].size() == 1 && IsLetter(t[1][0]))
        return SplitJoinedDigits(t[0]) + L" " + t[1];
      return text;
    case 3:
      if (t[2].size() == 3 && IsLetter(t[2][2])) return t[2] + L" " + t[0] + L" " + t[1];
      return t[0] + L" " + t[1] + L" " + t[2];
    case 4:
      if (IsLetter(t[3][0])) return t[2] + t[3] + L" " + t[0] + L" " + t[1];
      return t[0] + t[1] + L" " + t[2] + L" " + t[3];
    default: return text;  // no token, or five and more: left whole
  }
}

void UTMValidator::Normalize(BSTR* text) {
  if (!text || !*text || SysStringLen(*text) == 0) return;
  Store(text, NormalizeText(BstrToWstring(*text)));
}

}  // namespace velk::corvane
