// The VPF feature export as a user runs it over a vector product layer: the check tree of the
// feature layers the layer shows, a folder tree of shapefiles whose names are cleaned at every
// level (a coverage named "../a:b*" stays inside the chosen folder), and a geodatabase in the
// map's coordinate system; counts and attributes equal to what ogr2ogr makes of the same
// layers from the same OGDI source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// The OGDI layer of a library whose name starts with the class and coverage ("builta@pop(").
std::string OgdiLayer(const std::string& library, const std::string& prefix) {
  const std::string info = ToolOutput("ogrinfo -ro -q " + ShellQuote(library) + " 2>/dev/null");
  const std::size_t at = info.find(prefix);
  if (at == std::string::npos) return {};
  const std::size_t end = info.find_first_of(" \n", at);
  return info.substr(at, end - at);
}

std::vector<OgrRow> Rows(const std::string& file, const std::string& layer) {
  bool ok = false;
  auto rows = OgrRows(file, "SELECT * FROM \"" + layer + "\"", &ok);
  EXPECT_TRUE(ok) << file;
  return rows;
}

// The dialog without vector layers, the dataset export, then the layer's classes into a folder
// tree and into a geodatabase in the map's system.
const char* const kFolderTreeAndGeodatabase = R"(host map
register {lumeris}
register {corvane}
extension Tarvos on
catalog-new zel.gpkg vmap vpf
catalog-load zel.gpkg vmap vpf vpf
map-reference 4326
map-extent 9.9 49.6 12.1 51.4
click velkTarvosUI.VpfExport
print 1
print 3612
press Cancel
click velkTarvosUI.VpfExportDatasets
press 3026
press OK
add-vector zel.gpkg vmap
show-coverage vmap 0 1 2
refresh-coverages vmap
vector-switch vmap display-coverages on
save-picture v.png
click velkTarvosUI.VpfExport
press OK
answer OK
pick 3612 "vmap|VMAP Level 0|Population|Population points [lib2]"
key space
print 3612
pick 3612 "vmap|VMAP Level 0|Population"
key space
print 3612
check 3614
press 3034
file out
press OK
click velkTarvosUI.VpfExport
map-reference 3857
press 3034
file store.gpkg
check 3037
check 3874
check 3614
press OK
print tree
expect error
)";

// What the user saw of the dialog: the empty tree, the refusal, the check tree's propagation.
void CheckTheDialog(const std::string& out) {
  EXPECT_NE(out.find("No output specified"), std::string::npos) << out;
  // Without vector layers the tree is empty and only Cancel can be pressed.
  EXPECT_NE(out.find("> print 1\n  1 button \"OK\" default disabled"), std::string::npos) << out;
  EXPECT_NE(out.find("> print 3612\n  3612 tree count 0"), std::string::npos) << out;
  // The dataset export's dialog only closes.
  EXPECT_NE(out.find("dialog 3050 \"Export VPF Datasets\" ended with OK (1)"), std::string::npos)
      << out;
  // Clearing a child leaves its checked sibling's parent checked; clearing the parent clears
  // the subtree.
  EXPECT_NE(out.find("[x] \"Population\"\n          [x] \"Population areas [lib1]\""), std::string::npos) << out;
  EXPECT_NE(out.find("[ ] \"Population points [lib2]\""), std::string::npos) << out;
  EXPECT_NE(out.find("[ ] \"Population\"\n          [ ] \"Population areas [lib1]\""), std::string::npos) << out;
}

