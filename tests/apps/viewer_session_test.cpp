// The 3-D viewer as a user runs it over the shared DTED cell: a catalog of the cell, its DTED
// layer chosen in the toolbar, a drag over the cell, an observer layer and a vector product
// layer, the layers chosen in 3049, the launch; the work folder read back with gdalinfo and
// ogrinfo (the clipped shapefiles against ogr2ogr's clip of the same OGDI layers), the domes
// built, a second of look-around flight, the scene saved as glTF and read back, the camera path
// as CSV.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// A vector product over the cell and an observer layer as the radial line of sight writes it.
void MakeViewerInputs(const ScratchDir& dir) {
  // The vector product: its first library from 6.32 to 6.92 east, 0.2 to 0.8 north,
  // the second east of it; a coverage whose name is no file name.
  VpfDatabaseSpec vpf = SmallVpfDatabase("vmaplv0", {6.32, 0.2}, 0.6);
  for (auto& lib : vpf.libraries)
    for (auto& cov : lib.coverages)
      if (cov.name == "trans") cov.description = "../x:y";
  ASSERT_TRUE(MakeVpfDatabase(dir / "vpf", vpf));
  // An observer layer as the radial line of sight writes it: one observer on the cell.
  const std::string csv = dir / "observers.csv";
  std::ofstream(csv) << "WKT,OFFSETA,RADIUS2,AZIMUTH1,AZIMUTH2\n"
                        "\"POINT (6.5 0.4)\",10,-2000,0,360\n";
  ASSERT_EQ(RunCommand("ogr2ogr -q -a_srs EPSG:4326 -oo GEOM_POSSIBLE_NAMES=WKT -oo "
                       "KEEP_GEOM_COLUMNS=NO -oo AUTODETECT_TYPE=YES " +
                       ShellQuote(dir / "observers.shp") + " " + ShellQuote(csv))
                .status,
            0);
}

// A launch stopped with Esc, a launch with domes and a second of look-around flight, the scene
// and the camera path saved, then a drag on a projected map.
const char* const kViewerSession = R"S(host map
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
catalog-new {dir}/catalog.gpkg vmap vpf
catalog-load {dir}/catalog.gpkg vmap vpf {dir}/vpf
add-vector {dir}/catalog.gpkg vmap
show-coverage vmap 0 1 2
refresh-coverages vmap
vector-switch vmap display-coverages on
vector-switch vmap use-scale-dep off
save-picture {dir}/map.png
select-layer cells
print command velkTarvosUI.DDDViewer
click velkTarvosUI.DDDViewer
map-drag 400 300 600 500
press Cancel
print graphics
map-drag 400 300 600 500
check 3518
escape-on-status "Extracting data from Population points [lib1]"
press "Launch Viewer"
print status
print windows
press Cancel
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
print graphics
map-reference 32632
map-drag 400 300 600 500
print graphics
expect error
)S";

// The dialogs, the extent graphic and the refusals as the user saw them.
void CheckWhatTheUserSaw(const std::string& out) {
  EXPECT_TRUE(Has(out, "dialog 3049 \"3D Viewer Layers\"")) << out;
  EXPECT_TRUE(Has(out, "3550 listview rows [\"cell\" [x], \"vmap\" [x]]")) << out;
  EXPECT_TRUE(Has(out, "3583 listview rows [\"observers\" [x]]")) << out;
  EXPECT_TRUE(Has(out, "dialog 3048 \"Tarvos 3D Viewer\"")) << out;
  EXPECT_TRUE(Has(out, "scene saved to")) << out;
  // Cancel in the layer choice takes the extent graphic away; a launch keeps it; a drag on a
  // projected map is refused and takes it away.
  EXPECT_TRUE(Has(out, "ended with Cancel (2)\nclosed dialog 3049 \"3D Viewer Layers\"\n> "
                         "print graphics\n  no graphics"))
      << out;
  EXPECT_TRUE(Has(out, "> print graphics\n  1. graphic")) << out;
  EXPECT_TRUE(Has(out, "message box \"Error\": \"This operation is not supported on a dataframe "
                         "with a Projected Coordinate System\" (stop, OK) -> OK\n> print "
                         "graphics\n  no graphics"))
      << out;
  // Esc during the extraction: the choice stays open, no viewer.
  EXPECT_TRUE(Has(out, "> print status\n  status \"Operation cancelled\"\n> print windows\n"
                         "  dialog 3049 \"3D Viewer Layers\" modal\n> press Cancel"))
      << out;
}

