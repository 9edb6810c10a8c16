#include <gtest/gtest.h>

#include "framework/numeric_helpers.h"

namespace velk::corvane {
namespace {

TEST(RoundToDecimals, HalfAwayFromZero) {
  struct Case {
    double value;
    int n;
    double rounded;
  };
  const Case cases[] = {
      {1.25, 1, 1.3},  {-1.25, 1, -1.3}, {0.04, 1, 0.0}, {0.05, 1, 0.1}, {-0.05, 1, -0.1},
      {2.5, 0, 3.0},   {-2.5, 0, -3.0},  {0.0, 3, 0.0},  {0.0, 0, 0.0},  {12.3456789, 6, 12.345679},
      {1e15, 2, 1e15},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(RoundToDecimals(c.value, c.n), c.rounded) << c.value << " n=" << c.n;
    float f = static_cast<float>(c.value);
    EXPECT_FLOAT_EQ(RoundFloatToDecimals(f, c.n), static_cast<float>(c.rounded)) << c.value;
    EXPECT_FLOAT_EQ(f, static_cast<float>(c.rounded));  // stored back
  }
}

TEST(RoundToSignificantDigits, Table) {
  EXPECT_FLOAT_EQ(RoundToSignificantDigits(1234.5f, 2), 1200.0f);
  EXPECT_FLOAT_EQ(RoundToSignificantDigits(-0.012345f, 3), -0.0123f);
  EXPECT_FLOAT_EQ(RoundToSignificantDigits(987.0f, 1), 1000.0f);
  EXPECT_FLOAT_EQ(RoundToSignificantDigits(5.5f, 0), 5.5f);  // digits < 1: unchanged
  EXPECT_FLOAT_EQ(RoundToSignificantDigits(0.0f, 3), 0.0f);
}

TEST(NearlyEqual, Threshold) {
  EXPECT_TRUE(NearlyEqual(1.0f, 1.0f));
  EXPECT_TRUE(NearlyEqual(0.0f, 1e-21f));
  EXPECT_FALSE(NearlyEqual(0.0f, 1e-19f));
  EXPECT_FALSE(NearlyEqual(1.0f, 1.0001f));
}

TEST(PositiveModulo, IntoRange) {
  const std::pair<int, int> cases[] = {{-360, 0},  {-30, 330}, {370, 10},  {0, 0},
                                       {359, 359}, {720, 0},   {-721, 359}};
  for (auto [in, out] : cases) {
    EXPECT_EQ(PositiveModulo(360, in), out) << in;
    int angle = in;
    EXPECT_EQ(NormalizeDegrees(angle), out);
    EXPECT_EQ(angle, out);
    EXPECT_FLOAT_EQ(WrapToRange(360.0f, static_cast<float>(in)), static_cast<float>(out)) << in;
  }
  EXPECT_EQ(PositiveModulo(360, INT32_MIN), 232);
  EXPECT_EQ(PositiveModulo(0, 5), 0);  // no modulus: no division by zero
  float tiny = WrapToRange(360.0f, -1e-8f);
  EXPECT_GE(tiny, 0.0f);
  EXPECT_LT(tiny, 360.0f);
  EXPECT_FLOAT_EQ(WrapToRange(2.5f, 7.0f), 2.0f);
}

}  // namespace
}  // namespace velk::corvane
