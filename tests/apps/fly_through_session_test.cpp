// The fly-through as a user runs it in the globe host with the real library: a line layer, a
// linear line-of-sight result, an observer layer, a path picked on the globe and an observer
// point typed in; the tracks' names and keyframes against values worked out by hand, the
// refusals of bad input, and the CSV and KML of a track read back (the KML by GDAL's ogrinfo).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <limits>

#include <ogrsf_frmts.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/display/globe_display.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

struct Feature {
  std::vector<std::pair<double, double>> points;
  std::vector<std::pair<std::string, double>> values;
};

// A shapefile on WGS 84 of points (one point per feature) or lines, with real fields.
void WriteShapefile(const std::string& path, bool lines, const std::vector<std::string>& fields,
                    const std::vector<Feature>& features) {
  GDALAllRegister();
  auto* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  ASSERT_NE(driver, nullptr);
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = ds->CreateLayer("f", &wgs84, lines ? wkbLineString : wkbPoint, nullptr);
  for (const auto& name : fields) {
    OGRFieldDefn def(name.c_str(), OFTReal);
    def.SetWidth(16);
    def.SetPrecision(6);
    layer->CreateField(&def);
  }
  for (const auto& f : features) {
    OGRFeature* feature = OGRFeature::CreateFeature(layer->GetLayerDefn());
    for (const auto& [name, value] : f.values) feature->SetField(name.c_str(), value);
    if (lines) {
      OGRLineString line;
      for (auto [x, y] : f.points) line.addPoint(x, y);
      feature->SetGeometry(&line);
    } else {
      OGRPoint point(f.points[0].first, f.points[0].second);
      feature->SetGeometry(&point);
    }
    EXPECT_EQ(layer->CreateFeature(feature), OGRERR_NONE);
    OGRFeature::DestroyFeature(feature);
  }
  GDALClose(ds);
}

std::string Fixed6(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

// The keyframe lines of one track as the session prints them: name, then target and observer
// (longitude, latitude, height).
using Keyframe = std::array<double, 7>;
std::vector<Keyframe> Keyframes(const std::string& out, const std::string& afterLine) {
  std::vector<Keyframe> keys;
  std::size_t at = out.find(afterLine + "\n");
  if (at == std::string::npos) return keys;
  std::istringstream in(out.substr(at + afterLine.size() + 1));
  std::string line;
  while (std::getline(in, line) && line.rfind("  keyframe ", 0) == 0) {
    std::istringstream l(line);
    std::string word;
    Keyframe k{};
    l >> word >> k[0] >> word >> k[1] >> k[2] >> k[3] >> word >> k[4] >> k[5] >> k[6];
    keys.push_back(k);
  }
  return keys;
}

void ExpectKeyframe(const Keyframe& got, const Keyframe& want) {
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 5e-7) << i;
}

// The coordinates of every 3-D line in ogrinfo's listing, in order.
std::vector<std::vector<double>> LineStrings(const std::string& info) {
  std::vector<std::vector<double>> lines;
  const std::string tag = "LINESTRING Z (";
  for (std::size_t at = info.find(tag); at != std::string::npos; at = info.find(tag, at + 1)) {
    std::string text = info.substr(at + tag.size(), info.find(')', at) - at - tag.size());
    for (char& c : text)
      if (c == ',') c = ' ';
    std::istringstream in(text);
    lines.emplace_back();
    for (double v; in >> v;) lines.back().push_back(v);
  }
  return lines;
}

void ExpectCoordinates(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << i;
}