// Two work folders: the launch stopped by Esc, and the one that went to its end (the last
// layer it writes is the second library's lines). The finished one; empty when they are not
// two.
fs::path CheckWorkFolders(const TempRoot& root, const std::string& out) {
  std::vector<fs::path> works;
  for (const auto& e : fs::recursive_directory_iterator(root.path()))
    if (e.is_directory() && e.path().parent_path().filename() == "DDDViewer")
      works.push_back(e.path());
  EXPECT_EQ(works.size(), 2u) << out;
  if (works.size() != 2) return {};
  if (fs::exists(works[0] / "_x_y lines [lib2].shp")) std::swap(works[0], works[1]);
  const fs::path stopped = works[0];
  // The stopped one holds only whole files: every shapefile with its index and table, no
  // working names, and nothing of the layers after the Esc.
  for (const auto& e : fs::directory_iterator(stopped)) {
    const fs::path& p = e.path();
    EXPECT_EQ(p.filename().string().find("~clip_"), std::string::npos) << p;
    if (p.extension() != ".shp") continue;
    EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(".shx"))) << p;
    EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(".dbf"))) << p;
  }
  EXPECT_FALSE(fs::exists(stopped / "_x_y lines [lib1].shp"));
  return works[1];
}

// The clipped cell and the dragged rectangle "ShapeTable" (the drag spans 6.4 to 6.6 east, 0.3
// to 0.5 north).
void CheckClippedCellAndRectangle(const fs::path& work) {
  std::vector<std::string> rasters;
  for (const auto& e : fs::directory_iterator(work))
    if (e.path().extension() == ".tif") rasters.push_back(e.path().string());
  ASSERT_EQ(rasters.size(), 1u) << work;
  const std::string info = ToolOutput("gdalinfo " + ShellQuote(rasters.front()));
  EXPECT_TRUE(Has(info, "Driver: GTiff")) << info;

  // "ShapeTable": one polygon, the dragged rectangle's corners and the first again.
  const std::string table = ToolOutput("ogrinfo -ro -al " + ShellQuote(work / "ShapeTable.shp"));
  EXPECT_TRUE(Has(table, "Feature Count: 1")) << table;
  const std::size_t ring = table.find("POLYGON ((");
  ASSERT_NE(ring, std::string::npos) << table;
  std::string coords = table.substr(ring + 10, table.find("))", ring) - ring - 10);
  std::replace(coords.begin(), coords.end(), ',', ' ');
  std::istringstream numbers(coords);
  std::vector<double> xy;
  for (double v; numbers >> v;) xy.push_back(v);
  const std::vector<double> corners = {6.4, 0.3, 6.4, 0.5, 6.6, 0.5, 6.6, 0.3, 6.4, 0.3};
  ASSERT_EQ(xy.size(), corners.size()) << table;
  for (std::size_t i = 0; i < xy.size(); ++i) EXPECT_NEAR(xy[i], corners[i], 1e-9) << table;
}

