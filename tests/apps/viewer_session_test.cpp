// The 3-D viewer as a user runs it over the shared DTED cell: a catalog of the cell, its DTED
// layer chosen in the toolbar, a drag over the cell and an observer layer, the layers chosen in
// 3049, the launch; the work folder read back with gdalinfo and ogrinfo, the domes built, a
// second of look-around flight, the scene saved as glTF and read back, the camera path as CSV.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

const std::string kTrevik = VELK_BIN_DIR "/trevik";
const std::string kCorvane = VELK_LIB_DIR "/libCorvane.so";
const std::string kLumeris = VELK_LIB_DIR "/libLumeris.so";
const std::string kDtedFolder = std::string(VELK_SHARED_DATA) + "/dted";
const std::string kDted = kDtedFolder + "/n00_e006_3arc_v2.dt1";

std::string Substitute(std::string text, const std::string& dir) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"{corvane}", kCorvane},
                            {"{lumeris}", kLumeris},
                            {"{dteds}", kDtedFolder},
                            {"{dted}", kDted},
                            {"{dir}", dir}})
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key))
      text.replace(at, key.size(), value);
  return text;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ViewerSession, TheSharedDtedCellWithDomesAFlightAndItsPictures) {
  VELK_REQUIRE(fs::exists(kDted), "shared DTED cell not found: " + kDted);
  VELK_REQUIRE(ToolOutput("command -v ogrinfo") != "", "ogrinfo is not installed");
  VELK_REQUIRE(ToolOutput("command -v ogr2ogr") != "", "ogr2ogr is not installed");
  VELK_REQUIRE(ToolOutput("command -v gdalinfo") != "", "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  // An observer layer as the radial line of sight writes it: one observer on the cell.
  const std::string csv = dir / "observers.csv";
  std::ofstream(csv) << "WKT,OFFSETA,RADIUS2,AZIMUTH1,AZIMUTH2\n"
                        "\"POINT (6.5 0.4)\",10,-2000,0,360\n";
  ASSERT_EQ(RunCommand("ogr2ogr -q -a_srs EPSG:4326 -oo GEOM_POSSIBLE_NAMES=WKT -oo "
                       "KEEP_GEOM_COLUMNS=NO -oo AUTODETECT_TYPE=YES " +
                       ShellQuote(dir / "observers.shp") + " " + ShellQuote(csv))
                .status,
            0);
  const std::string script = Substitute(R"S(host map
register {corvane}
register {lumeris}
extension Tarvos on
extension Sorrelin on
map-reference 4326
map-extent 6 0 7 0.8
catalog-new {dir}/catalog.gpkg cells dted
catalog-load {dir}/catalog.gpkg cells dted {dteds}
add-catalog-layer {dir}/catalog.gpkg cells dted
add-raster {dted} cell
add-features {dir}/observers.shp observers
select-layer cells
print command velkTarvosUI.DDDViewer
click velkTarvosUI.DDDViewer
map-drag 400 300 600 500
print dialog
check 3518
check 3525
press "Launch Viewer"
print windows
pick 3555 observers
press 3043
pick 3539 observers
press 3016
wait 1000
press 3016
save-scene {dir}/scene.glb
save-camera-path {dir}/path.csv
close
print status
)S",
                                        dir.path());
  std::ofstream(dir / "viewer.session") << script;
  CommandResult r = RunCommand(kTrevik + " --root " + root.path() + " run " +
                               ShellQuote(dir / "viewer.session"));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "dialog 3049 \"3D Viewer Layers\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "3550 listview rows [\"cell\" [x]]")) << r.out;
  EXPECT_TRUE(Has(r.out, "3583 listview rows [\"observers\" [x]]")) << r.out;
  EXPECT_TRUE(Has(r.out, "dialog 3048 \"Tarvos 3D Viewer\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "scene saved to")) << r.out;

  // The work folder: the clipped cell (the drag spans 6.4 to 6.6 east, 0.3 to 0.5 north).
  std::string work;
  for (const auto& e : fs::recursive_directory_iterator(root.path()))
    if (e.is_directory() && e.path().parent_path().filename() == "DDDViewer")
      work = e.path().string();
  ASSERT_FALSE(work.empty()) << r.out;
  std::vector<std::string> rasters;
  for (const auto& e : fs::directory_iterator(work))
    if (e.path().extension() != ".tmp" && e.path().extension() != ".aux" &&
        e.is_regular_file() && e.file_size() > 0 && e.path().extension() != ".xml")
      rasters.push_back(e.path().string());
  ASSERT_FALSE(rasters.empty()) << work;
  const std::string info = ToolOutput("gdalinfo " + ShellQuote(rasters.front()));
  EXPECT_TRUE(Has(info, "Driver:")) << info;

  // The redraws: the scene loaded, the domes added, the flight prepared, then a second of the
  // clock moves the camera through ten look-around points, one every 100 ms.
  std::ifstream path(dir / "path.csv");
  std::vector<std::string> lines;
  for (std::string line; std::getline(path, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 14u) << r.out;
  EXPECT_EQ(lines[0], "tick,observer_x,observer_y,observer_z,target_x,target_y,target_z");
  std::vector<std::string> ticks, observers, targets;
  for (std::size_t i = 4; i < lines.size(); ++i) {
    std::stringstream fields(lines[i]);
    std::string tick, ox, oy, oz, tx;
    std::getline(fields, tick, ',');
    std::getline(fields, ox, ',');
    std::getline(fields, oy, ',');
    std::getline(fields, oz, ',');
    std::getline(fields, tx, ',');
    ticks.push_back(tick);
    observers.push_back(ox + "," + oy + "," + oz);
    targets.push_back(tx);
  }
  EXPECT_EQ(ticks, (std::vector<std::string>{"100", "200", "300", "400", "500", "600", "700",
                                             "800", "900", "1000"}));
  EXPECT_EQ(std::count(observers.begin(), observers.end(), observers.front()), 10);
  EXPECT_EQ(std::set<std::string>(targets.begin(), targets.end()).size(), 10u);

  tinygltf::TinyGLTF reader;
  tinygltf::Model model;
  std::string err, warn;
  ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &err, &warn, dir / "scene.glb")) << err;
  std::vector<std::string> names;
  for (const auto& mesh : model.meshes) names.push_back(mesh.name);
  EXPECT_NE(std::find(names.begin(), names.end(), "ground"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "observers.dome"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "observers.wireframe"), names.end());
  EXPECT_EQ(model.cameras.size(), 1u);
}

}  // namespace
}  // namespace velk::test
