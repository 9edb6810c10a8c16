// The mosaic command as a user runs it on a DTED catalog made here: all datasets, the selected
// ones and those in view, each equal cell for cell to gdalbuildvrt plus gdal_translate over
// the same cells; into a geodatabase; an output the user will not replace stays as it was;
// the refusals on the status bar.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/raster_cells.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// Six level-0 cells (6 to 8 east, 0 to 1 north) whose posts agree along shared edges.
std::vector<std::string> MakeCells(const ScratchDir& dir) {
  std::vector<std::string> cells;
  for (int lat = 0; lat < 2; ++lat)
    for (int lon = 6; lon < 9; ++lon) {
      cells.push_back(DtedCellPath(dir / "dted", lon, lat, 0));
      MakeDtedCell(cells.back(), lon, lat, 0, [lon, lat](int c, int r) {
        return ((lon - 6) * 120 + c) + 3.0 * ((1 - lat) * 120 + r);
      });
    }
  return cells;
}

// A session's start: the cells in a DTED catalog, its layer in the map over them.
std::string CellsLayerSession() {
  return R"(host map
register {lumeris}
register {corvane}
extension Tarvos on
catalog-new zel.gpkg cells dted
catalog-load zel.gpkg cells dted dted
add-catalog-layer zel.gpkg cells dted elevation
map-reference 4326
map-extent 6.25 0.25 7.75 1.45
)";
}

RasterCells Oracle(const ScratchDir& dir, const std::vector<std::string>& cells,
                   const std::string& vrtArgs, const std::string& name) {
  std::string files;
  for (const auto& f : cells) files += " " + ShellQuote(f);
  ToolOutput("gdalbuildvrt -q " + vrtArgs + " " + ShellQuote(dir / (name + ".vrt")) + files);
  ToolOutput("gdal_translate -q " + ShellQuote(dir / (name + ".vrt")) + " " +
             ShellQuote(dir / (name + ".oracle.tif")));
  return ReadRasterCells(dir / (name + ".oracle.tif"));
}

// Every choice once, then a file the user keeps, a geodatabase, a folder that is not there and a
// view without cells.
const char* const kEveryChoice = R"(print view
click velkTarvosUI.Mosaic
print 3553
press OK
print status
set 3099 out/all.tif
pick 3553 "All datasets"
press OK
print status
print tree
select-datasets cells "FULL_NAME LIKE '%e007%'"
click velkTarvosUI.Mosaic
print 3553
set 3099 out/selected.tif
pick 3553 "Selected datasets"
press OK
click velkTarvosUI.Mosaic
set 3099 out/view.tif
pick 3553 "All datasets in the visible extent"
press OK
click velkTarvosUI.Mosaic
press 3036
file out/kept.tif
answer No
press OK
print status
press 3036
file out/all.tif
answer Yes
pick 3553 "All datasets"
press OK
click velkTarvosUI.Mosaic
set 3099 out/store.gpkg/elevation
pick 3553 "All datasets"
press OK
print status
click velkTarvosUI.Mosaic
set 3099 out/missing/folder/x.tif
press OK
print status
press Cancel
map-extent 20.25 30.25 21.75 31.45
click velkTarvosUI.Mosaic
set 3099 out/nothing.tif
pick 3553 "All datasets in the visible extent"
press OK
print status
press Cancel
print layers
)";

// The refusals and questions on the way, by what the user saw.
void CheckWhatTheUserSaw(const std::string& out) {
  // Without selected records the choices are the visible extent's and all.
  EXPECT_NE(out.find("3553 combo \"All datasets in the visible extent\""), std::string::npos) << out;
  EXPECT_NE(out.find("> press OK\n> print status\n  status \"No output specified\""), std::string::npos) << out;
  EXPECT_NE(out.find("selected 2 records of \"cells\""), std::string::npos) << out;
  EXPECT_NE(out.find("3553 combo \"Selected datasets\""), std::string::npos) << out;
  EXPECT_NE(out.find("already exists"), std::string::npos) << out;
  EXPECT_NE(out.find("status \"Could not create mosaic raster dataset\""), std::string::npos) << out;
}

