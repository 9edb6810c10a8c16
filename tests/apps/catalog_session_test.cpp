// The host program loads catalogs of map products and draws a map as a user would: session
// scripts run by trevik over DTED, RPF and VPF trees made here, each with one bad file, checked with
// GDAL's own tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <tuple>

#include <gdal_priv.h>

#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/rpf_fixture.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"

namespace velk::test {
namespace {

// The transcript's error lines.
std::vector<std::string> ErrorLines(const std::string& transcript) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while ((at = transcript.find("\n  error ", at)) != std::string::npos) {
    const std::size_t end = transcript.find('\n', at + 1);
    out.push_back(transcript.substr(at + 1, end - at - 1));
    at = end;
  }
  return out;
}

TEST(CatalogSession, LoadsDtedAndRpfTreesWithOneBadFileEach) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  TempRoot root;
  ScratchDir dir;
  for (int lon = 6; lon < 9; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, 0, 0), lon, 0, 0));
  const std::string badCell = DtedCellPath(dir / "dted", 9, 0, 0);
  ASSERT_TRUE(MakeDtedCell(badCell, 9, 0, 0));
  std::filesystem::resize_file(badCell, 1000);

  RpfTocBoundary onc;
  onc.columns = 3;
  onc.frames = {{0, 0, "0000001A.ON2"}, {0, 1, "0000002A.ON2"}, {0, 2, "0000003A.ON2"}};
  ASSERT_TRUE(MakeRpfTree(dir / "charts", {onc}));
  const std::string badFrame = dir / "charts/RPF/CADRG/ONC/0000002A.ON2";
  std::ofstream(badFrame, std::ios::trunc) << "NITF02.10 cut short";

  const CommandResult r = RunSession(root, dir.path(), "catalog.session", R"(host map
catalog-new zel.gpkg elevation dted
catalog-load zel.gpkg elevation dted dted
catalog-new zel.gpkg charts referenced-rpf
catalog-load zel.gpkg charts rpf charts
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto errors = ErrorLines(r.out);
  ASSERT_EQ(errors.size(), 2u) << r.out;
  EXPECT_NE(errors[0].find("\"" + badCell + "\""), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("\"" + badFrame + "\""), std::string::npos) << errors[1];
  EXPECT_NE(r.out.find("Added 3 DTED cells"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Added 2 RPF frames"), std::string::npos) << r.out;

  const std::string gpkg = dir / "zel.gpkg";
  const auto cells = OgrRows(gpkg, "SELECT NAME, DTED_TYPE FROM elevation ORDER BY FULL_NAME");
  ASSERT_EQ(cells.size(), 3u);
  for (const auto& c : cells) EXPECT_EQ(c.at("DTED_TYPE"), "DTED Level 0");
  const auto frames = OgrRows(gpkg, "SELECT NAME, SERIES, SCALE FROM charts ORDER BY NAME");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].at("NAME"), "0000001A.ON2");
  EXPECT_EQ(frames[1].at("NAME"), "0000003A.ON2");
  EXPECT_EQ(frames[1].at("SCALE"), "1000000");
}

// A VPF tree with one table that lies about its length, loaded into a VPF catalog and into a
// geodatabase VPF catalog: the bad table is named once per load, the other library is there.
TEST(CatalogSession, LoadsAVpfTreeWithOneBadTable) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  TempRoot root;
  ScratchDir dir;
  ASSERT_TRUE(MakeVpfDatabase(dir / "vpf", SmallVpfDatabase()));
  const std::string bad = dir / "vpf/vmaplv0/lib2/trans/edg";
  {
    std::fstream f(bad, std::ios::in | std::ios::out | std::ios::binary);
    const std::int32_t length = 1 << 20;
    f.write(reinterpret_cast<const char*>(&length), 4);
  }
  const CommandResult r = RunSession(root, dir.path(), "catalog.session", R"(host map
catalog-new zel.gpkg vmap vpf
catalog-load zel.gpkg vmap vpf vpf
catalog-new zel.gpkg managed managed-vpf
catalog-load zel.gpkg managed managed-vpf vpf
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto errors = ErrorLines(r.out);
  ASSERT_EQ(errors.size(), 2u) << r.out;
  for (const auto& e : errors) EXPECT_NE(e.find("\"" + bad + "\""), std::string::npos) << e;
  EXPECT_NE(r.out.find("Added 1 VPF libraries"), std::string::npos) << r.out;
  const std::string gpkg = dir / "zel.gpkg";
  const auto libraries = OgrRows(gpkg, "SELECT PRODUCT, LIBRARY FROM vmap");
  ASSERT_EQ(libraries.size(), 1u);
  EXPECT_EQ(libraries[0].at("LIBRARY"), "lib1");
  EXPECT_EQ(libraries[0].at("PRODUCT"), "VMAP$VMAP Level 0");
  EXPECT_EQ(OgrRows(gpkg, "SELECT COUNT(*) AS C FROM vmap_features")[0].at("C"), "3");
  const auto towns = OgrRows(gpkg, "SELECT NAM, LIBRARY FROM vmaplv0_pop_builtp ORDER BY NAM");
  ASSERT_EQ(towns.size(), 2u);
  EXPECT_EQ(towns[0].at("NAM"), "Town 1");
  EXPECT_EQ(towns[1].at("LIBRARY"), "lib1");
}

