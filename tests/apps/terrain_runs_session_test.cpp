// The long terrain runs as a user runs them on the shared DTED cell: the radial line of sight and
// the hillshade show their progress and stop at Esc, leaving no file and no layer of the run;
// after every run, finished, refused or stopped, the scratch folder holds only the outputs the
// runs name (no claimed temporary file, no intermediate raster).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The files of a folder, by name; none when it is not there.
std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += n + " ";
  return out;
}

constexpr char kRadialStart[] = R"S(host map
register {lib}
extension Tarvos on
extension Quentara on
map-reference 4326
add-raster {dted} cell
map-extent 5.5 0 6.5 1
click velkTarvosUI.CoordTool
click velkTarvosUI.RadialLOS
dialog 3064
check 3011
)S";

// Esc while the surface is prepared and while the visibility is computed; an observer off the
// cell; then a run to its end. Each stopped or refused run leaves the folder as it was and no
// group; the finished one leaves its observer file, coverage, prepared surface and count raster.
TEST(TerrainRunsSession, RadialEscAndRefusalLeaveNothingAndAFinishedRunOnlyItsOutputs) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  TempRoot root;
  ScratchDir dir;
  const fs::path work = fs::path(root.path()) / "scratch" / "RadialLOS";
  struct Case {
    const char* what;
    std::string lines;  // before Ok
    std::string status;
    bool esc;
  };
  const Case stopped[] = {
      {"Esc while the surface is prepared",
       "map-click 700 400\nescape-on-status Preparing the surface of cell\n", "Operation cancelled",
       true},
      {"Esc while the visibility is computed",
       "map-click 700 400\nescape-on-status Computing visibility: \n", "Operation cancelled", true},
      {"Esc at the run's third question", "map-click 700 400\nescape-during-next 3\n",
       "Operation cancelled", true},
      {"an observer off the cell", "map-click 100 400\n", "Could not create viewshed", false},
  };
  for (const Case& c : stopped) {
    const CommandResult r =
        RunSession(root, dir.path(), "radial.session",
                   std::string(kRadialStart) + c.lines + "press Ok\nprint status\nprint tree\n");
    EXPECT_TRUE(Has(r.out, "  status \"" + c.status + "\"")) << c.what << "\n" << r.out;
    EXPECT_FALSE(Has(r.out, "Radial Visibility")) << c.what << "\n" << r.out;
    EXPECT_EQ(Listing(work), std::vector<std::string>{}) << c.what << ": " << Joined(Listing(work));
    EXPECT_EQ(r.status, 0) << c.what << "\n" << r.err;
    EXPECT_EQ(Has(r.err, "the user cancelled a run (Esc)"), c.esc) << c.what << "\n" << r.err;
  }

  const CommandResult done = RunSession(
      root, dir.path(), "radial.session",
      std::string(kRadialStart) + "map-click 700 400\npress Ok\nprint status\nprint tree\n");
  ASSERT_EQ(done.status, 0) << done.err << done.out;
  EXPECT_TRUE(Has(done.out, "  status \"\"")) << "no progress text is left\n" << done.out;
  EXPECT_TRUE(Has(done.out, "\"Radial Visibility 0000 of cell\"")) << done.out;
  std::vector<std::string> kept;
  for (const auto& name : Listing(work)) {
    const std::string stem = name.substr(0, name.find('.'));
    if (stem != "losloc0000" && stem != "loscov0000" && stem != "viz0000") kept.push_back(name);
  }
  // Beside the shapefiles and the count raster, the prepared surface alone, under its
  // temporary name.
  ASSERT_EQ(kept.size(), 1u) << Joined(Listing(work));
  EXPECT_EQ(kept[0].rfind("rlo", 0), 0u) << kept[0];
  EXPECT_TRUE(kept[0].ends_with(".tif")) << kept[0];
  EXPECT_TRUE(fs::exists(work / "losloc0000.shp") && fs::exists(work / "loscov0000.shp"));
}

constexpr char kHillshade[] = R"S(host map
register {lib}
extension Tarvos on
extension Quentara on
add-raster {dted} cell
click velkTarvosUI.Hillshade
pick 3542 cell
)S";

// Esc while the relief is computed keeps the dialog open and leaves no file and no layer; OK
// again makes the relief, the only file of the work folder.
TEST(TerrainRunsSession, HillshadeEscLeavesNothingAndAFinishedRunOnlyItsRelief) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  TempRoot root;
  ScratchDir dir;
  const CommandResult r =
      RunSession(root, dir.path(), "hillshade.session",
                 std::string(kHillshade) +
                     "escape-on-status Computing hillshade: \npress OK\nprint status\nprint tree\n"
                     "print windows\n");
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_TRUE(Has(r.out, "  status \"Operation cancelled\"")) << r.out;
  EXPECT_FALSE(Has(r.out, "Hillshade of cell")) << r.out;
  EXPECT_TRUE(Has(r.err, "the user cancelled a run (Esc)")) << r.err;
  const fs::path work = fs::path(root.path()) / "scratch" / "Hillshade";
  EXPECT_EQ(Listing(work), std::vector<std::string>{}) << Joined(Listing(work));

  const CommandResult done =
      RunSession(root, dir.path(), "hillshade.session",
                 std::string(kHillshade) + "press OK\nprint status\nprint tree\n");
  ASSERT_EQ(done.status, 0) << done.err << done.out;
  EXPECT_TRUE(Has(done.out, "\"Hillshade of cell\"")) << done.out;
  EXPECT_TRUE(Has(done.out, "  status \"\"")) << done.out;
  const auto files = Listing(work);
  ASSERT_EQ(files.size(), 1u) << Joined(files);
  EXPECT_TRUE(files[0].rfind("hillshd", 0) == 0 && files[0].ends_with(".tif")) << files[0];
}

}  // namespace
}  // namespace velk::test