// The script; {dir} is the fixtures' folder.
const char* kScript = R"S(host globe
register {lib}
add-features {dir}/path.shp path
add-features {dir}/los.shp los
add-features {dir}/observers.shp observers
add-features {dir}/empty.shp empty
add-features {dir}/paths.shp paths
setting DDDFlyThruDefaultHt=250
setting DDDFlyThruDefaultIncl=30
click velkTarvosUI.CoordTool
click velkTarvosUI.FlyThrough
click velkTarvosUI.FlyThrough
print windows
dialog 3275
print dialog
pick 3771 path
set 3784 45
set 3783 111.32
press 1
print status
print tracks
print track "Zel Fly Through -- Linear"
click velkTarvosUI.FlyThrough
dialog 3275
pick 3771 path
press 1
print tracks
click velkTarvosUI.FlyThrough
dialog 3275
pick 3771 los
set 3784 45
set 3783 111.32
press 1
print track "Zel Fly Through 3 -- Linear"
click velkTarvosUI.FlyThrough
dialog 3275
pick 3771 observers
print dialog
press 1
print track "Zel Fly Through -- Radial" 0 1
print track "Zel Fly Through -- Radial" 45 1
print track "Zel Fly Through -- Radial" 90 1
click velkTarvosUI.FlyThrough
dialog 3275
pick 3769 2
print dialog
press 3781
globe-click 520 400
print 3777
print 3778
set 3778 50
set 3777 10
set 3793 11.132
set 3794 90
set 3783 100
press 1
print track "Zel Fly Through 2 -- Radial" 0 1
print track "Zel Fly Through 2 -- Radial" 90 1
click velkTarvosUI.FlyThrough
dialog 3275
pick 3769 1
check 3768
press 3781
globe-click 520 400
globe-click 540 400
globe-click 540 390
press 1
print tracks
print elements "Globe Graphics"
click velkTarvosUI.FlyThrough
dialog 3275
pick 3769 1
set 3777 1
set 3778 1
press 1
answer OK
pick 3769 0
pick 3771 empty
press 1
answer OK
pick 3771 paths
press 1
answer OK
set 3784 95
press 1
answer OK
set 3784 30
pick 3769 2
set 3777 ""
press 1
answer OK
print tracks
pick 3769 0
select paths "ID = 2"
pick 3771 paths
press 1
print tracks
track-csv "Zel Fly Through -- Linear" {dir}/linear.csv
track-kml "Zel Fly Through -- Radial" {dir}/radial.kml
track-kml "Zel Fly Through -- Linear" {dir}/linear.kml
expect error
)S";

class FlyThroughSession : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = new TempRoot;
    dir = new ScratchDir;
    WriteShapefile(*dir / "path.shp", true, {"ID"},
                   {{{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{"ID", 1}}}});
    // A linear line of sight's result: its visible and its hidden part.
    WriteShapefile(*dir / "los.shp", true, {"Visible"},
                   {{{{0, 1}, {1, 1}}, {{"Visible", 1}}}, {{{1, 1}, {2, 1}}, {{"Visible", 0}}}});
    WriteShapefile(*dir / "observers.shp", false,
                   {"OFFSETA", "RADIUS2", "AZIMUTH1", "AZIMUTH2", "SPOT"},
                   {{{{10, 50}},
                     {{"OFFSETA", 20},
                      {"RADIUS2", -11132},
                      {"AZIMUTH1", 0},
                      {"AZIMUTH2", 90},
                      {"SPOT", 200}}}});
    WriteShapefile(*dir / "empty.shp", true, {"ID"}, {});
    WriteShapefile(*dir / "paths.shp", true, {"ID"},
                   {{{{5, 5}, {5, 6}}, {{"ID", 1}}}, {{{6, 5}, {6, 4}, {6, 3}}, {{"ID", 2}}}});
    result = RunSession(*root, dir->path(), "fly.session", kScript);
  }
  static void TearDownTestSuite() {
    delete dir;
    delete root;
  }
  static bool Has(const std::string& what) { return result.out.find(what) != std::string::npos; }

  static inline TempRoot* root = nullptr;
  static inline ScratchDir* dir = nullptr;
  static inline CommandResult result;
};

