// Degrees-minutes-seconds texts: the pattern's groups, and what the parser makes of typed
// texts, including localized letters and a decimal-comma locale.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/corvane_module.h"
#include "tests/coordinates/coordinate_test_support.h"

namespace velk::corvane {
namespace {

using testing::DecimalCommaLocale;
using testing::DmsParser;
using testing::LocalizedLetters;
using testing::ParseCase;
using testing::RunParseCases;

const std::wstring kTemplate = L"000100.00N 0000100.00E";

TEST(DMSValidator, PatternWithDefaultSymbols) {
  DMSValidator v;
  EXPECT_EQ(v.PatternText(),
            L"^\\s*(\\+|\\-)?\\s*(\\d{1,7})\\.?(\\d*)\\s*(N|S)?\\s*(\\s|/"
            L"|\\\\)\\s*(\\+|\\-)?\\s*(\\d{1,7})\\.?(\\d*)\\s*(E|W)?\\s*$");
}

struct GroupCase {
  const wchar_t* text;
  std::vector<std::wstring> groups;  // 1..9
};

TEST(DMSValidator, SplitsIntoNineGroups) {
  const GroupCase cases[] = {
      {L"40.5N 73.25W", {L"", L"40", L"5", L"N", L" ", L"", L"73", L"25", L"W"}},
      {L"-40 -73", {L"-", L"40", L"", L"", L" ", L"-", L"73", L"", L""}},
      {L"40/73", {L"", L"40", L"", L"", L"/", L"", L"73", L"", L""}},
      {L"40\\73", {L"", L"40", L"", L"", L"\\", L"", L"73", L"", L""}},
      // The decimal separator is optional: seven digits, then the rest as the fraction.
      {L"12345678 1", {L"", L"1234567", L"8", L"", L" ", L"", L"1", L"", L""}},
  };
  DMSValidator v;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.text)));
    ASSERT_TRUE(v.Validate(c.text));
    ASSERT_EQ(v.SubMatches().size(), 10u);
    EXPECT_EQ(v.SubMatches()[0], c.text);
    EXPECT_EQ(std::vector<std::wstring>(v.SubMatches().begin() + 1, v.SubMatches().end()),
              c.groups);
  }
}

TEST(DMSValidator, FailedMatchEmptiesTheParts) {
  DMSValidator v;
  ASSERT_TRUE(v.Validate(L"40 73"));
  EXPECT_FALSE(v.Validate(L"40.5N"));
  EXPECT_TRUE(v.SubMatches().empty());
  // Validation stops at the first NUL, as for a C string.
  EXPECT_TRUE(v.Validate(std::wstring(L"40 73\0garbage", 13)));
}

TEST(DMSValidator, OverlongTextIsRefusedWithoutMatching) {
  DMSValidator v;
  std::wstring huge = L"40" + std::wstring(200000, L' ') + L"73";
  EXPECT_FALSE(v.Validate(huge));
  EXPECT_TRUE(v.SubMatches().empty());
  // Padding up to the limit is still read.
  std::wstring padded = L"40" + std::wstring(Validator::kMaxTextLength - 4, L' ') + L"73";
  ASSERT_EQ(padded.size(), Validator::kMaxTextLength);
  EXPECT_TRUE(v.Validate(padded));
  UTMValidator utm;
  EXPECT_TRUE(utm.Validate(L"18T" + std::wstring(Validator::kMaxTextLength - 18, L',') +
                           L"585628 4511322"));
}

void RunCases(DmsParser& p, const std::vector<ParseCase>& cases) { RunParseCases(p, cases); }

