// The linear line of sight as a user runs it on the shared DTED cell: observer and target
// picked with the coordinate tool across the island's ridge and along a clear slope, offsets
// typed, Ok pressed; the result files and layers, the status, and the profile graph checked
// against gdallocationinfo. Also a leftover target file from an earlier run.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// The map shows longitude 6 to 7 and latitude 0 to 0.8 at 0.001 degrees a pixel.
const char* kSetUp = R"S(host map
register {lib}
extension Tarvos on
extension Sorrelin on
setting TerrainDisplayLOSProfile=true
add-raster {dted} cell
map-reference 4326
map-extent 6.0 0.0 7.0 0.8
click velkTarvosUI.CoordTool
click velkTarvosUI.LinearLOS
)S";

// West coast up to the crest and down behind it; then from the crest out to the sea in the east.
const char* kTwoRuns = R"S(press 3011
map-click 500 480
press 3010
map-click 690 480
print 3101
print 3100
print 3077
set 3102 2
set 3078 0
press 3003
print status
print tree
print graphs
press 3006
press 3011
map-click 590 480
press 3010
map-click 760 480
press 3003
print status
print graphs
)S";

fs::path FindFolder(const std::string& root, const std::string& name) {
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_directory() && e.path().filename() == name) return e.path();
  return {};
}

// The records of a shapefile as ogrinfo lists them, one text per feature.
std::vector<std::string> Features(const fs::path& shp) {
  std::istringstream in(ToolOutput("ogrinfo -q -al " + ShellQuote(shp.string())));
  std::vector<std::string> features;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("OGRFeature", 0) == 0)
      features.emplace_back();
    else if (!features.empty())
      features.back() += line + "\n";
  }
  return features;
}

// Longitudes of a WKT geometry's vertices.
std::vector<double> Longitudes(const std::string& feature) {
  std::vector<double> out;
  const auto open = feature.find('(', feature.find("STRING"));
  if (open == std::string::npos) return out;
  // Vertices are separated by commas, each starting with its x.
  std::string coords = feature.substr(open);
  for (char& c : coords)
    if (c == '(' || c == ')') c = ' ';
  std::istringstream in(coords);
  std::string vertex;
  while (std::getline(in, vertex, ',')) {
    std::istringstream v(vertex);
    double x;
    if (v >> x) out.push_back(x);
  }
  return out;
}

std::vector<double> Elevations(const std::vector<std::pair<double, double>>& lonLat) {
  std::string input;
  for (auto [lon, lat] : lonLat) input += std::to_string(lon) + " " + std::to_string(lat) + "\n";
  std::istringstream out(ToolOutput("printf '%s' " + ShellQuote(input) +
                                    " | gdallocationinfo -valonly -geoloc " +
                                    ShellQuote(kSharedDtedCell)));
  std::vector<double> values;
  double v;
  while (out >> v) values.push_back(v);
  return values;
}

// The (x, y) points of series 1 of a graph's CSV ("series,x,y").
void ReadFirstSeries(const fs::path& path, std::vector<std::pair<double, double>>& points) {
  std::ifstream csv(path);
  ASSERT_TRUE(csv) << path;
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "series,x,y");
  while (std::getline(csv, line)) {
    double s, m, z;
    char c1, c2;
    std::istringstream row(line);
    ASSERT_TRUE(row >> s >> c1 >> m >> c2 >> z) << line;
    if (s == 1) points.emplace_back(m, z);
  }
}

