// Threat domes as a user makes them in the globe host over the shared DTED cell: an observer
// layer of three points, the dialog's OK twice, then a run stopped with Esc during its second
// dome; the Dome and Wireframe files read back with ogrinfo.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// Three observers on the island of the cell, 3 km domes, 10 m above the ground.
std::string MakeObservers(const ScratchDir& dir) {
  std::ofstream(dir / "observers.csv") << "WKT,RADIUS2,OFFSETA\n"
                                          "\"POINT (6.6 0.3)\",-3000,10\n"
                                          "\"POINT (6.65 0.35)\",-3000,10\n"
                                          "\"POINT (6.6 0.2)\",-3000,10\n";
  std::string shp = dir / "observers.shp";
  ToolOutput("ogr2ogr -f \"ESRI Shapefile\" -a_srs EPSG:4326 -oo AUTODETECT_TYPE=YES " +
             ShellQuote(shp) + " " + ShellQuote(dir / "observers.csv"));
  return shp;
}

// The number of points of every line of each MULTILINESTRING that ogrinfo prints.
std::vector<std::vector<int>> LinesOf(const std::string& info) {
  std::vector<std::vector<int>> out;
  const std::string tag = "MULTILINESTRING ZM (";
  for (std::size_t at = info.find(tag); at != std::string::npos; at = info.find(tag, at + 1)) {
    std::vector<int> lines;
    int points = 1;
    for (std::size_t i = at + tag.size(); i < info.size() && info[i] != '\n'; ++i) {
      const char c = info[i];
      if (c == ',') ++points;
      if (c == '(') points = 1;
      if (c == ')' && info[i - 1] != ')') lines.push_back(points);
    }
    out.push_back(lines);
  }
  return out;
}

TEST(ThreatDomeSession, ThreeObserversTwiceThenEscDuringTheSecondDome) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  VELK_REQUIRE(ToolOutput("command -v ogrinfo") != "", "ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  const std::string observers = MakeObservers(dir);
  ASSERT_TRUE(fs::exists(observers));
  // An observer far off the cell: its run is refused.
  std::ofstream(dir / "far.csv") << "WKT,RADIUS2,OFFSETA\n\"POINT (50 50)\",-3000,10\n";
  const std::string far = dir / "far.shp";
  ToolOutput("ogr2ogr -f \"ESRI Shapefile\" -a_srs EPSG:4326 -oo AUTODETECT_TYPE=YES " +
             ShellQuote(far) + " " + ShellQuote(dir / "far.csv"));
  const std::string script = "host globe\nregister " + kCorvaneLibrary +
                             "\nextension Tarvos on\nadd-raster " + kSharedDtedCell +
                             " cell\nelevation cell\nadd-features " + far + " far\nadd-features " +
                             observers + R"S( observers
print command velkTarvosUI.ThreatDome
click velkTarvosUI.ThreatDome
dialog 3277
print 3796
print 3797
press OK
print status
print tree
click velkTarvosUI.ThreatDome
dialog 3277
press OK
click velkTarvosUI.ThreatDome
dialog 3277
escape-on-status "Generating threat dome ( 2 of 3 )"
press OK
print status
print tree
pick 3797 far
press OK
expect error "Base surface"
print status
press Cancel
print windows
)S";
  CommandResult r = RunSession(root, dir.path(), "domes.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_TRUE(Has(r.out, "caption=\"Threat Dome...\" enabled=yes")) << r.out;
  EXPECT_TRUE(Has(r.out, "3796 combo \"cell\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "3797 combo \"observers\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "> print status\n  status \"Done\"\n")) << r.out;
  // Each member of the group is drawn on the globe without the sun's lighting.
  EXPECT_TRUE(Has(r.out,
                  "\"Threat Dome of cell\"\n     1. \"Wireframe\" unlit\n"
                  "     2. \"Dome\" unlit\n"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "  4. \"cell\"\n")) << r.out;  // the base layer keeps its lighting
  // The third run stopped: its group never reached the globe.
  EXPECT_TRUE(Has(r.out, "> print status\n  status \"Operation cancelled\"\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"Threat Dome 2 of cell\"")) << r.out;
  EXPECT_FALSE(Has(r.out, "Threat Dome 3 of cell")) << r.out;
  // The refused run: the status says why, not a step that asks for Esc.
  const std::size_t refused = r.out.find("> expect error");
  ASSERT_NE(refused, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Press Esc To Cancel\"", refused), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  status \"Could not create Base surface", refused), std::string::npos)
      << r.out;

  // Two finished runs, each with a dome and a wireframe per observer.
  int finished = 0;
  for (const auto& folder :
       fs::directory_iterator(fs::path(root.path()) / "scratch" / "ThreatDome")) {
    if (!folder.is_directory() || !fs::exists(folder.path() / "Dome.shp")) continue;
    ++finished;
    const std::string dome =
        ToolOutput("ogrinfo -ro -al " + ShellQuote(folder.path() / "Dome.shp"));
    EXPECT_TRUE(Has(dome, "Feature Count: 3")) << folder.path();
    // 36 strips of 38 points (36 triangles each) and the fan of 38 (36 triangles) per dome.
    std::size_t triangles = 0;
    for (std::size_t at = dome.find("((("); at != std::string::npos; at = dome.find("((", at + 2))
      ++triangles;
    EXPECT_EQ(triangles, 3u * (36 * 36 + 36)) << folder.path();
    const auto lines =
        LinesOf(ToolOutput("ogrinfo -ro -al " + ShellQuote(folder.path() / "Wireframe.shp")));
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& feature : lines) {
      ASSERT_EQ(feature.size(), 36u + 19u);
      for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(feature[i], 19);
      for (std::size_t i = 36; i < 55; ++i) EXPECT_EQ(feature[i], 37);
    }
  }
  EXPECT_EQ(finished, 2);
  // The stopped and the refused run left no work folder behind.
  const auto folders =
      std::distance(fs::directory_iterator(fs::path(root.path()) / "scratch" / "ThreatDome"),
                    fs::directory_iterator());
  EXPECT_EQ(folders, 2);
}

}  // namespace
}  // namespace velk::test
