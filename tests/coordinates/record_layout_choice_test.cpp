// The record layout read from the conversion dialog's choices, without the dialog: the engine
// format per notation, the fields read, and the field the user is asked for when one is missing.
#include "coordinates/record_layout_choice.h"

#include <gtest/gtest.h>

#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/temp_root.h"

namespace velk::corvane {
namespace {

struct Case {
  const char* what;
  LayoutChoices choices;
  bool ok;
  int format;
  LONG x, y;
  bool twoFields;
  const wchar_t* missing;
};

const Case kCases[] = {
    {"decimal degrees in two fields",
     {kNotationItemDecimalDegrees, false, 2, 3},
     true,
     productline::kFormatPoint,
     2,
     3,
     false,
     L""},
    {"decimal degrees without Y",
     {kNotationItemDecimalDegrees, false, 2, -1},
     false,
     productline::kFormatPoint,
     2,
     -1,
     false,
     L"Y"},
    {"decimal degrees without X",
     {kNotationItemDecimalDegrees, false, -1, 3},
     false,
     productline::kFormatPoint,
     -1,
     3,
     false,
     L"X"},
    {"DMS in one field", {kNotationItemDms, false, 4, -1}, true, productline::kFormatDms, 4, -1, false, L""},
    {"DMS in one field, none chosen",
     {kNotationItemDms, false, -1, 5},
     false,
     productline::kFormatDms,
     -1,
     -1,
     false,
     L"DMS"},
    {"DMS in two fields", {kNotationItemDmsTwoFields, false, 1, 2}, true, productline::kFormatDms, 1, 2, true, L""},
    {"DMS in two fields without longitude",
     {kNotationItemDmsTwoFields, false, 1, -1},
     false,
     productline::kFormatDms,
     1,
     -1,
     true,
     L"Longitude"},
    {"DMS in two fields without latitude",
     {kNotationItemDmsTwoFields, false, -1, 2},
     false,
     productline::kFormatDms,
     -1,
     2,
     true,
     L"Latitude"},
    {"UTM", {kNotationItemUtm, false, 6, 7}, true, productline::kFormatUtm, 6, -1, false, L""},
    {"UTM, none chosen", {kNotationItemUtm, false, -1, -1}, false, productline::kFormatUtm, -1, -1, false, L"UTM"},
    {"MGRS", {kNotationItemMgrs, false, 0, -1}, true, productline::kFormatMgrs, 0, -1, false, L""},
    {"MGRS, none chosen",
     {kNotationItemMgrs, true, -1, -1},
     false,
     productline::kFormatMgrs,
     -1,
     -1,
     false,
     L"MGRS"},
};

TEST(RecordLayoutChoice, FollowsTheNotationAndNamesAMissingField) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    RecordLayout layout;
    std::wstring missing = L"stale";
    EXPECT_EQ(ReadRecordLayout(c.choices, nullptr, layout, missing), c.ok);
    EXPECT_EQ(layout.format, c.format);
    EXPECT_EQ(layout.xIndex, c.x);
    if (c.twoFields || c.format == productline::kFormatPoint) {
      EXPECT_EQ(layout.yIndex, c.y);
    }
    EXPECT_EQ(layout.twoFields, c.twoFields);
    EXPECT_FALSE(layout.shapeField);
    EXPECT_EQ(missing, c.missing);
  }
}

// In shape mode the fields chosen do not count: the point shape is read, with the input's
// spatial reference.
TEST(RecordLayoutChoice, ShapeModeReadsTheInputsShapeField) {
  test::TempRoot root;
  auto ws = test::OpenWorkspace(test::ShapefileFactory().get(), root.path());
  ASSERT_TRUE(ws);
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(test::CreateClass(ws.get(), L"towns",
                              {test::OidField(L"FID"), test::ShapeField(kGeometryPoint, 32618),
                               test::TextField(L"NAME", 16)},
                              fc.put()),
            S_OK);
  auto table = fc.As<ITable>();
  LONG shapeIndex = -1;
  table->FindField(Bstr(L"Shape"), &shapeIndex);
  ASSERT_GE(shapeIndex, 0);

  RecordLayout layout;
  std::wstring missing;
  ASSERT_TRUE(
      ReadRecordLayout({kNotationItemDecimalDegrees, true, 7, 8}, table.get(), layout, missing));
  EXPECT_TRUE(layout.shapeField);
  EXPECT_EQ(layout.format, productline::kFormatPoint);
  EXPECT_EQ(layout.xIndex, shapeIndex);
  ASSERT_TRUE(layout.inputSpatialReference);
  LONG code = 0;
  layout.inputSpatialReference->get_FactoryCode(&code);
  EXPECT_EQ(code, 32618);

  // A table without a shape field gives the user the X field to choose.
  ComPtr<ITable> plain;
  ASSERT_EQ(test::CreateTable(ws.get(), L"plain", {test::OidField(), test::TextField(L"A", 8)},
                              plain.put()),
            S_OK);
  EXPECT_FALSE(
      ReadRecordLayout({kNotationItemDecimalDegrees, true, 1, 1}, plain.get(), layout, missing));
  EXPECT_EQ(missing, L"X");
}

}  // namespace
}  // namespace velk::corvane
