#include <gtest/gtest.h>

#include "coordinates/fraction_conversions.h"

namespace velk::corvane {
namespace {

struct Case {
  const wchar_t* fraction;
  bool carry;
  const wchar_t* digits;
  const wchar_t* hundredths;
};

TEST(FractionalDegreesToMinutesSeconds, Table) {
  const Case cases[] = {
      {L"", false, L"0000", L"00"},
      {L"5", false, L"3000", L"00"},
      {L"25", false, L"1500", L"00"},
      {L"11", false, L"0636", L"00"},       // 6.6 minutes: 6' 36"
      {L"123456", false, L"0724", L"44"},   // 444.4416" -> 7' 24.44"
      {L"0000125", false, L"0000", L"05"},  // 0.045" rounds half up
      {L"0000124", false, L"0000", L"04"},
      {L"9999986", false, L"5959", L"99"},  // 3599.99496"
      {L"999999", true, L"0000", L"00"},    // 3599.9964" -> a whole degree
      {L"99999999999999999999999", true, L"0000", L"00"},
  };
  for (const auto& c : cases) {
    SexagesimalParts p = FractionalDegreesToMinutesSeconds(c.fraction);
    EXPECT_EQ(p.carry, c.carry) << c.fraction;
    EXPECT_EQ(p.digits, c.digits) << c.fraction;
    EXPECT_EQ(p.fraction, c.hundredths) << c.fraction;
  }
}

TEST(FractionalMinutesToSeconds, Table) {
  const Case cases[] = {
      {L"", false, L"00", L"00"},      {L"0", false, L"00", L"00"},
      {L"5", false, L"30", L"00"},     {L"0001", false, L"00", L"01"},  // 0.006" -> 0.01"
      {L"9999", false, L"59", L"99"},                                   // 59.994"
      {L"99999", true, L"00", L"00"},  // 59.9994" -> a whole minute, never "100" hundredths
      {L"99991", false, L"59", L"99"},
  };
  for (const auto& c : cases) {
    SexagesimalParts p = FractionalMinutesToSeconds(c.fraction);
    EXPECT_EQ(p.carry, c.carry) << c.fraction;
    EXPECT_EQ(p.digits, c.digits) << c.fraction;
    EXPECT_EQ(p.fraction, c.hundredths) << c.fraction;
  }
}

TEST(RoundScaledFraction, ExactOnHalves) {
  EXPECT_EQ(RoundScaledFraction(L"5", 1), 1u);
  EXPECT_EQ(RoundScaledFraction(L"4999999999999999999", 1), 0u);  // only 18 digits are read
  EXPECT_EQ(RoundScaledFraction(L"125", 100), 13u);
  EXPECT_EQ(RoundScaledFraction(L"", 360000), 0u);
}

}  // namespace
}  // namespace velk::corvane