// All, selected (the two cells of 7 east) and in view, against GDAL's utilities.
void CheckAgainstGdal(const ScratchDir& dir, const std::vector<std::string>& cells,
                      const std::string& out) {
  std::vector<std::string> seventh;
  for (const auto& c : cells)
    if (c.find("e007") != std::string::npos) seventh.push_back(c);
  std::istringstream view(out.substr(out.find("  view ") + 7));
  double x0, y0, x1, y1;
  view >> x0 >> y0 >> x1 >> y1;
  std::ostringstream te;
  te.precision(17);
  te << "-te " << x0 << " " << y0 << " " << x1 << " " << y1;
  struct Case {
    const char* file;
    std::vector<std::string> inputs;
    std::string args;
  } cases[] = {{"all", cells, ""}, {"selected", seventh, ""}, {"view", cells, te.str()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const RasterCells ours = ReadRasterCells(dir / ("out/" + std::string(c.file) + ".tif"));
    const RasterCells ref = Oracle(dir, c.inputs, c.args, c.file);
    ASSERT_FALSE(ours.values.empty());
    EXPECT_TRUE(ours == ref) << DescribeDifference(ours, ref);
  }
}

// The kept file, the geodatabase raster, the map's layers, and nothing of the failed runs.
void CheckWhatIsLeft(const ScratchDir& dir, const std::string& out) {
  // The file the user would not replace is untouched; the geodatabase raster equals the file.
  EXPECT_EQ(ReadFileText(dir / "out/kept.tif"), "the user's own file");
  const RasterCells stored = ReadRasterCells("GPKG:" + dir / "out/store.gpkg" + ":elevation");
  const RasterCells all = ReadRasterCells(dir / "out/all.tif");
  EXPECT_TRUE(stored == all) << DescribeDifference(stored, all);
  // Each mosaic lands in the map; the failed ones leave nothing.
  for (const char* layer : {"\"all.tif\"", "\"selected.tif\"", "\"view.tif\"", "\"elevation\""})
    EXPECT_NE(out.find(layer, out.rfind("> print layers")), std::string::npos) << layer << out;
  EXPECT_FALSE(fs::exists(dir / "out/missing"));
  // No cells in view: nothing made.
  EXPECT_NE(out.find("> print status\n  status \"Could not create mosaic raster dataset\"",
                     out.find("> set 3099 out/nothing.tif")),
            std::string::npos)
      << out;
  EXPECT_FALSE(fs::exists(dir / "out/nothing.tif"));
  for (const auto& e : fs::directory_iterator(dir / "out"))
    EXPECT_EQ(e.path().string().find(".part"), std::string::npos) << e.path();
}

TEST(MosaicSession, EveryChoiceEqualsBuildVrtAndTranslateAndLandsInTheMap) {
  VELK_REQUIRE(!ProgramOnPath("gdalbuildvrt").empty() && !ProgramOnPath("gdal_translate").empty(),
               "gdalbuildvrt or gdal_translate is not installed");
  TempRoot root;
  ScratchDir dir;
  const std::vector<std::string> cells = MakeCells(dir);
  fs::create_directories(dir / "out");
  std::ofstream(dir / "out/kept.tif") << "the user's own file";
  // A geodatabase to write into, holding a table already.
  std::ofstream(dir / "seed.csv") << "id,name\n1,first\n";
  ToolOutput("ogr2ogr -q -f GPKG " + ShellQuote(dir / "out/store.gpkg") + " " +
             ShellQuote(dir / "seed.csv"));
  ASSERT_TRUE(fs::exists(dir / "out/store.gpkg"));
  const CommandResult r =
      RunSession(root, dir.path(), "mosaic.session", CellsLayerSession() + kEveryChoice);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  CheckWhatTheUserSaw(r.out);
  CheckAgainstGdal(dir, cells, r.out);
  CheckWhatIsLeft(dir, r.out);
}

// Outputs the host cannot write (".vrt", ".jp2", a GeoPackage in a folder that is not there) are
// refused with the reason on the status bar and leave no file; a GeoPackage that is not there
// yet is made and holds the mosaic, equal to the one written as a GeoTIFF, and so does a bare
// file name in the current folder.
TEST(MosaicSession, RefusedOutputsLeaveNoFileAndANewGeoPackageIsMade) {
  TempRoot root;
  ScratchDir dir;
  MakeCells(dir);
  fs::create_directories(dir / "out");
  std::string script = CellsLayerSession();
  // The refused ones keep the dialog open; the last two close it.
  script += "click velkTarvosUI.Mosaic\npick 3553 \"All datasets\"\n";
  for (const char* output :
       {"out/a.vrt", "out/b.jp2", "out/missing/new.gpkg/elevation", "out/new.gpkg/elevation"})
    script += std::string("set 3099 ") + output + "\npress OK\nprint status\n";
  script += "click velkTarvosUI.Mosaic\npick 3553 \"All datasets\"\nset 3099 out/all.tif\n"
            "press OK\nprint layers\n";
  // A bare name is a file of the current folder.
  script += "click velkTarvosUI.Mosaic\npick 3553 \"All datasets\"\nset 3099 bare.tif\n"
            "press OK\nprint status\n";
  const CommandResult r = RunSession(root, dir.path(), "mosaic.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::string& out = r.out;
  for (const char* kind : {".vrt", ".jp2"})
    EXPECT_NE(out.find(std::string("status \"Could not create mosaic raster dataset: the host "
                                   "cannot write \"") +
                       kind + "\" rasters"),
              std::string::npos)
        << kind << out;
  EXPECT_NE(out.find("status \"Could not create mosaic raster dataset: the folder of the new "
                     "GeoPackage \"out/missing/new.gpkg\" does not exist\""),
            std::string::npos)
      << out;
  EXPECT_FALSE(fs::exists(dir / "out/a.vrt"));
  EXPECT_FALSE(fs::exists(dir / "out/b.jp2"));
  EXPECT_FALSE(fs::exists(dir / "out/missing"));
  ASSERT_TRUE(fs::exists(dir / "out/new.gpkg")) << out;
  const RasterCells stored = ReadRasterCells("GPKG:" + dir / "out/new.gpkg" + ":elevation");
  const RasterCells all = ReadRasterCells(dir / "out/all.tif");
  ASSERT_FALSE(all.values.empty()) << out;
  EXPECT_TRUE(stored == all) << DescribeDifference(stored, all);
  EXPECT_NE(out.find("\"elevation\"", out.rfind("> print layers")), std::string::npos) << out;
  const RasterCells bare = ReadRasterCells(dir / "bare.tif");
  ASSERT_FALSE(bare.values.empty()) << out;
  EXPECT_TRUE(bare == all) << DescribeDifference(bare, all);
  EXPECT_NE(out.find("> print status\n  status \"\"", out.rfind("set 3099 bare.tif")),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace velk::test