TEST_F(FlyThroughSession, TheDialogOpensOnceWithTheSettingsAndEnablesRowsByInput) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  const std::string opened = "opened dialog 3275 \"Fly Through\"";
  const std::size_t first = result.out.find(opened);
  ASSERT_NE(first, std::string::npos) << result.out;
  // The second click raises the open dialog instead of making another.
  EXPECT_EQ(result.out.find(opened, first + 1), result.out.find("opened dialog 3275", first + 1));
  EXPECT_TRUE(Has("> click velkTarvosUI.FlyThrough\n> print windows\n")) << result.out;
  // Opened: existing input, height and inclination from the settings, distance 10, azimuth 0.
  EXPECT_TRUE(Has("  3769 combo \"Use Existing Flight Path or Observer Point\"")) << result.out;
  EXPECT_TRUE(Has("  3783 edit \"250\"\n")) << result.out;
  EXPECT_TRUE(Has("  3784 edit \"30\"\n")) << result.out;
  EXPECT_TRUE(Has("  3793 edit \"10\" color #000000 disabled\n")) << result.out;
  EXPECT_TRUE(Has("  3794 edit \"0\" color #000000 disabled\n")) << result.out;
  // An observer layer: no parameter rows.
  EXPECT_TRUE(Has("selected 2 focused\n  3772 label \"New Observer/Path:\" disabled"))
      << result.out;
  EXPECT_TRUE(
      Has("  3787 label \"Height Offset:\" disabled\n  3783 edit \"250\" color "
          "#000000 disabled\n"))
      << result.out;
  // A new observer: the inclination row and the check box off, distance and azimuth on.
  EXPECT_TRUE(Has("  3775 label \"Observer: \"\n")) << result.out;
  EXPECT_TRUE(
      Has("  3785 label \"Inclination:\" disabled\n  3784 edit \"30\" color #000000 "
          "disabled\n  3786 label \"degrees\" disabled\n  3789 label \"Target "
          "Distance:\"\n"))
      << result.out;
  // Picking a new observer only fills the two edits: 20 pixels east of the view's centre.
  const std::string at = "> print 3777\n  3777 edit \"";
  const std::size_t x = result.out.find(at);
  ASSERT_NE(x, std::string::npos) << result.out;
  EXPECT_NEAR(std::stod(result.out.substr(x + at.size())), 20 * host::GlobeDegreesPerPixel(20000.0),
              1e-6);  // the tool's six decimals
  EXPECT_TRUE(Has("> print 3778\n  3778 edit \"0\"\n")) << result.out;
}

TEST_F(FlyThroughSession, ALinearTrackHasTheCameraBehindAndAboveEachVertex) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  EXPECT_TRUE(Has("Animation track generated successfully")) << result.out;
  // Four vertices due east: three keyframes, the camera 111.32 m above and, at 45 degrees,
  // 0.001 degrees west of each vertex; no surface, so the ground is at 0.
  EXPECT_TRUE(Has("  track \"Zel Fly Through -- Linear\" keyframes 3 enabled")) << result.out;
  // The track made, the host's animation controls are told to read the tracks anew.
  EXPECT_TRUE(
      Has("> print tracks\n  tracks 1\n  track \"Zel Fly Through -- Linear\" keyframes 3 "
          "enabled\n  animation controls refreshed 1\n"))
      << result.out;
  auto keys = Keyframes(result.out, "> print track \"Zel Fly Through -- Linear\"");
  ASSERT_EQ(keys.size(), 3u) << result.out;
  for (int i = 0; i < 3; ++i)
    ExpectKeyframe(keys[i], {1.0 * i, 1.0 * i, 0, 0, i - 0.001, 0, 0.11132});
  EXPECT_TRUE(Has("  track \"Zel Fly Through 2 -- Linear\" keyframes 3 enabled")) << result.out;
}

TEST_F(FlyThroughSession, ALineOfSightResultFliesAlongBothItsParts) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  auto keys = Keyframes(result.out, "> print track \"Zel Fly Through 3 -- Linear\"");
  ASSERT_EQ(keys.size(), 2u) << result.out;
  ExpectKeyframe(keys[0], {0, 0, 1, 0, -0.001, 1, 0.11132});
  ExpectKeyframe(keys[1], {1, 1, 1, 0, 0.999, 1, 0.11132});
}

