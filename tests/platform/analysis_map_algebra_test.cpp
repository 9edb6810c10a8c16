// Map algebra expressions cell by cell: the operators and functions against values worked out
// by hand, no-value cells, numbers at full precision, and the texts it refuses.
#include "platform/host/analysis/map_algebra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>

namespace velk::host::analysis {
namespace {

TEST(MapAlgebra, EvaluatesEachCellAsWorkedOutByHand) {
  const double a[] = {1, 5, NAN, -2};
  const double b[] = {2, 5, 3, 4};
  struct Case {
    const wchar_t* text;
    double expected[4];
  };
  const Case cases[] = {
      {L"[a] + [b] * 2", {5, 15, NAN, 6}},
      {L"([a] + [b]) * 2", {6, 20, NAN, 4}},
      {L"-[a] - -1", {0, -4, NAN, 3}},
      {L"[a] / ([b] - 5)", {-1.0 / 3, NAN, NAN, 2}},
      {L"[a] < [b]", {1, 0, NAN, 1}},
      {L"[a] <= [b]", {1, 1, NAN, 1}},
      {L"[a] >= 5", {0, 1, NAN, 0}},
      {L"[a] == [b]", {0, 1, NAN, 0}},
      {L"[a] <> [b]", {1, 0, NAN, 1}},
      {L"setnull([a] < 5 , [a])", {NAN, 5, NAN, NAN}},
      {L"SetNull([a] > 0, [b])", {NAN, NAN, NAN, 4}},
      {L"con([a] > 0, [a], [b])", {1, 5, NAN, 4}},
      {L"isnull([a])", {0, 0, 1, 0}},
      {L"  7  ", {7, 7, 7, 7}},
  };
  for (const auto& c : cases) {
    MapAlgebraExpression e(c.text);
    std::map<std::wstring, const double*> in{{L"a", a}, {L"b", b}};
    const auto out = e.Evaluate(in, 4);
    for (int i = 0; i < 4; ++i) {
      if (std::isnan(c.expected[i]))
        EXPECT_TRUE(std::isnan(out[i])) << c.text << " cell " << i << " gave " << out[i];
      else
        EXPECT_DOUBLE_EQ(out[i], c.expected[i]) << c.text << " cell " << i;
    }
  }
}

TEST(MapAlgebra, NumbersAreReadAtFullPrecisionWhateverTheLocale) {
  // A maximum with more decimals than six: the threshold must keep exactly that cell.
  const double top = 1234.5678915;
  const double cells[] = {top, std::nextafter(top, 0.0), 1000};
  wchar_t text[100];
  std::swprintf(text, 100, L"setnull([in] < %.17g , [in])", top);
  const auto out = MapAlgebraExpression(text).Evaluate({{L"in", cells}}, 3);
  EXPECT_EQ(out[0], top);
  EXPECT_TRUE(std::isnan(out[1]));
  EXPECT_TRUE(std::isnan(out[2]));
  EXPECT_EQ(MapAlgebraExpression(L"1e-3 + 2.5E2").Evaluate({}, 1)[0], 250.001);
}

TEST(MapAlgebra, NamesAreListedOnceInOrderOfUse) {
  MapAlgebraExpression e(L"con([b] > [a], [b], [a] + [c])");
  EXPECT_EQ(e.Names(), (std::vector<std::wstring>{L"b", L"a", L"c"}));
  const double x[] = {1};
  EXPECT_THROW(e.Evaluate({{L"a", x}, {L"b", x}}, 1), std::invalid_argument) << "[c] unbound";
}

TEST(MapAlgebra, RefusesTextsThatAreNoExpression) {
  for (const wchar_t* text : {L"", L"[in", L"[]", L"setnull([in] < 3)", L"frobnicate([in])",
                              L"[in] < ", L"1.2.3", L"([in]", L"[in] ) ", L"[in] # 2"})
    EXPECT_THROW(MapAlgebraExpression e(text), std::invalid_argument) << text;
}

}  // namespace
}  // namespace velk::host::analysis
