// The terrain tools as a user runs them on a catalog DTED layer chosen in the toolbar's
// selected-layer control: the highest point over the shared DTED cell's summit and the lowest
// over an inland area, checked against gdalinfo's statistics and a scan of the same cells, and
// a drag outside the coverage.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/raster_cells.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

const std::string kDtedFolder = std::string(VELK_SHARED_DATA) + "/dted";
const std::string kDted = kDtedFolder + "/n00_e006_3arc_v2.dt1";

// The map view shows longitude 6 to 7.25 and latitude 0 to 1 in its 1000 x 800 pixels, so a
// pixel is 0.00125 degrees and odd pixel positions fall on the cell's post boundaries
// (1/1200 degree posts, the first centred on longitude 6).
double Lon(int x) { return 6.0 + x * 0.00125; }
double Lat(int y) { return 1.0 - y * 0.00125; }

struct Drag {
  int x1, y1, x2, y2;
};
constexpr Drag kSummit{361, 481, 519, 639};  // around the Pico, 6.45-6.65 E, 0.20-0.40 N
constexpr Drag kInland{481, 521, 559, 599};  // 6.60-6.70 E, 0.25-0.35 N

struct Extreme {
  double value = 0;
  std::set<std::pair<int, int>> cells;  // (column, row) of the cell
};

// The extreme of the cells gdal_translate cuts for the drag, by gdalinfo -stats and by a scan
// of the cut; the cells are numbered in the whole cell's grid.
Extreme Oracle(const ScratchDir& dir, const Drag& d, bool highest) {
  const std::string cut = dir / (highest ? "summit.tif" : "inland.tif");
  char window[200];
  std::snprintf(window, sizeof window, "-projwin %.6f %.6f %.6f %.6f", Lon(d.x1), Lat(d.y1),
                Lon(d.x2), Lat(d.y2));
  EXPECT_EQ(std::system(("gdal_translate -q " + std::string(window) + " " + ShellQuote(kDted) +
                         " " + ShellQuote(cut))
                            .c_str()),
            0);
  const std::string info = ToolOutput("gdalinfo -stats " + ShellQuote(cut));
  const std::string key = highest ? "STATISTICS_MAXIMUM=" : "STATISTICS_MINIMUM=";
  const std::size_t at = info.find(key);
  EXPECT_NE(at, std::string::npos) << info;
  Extreme e;
  e.value = std::stod(info.substr(at + key.size()));
  GDALAllRegister();
  auto* ds = static_cast<GDALDataset*>(GDALOpen(cut.c_str(), GA_ReadOnly));
  auto* whole = static_cast<GDALDataset*>(GDALOpen(kDted.c_str(), GA_ReadOnly));
  double gt[6], wt[6];
  ds->GetGeoTransform(gt);
  whole->GetGeoTransform(wt);
  const int cols = ds->GetRasterXSize(), rows = ds->GetRasterYSize();
  std::vector<float> v(static_cast<std::size_t>(cols) * rows);
  EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, cols, rows, v.data(), cols, rows,
                                           GDT_Float32, 0, 0, nullptr),
            CE_None);
  const int col0 = static_cast<int>(std::lround((gt[0] - wt[0]) / wt[1]));
  const int row0 = static_cast<int>(std::lround((gt[3] - wt[3]) / wt[5]));
  double found = highest ? -1e9 : 1e9;
  for (float f : v)
    if (f != -32767) found = highest ? std::max<double>(found, f) : std::min<double>(found, f);
  EXPECT_EQ(found, e.value) << "gdalinfo and the scan disagree";
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      if (v[static_cast<std::size_t>(r) * cols + c] == e.value) e.cells.insert({col0 + c, row0 + r});
  GDALClose(ds);
  GDALClose(whole);
  return e;
}