TEST_F(FlyThroughSession, ARadialTrackLooksAtItsRadiusOnTheObserversSide) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  EXPECT_TRUE(Has("  track \"Zel Fly Through -- Radial\" keyframes 91 enabled")) << result.out;
  // RADIUS2 -11132 m is 0.1 degrees; azimuth 0 looks north, 90 east; the camera 220 m up.
  const double r = 0.1 * std::sqrt(0.5);
  EXPECT_TRUE(
      Has("  keyframe 0 target 10.000000 50.100000 0.000000 observer 10.000000 "
          "50.000000 0.220000"))
      << result.out;
  EXPECT_TRUE(Has("  keyframe 45 target " + Fixed6(10 + r) + " " + Fixed6(50 + r) +
                  " 0.000000 observer 10.000000 50.000000 0.220000"))
      << result.out;
  EXPECT_TRUE(
      Has("  keyframe 90 target 10.100000 50.000000 0.000000 observer 10.000000 "
          "50.000000 0.220000"))
      << result.out;
}

TEST_F(FlyThroughSession, AnEnteredObserverTurnsAtTheDistanceInKilometres) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  EXPECT_TRUE(Has("  track \"Zel Fly Through 2 -- Radial\" keyframes 360 enabled")) << result.out;
  // 11.132 km is 0.1 degrees; the first target due east (start azimuth 90), then south.
  EXPECT_TRUE(
      Has("  keyframe 0 target 10.100000 50.000000 0.000000 observer 10.000000 "
          "50.000000 0.100000"))
      << result.out;
  EXPECT_TRUE(Has("  keyframe 90 target 10.000000 49.900000 0.000000 observer")) << result.out;
}

TEST_F(FlyThroughSession, APickedPathIsDensifiedAndKeptAsAGraphic) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  // Three picks: legs of 20 and 10 pixels, cut into pieces of at most a tenth of the whole
  // length: 7 and 4 pieces, so twelve vertices and eleven keyframes.
  EXPECT_TRUE(Has("  track \"Zel Fly Through 4 -- Linear\" keyframes 11 enabled")) << result.out;
  EXPECT_TRUE(Has("> print elements \"Globe Graphics\"\n  1. graphic of 12 points")) << result.out;
}

TEST_F(FlyThroughSession, BadInputIsRefusedAndAddsNoTrack) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  EXPECT_TRUE(Has("The flight path needs at least two points apart.")) << result.out;
  EXPECT_TRUE(Has("There are no features in the selected layer.")) << result.out;
  EXPECT_TRUE(Has("There can only be one path or observer. Please select only one.")) << result.out;
  // The refusals leave six tracks; the one selected path then makes the seventh.
  EXPECT_TRUE(Has("  tracks 6\n")) << result.out;
  EXPECT_TRUE(Has("  track \"Zel Fly Through 5 -- Linear\" keyframes 2 enabled")) << result.out;
}

TEST_F(FlyThroughSession, TheTrackIsWrittenAsCsvAndKmlThatGdalReads) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  EXPECT_EQ(ReadFileText(*dir / "linear.csv"),
            "keyframe,observer_lon,observer_lat,observer_height_m,target_lon,target_lat,"
            "target_height_m\n"
            "0,-0.001,0,111.32,0,0,0\n1,0.999,0,111.32,1,0,0\n2,1.999,0,111.32,2,0,0\n");
  VELK_REQUIRE(!ProgramOnPath("ogrinfo").empty(), "GDAL's ogrinfo is not installed");
  std::string info = ToolOutput("ogrinfo -al " + ShellQuote(*dir / "radial.kml"));
  EXPECT_NE(info.find("Feature Count: 2"), std::string::npos) << info;
  EXPECT_NE(info.find("Camera path"), std::string::npos) << info;
  auto lines = LineStrings(info);
  ASSERT_EQ(lines.size(), 2u) << info;
  ASSERT_EQ(lines[0].size(), 91u * 3) << info;  // the camera stays at the observer, 220 m up
  ExpectCoordinates({lines[0].begin(), lines[0].begin() + 3}, {10, 50, 220});
  ExpectCoordinates({lines[1].begin(), lines[1].begin() + 6},
                    {10, 50.1, 0, 10 + 0.1 * std::sin(0.017453292519943295),
                     50 + 0.1 * std::cos(0.017453292519943295), 0});
  info = ToolOutput("ogrinfo -al " + ShellQuote(*dir / "linear.kml"));
  lines = LineStrings(info);
  ASSERT_EQ(lines.size(), 2u) << info;
  ExpectCoordinates(lines[0], {-0.001, 0, 111.32, 0.999, 0, 111.32, 1.999, 0, 111.32});
  ExpectCoordinates(lines[1], {0, 0, 0, 1, 0, 0, 2, 0, 0});
}

