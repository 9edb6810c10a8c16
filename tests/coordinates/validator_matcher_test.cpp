// The validators' matchers against their own compiled patterns: the same verdict and the same
// parts for the notations' typed texts and for many generated near-miss texts, with the default
// symbols and with localized ones.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "coordinates/dms_validator.h"
#include "coordinates/mgrs_validator.h"
#include "coordinates/utm_validator.h"
#include "platform/com/text.h"
#include "tests/coordinates/coordinate_test_support.h"

namespace velk::corvane {
namespace {

// Both checks of one text; a difference names the text.
void ExpectSame(Validator& v, const std::wstring& text) {
  const bool byPattern = v.ValidateWithPattern(text);
  const std::vector<std::wstring> expected = v.SubMatches();
  const bool byMatcher = v.Validate(text);
  ASSERT_EQ(byMatcher, byPattern) << "text \"" << ToUtf8(text) << "\"";
  ASSERT_EQ(v.SubMatches(), expected) << "text \"" << ToUtf8(text) << "\"";
}

const std::vector<std::wstring> kTypedTexts = {
    L"",
    L" ",
    L"40.5N 73.25W",
    L"-40 -73",
    L"40/73",
    L"40\\73",
    L"40,5 73,25",
    L"40.5 73.25",
    L"12345678 1",
    L"+40 73",
    L"4030N 07315W",
    L"403015.5N 0731520W",
    L"181 0",
    L"40 N 73 E",
    L"  40.5  N  /  73.25  W  ",
    L"40.5N\t73.25W",
    L"40.N 73.W",
    L"40..5 73",
    L"N40 73",
    L"40.5NS 73",
    L"40 - 73",
    L"4 0 7 3",
    L"0 0",
    L"-0 -0",
    L"1234567.1234 1234567.1234",
    L"18T 585628 4511322",
    L"585628,4511322,18T",
    L"18 T 585628 4511322",
    L"18T5856284511322",
    L"585628451132218T",
    L"1234567 1234567 Y",
    L"1234567\t1234567\tY",
    L"18T58562844511322",
    L"12345671234567Z",
    L"18T ,, 585628 ,4511322",
    L"18I 585628 4511322",
    L"1 2 3 4",
    L"18TWL8562811322",
    L"TWL 856 113",
    L"18twl85621132",
    L"18IWL123",
    L"18TWL85621132",
    L"TWL",
    L"ZBA0611398202",
    L"18T WL 8562 1132",
    L"18TWL856",
    L"18TWL12345678901",
    L"18T WL 8562811322 ",
    L"   18TWL1234",
    L"31N 500000 0",
    L"31N 500000 -0",
};

// Texts made of the notations' own characters, and valid texts with a character put in,
// taken out or changed.
std::vector<std::wstring> GeneratedTexts(unsigned seed, std::size_t count,
                                         const std::wstring& extra) {
  const std::wstring alphabet = L"0123456789 \t,./\\+-NSEWTAYBZIOLQ" + extra;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), len(0, 24);
  std::vector<std::wstring> out;
  for (std::size_t i = 0; i < count; ++i) {
    std::wstring t;
    for (std::size_t n = len(rng); n > 0; --n) t += alphabet[pick(rng)];
    out.push_back(t);
  }
  std::uniform_int_distribution<int> what(0, 2);
  for (std::size_t i = 0; i < count; ++i) {
    std::wstring t = kTypedTexts[i % kTypedTexts.size()];
    for (int edits = 1 + static_cast<int>(i % 3); edits > 0; --edits) {
      std::size_t at = t.empty() ? 0 : std::uniform_int_distribution<std::size_t>(0, t.size())(rng);
      switch (what(rng)) {
        case 0: t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), alphabet[pick(rng)]); break;
        case 1:
          if (at < t.size()) t.erase(at, 1);
          break;
        default:
          if (at < t.size()) t[at] = alphabet[pick(rng)];
          break;
      }
    }
    out.push_back(t);
  }
  return out;
}

struct Kind {
  const char* name;
  std::unique_ptr<Validator> (*make)();
};

const Kind kKinds[] = {
    {"DMS", [] { return std::unique_ptr<Validator>(new DMSValidator); }},
    {"UTM", [] { return std::unique_ptr<Validator>(new UTMValidator); }},
    {"MGRS", [] { return std::unique_ptr<Validator>(new MGRSValidator); }},
};

TEST(ValidatorMatcher, SameAsThePatternOnTypedAndGeneratedTexts) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    auto v = kind.make();
    for (const auto& t : kTypedTexts) ExpectSame(*v, t);
    for (const auto& t : GeneratedTexts(16, 20000, L"")) ExpectSame(*v, t);
  }
}

TEST(ValidatorMatcher, SameAsThePatternWithLocalizedSymbols) {
  testing::LocalizedLetters letters;  // N, S, W and O for east
  velk::win::LocaleSymbols locale = testing::DecimalCommaLocale();
  locale.negativeSign = L"~";
  velk::win::ScopedUserLocale scoped(locale);
  DMSValidator v;
  for (const auto& t : kTypedTexts) ExpectSame(v, t);
  for (const auto& t : GeneratedTexts(61, 20000, L"O~,")) ExpectSame(v, t);
}

TEST(ValidatorMatcher, LongRunsOfWhiteSpaceStayCheap) {
  // A backtracking matcher without a memo tries every split of such runs between the
  // neighbouring white-space steps.
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    auto v = kind.make();
    const std::wstring spaces(Validator::kMaxTextLength - 4, L' ');
    for (const std::wstring& t :
         {L"40" + spaces + L"x", L"4" + spaces + L"7 x", spaces + L"18TWL1x"})
      EXPECT_FALSE(v->Validate(t));
    EXPECT_TRUE(v->SubMatches().empty());
  }
}

}  // namespace
}  // namespace velk::corvane
