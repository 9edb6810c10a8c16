// UTM texts: every form the pattern accepts is shown in one of the two display forms, or
// refused; none is reported valid with blanks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/coordinates/coordinate_test_support.h"

namespace velk::corvane {
namespace {

using testing::ParseCase;
using testing::RunParseCases;
using testing::UtmParser;

const wchar_t kTemplate[] = L"00I 000000 0000000";

TEST(UTMParser, Table) {
  const ParseCase cases[] = {
      // zone and band first, separated
      {L"18T 585628 4511322", L"18T 585628 4511322", true},
      {L"  18T  585628 ,4511322 ", L"18T 585628 4511322", true},
      {L"18t 585628 4511322", L"18T 585628 4511322", true},
      {L"18 T 585628 4511322", L"18T 585628 4511322", true},
      // zone and band last
      {L"585628,4511322,18T", L"18T 585628 4511322", true},
      {L"585628 4511322 18T", L"18T 585628 4511322", true},
      {L"585628 4511322 18 T", L"18T 585628 4511322", true},
      // written together: six plus seven and seven plus seven digits
      {L"18T5856284511322", L"18T 585628 4511322", true},
      {L"585628451132218T", L"18T 585628 4511322", true},
      {L"18T58562804511322", L"18T 5856280 4511322", true},
      {L"5856280451132218T", L"18T 5856280 4511322", true},
      // zone and band apart from the joined digits
      {L"18T 5856284511322", L"18T 585628 4511322", true},
      {L"5856284511322,18T", L"18T 585628 4511322", true},
      // polar forms
      {L"1234567 1234567 Y", L"1234567 1234567 Y", true},
      {L"1234567,1234567,a", L"1234567 1234567 A", true},
      {L"12345671234567Z", L"1234567 1234567 Z", true},
      {L"12345671234567 B", L"1234567 1234567 B", true},
      // refusals
      {L"", kTemplate, false},
      {L"1234567\t1234567\tY", kTemplate, false},    // tabs do not separate
      {L"18I 585628 4511322", kTemplate, false},     // no band I
      {L"18T 585628 45113220", kTemplate, false},    // eight digits
      {L"1234567 1234567 C", kTemplate, false},      // not a polar letter
      {L"18T5856284511322 junk", kTemplate, false},  // two tokens, not a known pair
      {L"18T 585628", kTemplate, false},
      {L"18T5856284511322 a b c d", kTemplate, false},  // five tokens
      {L"18 T 585628 4511322 9", kTemplate, false},
      {L"1 2 3 4", kTemplate, false},
      {L"585628451132218", kTemplate, false},  // fifteen characters, not polar
  };
  UtmParser p;
  RunParseCases(p, cases);
}

TEST(UTMValidator, RewritesIntoTheFirstTwoForms) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"585628,4511322,18T", L"18T 585628 4511322"},
      {L"18 T 585628 4511322", L"18T 585628 4511322"},
      {L"18T5856284511322", L"18T 585628 4511322"},
      {L"585628451132218T", L"18T 585628 4511322"},
      {L"12345671234567Y", L"1234567 1234567 Y"},
      {L"   ", L"   "},              // no token: unchanged
      {L"a b c d e", L"a b c d e"},  // five tokens: left whole, not cut
      {L"18T5856284511322 junk", L"18T5856284511322 junk"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(UTMValidator::NormalizeText(in), out) << in;

  UTMValidator v;
  BSTR b = AllocBstr(L"585628 4511322 18T");
  v.Normalize(&b);
  EXPECT_EQ(BstrToWstring(b), L"18T 585628 4511322");
  SysFreeString(b);
  BSTR empty = nullptr;
  v.Normalize(&empty);  // nothing to rewrite
  EXPECT_EQ(empty, nullptr);
}

// Matched without the rewriting step, every alternative still formats (never blanks).
TEST(UTMFormatter, ReadsEveryAlternative) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"18T 585628 4511322", L"18T 585628 4511322"},  // 1
      {L"1234567 1234567 Y", L"1234567 1234567 Y"},    // 2
      {L"18T5856284511322", L"18T 585628 4511322"},    // 3
      {L"18T58562804511322", L"18T 5856280 4511322"},  // 4
      {L"585628 4511322 18T", L"18T 585628 4511322"},  // 5
      {L"585628451132218T", L"18T 585628 4511322"},    // 6
      {L"5856280451132218T", L"18T 5856280 4511322"},  // 7
      {L"12345671234567Z", L"1234567 1234567 Z"},      // 8
  };
  UTMValidator v;
  UTMFormatter f;
  for (const auto& [in, out] : cases) {
    ASSERT_TRUE(v.Validate(in)) << in;
    EXPECT_EQ(v.SubMatches().size(), 31u);
    std::wstring shown;
    ASSERT_TRUE(f.Format(shown, v.SubMatches())) << in;
    EXPECT_EQ(shown, out);
  }
  std::wstring shown = L"unchanged";
  EXPECT_FALSE(f.Format(shown, {}));
  EXPECT_EQ(shown, L"unchanged");
}

TEST(UTMFormatter, KeepsThePartsOfTheLastCall) {
  UTMValidator v;
  UTMFormatter f;
  std::wstring shown;
  ASSERT_TRUE(v.Validate(L"18T 585628 4511322"));
  ASSERT_TRUE(f.Format(shown, v.SubMatches()));
  EXPECT_FALSE(f.Polar());
  EXPECT_EQ(f.Zone(), L"18");
  EXPECT_EQ(f.Letter(), L"T");
  ASSERT_TRUE(v.Validate(L"1234567 7654321 Y"));
  ASSERT_TRUE(f.Format(shown, v.SubMatches()));
  EXPECT_TRUE(f.Polar());
  EXPECT_EQ(f.Easting(), L"1234567");
  EXPECT_EQ(f.Northing(), L"7654321");
  EXPECT_EQ(f.Letter(), L"Y");
}

}  // namespace
}  // namespace velk::corvane