// Levels 0 and 1 of the same two libraries loaded into a catalog NAME of the KIND, a layer
// added by ADD over a view of about 1:925,000, every coverage shown and built, the coverages
// displayed (and the switches given), a picture FILE.png drawn, the tree printed, the map saved
// into FILE.vmapdoc, the layer removed and the document opened again, its tree printed.
CommandResult RunVpfLayerSession(TempRoot& root, ScratchDir& dir, const std::string& name,
                                 const std::string& kind, const std::string& add,
                                 const std::string& switches, const std::string& file) {
  EXPECT_TRUE(MakeVpfDatabase(dir / "vpf", SmallVpfDatabase("vmaplv0")));
  EXPECT_TRUE(MakeVpfDatabase(dir / "vpf", SmallVpfDatabase("vmaplv1")));
  return RunSession(root, dir.path(), "catalog.session",
                    "host map\nregister {lumeris}\n"
                    "catalog-new zel.gpkg " +
                        name + " " + kind +
                        "\n"
                        "catalog-load zel.gpkg " +
                        name + " " + kind +
                        " vpf\n"
                        "map-reference 4326\nmap-extent 9.9 49.6 12.1 51.4\n" +
                        add + " zel.gpkg " + name + "\nvector-coverages " + name +
                        "\nshow-coverage " + name + " 0 1 2\nrefresh-coverages " + name +
                        "\nvector-switch " + name + " display-coverages on\n" + switches +
                        "save-picture " + file + ".png\nvector-tree " + name + "\nsave-map " +
                        file + ".vmapdoc\nremove-layer " + name + "\nopen-map " + file +
                        ".vmapdoc\nvector-tree " + name + "\n");
}

// The vector product layer over a VPF catalog, as a user drives it: bound, coverages shown and
// built, drawn into a picture at about 1:925,000 (level 0's range, so level 0 opens and level 1
// does not), saved into a map document and opened again with the same tree.
TEST(CatalogSession, SavesAPictureOfAVectorLayer) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  const CommandResult r = RunVpfLayerSession(root, dir, "vmap", "vpf", "add-vector", "", "vector");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("  0. [ ] VMAP$Population$Population areas\n"
                       "  1. [ ] VMAP$Population$Population points\n"
                       "  2. [ ] VMAP$Transportation$Transportation lines\n"),
            std::string::npos)
      << r.out;
  const std::string drawnTree =
      "  Footprint [open]\n"
      "  VMAP Level 0 (1:10000000 to 1:400001)\n"
      "    Population\n"
      "      Population areas [lib1] [open]\n"
      "      Population areas [lib2] [open]\n"
      "      Population points [lib1] [open]\n"
      "      Population points [lib2] [open]\n"
      "    Transportation\n"
      "      Transportation lines [lib1] [open]\n"
      "      Transportation lines [lib2] [open]\n"
      "  VMAP Level 1 (1:400000 to 1:75001)\n"
      "    Population\n"
      "      Population areas [lib1] [not open]\n";
  EXPECT_NE(r.out.find("> vector-tree vmap\n" + drawnTree), std::string::npos) << r.out;
  // Opened from the document, the tree is built again; nothing is drawn yet.
  const std::size_t reopened = r.out.find("> open-map vector.vmapdoc\n> vector-tree vmap\n");
  ASSERT_NE(reopened, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("      Transportation lines [lib2] [not open]\n", reopened),
            std::string::npos)
      << r.out.substr(reopened);
  EXPECT_NE(r.out.find("saved vector.png (1000 x 800)"), std::string::npos) << r.out;
  const std::string info = ToolOutput("gdalinfo -stats " + ShellQuote(dir / "vector.png"));
  EXPECT_NE(info.find("Driver: PNG"), std::string::npos) << info;
}

