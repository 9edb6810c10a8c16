// The hillshade command as a user runs it on the shared DTED cell: the dialog's automatic z
// factor, a temporary run and a second one named after the first, a named grid output, and
// refusals; the result compared with gdaldem.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fixtures/byte_raster.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

std::vector<unsigned char> Bytes(const std::string& path) { return ReadByteRaster(path).values; }

// The shared cell's relief in grid matches `gdaldem hillshade -z zFactor` (written to ref) on
// interior cells within one grey level; gdaldem leaves no value beside the cell's voids, where
// ours shades from the valid cells, so ours leaves none only on the voids themselves.
void ExpectInteriorLikeGdaldem(const std::string& grid, const std::string& ref,
                               const std::string& zFactor) {
  ASSERT_TRUE(std::filesystem::exists(grid));
  ToolOutput("gdaldem hillshade -q -z " + zFactor + " " + ShellQuote(kSharedDtedCell) + " " +
             ShellQuote(ref));
  const auto ours = Bytes(grid), theirs = Bytes(ref);
  ASSERT_EQ(ours.size(), 1201u * 1201u);
  ASSERT_EQ(theirs.size(), ours.size());
  int off = 0, compared = 0;
  for (int row = 1; row < 1200; ++row)
    for (int c = 1; c < 1200; ++c) {
      const int i = row * 1201 + c;
      if (ours[i] == 0) {
        EXPECT_EQ(theirs[i], 0) << c << "," << row;
      }
      if (theirs[i] == 0) continue;
      ++compared;
      if (std::abs(ours[i] - theirs[i]) > 1) ++off;
    }
  EXPECT_EQ(off, 0);
  EXPECT_GT(compared, 1199 * 1150);
}

