// The convert-coordinates dialog as the user works it, through session scripts played
// in-process: the input controls and notations, the output names and OK, whole field names,
// a map layer's selection, and the overwrite question.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_runner.h"
#include "coordinates/convert_coords.h"
#include "interfaces/corvane_ids.h"
#include "platform/com/text.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/dialog.h"
#include "platform/win/message_queue.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::corvane {
namespace {

constexpr const wchar_t* kProgId = L"velkTarvosUI.ConvertCoords";

class ConvertDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ResetClock();
    cookie_ = RegisterProcessClass(ids::CLSID_ConvertCoords, &CreateConvertCoords);
    reg::WriteString(reg::Hive::ClassesRoot, std::wstring(kProgId) + L"\\CLSID", L"",
                     GuidToString(ids::CLSID_ConvertCoords));
    MakeData();
  }
  void TearDown() override {
    RevokeProcessClass(cookie_);
    win::ResetWindows();
  }

  // points.shp: a city and the two poles (WGS 84); lines.shp: one line; sites.dbf: two rows of
  // decimal degrees; db.gpkg: the same rows in a database table.
  void MakeData() {
    ComPtr<IWorkspace> ws = test::OpenWorkspace(test::ShapefileFactory().get(), dir.path());
    ComPtr<IFeatureClass> points;
    Check(test::CreateClass(ws.get(), L"points",
                            {test::OidField(), test::ShapeField(kGeometryPoint, 4326),
                             test::TextField(L"NAME", 20), test::TextField(L"KIND", 10),
                             test::DoubleField(L"LAT", 18, 8), test::DoubleField(L"LON", 18, 8)},
                            points.put()));
    struct P {
      const wchar_t* name;
      const wchar_t* kind;
      double lat, lon;
    };
    for (const P& p : {P{L"New York", L"city", 40.75, -74.0}, P{L"North Pole", L"pole", 90, 0},
                       P{L"South Pole", L"pole", -90, 0}}) {
      ComPtr<IFeature> f;
      Check(points->CreateFeature(f.put()));
      Check(
          f->putref_Shape(host::NewPoint(p.lon, p.lat, test::SpatialReference(4326).get()).get()));
      Check(f->put_Value(2, Variant(p.name)));
      Check(f->put_Value(3, Variant(p.kind)));
      Check(f->put_Value(4, Variant(p.lat)));
      Check(f->put_Value(5, Variant(p.lon)));
      Check(f->Store());
    }
    ComPtr<IFeatureClass> lines;
    Check(test::CreateClass(ws.get(), L"lines",
                            {test::OidField(), test::ShapeField(kGeometryPolyline, 4326)},
                            lines.put()));
    auto makeSites = [](IWorkspace* w) {
      ComPtr<ITable> sites;
      Check(test::CreateTable(w, L"sites",
                              {test::OidField(), test::TextField(L"NAME", 20),
                               test::DoubleField(L"LAT", 18, 8), test::DoubleField(L"LON", 18, 8)},
                              sites.put()));
      for (int i = 0; i < 2; ++i) {
        ComPtr<IRow> row;
        Check(sites->CreateRow(row.put()));
        Check(row->put_Value(1, Variant(i ? L"Bergen" : L"Quito")));
        Check(row->put_Value(2, Variant(i ? 60.3913 : -0.1807)));
        Check(row->put_Value(3, Variant(i ? 5.3221 : -78.4678)));
        Check(row->Store());
      }
    };
    makeSites(ws.get());
    ComPtr<IWorkspace> db;
    Check(test::DatabaseFactory()->Create(Bstr(dir.wpath()), Bstr(L"db.gpkg"), nullptr, nullptr,
                                          db.put()));
    makeSites(db.get());
  }

  // Plays the script; {dir} stands for the data folder.
  int Run(std::string script) {
    for (std::size_t at = script.find("{dir}"); at != std::string::npos; at = script.find("{dir}"))
      script.replace(at, 5, dir.path());
    std::istringstream in(script);
    std::ostringstream o, e;
    int status = trevik::RunSessionScript(in, "convert.session", o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  bool Has(const std::string& what) const { return out.find(what) != std::string::npos; }

  std::vector<std::wstring> FieldNames(const std::string& path) {
    std::string info = test::ToolOutput("ogrinfo -so -al " + test::ShellQuote(path));
    std::vector<std::wstring> names;
    std::istringstream lines(info);
    for (std::string line; std::getline(lines, line);) {
      auto colon = line.find(": ");
      if (colon != std::string::npos && line.find('(') != std::string::npos &&
          (line.find("String") != std::string::npos || line.find("Real") != std::string::npos))
        names.push_back(FromUtf8(line.substr(0, colon)));
    }
    return names;
  }

  test::TempRoot root_;
  test::ScratchDir dir;
  DWORD cookie_ = 0;
  std::string out, err;
};

const char* kStart = "host map\nextension Tarvos on\n";

TEST_F(ConvertDialogTest, InputKindDecidesTheShapeFieldAndTheNotationDecidesTheFieldPickers) {
  ASSERT_EQ(Run(std::string(kStart) + R"S(add-features {dir}/lines.shp
click velkTarvosUI.ConvertCoords
print 3560
press 3023
file {dir}/lines.shp
print 3524
press 3023
file {dir}/points.shp
print 3524
pick 3544 UTM
print 3547
print 3548
pick 3544 "Degrees Minutes Seconds (Two fields)"
print 3582
pick 3544 "Decimal Degrees"
print 3547
check 3524
print 3544
print 3547
press Cancel
)S"),
            0)
      << err << out;
  // A map without point layers offers no map input.
  EXPECT_TRUE(Has("3560 radio \"Get input from map\" disabled")) << out;
  // Lines cannot give points; points can.
  EXPECT_TRUE(Has("3524 check \"Get coordinates from shape field\" unchecked disabled")) << out;
  EXPECT_TRUE(Has("3524 check \"Get coordinates from shape field\" unchecked\n")) << out;
  // Text notations list text fields in one picker; decimal degrees also numbers, in two.
  EXPECT_TRUE(Has("3547 combo \"NAME\" items [\"NAME\", \"KIND\"] selected 0")) << out;
  EXPECT_TRUE(
      Has("3548 combo \"NAME\" items [\"NAME\", \"KIND\", \"LAT\", \"LON\"] selected 0 hidden"))
      << out;
  EXPECT_TRUE(Has("3582 label \"Longitude:\"")) << out;
  EXPECT_TRUE(Has("3547 combo \"NAME\" items [\"NAME\", \"KIND\", \"LAT\", \"LON\"] selected 0\n"))
      << out;
  // The shape field forces decimal degrees and takes the pickers away.
  EXPECT_TRUE(Has("3544 combo \"Decimal Degrees\"")) << out;
  EXPECT_TRUE(
      Has("3547 combo \"NAME\" items [\"NAME\", \"KIND\", \"LAT\", \"LON\"] selected 0 disabled"))
      << out;
}

TEST_F(ConvertDialogTest, OutputNamesAreCheckedBeforeOKAndAtOK) {
  ASSERT_EQ(Run(std::string(kStart) + R"S(click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.dbf
print 1
check 3514
set 3676 LONDMS
set 3074 ""
print 1
press OK
expect dialogs 1
set 3074 LATDMS
check 3527
set 3109 MUCH_TOO_LONG
print 3109
print 1
set 3109 LATDMS
press OK
expect dialogs 1
expect error
press Cancel
)S"),
            0)
      << err << out;
  EXPECT_TRUE(Has("  1 button \"OK\" default disabled\n")) << out;  // no output kind yet
  // Field 1 empty but field 2 valid: OK can be pressed, and then asks for field 1.
  EXPECT_TRUE(Has("  1 button \"OK\" default\n")) << out;
  EXPECT_TRUE(Has("message box \"Error\": \"Please specify DMS field\" (exclamation, OK)")) << out;
  // A name the checker would change for the table's workspace shows red and keeps OK off.
  EXPECT_TRUE(Has("3109 edit \"MUCH_TOO_LONG\" color")) << out;
  EXPECT_TRUE(Has("message box \"Error\": \"One or more output field names repeated\"")) << out;
  // Nothing was added to the input on the way.
  EXPECT_EQ(FieldNames(dir / "sites.dbf"), (std::vector<std::wstring>{L"NAME", L"LAT", L"LON"}));
}

// A database takes field names longer than 32 characters; the whole name is used.
TEST_F(ConvertDialogTest, LongFieldNamesAreUsedWhole) {
  const std::string longName = "MGRS_REFERENCE_OF_THE_SITE_FOR_THE_MAPS";  // 39 characters
  ASSERT_EQ(Run(std::string(kStart) +
                "click velkTarvosUI.ConvertCoords\npress 3023\nfile {dir}/db.gpkg/sites\n"
                "pick 3547 LON\npick 3548 LAT\ncheck 3519\nset 3089 " +
                longName + "\nprint 3089\npress OK\n"),
            0)
      << err << out;
  EXPECT_TRUE(Has("\"2 of 2 record(s) converted successfully\"")) << out;
  std::vector<std::wstring> names = FieldNames(dir / "db.gpkg");
  EXPECT_EQ(names.back(), FromUtf8(longName)) << out;
}

TEST_F(ConvertDialogTest, OnlyTheSelectedFeaturesOfAMapLayerAreConverted) {
  ASSERT_EQ(Run(std::string(kStart) + R"S(add-features {dir}/points.shp places
select places "KIND = 'pole'"
click velkTarvosUI.ConvertCoords
check 3560
check 3756
check 3524
check 3526
press OK
select places "KIND = 'none'"
click velkTarvosUI.ConvertCoords
check 3560
check 3756
check 3524
check 3519
press OK
)S"),
            0)
      << err << out;
  EXPECT_TRUE(Has("\"2 of 2 record(s) converted successfully\" (no icon, OK)")) << out;
  // An empty selection converted nothing and failed nothing: no warning.
  EXPECT_TRUE(Has("\"0 of 0 record(s) converted successfully\" (no icon, OK)")) << out;
  std::string info = test::ToolOutput("ogrinfo -q -al " + test::ShellQuote(dir / "points.shp"));
  EXPECT_NE(info.find("UTM (String) = 2000000 2000000 Z"), std::string::npos) << info;
  EXPECT_NE(info.find("UTM (String) = 2000000 2000000 B"), std::string::npos) << info;
  EXPECT_NE(info.find("UTM (String) = (null)"), std::string::npos)
      << info;  // New York was not selected
}

// Saving over the input itself: No changes nothing; Yes replaces it by the finished copy with
// every row and value and the new field.
TEST_F(ConvertDialogTest, OverwritingAsksAndReplacesOnlyWithTheFinishedCopy) {
  ASSERT_EQ(Run(std::string(kStart) + R"S(click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.dbf
pick 3547 LON
pick 3548 LAT
check 3519
check 3720
press 3032
file {dir}/sites.dbf
press OK
answer No
expect dialogs 1
press OK
answer Yes
)S"),
            0)
      << err << out;
  EXPECT_TRUE(Has("\"Data with the same name exists. Overwrite?\" (question, Yes/No) -> No"))
      << out;
  EXPECT_TRUE(Has("\"2 of 2 record(s) converted successfully\"")) << out;
  std::string info = test::ToolOutput("ogrinfo -q -al " + test::ShellQuote(dir / "sites.dbf"));
  EXPECT_NE(info.find("NAME (String) = Quito"), std::string::npos) << info;
  EXPECT_NE(info.find("NAME (String) = Bergen"), std::string::npos) << info;
  EXPECT_NE(info.find("MGRS (String) = 32V KN 9735300648"), std::string::npos) << info;
  for (const auto& f : test::FilesIn(dir.path()))
    EXPECT_EQ(f.find("partial"), std::string::npos) << f;
}

// `held FILE`: whether anything of the process besides this line holds the file's table open
// (the workspace hands out the one open object of a dataset while something holds it).
void Held(trevik::SessionContext& s, const trevik::SessionLine& l) {
  const std::filesystem::path file(ToUtf8(l.Arg(0, L"a shapefile or dBASE file")));
  ComPtr<IWorkspace> ws =
      test::OpenWorkspace(test::ShapefileFactory().get(), file.parent_path().string());
  ComPtr<ITable> table;
  Check(ws.As<IFeatureWorkspace>()->OpenTable(Bstr(FromUtf8(file.stem().string())), table.put()));
  table->AddRef();
  const ULONG references = table->Release();  // this line's own one included
  s.Print(L"  " + FromUtf8(file.filename().string()) + (references > 1 ? L" held" : L" free"));
}
const trevik::SessionActions kHeldAction({{"held", &Held}});

// The dialog holds the input the user chose and lets it go once another is chosen; a closed
// dialog keeps its last input until it opens again.
TEST_F(ConvertDialogTest, TheDialogLetsGoOfAnInputWhenAnotherIsChosenOrItOpensAgain) {
  ASSERT_EQ(Run(std::string(kStart) + R"S(held {dir}/sites.dbf
click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.dbf
held {dir}/sites.dbf
press 3023
file {dir}/points.shp
held {dir}/sites.dbf
held {dir}/points.shp
press Cancel
held {dir}/points.shp
click velkTarvosUI.ConvertCoords
held {dir}/points.shp
press Cancel
)S"),
            0)
      << err << out;
  std::vector<std::string> seen;
  for (std::size_t at = out.find("> held "); at != std::string::npos;
       at = out.find("> held ", at + 1)) {
    const std::size_t line = out.find('\n', at) + 1;
    seen.push_back(out.substr(line, out.find('\n', line) - line));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"  sites.dbf free", "  sites.dbf held",
                                            "  sites.dbf free", "  points.shp held",
                                            "  points.shp held", "  points.shp free"}))
      << out;
}

}  // namespace
}  // namespace velk::corvane