// The points of a result shapefile as cells of the whole grid, and their labels' values.
Extreme Points(const std::string& shapefile) {
  Extreme e;
  GDALAllRegister();
  auto* whole = static_cast<GDALDataset*>(GDALOpen(kDted.c_str(), GA_ReadOnly));
  double wt[6];
  whole->GetGeoTransform(wt);
  GDALClose(whole);
  auto* ds = static_cast<GDALDataset*>(GDALOpenEx(shapefile.c_str(), GDAL_OF_VECTOR, nullptr,
                                                  nullptr, nullptr));
  if (!ds) return e;
  OGRLayer* layer = ds->GetLayer(0);
  std::set<double> values;
  for (auto& feature : *layer) {
    const OGRGeometry* g = feature->GetGeometryRef();
    if (!g || wkbFlatten(g->getGeometryType()) != wkbPoint) continue;
    const auto* p = g->toPoint();
    e.cells.insert({static_cast<int>(std::floor((p->getX() - wt[0]) / wt[1])),
                    static_cast<int>(std::floor((p->getY() - wt[3]) / wt[5]))});
    // The elevation the point carries.
    values.insert(feature->GetFieldAsDouble("GRID_CODE"));
  }
  if (values.size() == 1) e.value = *values.begin();
  GDALClose(ds);
  return e;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

std::string DragLine(const Drag& d) {
  return "map-drag " + std::to_string(d.x1) + " " + std::to_string(d.y1) + " " +
         std::to_string(d.x2) + " " + std::to_string(d.y2);
}

TEST(TerrainToolsSession, HighestAndLowestPointOfTheDtedLayerChosenInTheControl) {
  VELK_REQUIRE(std::filesystem::exists(kDted), "shared DTED cell not found: " + kDted);
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty() && !ProgramOnPath("gdal_translate").empty(),
               "gdalinfo or gdal_translate is not installed");
  TempRoot root;
  ScratchDir dir;
  std::filesystem::create_directories(dir / "out");
  const std::string script = R"(host map
register {corvane}
register {lumeris}
extension Tarvos on
extension Quentara on
setting GeneralOutputWorkspacePath=)" +
                             (dir / "out") + R"(
map-reference 4326
map-extent 6 0 7.25 1
print view
catalog-new zel.gpkg elevation dted
catalog-load zel.gpkg elevation dted )" +
                             kDtedFolder + R"(
add-raster )" + kDted + R"( cell
click velkTarvosUI.SelectedLayer
click velkTarvosUI.AddLayer
file )" + (dir / "zel.gpkg/elevation") +
                             R"(