// Every level cleaned, and each shapefile equal to ogr2ogr's of the same OGDI layer.
void CheckTheFolderTree(const ScratchDir& dir, const std::string& out) {
  // Every level cleaned: nothing outside the chosen folder.
  EXPECT_FALSE(fs::exists(dir / "a_b_")) << out;
  const fs::path top = fs::path(dir / "out") / "vmap" / "VMAP Level 0";
  ASSERT_TRUE(fs::is_directory(top)) << out;
  struct Case {
    fs::path file;
    std::string library, prefix;
  } cases[] = {
      {top / "Population" / "Population areas [lib1].shp", "lib1", "builta@pop("},
      {top / "Population" / "Population points [lib2].shp", "lib2", "builtp@pop("},
      {top / ".._a_b_" / ".._a_b_ lines [lib1].shp", "lib1", "roadl@trans("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.string());
    ASSERT_TRUE(fs::exists(c.file)) << out;
    const std::string source = "gltp:/vrf" + dir / ("vpf/vmaplv0/" + c.library);
    const std::string layer = OgdiLayer(source, c.prefix);
    ASSERT_FALSE(layer.empty());
    const std::string ref = dir / ("ref_" + c.library + "_" + c.prefix.substr(0, 6) + ".shp");
    ToolOutput("ogr2ogr -q " + ShellQuote(ref) + " " + ShellQuote(source) + " " + ShellQuote(layer));
    const auto ours = Rows(c.file.string(), c.file.stem().string());
    const auto theirs = Rows(ref, fs::path(ref).stem().string());
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(ours, theirs);
  }
}

// The geodatabase export in the map's system, named by dataset and class, added to the map.
void CheckTheGeodatabase(const ScratchDir& dir, const std::string& out) {
  const std::string gpkgLayer = "lib1_pop_builta";
  const std::string source = "gltp:/vrf" + dir / "vpf/vmaplv0/lib1";
  ToolOutput("ogr2ogr -q -f GPKG -nln ref -t_srs EPSG:3857 " + ShellQuote(dir / "ref3857.gpkg") +
             " " + ShellQuote(source) + " " + ShellQuote(OgdiLayer(source, "builta@pop(")));
  EXPECT_EQ(Rows(dir / "store.gpkg", gpkgLayer), Rows(dir / "ref3857.gpkg", "ref"));
  // Reprojected: the shapes' extents agree with ogr2ogr's.
  const std::string ours = ToolOutput("ogrinfo -ro -so " + ShellQuote(dir / "store.gpkg") + " " + gpkgLayer);
  const std::string theirs = ToolOutput("ogrinfo -ro -so " + ShellQuote(dir / "ref3857.gpkg") + " ref");
  auto extent = [](const std::string& info) {
    const std::size_t at = info.find("Extent: ");
    return at == std::string::npos ? std::string() : info.substr(at, info.find('\n', at) - at);
  };
  EXPECT_FALSE(extent(ours).empty()) << ours;
  EXPECT_EQ(extent(ours), extent(theirs));
  EXPECT_NE(out.find("\"VPF Export\""), std::string::npos) << out;
}

TEST(VpfExportSession, FolderTreeAndGeodatabaseEqualOgr2ogrOfTheSameLayers) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty() && !ProgramOnPath("ogrinfo").empty(),
               "ogr2ogr or ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  VpfDatabaseSpec spec = SmallVpfDatabase("vmaplv0");
  for (auto& lib : spec.libraries)
    for (auto& cov : lib.coverages)
      if (cov.name == "trans") cov.description = "../a:b*";
  ASSERT_TRUE(MakeVpfDatabase(dir / "vpf", spec));
  fs::create_directories(dir / "out");
  // A geodatabase that holds a table already.
  std::ofstream(dir / "seed.csv") << "id,name\n1,first\n";
  ToolOutput("ogr2ogr -q -f GPKG " + ShellQuote(dir / "store.gpkg") + " " + ShellQuote(dir / "seed.csv"));
  ASSERT_TRUE(fs::exists(dir / "store.gpkg"));
  const CommandResult r =
      RunSession(root, dir.path(), "export.session", kFolderTreeAndGeodatabase);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  CheckTheDialog(r.out);
  CheckTheFolderTree(dir, r.out);
  CheckTheGeodatabase(dir, r.out);
}

// The small VPF database and an empty output folder.
void MakeExportInputs(const ScratchDir& dir) {
  ASSERT_TRUE(MakeVpfDatabase(dir / "vpf", SmallVpfDatabase("vmaplv0")));
  fs::create_directories(dir / "out");
}