TEST(HillshadeSession, TheSharedDtedCellShadedTemporaryTwiceAndIntoANamedGrid) {
  VELK_REQUIRE(std::filesystem::exists(kSharedDtedCell),
               "shared DTED cell not found: " + kSharedDtedCell);
  VELK_REQUIRE(ToolOutput("command -v gdaldem") != "", "gdaldem is not installed");
  TempRoot root;
  ScratchDir dir;
  std::filesystem::create_directories(dir / "out");
  CommandResult r = RunSession(root, dir.path(), "hillshade.session", R"S(host map
register {lib}
extension Tarvos on
extension Quentara on
setting TerrainCalculateZ=true
click velkTarvosUI.Hillshade
print 1
print 2
press Cancel
add-raster {dted} cell
print command velkTarvosUI.Hillshade
click velkTarvosUI.Hillshade
print 3111
print 3099
press OK
print tree
click velkTarvosUI.Hillshade
pick 3542 cell
press OK
print tree
add-raster {dted} other
group elevation other
click velkTarvosUI.Hillshade
pick 3542 other
press OK
print tree
click velkTarvosUI.Hillshade
pick 3542 cell
uncheck 3521
set 3099 {dir}/out/cellshade
press OK
print tree
click velkTarvosUI.Hillshade
set 3099 "{dir}/out/a name"
press OK
set 3099 {dir}/out/abcdefghijklmn
press OK
set 3099 <TEMPORARY>
set 3070 360.5
set 3069 -1
press OK
set 3070 abc
set 3069 45
press OK
set 3111 2.5
pick 3542 other
print 3111
press Cancel
print tree
expect error
)S");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  // Without a surface OK is disabled and carries the default style; with one, Cancel does.
  EXPECT_NE(r.out.find("  1 button \"OK\" default disabled\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  2 button \"Cancel\"\n"), std::string::npos) << r.out;
  // A z factor the user typed stays when the input changes.
  EXPECT_NE(r.out.find("> print 3111\n  3111 edit \"2.5\""), std::string::npos) << r.out;
  // The z factor at the cell's middle latitude (0.5 degrees): 1 / (cos(0.5) 111320).
  EXPECT_NE(r.out.find("3111 edit \"0.000009\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("3099 edit \"<TEMPORARY>\""), std::string::npos) << r.out;
  // Names: the first run's, then the second's counted past it; each overlay half transparent
  // just above its input.
  EXPECT_NE(r.out.find("  1. \"Hillshade of cell\" 50%\n  2. \"cell\"\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  1. \"Hillshade of cell\" 50%\n  2. \"Hillshade2 of cell\" 50%\n"
                       "  3. \"cell\"\n"),
            std::string::npos)
      << r.out;
  // Inside a group the overlay goes just below its input.
  EXPECT_NE(r.out.find("  1. \"elevation\"\n     1. \"other\"\n     2. \"Hillshade of other\" "
                       "50%\n  2. \"Hillshade of cell\" 50%\n"),
            std::string::npos)
      << r.out;
  // The named grid without overlay goes on top, opaque, under its own name.
  EXPECT_NE(r.out.find("  1. \"cellshade\"\n  2. \"elevation\"\n"), std::string::npos) << r.out;
  // Refusals: a name with a space, a name of 14 characters, azimuth and altitude out of range,
  // an azimuth that is no number; nothing more is added.
  const auto refusals = r.out.find("> set 3099 \"");
  ASSERT_NE(refusals, std::string::npos);
  const std::string tail = r.out.substr(refusals);
  auto count = [&](const std::string& what) {
    int n = 0;
    for (auto at = tail.find(what); at != std::string::npos; at = tail.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("Cannot perform hillshade on specified input."), 2) << tail;
  EXPECT_EQ(count("Azimuth value is out of range."), 2) << tail;
  EXPECT_EQ(count("Altitude value is out of range."), 1) << tail;
  const auto last = r.out.rfind("> print tree");
  EXPECT_NE(r.out.find("  5. \"cell\"", last), std::string::npos) << r.out.substr(last);
  EXPECT_EQ(r.out.find("  6. ", last), std::string::npos) << r.out.substr(last);

  // The named grid matches gdaldem on interior cells, with the z factor the dialog showed.
  ExpectInteriorLikeGdaldem(dir / "out/cellshade.tif", dir / "ref.tif", "0.000009");
}

// Typed numbers that are none (or beyond the double range) are refused before any shading:
// the sun's angles with their range messages, the z factor by its name; nothing is added.
TEST(HillshadeSession, TypedTextsThatAreNoNumbersAreRefused) {
  VELK_REQUIRE(std::filesystem::exists(kSharedDtedCell),
               "shared DTED cell not found: " + kSharedDtedCell);
  struct Case {
    const char* azimuth;
    const char* altitude;
    const char* zFactor;
    bool azimuthMessage, altitudeMessage, zFactorMessage;
  };
  const Case cases[] = {
      {"1e999", "45", "1", true, false, false},  {"\"\"", "45", "1", true, false, false},
      {"315", "abc", "1", false, true, false},   {"315", "-1e400", "1", false, true, false},
      {"north", "up", "1", true, true, false},   {"315", "45", "x", false, false, true},
      {"315", "45", "\"\"", false, false, true}, {"315", "45", "1e999", false, false, true},
  };
  std::string script = R"S(host map
register {lib}
extension Tarvos on
extension Quentara on
add-raster {dted} cell
click velkTarvosUI.Hillshade
)S";
  for (const Case& c : cases)
    script += std::string("set 3070 ") + c.azimuth + "\nset 3069 " + c.altitude + "\nset 3111 " +
              c.zFactor + "\npress OK\nexpect error\nprint status\n";
  script += "press Cancel\nprint tree\n";
  TempRoot root;
  ScratchDir dir;
  CommandResult r = RunSession(root, dir.path(), "hillshade.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  std::size_t at = 0;
  for (const Case& c : cases) {
    at = r.out.find("> press OK\n", at);
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::size_t next = r.out.find("> print status", at);
    const std::string said = r.out.substr(at, next - at);
    const std::string what = std::string(c.azimuth) + " " + c.altitude + " " + c.zFactor;
    EXPECT_EQ(Has(said, "Azimuth value is out of range."), c.azimuthMessage) << what << said;
    EXPECT_EQ(Has(said, "Altitude value is out of range."), c.altitudeMessage) << what << said;
    EXPECT_EQ(Has(said, "The field \"Z factor\" does not hold a number."), c.zFactorMessage)
        << what << said;
    EXPECT_FALSE(Has(said, "Cannot perform hillshade")) << what << said;
    at = next;
  }
  const auto last = r.out.rfind("> print tree");
  EXPECT_EQ(r.out.substr(last), "> print tree\n  1. \"cell\"\n");
  EXPECT_FALSE(
      std::filesystem::exists(std::filesystem::path(root.path()) / "scratch" / "Hillshade"));
}

// Over a catalog elevation layer the extent combo offers "Selected datasets" only while the
// layer has a selection; the z factor for that choice is the selected cells' (their middle
// latitude), not the whole layer's; OK shades the selected cell alone.
TEST(HillshadeSession, SelectedDatasetsAreOfferedWithASelection) {
  ScratchDir dir;
  TempRoot root;
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", 6, 0, 0), 6, 0, 0));
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", 6, 40, 0), 6, 40, 0));
  CommandResult r = RunSession(root, dir.path(), "selected.session", R"S(host map
register {lib}
register {lumeris}
extension Tarvos on
extension Quentara on
setting TerrainCalculateZ=true
map-reference 4326
map-extent 5 -1 8 42
catalog-new {dir}/zel.gpkg cells dted
catalog-load {dir}/zel.gpkg cells dted {dir}/dted
add-catalog-layer {dir}/zel.gpkg cells dted elevation
click velkTarvosUI.Hillshade
pick 3542 cells
print 3541
pick 3541 "All datasets"
print 3111
press Cancel
select-datasets cells "FULL_NAME LIKE '%n40%'"
click velkTarvosUI.Hillshade
pick 3542 cells
print 3541
pick 3541 "Selected datasets"
print 3111
press OK
print tree
)S");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const auto first = r.out.find("> print 3541\n");
  const auto second = r.out.find("> print 3541\n", first + 1);
  ASSERT_NE(second, std::string::npos) << r.out;
  const std::string without = r.out.substr(first, second - first);
  const std::string with = r.out.substr(second);
  EXPECT_FALSE(Has(without, "Selected datasets")) << without;
  EXPECT_TRUE(Has(without, "All datasets in the visible extent")) << without;
  EXPECT_TRUE(Has(with, "3541 combo \"Selected datasets\"")) << with;
  // 1 / (cos(lat) 111320): the whole layer's middle is 20.5 degrees, the selected cell's 40.5.
  EXPECT_TRUE(Has(without, "3111 edit \"0.000010\"")) << without;
  EXPECT_TRUE(Has(with, "3111 edit \"0.000012\"")) << with;
  EXPECT_TRUE(Has(with, "\"Hillshade of cells\"")) << with;
}

}  // namespace
}  // namespace velk::test