TEST(LinearLosSession, AcrossTheRidgeThenAClearLineWithTheProfileGraph) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  VELK_REQUIRE(ToolOutput("command -v gdallocationinfo") != "", "GDAL utilities not installed");
  TempRoot root;
  ScratchDir dir;
  CommandResult r = RunSession(root, dir.path(), "linear.session", std::string(kSetUp) + kTwoRuns);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  // The picked points, as the dialog shows them.
  EXPECT_NE(r.out.find("3101 edit \"6.50"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("3077 edit \"6.69"), std::string::npos) << r.out;
  const auto first = r.out.find("> press 3003");
  const auto second = r.out.rfind("> press 3003");
  ASSERT_NE(first, second);
  EXPECT_NE(r.out.find("  status \"Target is not visible\"", first), std::string::npos) << r.out;
  EXPECT_LT(r.out.find("  status \"Target is not visible\"", first), second) << r.out;
  EXPECT_NE(r.out.find("  status \"Target is visible\"", second), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  1. \"Linear Visibility 0000 of cell\"\n"
                       "     1. \"Visibility 0000 of cell\"\n"
                       "     2. \"Start Location for Visibility 0000 of cell\"\n"
                       "     3. \"End Location for Visibility 0000 of cell\"\n"),
            std::string::npos)
      << r.out;
  // The second run's profile goes into the graph still open.
  EXPECT_NE(r.out.find("  graph \"Visibility 0000 of cell\" title \"LLOS Surface Profile\" shown"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("    series 2: "), std::string::npos) << r.out;
  // The template from the install folder the host program registered as its own.
  EXPECT_NE(r.out.find("    template " VELK_BIN_DIR "/GraphTemplates/Default.tee\n"),
            std::string::npos)
      << r.out;

  const fs::path work = FindFolder(root.path(), "LinearLOS");
  ASSERT_FALSE(work.empty());
  for (const char* name : {"los2dc0000.shp", "loslocstart0000.shp", "loslocend0000.shp",
                           "los2dc0001.shp", "loslocstart0001.shp", "loslocend0001.shp"})
    EXPECT_TRUE(fs::exists(work / name)) << name;
  for (const auto& e : fs::directory_iterator(work))
    EXPECT_NE(e.path().filename().string().rfind("profile", 0), 0u) << e.path();

  // Seen up the west face to the crest, hidden behind it.
  const auto lines = Features(work / "los2dc0000.shp");
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_NE(lines[0].find("Visible (Integer) = 1"), std::string::npos) << lines[0];
  ASSERT_NE(lines[1].find("Visible (Integer) = 0"), std::string::npos) << lines[1];
  const auto seen = Longitudes(lines[0]), hidden = Longitudes(lines[1]);
  ASSERT_FALSE(seen.empty());
  ASSERT_FALSE(hidden.empty());
  // The crest that hides the rest is the spur at 6.53 E (441 m; the summit at 6.59 E, 964 m,
  // stays below the line from the eye over it, as gdallocationinfo's heights show).
  EXPECT_NEAR(*std::min_element(seen.begin(), seen.end()), 6.50, 0.002);
  EXPECT_NEAR(*std::max_element(seen.begin(), seen.end()), 6.53, 0.005);
  EXPECT_NEAR(*std::max_element(hidden.begin(), hidden.end()), 6.69, 0.002);
  EXPECT_GT(std::count_if(hidden.begin(), hidden.end(), [](double lon) { return lon > 6.6; }), 50);
  const auto start = Features(work / "loslocstart0000.shp");
  const auto end = Features(work / "loslocend0000.shp");
  ASSERT_EQ(start.size(), 1u);
  ASSERT_EQ(end.size(), 1u);
  EXPECT_NE(start[0].find("ID (String) = PointLocation"), std::string::npos) << start[0];
  EXPECT_NE(start[0].find("OFFSET (Real) = 2"), std::string::npos) << start[0];
  EXPECT_NE(end[0].find("OFFSET (Real) = 0"), std::string::npos) << end[0];

  // The graph's first series is the surface under the first line: at every vertex between the
  // heights of the two cells it lies between (the line runs along a latitude between rows),
  // at the ends the ground plus the offset.
  const fs::path graphs = fs::path(root.path()) / "graphs";
  ASSERT_TRUE(fs::exists(graphs / "Visibility_0000_of_cell.svg"));
  std::vector<std::pair<double, double>> profile;
  ReadFirstSeries(graphs / "Visibility_0000_of_cell.csv", profile);
  ASSERT_GT(profile.size(), 200u);  // a vertex per column of 3 arc seconds
  // Where the observer was picked, as the dialog shows it.
  auto shown = [&](const std::string& id) {
    const auto at = r.out.find(id + " edit \"");
    return at == std::string::npos ? 0.0 : std::stod(r.out.substr(at + id.size() + 7));
  };
  const double lon0 = shown("3101"), lat = shown("3100"), cell = 1.0 / 1200;
  ASSERT_NEAR(lon0, 6.5, 0.001);
  ASSERT_NEAR(lat, 0.32, 0.001);
  // The rows of cell centres the line runs between (the cell's top edge and cell size from
  // gdalinfo).
  const double top = 1.0 + cell / 2;
  const double row = std::floor((top - lat) / cell - 0.5);
  std::vector<std::pair<double, double>> probes;
  for (auto [m, z] : profile) {
    probes.emplace_back(lon0 + m, top - (row + 0.5) * cell);
    probes.emplace_back(lon0 + m, top - (row + 1.5) * cell);
  }
  const auto heights = Elevations(probes);
  ASSERT_EQ(heights.size(), probes.size());
  for (std::size_t i = 1; i + 1 < profile.size(); ++i) {
    const double a = heights[2 * i], b = heights[2 * i + 1];
    EXPECT_GE(profile[i].second, std::min(a, b) - 0.01) << i << " at M " << profile[i].first;
    EXPECT_LE(profile[i].second, std::max(a, b) + 0.01) << i << " at M " << profile[i].first;
  }
  EXPECT_NEAR(profile.front().second, Elevations({{lon0, lat}})[0] + 2.0, 0.01);
  EXPECT_NEAR(profile.back().second, Elevations({{lon0 + profile.back().first, lat}})[0], 0.01);
}

TEST(LinearLosSession, ALeftoverTargetFileIsNeverWrittenOver) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  TempRoot root;
  ScratchDir dir;
  const fs::path work = fs::path(root.path()) / "scratch" / "LinearLOS";
  fs::create_directories(work);
  std::ofstream(work / "loslocend0000.shp") << "not ours";
  CommandResult r =
      RunSession(root, dir.path(), "linear.session", std::string(kSetUp) + R"S(press 3011
map-click 590 480
press 3010
map-click 760 480
press 3003
print status
print tree
)S");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("  status \"Target is visible\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"Linear Visibility 0001 of cell\""), std::string::npos) << r.out;
  EXPECT_EQ(ReadFileText((work / "loslocend0000.shp").string()), "not ours");
  for (const char* name : {"los2dc0001.shp", "loslocstart0001.shp", "loslocend0001.shp"})
    EXPECT_TRUE(fs::exists(work / name)) << name;
  EXPECT_FALSE(fs::exists(work / "los2dc0000.shp"));
}

}  // namespace
}  // namespace velk::test