// A session's start: the small VPF database loaded into a catalog, its vector layer in the map
// with every coverage shown and drawn once (which makes its feature layers).
std::string ShownVpfLayer() {
  return R"(host map
register {lumeris}
register {corvane}
extension Tarvos on
catalog-new zel.gpkg vmap vpf
catalog-load zel.gpkg vmap vpf vpf
map-reference 4326
map-extent 9.9 49.6 12.1 51.4
add-vector zel.gpkg vmap
show-coverage vmap 0 1 2
refresh-coverages vmap
vector-switch vmap display-coverages on
save-picture v.png
)";
}

// "All features in view extent": each layer's features that meet the visible extent, as
// ogr2ogr's spatial filter takes them from the same OGDI source.
TEST(VpfExportSession, FeaturesInViewEqualOgr2ogrWithTheViewAsSpatialFilter) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty() && !ProgramOnPath("ogrinfo").empty(),
               "ogr2ogr or ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  MakeExportInputs(dir);
  const std::string script = ShownVpfLayer() + R"(map-extent 10.0 50.0 10.5 50.45
print view
click velkTarvosUI.VpfExport
check 3614
pick 3563 "All features in view extent"
press 3034
file out
press OK
)";
  const CommandResult r = RunSession(root, dir.path(), "export.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::size_t at = r.out.find("  view ");
  ASSERT_NE(at, std::string::npos) << r.out;
  std::istringstream view(r.out.substr(at + 7));
  double x0, y0, x1, y1;
  view >> x0 >> y0 >> x1 >> y1;
  ASSERT_LT(x1, 11.0) << r.out;  // the second library lies outside the view
  std::ostringstream spat;
  spat.precision(17);
  spat << "-spat " << x0 << " " << y0 << " " << x1 << " " << y1;
  const fs::path top = fs::path(dir / "out") / "vmap" / "VMAP Level 0";
  struct Case {
    fs::path file;
    std::string library, prefix;
  } cases[] = {
      {top / "Population" / "Population areas [lib1].shp", "lib1", "builta@pop("},
      {top / "Population" / "Population points [lib1].shp", "lib1", "builtp@pop("},
      {top / "Population" / "Population points [lib2].shp", "lib2", "builtp@pop("},
  };
  std::size_t kept = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.string());
    const std::string source = "gltp:/vrf" + dir / ("vpf/vmaplv0/" + c.library);
    const std::string layer = OgdiLayer(source, c.prefix);
    ASSERT_FALSE(layer.empty());
    const std::string ref = dir / ("ref_" + c.library + "_" + c.prefix.substr(0, 6) + ".shp");
    ToolOutput("ogr2ogr -q " + spat.str() + " " + ShellQuote(ref) + " " + ShellQuote(source) + " " +
               ShellQuote(layer));
    const auto theirs = Rows(ref, fs::path(ref).stem().string());
    if (!fs::exists(c.file)) {
      EXPECT_TRUE(theirs.empty()) << r.out;
      continue;
    }
    const auto ours = Rows(c.file.string(), c.file.stem().string());
    EXPECT_EQ(ours, theirs);
    kept += ours.size();
  }
  // Town 1 and the area around it are in view; the other library's towns are not.
  EXPECT_GE(kept, 2u) << r.out;
}

// "Selected features": the selection of each layer, as ogr2ogr takes the same features with
// the where clause that selected them.
TEST(VpfExportSession, SelectedFeaturesEqualOgr2ogrWithTheSelectingClause) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty() && !ProgramOnPath("ogrinfo").empty(),
               "ogr2ogr or ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  MakeExportInputs(dir);
  const std::string script = ShownVpfLayer() + R"(select "Population points [lib1]" "nam LIKE 'Town 2%'"