TEST(DMSParser, DefaultSymbols) {
  DmsParser p;
  RunCases(
      p, {
             // degrees with fractions, signs, letters
             {L"40.5N 73.25W", L"403000.00N 0731500.00W", true},
             {L"-40.5 -73.25", L"403000.00S 0731500.00W", true},
             {L"+40 73", L"400000.00N 0730000.00E", true},
             {L"40.5s 73.25e", L"403000.00S 0731500.00E", true},
             {L"-40.5N 73W", L"403000.00N 0730000.00W", true},  // a typed letter wins over the sign
             {L"40/73", L"400000.00N 0730000.00E", true},
             {L"40\\73", L"400000.00N 0730000.00E", true},
             // a negative zero has no hemisphere of its own; a typed letter keeps its own
             {L"-0 -0", L"000000.00N 0000000.00E", true},
             {L"-0.0000001 -000.000", L"000000.00N 0000000.00E", true},
             {L"-0.001 -0", L"000003.60S 0000000.00E", true},
             {L"0S 0W", L"000000.00S 0000000.00W", true},
             // degrees and minutes, degrees-minutes-seconds
             {L"4030N 07315W", L"403000.00N 0731500.00W", true},
             {L"403015.5N 0731520W", L"403015.50N 0731520.00W", true},
             {L"4030.25 07315.5", L"403015.00N 0731530.00E", true},
             {L"0403015 0731520", L"403015.00N 0731520.00E",
              true},  // leading zero of the degrees dropped
             {L"403015.1234N 0731520W", L"403015.1234N 0731520.00W",
              true},  // seconds fraction kept as typed
                      // a longitude of three digits above 180 is read as degrees and minutes
             {L"40 181", L"400000.00N 0018100.00E", true},
             // refusals
             {L"", kTemplate.c_str(), false},
             {L"40.5N", kTemplate.c_str(), false},
             {L"40.5X 73", kTemplate.c_str(), false},
             {L"abc def", kTemplate.c_str(), false},
             {L"40\t\t73", L"400000.00N 0730000.00E", true},
         });
}

// Fractions are rounded to the hundredth of a second and carried into seconds, minutes and
// degrees; degrees that do not fit their digits and overlong texts are refused.
TEST(DMSParser, RoundsAndCarries) {
  DmsParser p;
  RunCases(
      p,
      {
          {L"40.11 73", L"400636.00N 0730000.00E", true},      // 6' 36.00", not 6' 35.00"
          {L"40.999999 73", L"410000.00N 0730000.00E", true},  // 3599.9964" carries into the degree
          {L"4059.99999 73", L"410000.00N 0730000.00E",
           true},  // 59.9994" carries, no "100" hundredths
          {L"4058.99999 73", L"405900.00N 0730000.00E", true},   // carry into the minute only
          {L"4059.9999 73", L"405959.99N 0730000.00E", true},    // 59.994" stays below the carry
          {L"40 73.9999999", L"400000.00N 0740000.00E", true},   // longitude carry
          {L"40 07359.99999", L"400000.00N 0740000.00E", true},  // longitude minutes carry
          {L"40.0000125 73", L"400000.05N 0730000.00E", true},   // 0.045" rounds half up to 0.05"
          {L"99.9999999 0", kTemplate.c_str(), false},           // carry to 100 degrees of latitude
          {L"12345678 1", kTemplate.c_str(), false},  // latitude degrees "123" do not fit
          {L"1234567 1", kTemplate.c_str(), false},
          {L"403015.123456789012345678901234 73", kTemplate.c_str(),
           false},  // display text too long
      });
}

TEST(DMSParser, DecimalCommaLocale) {
  velk::win::ScopedUserLocale locale(DecimalCommaLocale());
  DmsParser p;
  EXPECT_EQ(p.formatter.Template(), L"000100,00N 0000100,00E");
  RunCases(p, {
                  {L"40,5 73,25", L"403000,00N 0731500,00E", true},
                  {L"40,5N 73,25W", L"403000,00N 0731500,00W", true},
                  {L"403015,5N 0731520W", L"403015,50N 0731520,00W", true},
                  {L"40.5 73.25", L"000100,00N 0000100,00E", false},
              });
}

