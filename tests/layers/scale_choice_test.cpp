// The order in which the catalog layers try their scales, and the scale they choose.
#include <gtest/gtest.h>

#include <vector>

#include "layers/scale_choice.h"

namespace velk::test {
namespace {

using lumeris::ChooseScale;
using lumeris::ScaleChoiceOptions;
using lumeris::ScaleTrialOrder;
using Scales = std::vector<long>;

TEST(ScaleChoice, TrialOrderOfBothPassOrders) {
  const Scales scales = {50000, 250000, 1000000};
  struct Case {
    const char* what;
    double mapScale;
    bool largerFirst;
    Scales order;
  };
  const Case kCases[] = {
      {"chart layer at 1:250,000", 250000, true, {250000, 1000000, 250000, 50000}},
      {"referenced layer at 1:250,000", 250000, false, {250000, 50000, 250000, 1000000}},
      {"between scales", 300000, true, {1000000, 1000000, 250000, 50000}},
      {"beyond the largest, chart", 5e6, true, {1000000, 1000000, 250000, 50000}},
      {"beyond the largest, referenced", 5e6, false, {1000000, 250000, 50000, 1000000}},
      {"below the smallest", 20000, false, {50000, 50000, 250000, 1000000}},
      // 1.0 is not reduced: the first scale above 1 is the smallest.
      {"scale of exactly 1", 1.0, true, {50000, 250000, 1000000, 50000}},
      // Just above a catalog scale starts past it.
      {"just above a scale", 250001.5, true, {1000000, 1000000, 250000, 50000}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ScaleTrialOrder(scales, c.mapScale, ScaleChoiceOptions{c.largerFirst}), c.order);
  }
  EXPECT_TRUE(ScaleTrialOrder({}, 250000).empty());
}

TEST(ScaleChoice, FirstScaleWithFramesWinsAndTheRestIsNotAsked) {
  const Scales scales = {50000, 250000, 1000000};
  Scales asked;
  auto only50k = [&](long n) {
    asked.push_back(n);
    return n == 50000;
  };
  EXPECT_EQ(ChooseScale(scales, 250000, only50k), 50000);
  EXPECT_EQ(asked, (Scales{250000, 1000000, 250000, 50000}));
  asked.clear();
  EXPECT_EQ(ChooseScale(scales, 250000, only50k, ScaleChoiceOptions{false}), 50000);
  EXPECT_EQ(asked, (Scales{250000, 50000}));
  EXPECT_EQ(ChooseScale(scales, 250000, [](long) { return false; }), std::nullopt);
}

TEST(ScaleChoice, TheGlobeStartsAboveTheWholeGlobeScaleOrAtTheLargest) {
  EXPECT_EQ(lumeris::GlobeInitialScale({50000, 250000}), 250000);
  EXPECT_EQ(lumeris::GlobeInitialScale({50000, 97724160, 100000000, 200000000}), 100000000);
  EXPECT_EQ(lumeris::GlobeInitialScale({97724160}), 97724160);
}

}  // namespace
}  // namespace velk::test
