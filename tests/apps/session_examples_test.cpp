// The example inputs a session writes: an observer layer read back with ogrinfo (its points and
// the observer fields), a VPF product read back through GDAL's OGDI driver, and the lines that
// are refused, each with its reason and without touching what is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

TEST(SessionExamples, AnObserverLayerHoldsTheObserversWithTheirFields) {
  VELK_REQUIRE(!ProgramOnPath("ogrinfo").empty(), "ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  const CommandResult r =
      RunSession(root, dir.path(), "observers.session",
                 "host map\nmake-observers observers.shp 2.5 12 6.6 0.3 -170.25 -45.5\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("  wrote 2 observers to observers.shp"), std::string::npos) << r.out;
  bool ok = false;
  const auto rows = OgrRows(dir / "observers.shp",
                            "SELECT ST_X(geometry) AS x, ST_Y(geometry) AS y, OFFSETA, RADIUS1, "
                            "RADIUS2, AZIMUTH1, AZIMUTH2, VERT1, VERT2 FROM observers",
                            &ok, true);
  ASSERT_TRUE(ok);
  ASSERT_EQ(rows.size(), 2u);
  const std::pair<double, double> places[] = {{6.6, 0.3}, {-170.25, -45.5}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("x")), places[i].first);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("y")), places[i].second);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("OFFSETA")), 12);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("RADIUS1")), 0);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("RADIUS2")), -2500);  // negative metres
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("AZIMUTH1")), 0);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("AZIMUTH2")), 360);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("VERT1")), 90);
    EXPECT_DOUBLE_EQ(std::stod(rows[i].at("VERT2")), -90);
  }
  const std::string info =
      ToolOutput("ogrinfo -ro -so " + ShellQuote(dir / "observers.shp") + " observers");
  EXPECT_NE(info.find("Geometry: Point"), std::string::npos) << info;
  EXPECT_NE(info.find("WGS 84"), std::string::npos) << info;
}

TEST(SessionExamples, TheVpfProductOpensThroughOgdi) {
  VELK_REQUIRE(!ProgramOnPath("ogrinfo").empty(), "ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  const CommandResult r = RunSession(root, dir.path(), "vpf.session", "host map\nmake-vpf vpf\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::string library = "gltp:/vrf" + dir / "vpf/sample/east6";
  struct Case {
    const char* layer;  // the start of the OGDI layer's name
    std::size_t features;
    const char* names;
  } cases[] = {{"builtp@pop(", 2, "North Town;South Town;"},
               {"builta@pop(", 1, "City;"},
               {"roadl@trans(", 1, "Coast Road;"}};
  const std::string layers = ToolOutput("ogrinfo -ro -q " + ShellQuote(library) + " 2>/dev/null");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layer);
    const std::size_t at = layers.find(c.layer);
    ASSERT_NE(at, std::string::npos) << layers;
    const std::string layer = layers.substr(at, layers.find_first_of(" \n", at) - at);
    bool ok = false;
    const auto rows = OgrRows(library, "SELECT nam FROM \"" + layer + "\" ORDER BY nam", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(rows.size(), c.features);
    std::string names;
    // Text cells keep their width.
    for (const auto& row : rows)
      names += row.at("nam").substr(0, row.at("nam").find_last_not_of(' ') + 1) + ";";
    EXPECT_EQ(names, c.names);
  }
}

// Lines that cannot write their example stop the session with the reason; a dataset that is
// there already is left as it was.
TEST(SessionExamples, RefusedLinesSayWhyAndLeaveWhatIsThere) {
  TempRoot root;
  ScratchDir dir;
  std::ofstream(dir / "kept.shp") << "the user's own file";
  fs::create_directories(dir / "vpf/sample");
  std::ofstream(dir / "vpf/sample/dht") << "the user's own table";
  const struct {
    const char* line;
    const char* reason;
  } cases[] = {
      {"make-observers o.shp 0 10 6 0", "the far distance must be more than 0 km, not 0"},
      {"make-observers o.shp -1 10 6 0", "the far distance must be more than 0 km"},
      {"make-observers o.shp x 10 6 0", "must be a number, not x"},
      {"make-observers o.shp 3 10 6", "the last observer has no latitude"},
      {"make-observers o.shp 3 10", "needs an observer's longitude and latitude"},
      {"make-observers o.shp 3 10 181 0", "no place on the earth at longitude 181"},
      {"make-observers o.shp 3 10 6 -90.5", "no place on the earth"},
      {"make-observers kept.shp 3 10 6 0", "kept.shp"},
      {"make-vpf vpf", "is there already; it is left as it is"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const CommandResult r =
        RunSession(root, dir.path(), "refused.session", std::string("host map\n") + c.line + "\n");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "o.shp"));
  EXPECT_EQ(ReadFileText(dir / "kept.shp"), "the user's own file");
  EXPECT_EQ(ReadFileText(dir / "vpf/sample/dht"), "the user's own table");
}

}  // namespace
}  // namespace velk::test
