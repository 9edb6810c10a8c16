// MGRS references: the parser's table of cases, and agreement with a reference geodetic
// converter's output and with GeographicLib's reading of the same references.
#include <gtest/gtest.h>

#include <GeographicLib/MGRS.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/text.h"
#include "tests/coordinates/coordinate_test_support.h"
#include "tests/fixtures/requirement.h"

namespace velk::corvane {
namespace {

using testing::MgrsParser;
using testing::ParseCase;
using testing::RunParseCases;

const wchar_t kTemplate[] = L"00I II 0000000000";

TEST(MGRSParser, Table) {
  const ParseCase cases[] = {
      {L"18TWL8562811322", L"18T WL 8562811322", true},
      {L" 18T WL8562811322 ", L"18T WL 8562811322", true},
      {L"18twl8562811322", L"18T WL 8562811322", true},
      // shorter references: each half padded to five digits (south-west corner of the cell)
      {L"18TWL85621132", L"18T WL 8562011320", true},
      {L"18TWL856113", L"18T WL 8560011300", true},
      {L"18TWL8511", L"18T WL 8500011000", true},
      {L"18TWL81", L"18T WL 8000010000", true},
      // polar references have no zone
      {L"ZAB3114105767", L"Z AB 3114105767", true},
      {L"bax52041930", L"B AX 5204019300", true},
      // refusals
      {L"", kTemplate, false},
      {L"18TWL856211320", kTemplate, false},  // odd count: no easting/northing split
      {L"18TWL8", kTemplate, false},
      {L"18TWL", kTemplate, false},
      {L"18t wl 8562 1132", kTemplate, false},  // white space inside the digits
      {L"TWL 856 113", kTemplate, false},
      {L"18IWL123456", kTemplate, false},  // I is not a band letter
      {L"18TWO123456", kTemplate, false},  // O is not a square letter
      {L"18TWL856281132212", kTemplate, false},
  };
  MgrsParser p;
  RunParseCases(p, cases);
}

TEST(MGRSValidator, Groups) {
  MGRSValidator v;
  ASSERT_TRUE(v.Validate(L"18TWL8562811322"));
  EXPECT_EQ(v.SubMatches(),
            (std::vector<std::wstring>{L"18TWL8562811322", L"18", L"T", L"WL", L"8562811322"}));
  ASSERT_TRUE(v.Validate(L"ZAB31"));
  EXPECT_EQ(v.SubMatches()[1], L"");
  EXPECT_FALSE(v.Validate(L"18twl85621132"));  // letters are matched as upper case only
}

TEST(MGRSFormatter, RefusesDigitsThatDoNotSplit) {
  MGRSFormatter f;
  std::wstring out = L"before";
  EXPECT_FALSE(f.Format(out, {L"", L"18", L"T", L"WL", L"123"}));
  EXPECT_FALSE(f.Format(out, {L"", L"18", L"T", L"WL", L""}));
  EXPECT_FALSE(f.Format(out, {}));
  EXPECT_EQ(out, L"before");
  ASSERT_TRUE(f.Format(out, {L"", L"18", L"T", L"WL", L"1234"}));
  EXPECT_EQ(f.Digits(), L"1200034000");
}

std::wstring WithoutSpaces(std::wstring s) {
  std::erase(s, L' ');
  return s;
}

// The MGRS texts of the reference converter's output column (tab-separated, 14th field).
std::vector<std::string> ReferenceMgrs() {
  std::ifstream in(std::string(VELK_SHARED_DATA) + "/mgrs/geoToMgrs_WE.txt");
  std::vector<std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) fields.push_back(field);
    if (fields.size() > 13 && fields[4] == "MGRS" && !fields[13].empty()) out.push_back(fields[13]);
  }
  return out;
}

struct Decoded {
  int zone;
  bool northp;
  double x, y;
};

Decoded Decode(const std::string& mgrs) {
  Decoded d{};
  int prec = 0;
  GeographicLib::MGRS::Reverse(mgrs, d.zone, d.northp, d.x, d.y, prec, /*centerp=*/false);
  return d;
}

TEST(MGRSParser, ReferenceConverterOutputParsesToItself) {
  std::vector<std::string> refs = ReferenceMgrs();
  VELK_REQUIRE(!refs.empty(), "the reference converter's MGRS table is missing under "
                                  << VELK_SHARED_DATA << "/mgrs");
  ASSERT_GT(refs.size(), 16000u) << "reference table missing under " << VELK_SHARED_DATA;
  MgrsParser p;
  std::size_t failures = 0;
  for (const auto& ref : refs) {
    bool valid = false;
    std::wstring shown = p.Parse(FromUtf8(ref), valid);
    if (!valid || ToUtf8(WithoutSpaces(shown)) != ref) {
      if (++failures <= 10) ADD_FAILURE() << ref << " -> " << ToUtf8(shown);
    }
  }
  EXPECT_EQ(failures, 0u);
}

// References cut to fewer digits name larger cells; the canonical text must name the same
// cell corner as GeographicLib reads from the cut reference.
TEST(MGRSParser, ShortReferencesAgreeWithGeographicLib) {
  std::vector<std::string> refs = ReferenceMgrs();
  VELK_REQUIRE(!refs.empty(), "the reference converter's MGRS table is missing under "
                                  << VELK_SHARED_DATA << "/mgrs");
  MgrsParser p;
  std::size_t failures = 0, checked = 0;
  for (std::size_t i = 0; i < refs.size(); i += 7) {
    const std::string& ref = refs[i];
    std::size_t digitsAt = ref.size() - 10;
    for (std::size_t keep = 1; keep <= 4; ++keep) {
      std::string cut =
          ref.substr(0, digitsAt) + ref.substr(digitsAt, keep) + ref.substr(digitsAt + 5, keep);
      bool valid = false;
      std::string shown = ToUtf8(WithoutSpaces(p.Parse(FromUtf8(cut), valid)));
      Decoded want = Decode(cut);
      Decoded got = valid ? Decode(shown) : Decoded{-1, false, 0, 0};
      ++checked;
      if (got.zone != want.zone || got.northp != want.northp || got.x != want.x ||
          got.y != want.y) {
        if (++failures <= 10) ADD_FAILURE() << cut << " -> " << shown;
      }
    }
  }
  EXPECT_GT(checked, 9000u);
  EXPECT_EQ(failures, 0u);
}

}  // namespace
}  // namespace velk::corvane