// The managed VPF layer over a geodatabase VPF catalog of two products that share their
// coverage names, as a user drives it: at about 1:925,000 with scale dependency on, only level
// 0 draws (its four footprints' worth of towns, areas and roads, besides the footprints), each
// product over its own feature classes; saved and opened again with the same tree.
TEST(CatalogSession, SavesAPictureOfAManagedVpfLayer) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  const CommandResult r =
      RunVpfLayerSession(root, dir, "managed", "managed-vpf", "add-managed-vpf",
                         "vector-switch managed use-scale-dep on\n", "managed");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("  0. [ ] VMAP$pop$builta\n"
                       "  1. [ ] VMAP$pop$builtp\n"
                       "  2. [ ] VMAP$trans$roadl\n"),
            std::string::npos)
      << r.out;
  const std::string tree =
      "  Footprint [open]\n"
      "  VMAP Level 0 (1:10000000 to 1:400001)\n"
      "    pop\n"
      "      builta [VMAP Level 0] [open]\n"
      "      builtp [VMAP Level 0] [open]\n"
      "    trans\n"
      "      roadl [VMAP Level 0] [open]\n"
      "  VMAP Level 1 (1:400000 to 1:75001)\n"
      "    pop\n"
      "      builta [VMAP Level 1] [open]\n";
  EXPECT_NE(r.out.find("> vector-tree managed\n" + tree), std::string::npos) << r.out;
  const std::size_t reopened = r.out.find("> open-map managed.vmapdoc\n> vector-tree managed\n");
  ASSERT_NE(reopened, std::string::npos) << r.out;
  EXPECT_NE(r.out.find(tree, reopened), std::string::npos) << r.out.substr(reopened);
  EXPECT_NE(r.out.find("saved managed.png (1000 x 800)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(", 12 features"), std::string::npos) << r.out;
  const std::string info = ToolOutput("gdalinfo -stats " + ShellQuote(dir / "managed.png"));
  EXPECT_NE(info.find("Driver: PNG"), std::string::npos) << info;
}

TEST(CatalogSession, SavesAPictureOfADtedCatalogAndAPointLayer) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  for (int lon = 6; lon < 8; ++lon)
    for (int lat = 0; lat < 2; ++lat)
      ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, lat, 0), lon, lat, 0));
  const CommandResult r = RunSession(root, dir.path(), "catalog.session", R"(host map
catalog-new zel.gpkg elevation dted
catalog-load zel.gpkg elevation dted dted
map-reference 4326
map-extent 5.5 -0.5 8.5 2.5
add-catalog zel.gpkg elevation
add-points towns 4326 6.5 0.5 7.5 1.5
save-picture map.png
remove-layer towns
save-map map.vmapdoc
remove-layer elevation
open-map map.vmapdoc
print layers
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("saved map.png (1000 x 800): 2 searches, 4 frame opens, 0 statistics "
                       "reads, 4 rasters, 2 features"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("> print layers\n  1. \"elevation\"\n"), std::string::npos) << r.out;
  const std::string info = ToolOutput("gdalinfo -stats " + ShellQuote(dir / "map.png"));
  EXPECT_NE(info.find("Driver: PNG"), std::string::npos) << info;
  EXPECT_NE(info.find("Size is 1000, 800"), std::string::npos) << info;
}