// The clipped shapefiles: one per feature layer of the product's groups (the footprints
// directly under the vector layer are not copied), named safely after the layer; each holds
// what ogr2ogr's clip of the same OGDI layer by the same rectangle holds.
void CheckClippedShapefiles(const ScratchDir& dir, const fs::path& work) {
  std::set<std::string> shapefiles;
  for (const auto& e : fs::directory_iterator(work))
    if (e.path().extension() == ".shp" && e.path().stem() != "ShapeTable")
      shapefiles.insert(e.path().stem().string());
  struct Layer {
    std::string file, library, ogdiLayer, names;
  } layers[] = {
      {"Population points [lib1]", "lib1", "builtp@pop(*)_point", "Town 1;"},
      {"Population points [lib2]", "lib2", "builtp@pop(*)_point", ""},
      {"Population areas [lib1]", "lib1", "builta@pop(*)_area", "City 1;"},
      {"Population areas [lib2]", "lib2", "builta@pop(*)_area", ""},
      {"_x_y lines [lib1]", "lib1", "roadl@trans(*)_line", "Road 1;"},
      {"_x_y lines [lib2]", "lib2", "roadl@trans(*)_line", ""},
  };
  std::set<std::string> expected;
  for (const Layer& l : layers) expected.insert(l.file);
  EXPECT_EQ(shapefiles, expected);
  auto namesIn = [](const std::string& file, const std::string& layer) {
    std::string text;
    for (const auto& row : OgrRows(file, "SELECT nam FROM \"" + layer + "\" ORDER BY nam"))
      text += row.at("nam") + ";";
    return text;
  };
  for (const Layer& l : layers) {
    SCOPED_TRACE(l.file);
    const std::string ours = work / (l.file + ".shp");
    ASSERT_TRUE(fs::exists(ours));
    const std::string theirs = dir / ("ref_" + l.library + "_" + l.ogdiLayer.substr(0, 5) + ".shp");
    ASSERT_EQ(RunCommand("ogr2ogr -q -clipsrc 6.4 0.3 6.6 0.5 " + ShellQuote(theirs) + " " +
                         ShellQuote("gltp:/vrf" + dir / ("vpf/vmaplv0/" + l.library)) + " " +
                         ShellQuote(l.ogdiLayer))
                  .status,
              0);
    EXPECT_EQ(namesIn(ours, l.file), l.names);
    EXPECT_EQ(namesIn(ours, l.file), namesIn(theirs, fs::path(theirs).stem().string()));
    // Cut to the rectangle.
    for (const auto& box : OgrRows(ours,
                                   "SELECT ST_MinX(geometry) AS x0, ST_MinY(geometry) AS y0, "
                                   "ST_MaxX(geometry) AS x1, ST_MaxY(geometry) AS y1 FROM \"" +
                                       l.file + "\"",
                                   nullptr, true)) {
      EXPECT_GE(std::stod(box.at("x0")), 6.4 - 1e-9);
      EXPECT_GE(std::stod(box.at("y0")), 0.3 - 1e-9);
      EXPECT_LE(std::stod(box.at("x1")), 6.6 + 1e-9);
      EXPECT_LE(std::stod(box.at("y1")), 0.5 + 1e-9);
    }
  }
}

// The redraws: the scene loaded, the domes added, the flight prepared, then a second of the
// clock moves the camera through ten look-around points, one every 100 ms.
void CheckFlight(const ScratchDir& dir, const std::string& out) {
  std::ifstream path(dir / "path.csv");
  std::vector<std::string> lines;
  for (std::string line; std::getline(path, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 14u) << out;
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
}

// The saved scene: the ground, the domes and the product's layers, one camera; the dome's
// surface on the dome.
void CheckScene(const ScratchDir& dir) {
  tinygltf::TinyGLTF reader;
  tinygltf::Model model;
  std::string err, warn;
  ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &err, &warn, dir / "scene.glb")) << err;
  std::vector<std::string> names;
  for (const auto& mesh : model.meshes) names.push_back(mesh.name);
  EXPECT_NE(std::find(names.begin(), names.end(), "ground"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "observers.dome"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "observers.wireframe"), names.end());
  // The clipped product's layers, members of its groups in the scene, draped on the ground.
  for (const char* layer : {"Population points [lib1]", "Population areas [lib1]", "../x:y lines [lib1]"})
    EXPECT_NE(std::find(names.begin(), names.end(), layer), names.end()) << layer;
  EXPECT_EQ(model.cameras.size(), 1u);

  // The dome's surface lies on the dome: its vertices span the heights of its wireframe's
  // rings (glTF's y is the height), not all at 0.
  auto heights = [&](const std::string& meshName) {
    std::vector<float> ys;
    for (const auto& mesh : model.meshes) {
      if (mesh.name != meshName) continue;
      for (const auto& primitive : mesh.primitives) {
        const auto& accessor =
            model.accessors[static_cast<std::size_t>(primitive.attributes.at("POSITION"))];
        const auto& view = model.bufferViews[static_cast<std::size_t>(accessor.bufferView)];
        const auto* data = model.buffers[static_cast<std::size_t>(view.buffer)].data.data() +
                           view.byteOffset + accessor.byteOffset;
        for (std::size_t i = 0; i < accessor.count; ++i) {
          float xyz[3];
          std::memcpy(xyz, data + i * sizeof xyz, sizeof xyz);
          ys.push_back(xyz[1]);
        }
      }
    }
    std::sort(ys.begin(), ys.end());
    return ys;
  };
  const std::vector<float> dome = heights("observers.dome");
  const std::vector<float> rings = heights("observers.wireframe");
  ASSERT_FALSE(dome.empty());
  ASSERT_FALSE(rings.empty());
  EXPECT_GT(rings.back() - rings.front(), 100.0f);
  EXPECT_NEAR(dome.front(), rings.front(), 1.0f);
  EXPECT_NEAR(dome.back(), rings.back(), 1.0f);
  // Every height of a ring is a height of the dome's vertices.
  int missing = 0;
  for (float y : rings) {
    const auto near = std::lower_bound(dome.begin(), dome.end(), y - 0.01f);
    missing += near == dome.end() || *near > y + 0.01f;
  }
  EXPECT_EQ(missing, 0) << "of " << rings.size();
}