dialog 3065
print 3550
pick 3550 1
click velkTarvosUI.TerrainTools 1
)" + DragLine(kSummit) + R"(
click velkTarvosUI.TerrainTools 2
)" + DragLine(kInland) + R"(
print tree
print graphics
map-drag 841 81 959 159
print graphics
)";
  const CommandResult r = RunSession(root, dir.path(), "terrain.session", script);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("view 6.000000 0.000000 7.250000 1.000000"), std::string::npos) << r.out;

  const Extreme high = Oracle(dir, kSummit, true);
  const Extreme low = Oracle(dir, kInland, false);
  EXPECT_EQ(high.value, 1979.0);  // the summit of the cell
  const Extreme maxPt = Points(dir / "out/Highest/MaxPt0000.shp");
  const Extreme minPt = Points(dir / "out/Lowest/MinPt0000.shp");
  EXPECT_EQ(maxPt.value, high.value);
  EXPECT_EQ(maxPt.cells, high.cells);
  EXPECT_EQ(minPt.value, low.value);
  EXPECT_EQ(minPt.cells, low.cells);
  // The combo lists the host raster layer, then the DTED layer, which the script chose.
  EXPECT_NE(r.out.find("3550 combo \"cell\" items [\"cell\", \"elevation\"] selected 0"),
            std::string::npos)
      << r.out;
  // Both results in the map; one outline, of the last area searched, also after a drag east of
  // the cell, which is outside the surface.
  EXPECT_NE(r.out.find("  1. \"MinPt0000.shp\"\n  2. \"MaxPt0000.shp\"\n  3. \"elevation\"\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(Count(r.out, "> print graphics\n  1. graphic at (null)\n"), 2u) << r.out;
  EXPECT_EQ(r.out.find("  2. graphic"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("message box \"Error\": \"The selected area is outside the surface\""),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

// A session's start: a catalog of the shared DTED folder added as a layer, which the toolbar's
// selected-layer control then holds; results go to the folder's "out".
std::string DtedLayerInTheControl(const ScratchDir& dir) {
  return R"(host map
register {corvane}
register {lumeris}
extension Tarvos on
extension Quentara on
setting GeneralOutputWorkspacePath=)" +
         (dir / "out") + R"(
map-reference 4326
map-extent 6 0 7.25 1
catalog-new zel.gpkg elevation dted
catalog-load zel.gpkg elevation dted )" +
         kDtedFolder + R"(
click velkTarvosUI.SelectedLayer
click velkTarvosUI.AddLayer
file )" + (dir / "zel.gpkg/elevation") +
         "\n";
}

// The palette on the toolbar beside the real selected-layer control: once the control holds the
// catalog DTED layer, choosing the Hillshade cell makes Hillshade the current tool, which then
// runs on a drag.
TEST(TerrainToolsSession, ThePaletteChoosesHillshadeOnceTheControlHoldsTheDtedLayer) {
  VELK_REQUIRE(std::filesystem::exists(kDted), "shared DTED cell not found: " + kDted);
  TempRoot root;
  ScratchDir dir;
  std::filesystem::create_directories(dir / "out");
  const std::string script = DtedLayerInTheControl(dir) + R"(work-area 0 0 1000 700
toolbar velkTarvosUI.TerrainToolControl 100 96
mouse move 110 110
mouse down 132 110
print window VelkCmdMenuControlPopup
mouse move 112 152
mouse down 112 152
mouse up 112 152
print window VelkCmdMenuControlPopup
print tool
)" + DragLine(kSummit) + R"(
press OK
print layers
)";
  const CommandResult r = RunSession(root, dir.path(), "palette.session", script);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("  VelkCmdMenuControlPopup at (102, 122)-(162, 182)"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  no VelkCmdMenuControlPopup window"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  current tool velkTarvosUI.TerrainTools 3"), std::string::npos) << r.out;
  // The chosen tool runs: a drag over the layer and OK in its dialog add the hillshade.
  EXPECT_NE(r.out.find("dialog 3053 \"Hillshade\" ended with OK (1)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  1. \"Hillshade of elevation\"\n  2. \"elevation\"\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

// The mosaic subtype's drag opens the mosaic dialog preset with the region; its output equals
// gdalbuildvrt plus gdal_translate of the same window of the cell, and lands in the map.
TEST(TerrainToolsSession, TheMosaicOfADraggedRegionEqualsBuildVrtAndTranslate) {
  VELK_REQUIRE(std::filesystem::exists(kDted), "shared DTED cell not found: " + kDted);
  VELK_REQUIRE(!ProgramOnPath("gdalbuildvrt").empty() && !ProgramOnPath("gdal_translate").empty(),
               "gdalbuildvrt or gdal_translate is not installed");
  TempRoot root;
  ScratchDir dir;
  std::filesystem::create_directories(dir / "out");
  const std::string script = DtedLayerInTheControl(dir) + R"(click velkTarvosUI.TerrainTools 4
)" + DragLine(kSummit) + R"(
print 3553
set 3099 out/region.tif
press OK
print layers
)";
  const CommandResult r = RunSession(root, dir.path(), "mosaic.session", script);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("3553 combo \"Selected region\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  1. \"region.tif\"\n  2. \"elevation\"\n"), std::string::npos) << r.out;
  char window[200];
  std::snprintf(window, sizeof window, "-te %.6f %.6f %.6f %.6f", Lon(kSummit.x1),
                Lat(kSummit.y2), Lon(kSummit.x2), Lat(kSummit.y1));
  ToolOutput("gdalbuildvrt -q " + std::string(window) + " " + ShellQuote(dir / "ref.vrt") + " " +
             ShellQuote(kDted));
  ToolOutput("gdal_translate -q " + ShellQuote(dir / "ref.vrt") + " " + ShellQuote(dir / "ref.tif"));
  const RasterCells ours = ReadRasterCells(dir / "out/region.tif");
  const RasterCells theirs = ReadRasterCells(dir / "ref.tif");
  ASSERT_FALSE(ours.values.empty());
  EXPECT_TRUE(ours == theirs) << DescribeDifference(ours, theirs);
}

}  // namespace
}  // namespace velk::test