// Numbers that cannot make a track are refused with a message and add none: a target distance
// of 0 km (every keyframe would look at the observer's own place), distances and azimuths out
// of range or no numbers, and a path with a vertex whose place is no number.
TEST(FlyThroughRefusals, NumbersThatMakeNoTrackAreRefused) {
  ScratchDir dir;
  TempRoot root;
  // GDAL writes no such vertex: a stand-in value is written and its bytes replaced in the file.
  auto withVertex = [&](const std::string& name, double bad) {
    const double standIn = 5.123456789;
    WriteShapefile(dir / (name + ".shp"), true, {"ID"},
                   {{{{5, 5}, {standIn, 5.5}, {5, 6}}, {{"ID", 1}}}});
    std::fstream file(dir / (name + ".shp"), std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string from(reinterpret_cast<const char*>(&standIn), sizeof standIn);
    const std::size_t at = bytes.rfind(from);  // the vertex, after the boxes
    ASSERT_NE(at, std::string::npos);
    file.seekp(static_cast<std::streamoff>(at));
    file.write(reinterpret_cast<const char*>(&bad), sizeof bad);
  };
  withVertex("nan", std::numeric_limits<double>::quiet_NaN());
  withVertex("inf", std::numeric_limits<double>::infinity());
  struct Case {
    const char* steps;
    const char* message;
  };
  const char* kBadValue =
      "The value entered is not valid: it is not in the expected format or it is out of range.";
  const char* kNotANumber = "The flight path has a point whose position is not a number.";
  const Case cases[] = {
      {"pick 3769 2\nset 3777 10\nset 3778 50\nset 3793 0\n", kBadValue},
      {"pick 3769 2\nset 3777 10\nset 3778 50\nset 3793 -0.0\n", kBadValue},
      {"pick 3769 2\nset 3777 10\nset 3778 50\nset 3793 abc\n", kBadValue},
      {"pick 3769 2\nset 3777 10\nset 3778 50\nset 3793 1e999\n", kBadValue},
      {"pick 3769 2\nset 3777 10\nset 3778 50\nset 3794 361\n", kBadValue},
      {"pick 3771 nan\n", kNotANumber},
      {"pick 3771 inf\n", kNotANumber},
  };
  std::string script =
      "host globe\nregister {lib}\nadd-features {dir}/nan.shp nan\n"
      "add-features {dir}/inf.shp inf\nclick velkTarvosUI.CoordTool\n";
  for (const Case& c : cases)
    script += std::string("click velkTarvosUI.FlyThrough\ndialog 3275\npick 3769 0\n") + c.steps +
              "press 1\nexpect error\nprint tracks\npress Cancel\n";
  CommandResult r = RunSession(root, dir.path(), "refusals.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_FALSE(Has(r.out, "E_POINTER")) << r.out;
  EXPECT_FALSE(Has(r.out, "Animation track generated successfully")) << r.out;
  // A number the dialog refuses ends OK before the build; a path the builder refuses still
  // tells the animation controls (two such paths).
  EXPECT_TRUE(Has(r.out, "> print tracks\n  tracks 0\n  animation controls refreshed 0\n"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "> print tracks\n  tracks 0\n  animation controls refreshed 2\n"))
      << r.out;
  std::size_t at = 0;
  for (const Case& c : cases) {
    at = r.out.find("> press 1\n", at);
    ASSERT_NE(at, std::string::npos) << c.steps << r.out;
    const std::size_t next = r.out.find("> print tracks", at);
    EXPECT_NE(r.out.substr(at, next - at).find(c.message), std::string::npos)
        << c.steps << r.out.substr(at, next - at);
    at = next;
  }
}

}  // namespace
}  // namespace velk::test
