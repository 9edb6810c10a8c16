// The host program converts the coordinates of a table as a user would: a session script run
// by trevik, with the results read back by GDAL's ogrinfo.
#include <gtest/gtest.h>

#include <ogrsf_frmts.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/host/data/gdal_drivers.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

struct Site {
  const char* name;
  bool empty;  // no coordinates
  double lat, lon;
};
// Ten places, three of them without coordinates.
const Site kSites[] = {
    {"London", false, 51.5074, -0.1278}, {"Unknown 1", true, 0, 0},
    {"Quito", false, -0.1807, -78.4678}, {"Bergen", false, 60.3913, 5.3221},
    {"Unknown 2", true, 0, 0},           {"McMurdo", false, -77.8463, 166.6682},
    {"Alert", false, 82.5018, -62.3481}, {"Suva", false, -18.1248, 178.4501},
    {"Unknown 3", true, 0, 0},           {"North Pole", false, 90.0, 0.0},
};

// A point shapefile (shapes and LAT/LON fields) or a dBASE table (LAT/LON fields only) of the
// sites; the empty ones (every one when none has coordinates) have no shape and null fields.
void WriteSites(const std::string& path, bool shapes, bool noneHasCoordinates = false) {
  velk::host::EnsureGdalDrivers();
  GDALDriver* driver = velk::host::DriverForExtension("shp", velk::host::DataKind::kVector, true);
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  OGRLayer* layer =
      ds->CreateLayer("sites", shapes ? &wgs84 : nullptr, shapes ? wkbPoint : wkbNone, nullptr);
  OGRFieldDefn name("NAME", OFTString);
  name.SetWidth(20);
  ASSERT_EQ(layer->CreateField(&name), OGRERR_NONE);
  for (const char* f : {"LAT", "LON"}) {
    OGRFieldDefn d(f, OFTReal);
    d.SetWidth(14);
    d.SetPrecision(7);
    ASSERT_EQ(layer->CreateField(&d), OGRERR_NONE);
  }
  for (const Site& s : kSites) {
    OGRFeature f(layer->GetLayerDefn());
    f.SetField("NAME", s.name);
    if (!s.empty && !noneHasCoordinates) {
      f.SetField("LAT", s.lat);
      f.SetField("LON", s.lon);
      if (shapes) {
        OGRPoint p(s.lon, s.lat);
        f.SetGeometry(&p);
      }
    }
    ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  GDALClose(ds);
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// ogrinfo's feature count of a dataset.
int FeatureCount(const std::string& path) {
  std::smatch m;
  std::string info = ToolOutput("ogrinfo -so -al " + ShellQuote(path));
  return std::regex_search(info, m, std::regex("Feature Count: (\\d+)")) ? std::stoi(m[1]) : -1;
}

const char* kAllFields = "check 3527\ncheck 3514\ncheck 3526\ncheck 3519\n";

TEST(ConvertSession, PointsWithThreeEmptyShapesGoToANewShapefileAndIntoTheInput) {
  TempRoot root;
  ScratchDir dir;
  std::filesystem::create_directories(dir / "out");
  WriteSites(dir / "sites.shp", true);
  CommandResult r = RunSession(root, dir.path(), "convert.session", std::string(R"S(host map
register {lib}
extension Tarvos on
click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.shp
check 3524
)S") + kAllFields + R"S(check 3720
press 3032
file {dir}/out/converted.shp
press OK
print layers
click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.shp
check 3524
)S" + kAllFields + "press OK\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(Count(r.out, "\"7 of 10 record(s) converted successfully\""), 2) << r.out;
  EXPECT_NE(r.out.find("1. \"converted\""), std::string::npos)
      << r.out;  // the new shapefile is on the map

  // The new shapefile: the seven converted places with every field.
  ASSERT_EQ(FeatureCount(dir / "out/converted.shp"), 7);
  std::string converted = ToolOutput("ogrinfo -q -al " + ShellQuote(dir / "out/converted.shp"));
  EXPECT_EQ(Count(converted, "MGRS (String) = "), 7);
  EXPECT_NE(converted.find("NAME (String) = Bergen"), std::string::npos);
  EXPECT_NE(converted.find("MGRS (String) = 32V KN 9735300648"), std::string::npos) << converted;
  EXPECT_NE(converted.find("UTM (String) = 2000000 2000000 Z"), std::string::npos) << converted;
  EXPECT_NE(converted.find("DMS (String) = 900000.00N 0000000.00E"), std::string::npos)
      << converted;
  EXPECT_EQ(converted.find("Unknown"), std::string::npos);
  EXPECT_NE(converted.find("POINT (5.3221 60.3913)"), std::string::npos);

  // In place: the input keeps its ten rows and values and gains the fields, empty where it
  // had no coordinates.
  ASSERT_EQ(FeatureCount(dir / "sites.shp"), 10);
  std::string input = ToolOutput("ogrinfo -q -al " + ShellQuote(dir / "sites.shp"));
  EXPECT_EQ(Count(input, "NAME (String) = "), 10);
  EXPECT_EQ(Count(input, "MGRS (String) = (null)"), 3) << input;
  EXPECT_EQ(Count(input, "X (Real) = (null)"), 3) << input;
  EXPECT_NE(input.find("MGRS (String) = 32V KN 9735300648"), std::string::npos) << input;
  EXPECT_NE(input.find("LAT (Real) = 60.3913000"), std::string::npos) << input;
}

// The sites table's LON and LAT fields converted to MGRS into a new file, up to its name.
const std::string kSitesTableToANewFile = R"S(host map
register {lib}
extension Tarvos on
click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.dbf
pick 3547 LON
pick 3548 LAT
check 3519
check 3720
press 3032
)S";

// A run that converted none of its records failed: the session exits 1 with the closing
// message on stderr, as after an error box; a script that means it says `expect error`.
TEST(ConvertSession, ASessionThatConvertedNothingFails) {
  TempRoot root;
  ScratchDir dir;
  WriteSites(dir / "sites.dbf", false, true);
  const std::string run = kSitesTableToANewFile;
  CommandResult r =
      RunSession(root, dir.path(), "convert.session", run + "file {dir}/a.dbf\npress OK\n");
  EXPECT_EQ(r.status, 1) << r.err << r.out;
  // The closing text as always, in a warning box.
  EXPECT_NE(r.out.find("\"0 of 10 record(s) converted successfully\" (exclamation, OK)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("0 of 10 record(s) converted successfully"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the session ended in an error"), std::string::npos) << r.err;

  r = RunSession(root, dir.path(), "convert.session",
                 run + "file {dir}/b.dbf\npress OK\nexpect error \"0 of 10\"\n");
  EXPECT_EQ(r.status, 0) << r.err << r.out;
}

TEST(ConvertSession, DecimalDegreeFieldsOfATableGoToANewTable) {
  TempRoot root;
  ScratchDir dir;
  WriteSites(dir / "sites.dbf", false);
  CommandResult r = RunSession(root, dir.path(), "convert.session",
                               kSitesTableToANewFile + "file {dir}/converted.dbf\npress OK\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  // Some records converted: the closing box carries no warning.
  EXPECT_NE(r.out.find("\"7 of 10 record(s) converted successfully\" (no icon, OK)"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(FeatureCount(dir / "converted.dbf"), 7);
  EXPECT_EQ(FeatureCount(dir / "sites.dbf"), 10);
  std::string input = ToolOutput("ogrinfo -so -al " + ShellQuote(dir / "sites.dbf"));
  EXPECT_EQ(input.find("MGRS"), std::string::npos)
      << input;  // a new file leaves the input as it was
}

// A new output goes onto the map, a feature class as a layer and a table as a standalone table
// of the map, unless the user's host preference keeps results off the map; the preference is
// the host's and outlives the session.
TEST(ConvertSession, TheAddResultsPreferenceDecidesWhetherTheOutputGoesOnTheMap) {
  struct Case {
    const char* preference;  // the add-results line, or none
    bool table;              // a dBASE table instead of a point shapefile
    const char* expected;    // what print layers shows after the run
  };
  const Case cases[] = {
      {"", false, "> print layers\n  1. \"converted\"\n>"},
      {"add-results on\n", true, "> print layers\n  no layers\n  table \"converted\"\n>"},
      {"add-results off\n", false, "> print layers\n  no layers\n>"},
      {"add-results off\n", true, "> print layers\n  no layers\n>"},
  };
  for (const Case& c : cases) {
    TempRoot root;
    ScratchDir dir;
    WriteSites(dir / (c.table ? "sites.dbf" : "sites.shp"), !c.table);
    std::string input = c.table ? "file {dir}/sites.dbf\npick 3547 LON\npick 3548 LAT\n"
                                : "file {dir}/sites.shp\ncheck 3524\n";
    std::string output = c.table ? "converted.dbf" : "converted.shp";
    CommandResult r = RunSession(root, dir.path(), "convert.session",
                                 std::string("host map\nregister {lib}\n") + c.preference +
                                     "click velkTarvosUI.ConvertCoords\npress 3023\n" + input +
                                     "check 3519\ncheck 3720\npress 3032\nfile {dir}/" + output +
                                     "\npress OK\nprint layers\nprint status\n");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.preference << c.table << "\n"
                                                         << r.out;
    EXPECT_EQ(FeatureCount(dir / output), 7) << "the output is written either way";
  }

  // The preference stays with the host: a later session keeps results off the map.
  TempRoot root;
  ScratchDir dir;
  WriteSites(dir / "sites.shp", true);
  ASSERT_EQ(RunSession(root, dir.path(), "convert.session", "host map\nadd-results off\n").status,
            0);
  CommandResult r = RunSession(root, dir.path(), "convert.session", R"S(host map
register {lib}
click velkTarvosUI.ConvertCoords
press 3023
file {dir}/sites.shp
check 3524
check 3519
check 3720
press 3032
file {dir}/converted.shp
press OK
print layers
)S");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("> print layers\n  no layers\n"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace velk::test