TEST(DMSParser, LocalizedLettersAndNegativeSign) {
  LocalizedLetters letters;  // N, S, W and O for east
  velk::win::LocaleSymbols locale;
  locale.negativeSign = L"~";
  velk::win::ScopedUserLocale scoped(locale);
  DmsParser p;
  EXPECT_EQ(p.formatter.Template(), L"000100.00N 0000100.00O");
  RunCases(p, {
                  {L"40.5N 73.25O", L"403000.00N 0731500.00O", true},
                  {L"40.5N 73.25E", L"403000.00N 0731500.00O", true},  // English letter typed
                  {L"~40.5 ~73.25", L"403000.00S 0731500.00W", true},
                  {L"+40.5 +73.25", L"403000.00N 0731500.00O", true},
                  {L"-40.5 73", L"000100.00N 0000100.00O", false},  // "-" is not this locale's sign
              });
}

TEST(LocalizedCoordinateSymbols, OnlySingleCharacterLocaleSymbolsAreTaken) {
  velk::win::LocaleSymbols locale;
  locale.decimal = L"<>";
  locale.thousands = L"'";
  locale.negativeSign = L"\u2212";
  velk::win::ScopedUserLocale scoped(locale);
  LocalizedCoordinateSymbols s(nullptr);
  EXPECT_EQ(s.decimalSeparator, L".");
  EXPECT_EQ(s.thousandsSeparator, L"'");
  EXPECT_EQ(s.negativeSign, L"\u2212");
  EXPECT_EQ(s.signGroup, L"(\\+|\u2212)");
  EXPECT_EQ(s.northSouthGroup, L"(N|S)");
  EXPECT_EQ(s.eastWestGroup, L"(E|W)");
  DmsParser p;
  bool valid = false;
  EXPECT_EQ(p.Parse(L"\u221240.5 \u221273", valid), L"403000.00S 0730000.00W");
  EXPECT_TRUE(valid);
}

TEST(LocalizedCoordinateSymbols, LettersComeFromTheResourceInstance) {
  LocalizedCoordinateSymbols english;  // Corvane's own table has no hemisphere letters
  EXPECT_EQ(english.north + english.south + english.west + english.east, L"NSWE");

  static const char kStrings[] = "3597\tNorte\n3598\tSur\n3599\tOeste\n3600\tEste\n";
  const velk::res::EmbeddedResource table[] = {
      {"strings", "strings", reinterpret_cast<const unsigned char*>(kStrings), sizeof kStrings - 1},
      {nullptr, nullptr, nullptr, 0}};
  velk::res::ResourceModule localized(L"localized", table);
  auto* previous = Module().SetResourceInstance(&localized);
  LocalizedCoordinateSymbols s;
  DmsParser p;
  Module().SetResourceInstance(previous);
  EXPECT_EQ(s.north + s.south + s.west + s.east, L"NSOE");
  EXPECT_EQ(s.eastWestGroup, L"(E|O)");
  bool valid = false;
  EXPECT_EQ(p.Parse(L"40.5N 73.25W", valid), L"403000.00N 0731500.00O");
  EXPECT_TRUE(valid);
}

TEST(Parser, WithoutValidatorOrFormatter) {
  DMSValidator v;
  DMSFormatter f;
  Parser empty, noFormatter(&v, nullptr), noValidator(nullptr, &f);
  for (Parser* p : {&empty, &noFormatter, &noValidator}) {
    BSTR b = AllocBstr(L"40 73");
    EXPECT_FALSE(p->Parse(&b));
    EXPECT_EQ(BstrToWstring(b), Parser::kNoMembersText);
    SysFreeString(b);
    std::wstring s = L"40 73";
    EXPECT_FALSE(p->ParseText(&s));
    EXPECT_EQ(s, Parser::kNoMembersText);
  }
  EXPECT_FALSE(empty.IsValid(L"40 73"));
  EXPECT_TRUE(noFormatter.IsValid(L"40 73"));
  EXPECT_FALSE(empty.Parse(nullptr));
}

TEST(Parser, NullBstrIsParsedAsEmpty) {
  DmsParser p;
  BSTR b = nullptr;
  EXPECT_FALSE(p.parser.Parse(&b));
  EXPECT_EQ(BstrToWstring(b), kTemplate);
  SysFreeString(b);
}

}  // namespace
}  // namespace velk::corvane