click velkTarvosUI.VpfExport
pick 3563 "Selected features"
press 3034
file out
press OK
)";
  const CommandResult r = RunSession(root, dir.path(), "export.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const fs::path file = fs::path(dir / "out") / "vmap" / "VMAP Level 0" / "Population" /
                        "Population points [lib1].shp";
  std::string written;
  for (const auto& e : fs::recursive_directory_iterator(dir / "out")) written += e.path().string() + "\n";
  ASSERT_TRUE(fs::exists(file)) << written << r.out;
  const std::string source = "gltp:/vrf" + dir / "vpf/vmaplv0/lib1";
  const std::string layer = OgdiLayer(source, "builtp@pop(");
  ASSERT_FALSE(layer.empty());
  const std::string ref = dir / "ref.shp";
  ToolOutput("ogr2ogr -q -where \"nam LIKE 'Town 2%'\" " + ShellQuote(ref) + " " + ShellQuote(source) +
             " " + ShellQuote(layer));
  const auto ours = Rows(file.string(), file.stem().string());
  EXPECT_EQ(ours.size(), 1u) << r.out;
  EXPECT_EQ(ours, Rows(ref, "ref"));
}

// A GeoPackage that is not there yet is made by the export, with the features in it (also when
// it is named without its extension); one whose folder is missing is refused with a message
// that says so, and nothing is written. The shapefiles' .prj names the source's real system
// (EPSG:4326, the libraries' WGS 84) as ogr2ogr writes it.
TEST(VpfExportSession, ANewGeoPackageIsMadeAndShapefilesKeepTheSourceSystem) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty() && !ProgramOnPath("ogrinfo").empty(),
               "ogr2ogr or ogrinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  MakeExportInputs(dir);
  const std::string script = ShownVpfLayer() + R"(click velkTarvosUI.VpfExport
check 3614
press 3034
file missing/new.gpkg
press OK
expect error "does not exist"
print 3095
press 3034
file new.gpkg
press OK
click velkTarvosUI.VpfExport
check 3614
press 3034
file plain
press OK
click velkTarvosUI.VpfExport
check 3614
press 3034
file out
press OK
)";
  const CommandResult r = RunSession(root, dir.path(), "export.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("Cannot export the VPF features: the folder of the new GeoPackage "
                       "\"missing/new.gpkg\" does not exist."),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(fs::exists(dir / "missing")) << r.out;
  ASSERT_TRUE(fs::exists(dir / "new.gpkg")) << r.out;
  const std::string info = ToolOutput("ogrinfo -ro -q " + ShellQuote(dir / "new.gpkg"));
  EXPECT_NE(info.find("lib1_pop_builta"), std::string::npos) << info;
  // A new database named without its extension is made as a GeoPackage file and written.
  EXPECT_FALSE(fs::exists(dir / "plain")) << r.out;
  const std::string plain = ToolOutput("ogrinfo -ro -q " + ShellQuote(dir / "plain.gpkg"));
  EXPECT_NE(plain.find("lib1_pop_builta"), std::string::npos) << plain << r.out;
  const std::string source = "gltp:/vrf" + dir / "vpf/vmaplv0/lib1";
  const std::string ref = dir / "ref.shp";
  // The library's system is WGS 84: ogr2ogr told so writes EPSG:4326's .prj.
  ToolOutput("ogr2ogr -q -a_srs EPSG:4326 " + ShellQuote(ref) + " " + ShellQuote(source) + " " +
             ShellQuote(OgdiLayer(source, "builta@pop(")));
  const fs::path prj =
      fs::path(dir / "out") / "vmap" / "VMAP Level 0" / "Population" / "Population areas [lib1].prj";
  ASSERT_TRUE(fs::exists(prj)) << r.out;
  EXPECT_EQ(ReadFileText(prj.string()), ReadFileText(dir / "ref.prj"));
  EXPECT_NE(ReadFileText(prj.string()).find("GEOGCS[\"GCS_WGS_1984\""), std::string::npos) << ReadFileText(prj.string());
}

}  // namespace
}  // namespace velk::test
