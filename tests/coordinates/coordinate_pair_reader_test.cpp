#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "coordinates/coordinate_pair_reader.h"

namespace velk::corvane {
namespace {

TEST(CoordinatePairReader, DmsTakesTheSignFromTheTextAndSecondsBelowSixty) {
  struct Case {
    const wchar_t* text;
    bool ok;
    double value;
  } cases[] = {
      {L"45 30 30", true, 45.0 + 30.0 / 60 + 30.0 / 3600},
      {L"-45 30 0", true, -45.5},
      {L"-0 30 0", true, -0.5},  // the sign of "-0" is kept
      {L"  -0 0 36", true, -0.01},
      {L"+12 0 0", true, 12.0},
      {L"45 30 59.5", true, 45.0 + 30.0 / 60 + 59.5 / 3600},
      {L"45 59 59.999", true, 45.0 + 59.0 / 60 + 59.999 / 3600},
      {L"45 60 0", false, 0.0},
      {L"45 30 60", false, 0.0},
      {L"45 -1 0", false, 0.0},
      {L"45 30 -0.5", false, 0.0},
      {L"45 30", false, 0.0},       // two fields
      {L"45 30.5 0", false, 0.0},   // a fraction of a minute is not read as seconds
      {L"45 30 30 S", false, 0.0},  // a trailing letter is not silently dropped
      {L"45,30,30", false, 0.0},
      {L"abc", false, 0.0},
      {L"", false, 0.0},
      {L"91 0 0", false, 0.0},  // above the range given below
  };
  for (const Case& c : cases) {
    double v = 123.0;
    EXPECT_EQ(ReadDmsText(c.text, -90.0, 90.0, &v), c.ok) << std::wstring(c.text).size();
    EXPECT_NEAR(v, c.value, 1e-12);
  }
}

TEST(CoordinatePairReader, NumbersReadOnlyTheFirst23Characters) {
  double d = 0;
  // 24 characters: the last digit is beyond what the reader sees
  EXPECT_TRUE(ReadDoubleText(L"0.0000000000000000000019", -1, 1, &d));
  EXPECT_EQ(d, 0.000000000000000000001);
  EXPECT_TRUE(ReadDoubleText(L"  12.5xyz", 0, 100, &d));  // reading stops at the text
  EXPECT_EQ(d, 12.5);
  EXPECT_FALSE(ReadDoubleText(L"nan", -1e9, 1e9, &d));
  EXPECT_EQ(d, 0.0);
  EXPECT_FALSE(ReadDoubleText(L"x1", -1e9, 1e9, &d));

  LONG n = 7;
  EXPECT_TRUE(ReadLongText(L"ID 42", 3, 0, 100, &n));
  EXPECT_EQ(n, 42);
  EXPECT_FALSE(ReadLongText(L"ID 420", 3, 0, 100, &n));
  EXPECT_EQ(n, 0);
  EXPECT_FALSE(ReadLongText(L"12", 5, 0, 100, &n));  // offset beyond the text
  EXPECT_FALSE(ReadLongText(L"99999999999", 0, -1000, 1000, &n));
  EXPECT_TRUE(ReadLongText(L"-17", 0, -20, 0, &n));
  EXPECT_EQ(n, -17);
}

TEST(CoordinatePairReader, PairsByNotationStopAtTheFirstRefusedEdit) {
  int gridCalls = 0;
  GridTextReader grid = [&](std::wstring_view text, LONG notation, double* x, double* y) {
    ++gridCalls;
    EXPECT_LE(text.size(), kEditReadLength);
    *x = notation;
    *y = static_cast<double>(text.size());
    return text != L"bad";
  };
  struct Case {
    const wchar_t* x;
    const wchar_t* y;
    LONG notation;
    bool ok;
    int refused;
    double xv, yv;
  } cases[] = {
      {L"300", L"45", 1, true, -1, 300, 45},  // decimal degrees: x up to 360
      {L"300", L"91", 1, false, 1, 300, 0},   // y above 90
      {L"-181", L"91", 1, false, 0, 0, 0},    // x refused first, y not read
      {L"-10 30 0", L"5 0 0", 2, true, -1, -10.5, 5},
      {L"10 60 0", L"5 0 0", 2, false, 0, 0, 0},
      {L"-999999999", L"999999999", 0, true, -1, -999999999, 999999999},
      {L"1000000000", L"0", 0, false, 0, 0, 0},
      {L"18TWL8562811322", L"ignored", 4, true, -1, 4, 15},
      {L"bad", L"", 3, false, 0, 3, 3},
      {L"1", L"1", 5, false, -1, 0, 0},
  };
  for (const Case& c : cases) {
    double x = -1, y = -1;
    const PairReadResult r = ReadCoordinatePairTexts(c.x, c.y, c.notation, grid, &x, &y);
    EXPECT_EQ(r.ok, c.ok) << c.notation;
    EXPECT_EQ(r.refusedEdit, c.refused) << c.notation;
    EXPECT_DOUBLE_EQ(x, c.xv) << c.notation;
    EXPECT_DOUBLE_EQ(y, c.yv) << c.notation;
  }
  EXPECT_EQ(gridCalls, 2);
  double x, y;
  EXPECT_FALSE(ReadCoordinatePairTexts(L"18TWL", L"", 4, nullptr, &x, &y).ok);
}

}  // namespace
}  // namespace velk::corvane
