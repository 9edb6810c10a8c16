#include <gtest/gtest.h>

#include <set>

#include "coordinates/datum_table.h"
#include "platform/productline/coordinate_engine.h"

namespace velk::corvane {
namespace {

using productline::CoordinateEngine;

TEST(DatumTable, HoldsTheFixedRows) {
  ASSERT_EQ(DatumTable.size(), 211u);
  for (std::size_t i = 0; i < DatumTable.size(); ++i) {
    EXPECT_EQ(DatumTable[i].id, static_cast<std::int32_t>(201 + i));
    EXPECT_STREQ(DatumTable[i].name, L"");
    EXPECT_GE(DatumTable[i].geographicSystemCode, 4003);
    EXPECT_LE(DatumTable[i].geographicSystemCode, 104305);
  }
  struct Telling {
    std::size_t row;
    double dx, dy, dz;
    std::int32_t code;
  } telling[] = {
      {0, 0, 0, 0, 4326},         {1, 0, 0, 4.5, 4322},   {2, -166, -15, 204, 4201},
      {102, 174, 359, 365, 4404}, {204, 0, 0, 4.5, 4322}, {210, 0, 0, 4.5, 4322},
  };
  for (const Telling& t : telling) {
    const DatumTableRow& r = DatumTable[t.row];
    EXPECT_EQ(r.dx, t.dx) << t.row;
    EXPECT_EQ(r.dy, t.dy) << t.row;
    EXPECT_EQ(r.dz, t.dz) << t.row;
    EXPECT_EQ(r.geographicSystemCode, t.code) << t.row;
  }
  int adindan = 0;
  for (const DatumTableRow& r : DatumTable) adindan += r.geographicSystemCode == 4201;
  EXPECT_EQ(adindan, 7);
  for (std::size_t i = 2; i <= 8; ++i) EXPECT_EQ(DatumTable[i].geographicSystemCode, 4201);
}

// The table and the coordinate engine's list describe the same datums in the same order: a
// datum shifted here for the map and the same datum chosen in the engine's list must agree.
TEST(DatumTable, AgreesRowByRowWithTheEngineList) {
  const auto datums = CoordinateEngine::Datums();
  ASSERT_EQ(datums.size(), 204u);
  for (std::size_t i = 0; i < datums.size(); ++i) {
    EXPECT_EQ(DatumTable[i].dx, datums[i].dx) << i;
    EXPECT_EQ(DatumTable[i].dy, datums[i].dy) << i;
    EXPECT_EQ(DatumTable[i].dz, datums[i].dz) << i;
  }
  for (std::size_t i = datums.size(); i < DatumTable.size(); ++i) {
    EXPECT_EQ(DatumTable[i].dz, 4.5);
    EXPECT_EQ(DatumTable[i].geographicSystemCode, 4322);
    EXPECT_EQ(FindDatumRow(DatumTable[i].geographicSystemCode), std::optional<std::size_t>(1));
  }
}

TEST(DatumTable, LookupTakesTheFirstRowOfACode) {
  EXPECT_EQ(FindDatumRow(4326), std::optional<std::size_t>(0));
  EXPECT_EQ(FindDatumRow(4201), std::optional<std::size_t>(2));
  EXPECT_EQ(FindDatumRow(4404), std::optional<std::size_t>(102));
  EXPECT_EQ(FindDatumRow(104305).has_value(), true);
  EXPECT_EQ(FindDatumRow(4267), std::optional<std::size_t>(107));  // NAD 1927, first of 20
  EXPECT_FALSE(FindDatumRow(3857).has_value());
  EXPECT_FALSE(FindDatumRow(0).has_value());
}

TEST(DatumTable, CachedLookupStartsEmptySoCodeZeroIsUnknown) {
  ResetDatumLookup();
  // A fresh memory must not answer code 0 with row 0 (WGS 84, no shift).
  EXPECT_FALSE(LookUpDatumRow(0).has_value());
  struct Step {
    std::int32_t code;
    std::optional<std::size_t> row;
  } steps[] = {
      {4201, 2},           {4201, 2}, {0, std::nullopt}, {4201, 2},   {4326, 0},
      {999, std::nullopt}, {4326, 0}, {4322, 1},         {4404, 102},
  };
  for (const Step& s : steps) EXPECT_EQ(LookUpDatumRow(s.code), s.row) << s.code;
}

}  // namespace
}  // namespace velk::corvane
