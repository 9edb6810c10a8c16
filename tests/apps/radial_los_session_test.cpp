// The radial line of sight as a user runs it on the shared DTED cell: the dialog, two observers
// picked with the coordinate tool into the list, Ok twice; the files read back with ogrinfo, the
// coverage checked cell by cell against the count raster, the groups of both runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fixtures/coverage_check.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

TEST(RadialLosSession, TwoObserversOnTheSharedDtedCellTwice) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  VELK_REQUIRE(ToolOutput("command -v ogrinfo") != "", "ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  CommandResult r = RunSession(root, dir.path(), "radial.session", R"S(host map
register {lib}
extension Tarvos on
extension Quentara off
extension Sorrelin off
print command velkTarvosUI.RadialLOS
extension Quentara on
print command velkTarvosUI.RadialLOS
map-reference 4326
add-raster {dted} cell
map-extent 6 0 7 1
click velkTarvosUI.CoordTool
click velkTarvosUI.RadialLOS
dialog 3064
print 3003
check 3011
print tool
map-click 450 400
print 3088
print 3087
print 3003
set 3073 4
focus 3066
press 3029
press 3000
map-click 560 330
set 3073 3
set 3066 300
set 3067 60
set 3092 1500
focus 3075
press 3000
print 3115
press Ok
print status
print tree
print renderer "Visibility 0000 of cell"
print elements "Field of View"
press Ok
print tree
press Cancel
print windows
)S");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  // Enabled only with Quentara (or Sorrelin) on; Ok waits for a point.
  EXPECT_TRUE(Has(r.out, "> print command velkTarvosUI.RadialLOS\n  caption=\"Radial Line of "
                         "Sight...\" enabled=no bitmap=yes\n> extension Quentara on\n"
                         "> print command velkTarvosUI.RadialLOS\n  caption=\"Radial Line of "
                         "Sight...\" enabled=yes"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "  3003 button \"Ok\" default disabled")) << r.out;
  EXPECT_TRUE(Has(r.out, "velkTarvosUI.CoordTool")) << r.out;
  // Both runs' groups with their three members; the coverage drawn by its seen counts.
  EXPECT_TRUE(Has(r.out, "\"Radial Visibility 0000 of cell\"\n     1. \"Field of View\"\n"
                         "     2. \"Location for Visibility 0000 of cell\"\n"
                         "     3. \"Visibility 0000 of cell\" 50%\n"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\"Radial Visibility 0001 of cell\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "unique values of GRIDCODE")) << r.out;
  EXPECT_TRUE(Has(r.out, "  2. polygon of")) << r.out;

  const fs::path work = fs::path(root.path()) / "scratch" / "RadialLOS";
  ASSERT_TRUE(fs::exists(work / "losloc0000.shp")) << r.out;
  ASSERT_TRUE(fs::exists(work / "losloc0001.shp"));
  // The observer file as ogrinfo reads it: ten fields, the values and signs the dialog gave.
  const std::string info = ToolOutput("ogrinfo -al -q " + ShellQuote(work / "losloc0000.shp"));
  for (const char* field : {"OFFSETA: Real", "OFFSETB: Real", "VERT1: Real", "VERT2: Real",
                            "RADIUS1: Real", "RADIUS2: Real", "REFCONST: Real", "AZIMUTH1: Real",
                            "AZIMUTH2: Real"})
    EXPECT_TRUE(Has(ToolOutput("ogrinfo -so -al " + ShellQuote(work / "losloc0000.shp")), field))
        << field;
  EXPECT_FALSE(Has(info, "SPOT")) << info;
  EXPECT_TRUE(Has(info, "RADIUS2 (Real) = -4000.")) << info;
  EXPECT_TRUE(Has(info, "RADIUS2 (Real) = -3000.")) << info;
  EXPECT_TRUE(Has(info, "OFFSETA (Real) = 1500.")) << info;
  EXPECT_TRUE(Has(info, "AZIMUTH1 (Real) = 300")) << info;
  EXPECT_TRUE(Has(info, "REFCONST (Real) = 1.")) << info;
  // GRIDCODE > 0 polygons cover exactly the cells the count raster marks seen.
  const auto check = CompareCoverage(work / "viz0000.tif", work / "loscov0000.shp");
  ASSERT_EQ(check.error, "");
  EXPECT_GT(check.seen, 0);
  EXPECT_EQ(check.mismatched, 0);
}

// Ok refuses an elevation range outside -90 to 90 for the observer shown and for every listed
// one; an observer off the cell is "Point outside surface!" and leaves no observer file.
TEST(RadialLosSession, RefusalsLeaveNoObserverFile) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  TempRoot root;
  ScratchDir dir;
  CommandResult r = RunSession(root, dir.path(), "radial.session", R"S(host map
register {lib}
extension Tarvos on
extension Sorrelin on
map-reference 4326
add-raster {dted} cell
map-extent 5.5 0 6.5 1
click velkTarvosUI.CoordTool
click velkTarvosUI.RadialLOS
dialog 3064
check 3011
map-click 700 400
set 3075 -91
focus 3079
press Ok
set 3075 -90
press 3029
set 3079 95
focus 3075
press 3000
set 3079 90
focus 3075
press Ok
press 3008
press 3029
map-click 470 400
press Ok
print status
print tree
expect error
)S");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::string message = "Please enter elevation range between -90 and 90 degrees.";
  const auto first = r.out.find(message);
  ASSERT_NE(first, std::string::npos) << r.out;
  EXPECT_NE(r.out.find(message, first + 1), std::string::npos) << r.out;
  EXPECT_TRUE(Has(r.out, "Point outside surface!")) << r.out;
  EXPECT_TRUE(Has(r.out, "> print tree\n  1. \"cell\"\n")) << r.out;
  const fs::path work = fs::path(root.path()) / "scratch" / "RadialLOS";
  EXPECT_FALSE(fs::exists(work / "losloc0000.shp"));
  EXPECT_FALSE(fs::exists(work / "losloc0000.dbf"));
}

// A near distance beyond the far one, typed edit after edit, is said once and the dialog keeps
// working (each edit's lost focus used to send the focus back to itself until the stack ran
// out); texts that are no numbers are refused naming their field, with no run; a negative
// near distance is written as a near radius of 0, not as one of its own size.
TEST(RadialLosSession, TypedNumbersAreCheckedBeforeTheRun) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  VELK_REQUIRE(ToolOutput("command -v ogrinfo") != "", "ogrinfo is not installed");
  struct Case {
    int id;
    const char* text;
    const char* field;
    const char* restore;
  };
  const Case cases[] = {
      {3092, "abc", "Center Offset", "2"},
      {3103, "1e999", "Terrain Offset", "0"},
      {3072, "12km", "Distance Range (from)", "0"},
      {3073, "--4", "Distance Range (to)", "4"},
      {3066, "north", "Azimuth Range (from)", "0"},
      {3067, "1,2,3", "Azimuth Range (to)", "360"},
      {3075, "nan", "Elevation Range (from)", "-90"},
      {3079, "inf", "Elevation Range (to)", "90"},
      {3091, "x", "Observer Elevation", "0"},
  };
  std::string script = R"S(host map
register {lib}
extension Tarvos on
extension Sorrelin on
map-reference 4326
add-raster {dted} cell
map-extent 5.5 0 6.5 1
click velkTarvosUI.CoordTool
click velkTarvosUI.RadialLOS
dialog 3064
check 3011
map-click 700 400
set 3072 20
set 3073 10
expect error
focus 3066
set 3072 0
set 3073 4
check 3520
)S";
  for (const Case& c : cases) {
    const std::string id = std::to_string(c.id);
    script += "set " + id + " " + c.text + "\npress Ok\nexpect error\nset " + id + " " +
              c.restore + "\n";
  }
  // The observer elevation counts only while its box is checked.
  script += "set 3091 x\nuncheck 3520\nset 3072 -5\nfocus 3066\npress Ok\nprint status\n";
  TempRoot root;
  ScratchDir dir;
  CommandResult r = RunSession(root, dir.path(), "radial.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::string wrongWay = "The near distance must be less than the far distance.";
  const auto said = r.out.find(wrongWay);
  ASSERT_NE(said, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(wrongWay, said + 1), std::string::npos) << r.out;
  for (const Case& c : cases) {
    const std::string typed = "> set " + std::to_string(c.id) + " " + c.text + "\n> press Ok\n";
    const auto at = r.out.find(typed);
    ASSERT_NE(at, std::string::npos) << typed << r.out;
    const std::string message = "message box \"Error\": \"The field \"" + std::string(c.field) +
                                "\" does not hold a number.\"";
    const auto next = r.out.find("> ", at + typed.size());
    EXPECT_NE(r.out.substr(at, next - at).find(message), std::string::npos) << c.field << r.out;
  }
  // Only the last Ok ran: one observer file, its near radius 0.
  const fs::path work = fs::path(root.path()) / "scratch" / "RadialLOS";
  ASSERT_TRUE(fs::exists(work / "losloc0000.shp")) << r.out;
  EXPECT_FALSE(fs::exists(work / "losloc0001.shp"));
  const std::string info = ToolOutput("ogrinfo -al -q " + ShellQuote(work / "losloc0000.shp"));
  EXPECT_TRUE(Has(info, "RADIUS1 (Real) = 0") || Has(info, "RADIUS1 (Real) = -0")) << info;
  EXPECT_TRUE(Has(info, "RADIUS2 (Real) = -4000.")) << info;
  EXPECT_FALSE(Has(info, "SPOT")) << info;
}

}  // namespace
}  // namespace velk::test