// The product line's catalog layers drawn as a user adds them: the chart layer at 1:250,000
// over a three-scale RPF tree draws the one frame of that scale in view, the DTED layer draws
// its cells; both pictures come out, and the map document keeps both layers.
TEST(CatalogSession, SavesPicturesOfTheChartAndDtedLayers) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  for (int lon = 6; lon < 8; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, 0, 0), lon, 0, 0));
  std::vector<RpfTocBoundary> charts;
  for (auto [folder, scale, ext, west] : {std::tuple{"ONC", "1:1M", "ON2", 6.0},
                                          std::tuple{"JOG", "1:250K", "JG2", 6.0},
                                          std::tuple{"TLM", "1:50K", "TL2", 6.0}}) {
    RpfTocBoundary b;
    b.folder = std::string("./CADRG/") + folder + "/";
    b.scaleText = scale;
    b.west = west;
    b.north = 1;
    b.frames = {{0, 0, std::string("0000001A.") + ext}};
    charts.push_back(b);
  }
  ASSERT_TRUE(MakeRpfTree(dir / "charts", charts));
  EXPECT_EQ(RpfTocDisagreements(dir / "charts"), "");
  const CommandResult r = RunSession(root, dir.path(), "catalog.session", R"(host map
register {lumeris}
catalog-new zel.gpkg elevation dted
catalog-load zel.gpkg elevation dted dted
catalog-new zel.gpkg charts rpf
catalog-load zel.gpkg charts rpf charts
map-reference 4326
map-extent 6.05 0.3 6.5 0.66
add-catalog-layer zel.gpkg charts rpf
save-picture charts.png
add-catalog-layer zel.gpkg elevation dted elevation
map-extent 5.8 -0.2 8.2 1.2
save-picture elevation.png
save-map layers.vmapdoc
remove-layer elevation
remove-layer charts
open-map layers.vmapdoc
print layers
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // 0.45 degrees over 1000 pixels is about 1:190,000: the chart layer draws the 1:250,000
  // frame alone, the first scale above (one search for the frames, one for the outlines).
  EXPECT_NE(r.out.find("saved charts.png (1000 x 800): 2 searches, 1 frame opens"),
            std::string::npos)
      << r.out;
  // The two cells under the chart frame.
  EXPECT_NE(r.out.find("saved elevation.png (1000 x 800): 4 searches, 3 frame opens, 0 "
                       "statistics reads, 3 rasters"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("> print layers\n  1. \"elevation\"\n  2. \"charts\"\n"),
            std::string::npos)
      << r.out;
  for (const char* png : {"charts.png", "elevation.png"}) {
    const std::string info = ToolOutput("gdalinfo " + ShellQuote(dir / png));
    EXPECT_NE(info.find("Driver: PNG"), std::string::npos) << info;
  }
}

// The colour of a pixel of a PNG (red, green, blue).
RpfRgb PngPixel(const std::string& png, int x, int y) {
  GDALDatasetUniquePtr ds(GDALDataset::Open(png.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  RpfRgb c{-1, -1, -1};
  if (!ds || ds->GetRasterCount() < 3) return c;
  int* channels[] = {&c.red, &c.green, &c.blue};
  for (int b = 0; b < 3; ++b) {
    GByte v = 0;
    if (ds->GetRasterBand(b + 1)->RasterIO(GF_Read, x, y, 1, 1, &v, 1, 1, GDT_Byte, 0, 0,
                                           nullptr) == CE_None)
      *channels[b] = v;
  }
  return c;
}

// Real chart products are compressed. A tree of one frame pair per scale, 1:1,000,000
// uncompressed, 1:250,000 vector-quantised and 1:50,000 JPEG, loads whole into a raster and a
// referenced catalog, and both chart layers draw at three map scales the frames the scale choice
// picks: the picture shows, pixel for pixel, the palette colours of that scale's frame and of no
// other.
TEST(CatalogSession, CompressedChartsShowTheFramesOfTheScaleChosen) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  TempRoot root;
  ScratchDir dir;
  std::vector<RpfTocBoundary> charts;
  for (auto [folder, scale, ext, coding] :
       {std::tuple{"ONC", "1:1M", "ON2", RpfCoding::kUncompressed},
        std::tuple{"JOG", "1:250K", "JG2", RpfCoding::kVectorQuantised},
        std::tuple{"TLM", "1:50K", "TL2", RpfCoding::kJpeg}}) {
    RpfTocBoundary b;
    b.folder = std::string("./CADRG/") + folder + "/";
    b.scaleText = scale;
    b.west = 6;
    b.north = 1;
    b.columns = 2;
    b.coding = coding;
    b.frames = {{0, 0, std::string("0000001A.") + ext}, {0, 1, std::string("0000002A.") + ext}};
    charts.push_back(b);
  }
  ASSERT_TRUE(MakeRpfTree(dir / "charts", charts));
  EXPECT_EQ(RpfTocDisagreements(dir / "charts"), "");
  // Map views centred on a point of the western frames, at the boundary of two rows of tiles
  // (frame pixel 700, 768): about 1:630,000, 1:190,000 and 1:34,000.
  const double cx = 6 + 700 * 2.0 / 3600, cy = 1 - 768 * 2.0 / 3600;
  const double widths[] = {1.5, 0.45, 0.08};
  std::string views;
  for (const char* layer : {"charts", "frames"})
    for (int i = 0; i < 3; ++i) {
      const double w = widths[i], h = widths[i] * 0.8;
      views += "map-extent " + std::to_string(cx - w / 2) + " " + std::to_string(cy - h / 2) +
               " " + std::to_string(cx + w / 2) + " " + std::to_string(cy + h / 2) +
               "\nsave-picture " + layer + std::to_string(i) + ".png\n";
      if (i == 2 && std::string(layer) == "charts")
        views += "remove-layer charts\nadd-catalog-layer zel.gpkg frames referenced-rpf\n";
    }
  const CommandResult r = RunSession(root, dir.path(), "charts.session", R"(host map
register {lumeris}
catalog-new zel.gpkg charts rpf
catalog-load zel.gpkg charts rpf charts
catalog-new zel.gpkg frames referenced-rpf
catalog-load zel.gpkg frames referenced-rpf charts
map-reference 4326
add-catalog-layer zel.gpkg charts rpf
)" + views);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("  error"), std::string::npos) << r.out;
  // Every frame is a row of both catalogs.
  for (const char* table : {"charts", "frames"}) {
    std::set<std::string> names;
    for (const auto& row : OgrRows(dir / "zel.gpkg", std::string("SELECT NAME FROM ") + table))
      names.insert(row.at("NAME"));
    std::set<std::string> expected;
    for (const auto& b : charts)
      for (const auto& f : b.frames) expected.insert(f.fileName);
    EXPECT_EQ(names, expected) << table;
  }
  // Scale i draws boundary i: its western frame's value above the centre line, value + 1 below.
  const int scaleOfView[] = {0, 1, 2};
  for (const char* layer : {"charts", "frames"})
    for (int i = 0; i < 3; ++i) {
      const std::string png = dir / (std::string(layer) + std::to_string(i) + ".png");
      SCOPED_TRACE(png);
      const double w = widths[i], h = widths[i] * 0.8;
      const int value = RpfFrameValue(charts, scaleOfView[i], 0);
      for (auto [frameY, tile] : {std::pair{740, 0}, std::pair{796, 1}}) {
        const double lat = 1 - (frameY + 0.5) * 2.0 / 3600;
        const int px = static_cast<int>((cx - (cx - w / 2)) / w * 1000);
        const int py = static_cast<int>(((cy + h / 2) - lat) / h * 800);
        EXPECT_EQ(PngPixel(png, px, py), RpfPaletteColour(false, value + tile))
            << "pixel " << px << " " << py;
      }
    }
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

// The "Added N" counts of a transcript's loads, summed.
int AddedCount(const std::string& transcript, const std::string& what) {
  int added = 0;
  for (std::size_t at = 0; (at = transcript.find("Added ", at)) != std::string::npos; ++at) {
    const std::size_t end = transcript.find(' ', at + 6);
    if (transcript.compare(end + 1, what.size(), what) == 0)
      added += std::stoi(transcript.substr(at + 6, end - at - 6));
  }
  return added;
}

// Two sessions at once: both make the same new database and catalog (one makes it, the other
// is told it is there; the file stays), then both load the same tree into it. Every cell goes
// in once, and the two sessions' "Added" counts add up to the cells.
TEST(CatalogSession, TwoSessionsAtOnceShareOneCatalog) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  TempRoot root;
  ScratchDir dir;
  constexpr int kCells = 24;
  for (int i = 0; i < kCells; ++i)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", i % 12, i / 12, 0), i % 12, i / 12, 0));
  for (int round = 0; round < 5; ++round) {
    const std::string db = "zel" + std::to_string(round) + ".gpkg";
    const std::string script = "host map\ncatalog-new " + db + " cells dted\ncatalog-load " + db +
                               " cells dted dted\n";
    CommandResult results[2];
    std::thread other([&] { results[1] = RunSession(root, dir.path(), "b.session", script); });
    results[0] = RunSession(root, dir.path(), "a.session", script);
    other.join();
    const std::string both = results[0].out + results[1].out;
    EXPECT_NE(both.find("Created the catalog"), std::string::npos) << both;
    const auto rows = OgrRows(dir / db, "SELECT COUNT(*) AS C, COUNT(DISTINCT FULL_NAME) AS D FROM cells");
    ASSERT_EQ(rows.size(), 1u) << both;
    EXPECT_EQ(rows[0].at("C"), std::to_string(kCells)) << both;
    EXPECT_EQ(rows[0].at("D"), std::to_string(kCells));
    EXPECT_EQ(AddedCount(both, "DTED cells"), kCells) << both;
  }
}

}  // namespace
}  // namespace velk::test