// The Khronos glTF validator finds no error in the scene.
void CheckSceneValidates(const ScratchDir& dir) {
  VELK_REQUIRE(
      ToolOutput("bash " + ShellQuote(std::string(VELK_SOURCE_DIR) + "/scripts/gltf_validate.sh") +
                 " --where") != "",
      "the glTF validator is not installed (scripts/gltf_validate.sh --install)");
  int status = -1;
  const std::string report =
      ToolOutput("bash " + ShellQuote(std::string(VELK_SOURCE_DIR) + "/scripts/gltf_validate.sh") +
                     " " + ShellQuote(dir / "scene.glb"),
                 &status);
  EXPECT_EQ(status, 0) << report;
  EXPECT_TRUE(Has(report, ": 0 errors,")) << report;
}

TEST(ViewerSession, TheSharedDtedCellWithDomesAFlightAndItsPictures) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  VELK_REQUIRE(ToolOutput("command -v ogrinfo") != "", "ogrinfo is not installed");
  VELK_REQUIRE(ToolOutput("command -v ogr2ogr") != "", "ogr2ogr is not installed");
  VELK_REQUIRE(ToolOutput("command -v gdalinfo") != "", "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  MakeViewerInputs(dir);
  if (HasFatalFailure()) return;
  CommandResult r = RunSession(root, dir.path(), "viewer.session", kViewerSession);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  CheckWhatTheUserSaw(r.out);
  const fs::path work = CheckWorkFolders(root, r.out);
  ASSERT_FALSE(work.empty()) << r.out;
  CheckClippedCellAndRectangle(work);
  CheckClippedShapefiles(dir, work);
  CheckFlight(dir, r.out);
  CheckScene(dir);
  CheckSceneValidates(dir);
}

// A vector product whose layers the map never drew: the launch names the layers it leaves out
// (their data was never opened) instead of dropping them without a word, and the viewer opens.
TEST(ViewerSession, LayersWhoseDataWasNeverOpenedAreNamed) {
  VELK_REQUIRE(fs::exists(kSharedDtedCell), "shared DTED cell not found: " + kSharedDtedCell);
  TempRoot root;
  ScratchDir dir;
  ASSERT_TRUE(MakeVpfDatabase(dir / "vpf", SmallVpfDatabase("vmaplv0", {6.32, 0.2}, 0.6)));
  CommandResult r = RunSession(root, dir.path(), "viewer.session", R"S(host map
register {corvane}
register {lumeris}
extension Tarvos on
extension Sorrelin on
map-reference 4326
map-extent 6 0 7 0.8
catalog-new {dir}/catalog.gpkg cells dted
catalog-load {dir}/catalog.gpkg cells dted {dteds}
add-catalog-layer {dir}/catalog.gpkg cells dted
catalog-new {dir}/catalog.gpkg vmap vpf
catalog-load {dir}/catalog.gpkg vmap vpf {dir}/vpf
add-vector {dir}/catalog.gpkg vmap
show-coverage vmap 0
refresh-coverages vmap
vector-tree vmap
select-layer cells
click velkTarvosUI.DDDViewer
map-drag 400 300 600 500
press "Launch Viewer"
print windows
expect error
)S");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_FALSE(Has(r.out, "[lib1] [open]")) << r.out;
  const auto said = r.out.find(
      "Left out of the 3-D view, as the map has not opened their data "
      "yet (draw them once first): ");
  ASSERT_NE(said, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[lib1]", said), std::string::npos) << r.out.substr(said);
  EXPECT_TRUE(Has(r.out, "dialog 3048 \"Tarvos 3D Viewer\"")) << r.out;
}

}  // namespace
}  // namespace velk::test
