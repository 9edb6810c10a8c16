// Numbers in dialog fields, read and written in the user's locale; the locale source they
// stand on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/numeric_field_helpers.h"
#include "platform/win/locale_source.h"
#include "tests/coordinates/coordinate_test_support.h"

namespace velk::corvane {
namespace {

using testing::DecimalCommaLocale;

struct ReadCase {
  const wchar_t* text;
  double value;
};

void ExpectReads(const std::vector<ReadCase>& cases) {
  for (const auto& c : cases) {
    double v = -999.0;
    ParseLocaleDouble(c.text, &v);
    EXPECT_DOUBLE_EQ(v, c.value) << c.text;
  }
}

TEST(ParseLocaleDouble, EnglishLocale) {
  ExpectReads({
      {L"", 0.0},
      {L"1.5", 1.5},
      {L" -2.25 ", -2.25},
      {L"+3", 3.0},
      {L".5", 0.5},
      {L"1,500", 1500.0},
      {L"1,234,567.25", 1234567.25},
      {L"1e3", 1000.0},
      {L"2.5E-2", 0.025},
      {L"1,5", 0.0},  // not a thousands grouping: unreadable
      {L"12,34.5", 0.0},
      {L"abc", 0.0},
      {L"1.5x", 0.0},
      {L"-", 0.0},
      {L"1e999", 0.0},  // out of range
      {L"none", 0.0},
  });
}

TEST(ParseLocaleDouble, DecimalCommaLocaleFallsBackToEnglish) {
  velk::win::ScopedUserLocale locale(DecimalCommaLocale());
  ExpectReads({
      {L"1,5", 1.5},
      {L"-0,25", -0.25},
      {L"1.500", 1500.0},  // read in the user locale first: a thousands group
      {L"1.500,25", 1500.25},
      {L"1.5", 1.5},         // not readable in the user locale: English
      {L"1,234.5", 1234.5},  // English grouping
      {L"x", 0.0},
  });
}

TEST(FormatFieldDouble, DecimalsAndFallback) {
  EXPECT_EQ(FormatFieldDouble(1.5, 2, L"none"), L"1.50");
  EXPECT_EQ(FormatFieldDouble(-0.125, 6, L"none"), L"-0.125000");
  EXPECT_EQ(FormatFieldDouble(1.0 / 3.0, 20, L"none"), L"0.333333333333333");  // at most 15
  EXPECT_EQ(FormatFieldDouble(2.75, -3, L"none"), L"3");                       // at least 0
  EXPECT_EQ(FormatFieldDouble(std::numeric_limits<double>::quiet_NaN(), 6, L"none"), L"none");
}

TEST(FormatFieldDouble, HugeValuesStayWithinTheFieldAndReadBack) {
  for (double v : {1e239, -1e300, std::numeric_limits<double>::max()}) {
    std::wstring text = FormatFieldDouble(v, 15, L"none");
    EXPECT_LE(text.size(), 255u);
    double back = 0.0;
    ParseLocaleDouble(text, &back);
    EXPECT_DOUBLE_EQ(back, v) << v;
  }
}

TEST(FormatFieldDouble, WritesTheUserDecimalSymbolSoTheTextReadsBack) {
  velk::win::ScopedUserLocale locale(DecimalCommaLocale());
  std::wstring text = FormatFieldDouble(1.5, 3, L"none");
  EXPECT_EQ(text, L"1,500");
  double back = 0.0;
  ParseLocaleDouble(text, &back);
  EXPECT_DOUBLE_EQ(back, 1.5);  // not 1500
}

TEST(NumbersAsText, TheVariantConversionsTextInTheUserLocale) {
  struct Case {
    double value;
    const wchar_t* english;
    const wchar_t* decimalComma;
  };
  const Case cases[] = {
      {0.0, L"0", L"0"},
      {-42.0, L"-42", L"-42"},
      {0.1, L"0.1", L"0,1"},
      {-1234.5, L"-1234.5", L"-1234,5"},                        // no grouping
      {1.0 / 3.0, L"0.333333333333333", L"0,333333333333333"},  // 15 significant digits
      {1e20, L"1E+20", L"1E+20"},
  };
  for (const Case& c : cases) {
    std::wstring text = L"old";
    FormatDoubleAsText(text, c.value);
    EXPECT_EQ(text, c.english) << c.value;
    double back = -1.0;
    ParseLocaleDouble(text, &back);
    EXPECT_NEAR(back, c.value, std::abs(c.value) * 1e-14) << text;
  }
  std::wstring text;
  for (auto [value, expected] : {std::pair<LONG, const wchar_t*>{0, L"0"},
                                 {-2147483647 - 1, L"-2147483648"},
                                 {2147483647, L"2147483647"}}) {
    FormatLongAsText(text, value);
    EXPECT_EQ(text, expected);
  }

  velk::win::ScopedUserLocale locale(DecimalCommaLocale());
  for (const Case& c : cases) {
    FormatDoubleAsText(text, c.value);
    EXPECT_EQ(text, c.decimalComma) << c.value;
    double back = -1.0;
    ParseLocaleDouble(text, &back);  // reads back in the same locale
    EXPECT_NEAR(back, c.value, std::abs(c.value) * 1e-14) << text;
  }
  FormatLongAsText(text, -7);
  EXPECT_EQ(text, L"-7");
}

TEST(LocaleSource, GetLocaleInfoW) {
  wchar_t buf[8];
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 0), 2);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8), 2);
  EXPECT_STREQ(buf, L".");
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 1), 0);  // too small
  EXPECT_EQ(GetLocaleInfoW(9999, LOCALE_SDECIMAL, buf, 8), 0);                 // unknown locale
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x7777, buf, 8), 0);           // unknown item

  velk::win::ScopedUserLocale locale(DecimalCommaLocale());
  EXPECT_EQ(GetUserDefaultLCID(), 1031u);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8);
  EXPECT_STREQ(buf, L",");
  GetLocaleInfoW(1031, LOCALE_STHOUSAND, buf, 8);
  EXPECT_STREQ(buf, L".");
  GetLocaleInfoW(LOCALE_ENGLISH_US, LOCALE_SDECIMAL, buf, 8);  // 1033 keeps its own symbols
  EXPECT_STREQ(buf, L".");
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, buf, 8);
  EXPECT_STREQ(buf, L";");
}

TEST(LocaleSource, VariantConversionsFollowTheUserLocale) {
  velk::win::ScopedUserLocale locale(DecimalCommaLocale());
  velk::Variant v(1.5);
  ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
  EXPECT_EQ(BstrToWstring(v.bstrVal), L"1,5");
  velk::Variant english(1.5);
  ASSERT_EQ(english.ChangeType(VT_BSTR, LOCALE_ENGLISH_US), S_OK);
  EXPECT_EQ(BstrToWstring(english.bstrVal), L"1.5");
}

TEST(LocaleSource, ScopedLocaleRestores) {
  {
    velk::win::ScopedUserLocale locale(DecimalCommaLocale());
    EXPECT_EQ(velk::win::UserLocale().decimal, L",");
  }
  EXPECT_EQ(velk::win::UserLocale().decimal, L".");
}

}  // namespace
}  // namespace velk::corvane
