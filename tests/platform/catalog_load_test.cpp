// Loading DTED, RPF and VPF trees made in code into GeoPackage catalogs through the data manager:
// the rows are checked with GDAL's ogr2ogr, bad files are named in error events and the rest is
// loaded, a second load adds nothing, and the writers of the fixtures are checked with GDAL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include <gdal_priv.h>

#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/data/track_cancel.h"
#include "platform/productline/catalog_scan.h"
#include "platform/productline/data_manager.h"
#include "platform/productline/rpf_toc.h"
#include "tests/platform/catalog_load_fixture.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/rpf_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"
#include "platform/productline/vpf_table.h"

using namespace velk;
using namespace velk::host;
using namespace velk::productline;
using namespace velk::test;
using namespace velk::test::catalog_load;
namespace fs = std::filesystem;

// The cell writer's output is what GDAL's DTED driver reads: level 0 and 1 sizes, the cell's
// place, and the elevations it was given.
TEST(CatalogFixtures, DtedCellsReadBackThroughGdal) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  ScratchDir dir;
  const std::string cell0 = DtedCellPath(dir.path(), 6, 0, 0);
  const std::string cell1 = DtedCellPath(dir.path(), -3, -1, 1);
  ASSERT_TRUE(MakeDtedCell(cell0, 6, 0, 0));
  ASSERT_TRUE(MakeDtedCell(cell1, -3, -1, 1));
  EXPECT_EQ(fs::path(cell1).parent_path().filename(), "w003");
  EXPECT_EQ(fs::path(cell1).filename(), "s01.dt1");
  const std::string info0 = ToolOutput("gdalinfo -stats " + ShellQuote(cell0));
  EXPECT_NE(info0.find("Driver: DTED"), std::string::npos);
  EXPECT_NE(info0.find("Size is 121, 121"), std::string::npos);
  EXPECT_NE(info0.find("Minimum=6.000, Maximum=246.000"), std::string::npos) << info0;
  const std::string info1 = ToolOutput("gdalinfo " + ShellQuote(cell1));
  EXPECT_NE(info1.find("Size is 1201, 1201"), std::string::npos);
  EXPECT_NE(info1.find("Lower Left  (  -3.0004167,  -1.0004167)"), std::string::npos) << info1;
}

// The frame and table-of-contents writers give what GDAL's RPFTOC and NITF drivers read: one
// subdataset per boundary rectangle, its frames, and each frame at its place.
TEST(CatalogFixtures, RpfTreeReadsBackThroughGdal) {
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  ScratchDir dir;
  RpfTocBoundary onc;
  onc.rows = 2;
  onc.columns = 2;
  onc.frames = {{0, 0, "0000001A.ON2"},
                {0, 1, "0000002A.ON2"},
                {1, 0, "0000003A.ON2"},
                {1, 1, "0000004A.ON2"}};
  RpfTocBoundary cib;
  cib.productType = "CIB";
  cib.scaleText = "1:41K";
  cib.folder = "./CIB/I1/";
  cib.west = 10;
  cib.north = -1;
  cib.frames = {{0, 0, "0000001B.I12"}};
  ASSERT_TRUE(MakeRpfTree(dir.path(), {onc, cib}));
  const std::string toc = dir / "RPF/A.TOC";
  const std::string info = ToolOutput("gdalinfo " + ShellQuote(toc));
  EXPECT_NE(info.find("SUBDATASET_1_DESC=CADRG:ONC:Operational Navigation Chart:1M:2:0"),
            std::string::npos)
      << info;
  EXPECT_NE(info.find("SUBDATASET_2_DESC=CIB:"), std::string::npos) << info;
  const std::string charts =
      ToolOutput("gdalinfo " + ShellQuote("NITF_TOC_ENTRY:CADRG_ONC_1M_2_0:" + toc));
  EXPECT_NE(charts.find("Size is 3072, 3072"), std::string::npos) << charts;
  EXPECT_NE(charts.find("Origin = (6.000000000000000,2.000000000000000)"), std::string::npos);
  for (const char* frame : {"0000001A.ON2", "0000002A.ON2", "0000003A.ON2", "0000004A.ON2"})
    EXPECT_NE(charts.find(std::string("CADRG/ONC/") + frame), std::string::npos) << frame;
  // Row 0 is the southern row: frame 1 lies south-west.
  const std::string frame =
      ToolOutput("gdalinfo " + ShellQuote(dir / "RPF/CADRG/ONC/0000001A.ON2"));
  EXPECT_NE(frame.find("Driver: NITF"), std::string::npos);
  EXPECT_NE(frame.find("Size is 1536, 1536"), std::string::npos);
  EXPECT_NE(frame.find("Origin = (6.000000000000000,1.146666666666667)"), std::string::npos)
      << frame;
  EXPECT_NE(frame.find("Color Table"), std::string::npos);
  // Our own reader of the table agrees.
  RpfToc parsed;
  std::string reason;
  ASSERT_TRUE(ReadRpfToc(toc, parsed, reason)) << reason;
  ASSERT_EQ(parsed.boundaries.size(), 2u);
  EXPECT_EQ(parsed.boundaries[1].productType, "CIB");
  EXPECT_EQ(parsed.boundaries[0].scale, "1:1M");
  ASSERT_EQ(parsed.frames.size(), 5u);
  EXPECT_EQ(parsed.frames[4].path, dir / "RPF/CIB/I1/0000001B.I12");
  EXPECT_EQ(RpfTocDisagreements(dir.path()), "");
}

// Frames as real products hold them, vector-quantised (CADRG) and JPEG (CIB) beside
// uncompressed ones: GDAL's NITF driver reads every frame back to the pixels written, with the
// palette written, and GDAL's RPFTOC driver agrees with the project's reading of the tree.
TEST(CatalogFixtures, CompressedFramesReadBackThroughGdal) {
  ScratchDir dir;
  std::vector<RpfTocBoundary> tree(3);
  tree[0].columns = 2;
  tree[0].frames = {{0, 0, "0000001A.ON2"}, {0, 1, "0000002A.ON2"}};
  tree[1].folder = "./CADRG/JOG/";
  tree[1].scaleText = "1:250K";
  tree[1].coding = RpfCoding::kVectorQuantised;
  tree[1].rows = 2;
  tree[1].frames = {{0, 0, "0000001A.JG2"}, {1, 0, "0000002A.JG2"}};
  tree[2].productType = "CIB";
  tree[2].scaleText = "1:41K";
  tree[2].folder = "./CIB/I1/";
  tree[2].coding = RpfCoding::kJpeg;
  tree[2].west = 10;
  tree[2].frames = {{0, 0, "0000001B.I12"}};
  ASSERT_TRUE(MakeRpfTree(dir.path(), tree));
  std::set<int> values;
  for (std::size_t b = 0; b < tree.size(); ++b) {
    const char* ic[] = {"NC", "C4", "C3"};
    for (std::size_t f = 0; f < tree[b].frames.size(); ++f) {
      const std::string path = dir / ("RPF/" + tree[b].folder + tree[b].frames[f].fileName);
      SCOPED_TRACE(path);
      const int value = RpfFrameValue(tree, b, f);
      EXPECT_TRUE(values.insert(value).second);
      const char* nitf[] = {"NITF", nullptr};
      GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                                nitf, nullptr, nullptr));
      ASSERT_TRUE(ds);
      EXPECT_STREQ(ds->GetMetadataItem("NITF_IC"), ic[static_cast<int>(tree[b].coding)]);
      if (tree[b].coding != RpfCoding::kUncompressed) {
        EXPECT_LT(fs::file_size(path), 1536u * 1536u / 4);
      }
      double gt[6];
      ASSERT_EQ(ds->GetGeoTransform(gt), CE_None);
      EXPECT_NEAR(gt[0], RpfFrameWest(tree[b], tree[b].frames[f]), 1e-9);
      EXPECT_NEAR(gt[3], RpfFrameNorth(tree[b], tree[b].frames[f]), 1e-9);
      std::vector<unsigned char> pixels(1536u * 1536u);
      ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, 1536, 1536, pixels.data(), 1536,
                                               1536, GDT_Byte, 0, 0, nullptr),
                CE_None);
      std::size_t wrong = 0;
      for (int y = 0; y < 1536; ++y)
        for (int x = 0; x < 1536; ++x)
          wrong += pixels[static_cast<std::size_t>(y) * 1536 + x] != RpfFixturePixel(value, x, y);
      EXPECT_EQ(wrong, 0u);
      const GDALColorTable* palette = ds->GetRasterBand(1)->GetColorTable();
      ASSERT_TRUE(palette);
      for (int index : {value, value + 1}) {
        const GDALColorEntry* e = palette->GetColorEntry(index);
        ASSERT_TRUE(e);
        EXPECT_EQ((RpfRgb{e->c1, e->c2, e->c3}), RpfPaletteColour(tree[b].productType == "CIB", index));
      }
    }
  }
  EXPECT_EQ(RpfTocDisagreements(dir.path()), "");
}

// A DTED tree with a cell of each kind of fault: every good cell is a row with its level, place,
// path and statistics (as ogr2ogr reads them back), every bad file is one error event naming it,
// and loading the same tree again adds nothing.
TEST(CatalogLoad, DtedTreeWithBadCells) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir data;
  struct Cell {
    int lon, lat, level;
  };
  const std::vector<Cell> good = {{6, 0, 0}, {7, 0, 0}, {6, 1, 0}, {-1, -2, 0}, {8, 0, 1}};
  for (const Cell& c : good)
    ASSERT_TRUE(
        MakeDtedCell(DtedCellPath(data.path(), c.lon, c.lat, c.level), c.lon, c.lat, c.level));
  // Not what its name says; cut short; a level 0 cell named as level 1.
  const std::string text = DtedCellPath(data.path(), 9, 0, 0);
  WriteText(text, "this is not elevation data\n");
  const std::string cut = DtedCellPath(data.path(), 9, 1, 0);
  ASSERT_TRUE(MakeDtedCell(cut, 9, 1, 0));
  Truncate(cut, fs::file_size(cut) / 2);
  const std::string misnamed = DtedCellPath(data.path(), 9, 2, 1);
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data.path(), 9, 2, 0), 9, 2, 0));
  fs::rename(DtedCellPath(data.path(), 9, 2, 0), misnamed);
  WriteText(data / "readme.txt", "not a cell");

  CatalogLoad load(velkZelCatalogDTED, L"elevation");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogDTED), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), 3u);
  for (const std::string& bad : {text, cut, misnamed})
    EXPECT_EQ(load.sink->ErrorsNaming(bad), 1) << bad;

  auto rows = load.Rows(
      "SELECT NAME, FULL_NAME, DTED_TYPE, ELEV_MIN, ELEV_MAX, ST_MinX(Shape) AS W, "
      "ST_MinY(Shape) AS S, ST_MaxX(Shape) AS E, ST_MaxY(Shape) AS N FROM elevation");
  ASSERT_EQ(rows.size(), good.size());
  for (const Cell& c : good) {
    const std::string path = DtedCellPath(data.path(), c.lon, c.lat, c.level);
    auto it = std::find_if(rows.begin(), rows.end(),
                           [&](const OgrRow& r) { return r.at("FULL_NAME") == path; });
    ASSERT_NE(it, rows.end()) << path;
    EXPECT_EQ(it->at("NAME"), fs::path(path).filename().string());
    EXPECT_EQ(it->at("DTED_TYPE"), "DTED Level " + std::to_string(c.level));
    const int posts = DtedPostsPerSide(c.level);
    // The default elevations run from 10 lat + lon to that plus two sides of posts.
    EXPECT_DOUBLE_EQ(Num(*it, "ELEV_MIN"), 10.0 * c.lat + c.lon);
    EXPECT_DOUBLE_EQ(Num(*it, "ELEV_MAX"), 10.0 * c.lat + c.lon + 2 * (posts - 1));
    EXPECT_NEAR(Num(*it, "W"), c.lon, 1e-9);
    EXPECT_NEAR(Num(*it, "S"), c.lat, 1e-9);
    EXPECT_NEAR(Num(*it, "E"), c.lon + 1, 1e-9);
    EXPECT_NEAR(Num(*it, "N"), c.lat + 1, 1e-9);
  }

  // Again: nothing new, the same faults reported again.
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogDTED), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), 3u);
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM elevation")[0].at("C"),
            std::to_string(good.size()));
  // A new cell in the tree is added by the next load, alone.
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data.path(), 10, 0, 0), 10, 0, 0));
  fs::remove(text);
  fs::remove(cut);
  fs::remove(misnamed);
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogDTED), S_OK);
  EXPECT_TRUE(load.sink->Errors().empty());
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM elevation")[0].at("C"),
            std::to_string(good.size() + 1));
  // The footprints are in the GeoPackage's spatial index.
  auto inIndex = load.Rows("SELECT COUNT(*) AS C FROM rtree_elevation_Shape");
  ASSERT_EQ(inIndex.size(), 1u);
  EXPECT_EQ(inIndex[0].at("C"), std::to_string(good.size() + 1));
}

// An RPF tree of charts and images with a frame the table lists but that is not there, a frame
// cut short and, in another folder, a table of contents that is not one.
TEST(CatalogLoad, RpfTreeWithBadFramesAndTables) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir data;
  RpfTocBoundary onc;
  onc.rows = 2;
  onc.columns = 2;
  onc.frames = {{0, 0, "0000001A.ON2"},
                {0, 1, "0000002A.ON2"},
                {1, 0, "0000003A.ON2"},
                {1, 1, "0000004A.ON2"}};
  RpfTocBoundary cib;
  cib.productType = "CIB";
  cib.scaleText = "1:41K";
  cib.folder = "./CIB/I1/";
  cib.west = 10;
  cib.north = -1;
  cib.frames = {{0, 0, "0000001B.I12"}, {0, 1, "0000002B.I12"}};
  cib.columns = 2;
  ASSERT_TRUE(MakeRpfTree(data / "disc1", {onc, cib}));
  EXPECT_EQ(RpfTocDisagreements(data / "disc1"), "");
  const std::string missing = data / "disc1/RPF/CADRG/ONC/0000004A.ON2";
  fs::remove(missing);
  const std::string cut = data / "disc1/RPF/CIB/I1/0000002B.I12";
  Truncate(cut, 5000);
  const std::string notToc = data / "disc2/RPF/A.TOC";
  WriteText(notToc, "NITF02.10 but nothing else\n");

  CatalogLoad load(velkZelCatalogReferencedRPF, L"charts");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogRPF), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), 3u);
  for (const std::string& bad : {missing, cut, notToc})
    EXPECT_EQ(load.sink->ErrorsNaming(bad), 1) << bad;

  auto rows = load.Rows(
      "SELECT NAME, FULL_NAME, PRODUCT, SERIES, SCALE, ST_MinX(Shape) AS W, ST_MaxY(Shape) AS N, "
      "ST_MaxX(Shape) AS E, ST_MinY(Shape) AS S FROM charts ORDER BY NAME");
  struct Expected {
    const char* name;
    const char* product;
    const char* series;
    const char* scale;
    const RpfTocBoundary* boundary;
    RpfTocFrame frame;
  } expected[] = {
      {"0000001A.ON2", "CADRG", "ON", "1000000", &onc, onc.frames[0]},
      {"0000001B.I12", "CIB", "I1", "41000", &cib, cib.frames[0]},
      {"0000002A.ON2", "CADRG", "ON", "1000000", &onc, onc.frames[1]},
      {"0000003A.ON2", "CADRG", "ON", "1000000", &onc, onc.frames[2]},
  };
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Expected& e = expected[i];
    EXPECT_EQ(rows[i].at("NAME"), e.name);
    EXPECT_EQ(rows[i].at("PRODUCT"), e.product) << e.name;
    EXPECT_EQ(rows[i].at("SERIES"), e.series) << e.name;
    EXPECT_EQ(rows[i].at("SCALE"), e.scale) << e.name;
    const std::string full = rows[i].at("FULL_NAME");
    EXPECT_EQ(full.substr(full.size() - rows[i].at("NAME").size()), e.name);
    EXPECT_TRUE(fs::exists(full)) << full;
    const double west = RpfFrameWest(*e.boundary, e.frame);
    const double north = RpfFrameNorth(*e.boundary, e.frame);
    EXPECT_NEAR(Num(rows[i], "W"), west, 1e-9) << e.name;
    EXPECT_NEAR(Num(rows[i], "N"), north, 1e-9) << e.name;
    EXPECT_NEAR(Num(rows[i], "E"), west + kRpfFrameDegrees, 1e-9) << e.name;
    EXPECT_NEAR(Num(rows[i], "S"), north - kRpfFrameDegrees, 1e-9) << e.name;
  }
  // The companion table holds each product series once.
  auto uids = load.Rows("SELECT PRODUCT, SERIES, SCALE FROM charts_uids ORDER BY SERIES");
  ASSERT_EQ(uids.size(), 2u);
  EXPECT_EQ(uids[0].at("SERIES"), "I1");
  EXPECT_EQ(uids[0].at("SCALE"), "41000");
  EXPECT_EQ(uids[1].at("PRODUCT"), "CADRG");
  EXPECT_EQ(uids[1].at("SCALE"), "1000000");
  // The indexes the layers' queries use.
  auto indexes = load.Rows("SELECT name FROM sqlite_master WHERE type = 'index'");
  std::set<std::string> names;
  for (const auto& r : indexes) names.insert(r.at("name"));
  EXPECT_TRUE(names.count("charts_scale_idx"));
  EXPECT_TRUE(names.count("charts_product_idx"));

  // A second load adds no frame and no series.
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogRPF), S_FALSE);
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM charts")[0].at("C"), "4");
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM charts_uids")[0].at("C"), "2");
}

// Real chart products are compressed: vector-quantised and JPEG frames load beside uncompressed
// ones, each a row with its footprint, while a compressed frame cut short is an error naming it.
TEST(CatalogLoad, CompressedFramesAreRowsAndCutOnesAreNot) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir data;
  std::vector<RpfTocBoundary> tree(3);
  tree[0].frames = {{0, 0, "0000001A.ON2"}};
  tree[1].folder = "./CADRG/JOG/";
  tree[1].scaleText = "1:250K";
  tree[1].coding = RpfCoding::kVectorQuantised;
  tree[1].columns = 3;
  tree[1].frames = {{0, 0, "0000001A.JG2"}, {0, 1, "0000002A.JG2"}, {0, 2, "0000003A.JG2"}};
  tree[2].productType = "CIB";
  tree[2].scaleText = "1:41K";
  tree[2].folder = "./CIB/I1/";
  tree[2].coding = RpfCoding::kJpeg;
  tree[2].columns = 2;
  tree[2].frames = {{0, 0, "0000001B.I12"}, {0, 1, "0000002B.I12"}};
  ASSERT_TRUE(MakeRpfTree(data.path(), tree));
  EXPECT_EQ(RpfTocDisagreements(data.path()), "");
  const std::string cutVq = data / "RPF/CADRG/JOG/0000003A.JG2";
  const std::string cutJpeg = data / "RPF/CIB/I1/0000002B.I12";
  Truncate(cutVq, fs::file_size(cutVq) - 4000);
  Truncate(cutJpeg, fs::file_size(cutJpeg) - 200);

  CatalogLoad load(velkZelCatalogReferencedRPF, L"charts");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogRPF), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), 2u);
  for (const std::string& bad : {cutVq, cutJpeg}) EXPECT_EQ(load.sink->ErrorsNaming(bad), 1) << bad;
  auto rows = load.Rows(
      "SELECT NAME, SCALE, ST_MinX(Shape) AS W, ST_MaxY(Shape) AS N FROM charts ORDER BY NAME");
  const std::vector<std::pair<std::size_t, std::size_t>> loaded = {{0, 0}, {1, 0}, {1, 1}, {2, 0}};
  ASSERT_EQ(rows.size(), loaded.size());
  std::map<std::string, std::pair<std::size_t, std::size_t>> byName;
  for (auto [b, f] : loaded) byName[tree[b].frames[f].fileName] = {b, f};
  for (const auto& row : rows) {
    ASSERT_TRUE(byName.count(row.at("NAME"))) << row.at("NAME");
    auto [b, f] = byName[row.at("NAME")];
    EXPECT_NEAR(Num(row, "W"), RpfFrameWest(tree[b], tree[b].frames[f]), 1e-9);
    EXPECT_NEAR(Num(row, "N"), RpfFrameNorth(tree[b], tree[b].frames[f]), 1e-9);
  }
}

// The catalog tables of each kind declare the shapes their records hold: GDAL's ogrinfo and
// ogr2ogr read and copy them without a warning, every footprint a (multi)polygon of the
// declared type.
TEST(CatalogLoad, CatalogTablesHoldTheShapesTheyDeclare) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty() && !ProgramOnPath("ogrinfo").empty(),
               "ogr2ogr or ogrinfo is not installed");
  ScratchDir data;
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data / "dted", 6, 0, 0), 6, 0, 0));
  RpfTocBoundary onc;
  onc.frames = {{0, 0, "0000001A.ON2"}};
  ASSERT_TRUE(MakeRpfTree(data / "rpf", {onc}));
  ASSERT_TRUE(MakeVpfDatabase(data / "vpf", SmallVpfDatabase()));
  struct Kind {
    velkZelCatalogTypeEnum kind;
    const wchar_t* name;
    const char* folder;
  } kinds[] = {{velkZelCatalogDTED, L"cells", "dted"},
               {velkZelCatalogReferencedRPF, L"charts", "rpf"},
               {velkZelCatalogVPF, L"libraries", "vpf"}};
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.folder);
    CatalogLoad load(k.kind, k.name);
    ASSERT_EQ(load.Load(data / k.folder, k.kind == velkZelCatalogReferencedRPF ? velkZelCatalogRPF
                                                                               : k.kind),
              S_OK);
    const std::string info = ToolOutput("ogrinfo -ro -al " + ShellQuote(load.gpkg()) + " 2>&1");
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    EXPECT_EQ(info.find("ERROR"), std::string::npos) << info;
    EXPECT_NE(info.find("Geometry: Multi Polygon"), std::string::npos) << info;
    EXPECT_NE(info.find("MULTIPOLYGON ((("), std::string::npos) << info;
    EXPECT_EQ(info.find(" POLYGON (("), std::string::npos) << info;
    const std::string copy = data / (std::string(k.folder) + "_copy.gpkg");
    const std::string copied = ToolOutput("ogr2ogr -f GPKG " + ShellQuote(copy) + " " +
                                          ShellQuote(load.gpkg()) + " 2>&1");
    EXPECT_EQ(copied.find("Warning"), std::string::npos) << copied;
    EXPECT_EQ(copied.find("ERROR"), std::string::npos) << copied;
    EXPECT_TRUE(fs::exists(copy));
  }
}


// The cancel tracker is asked on the calling thread while files are read; once it says stop,
// the workers take no further file and the load says it was cancelled.
TEST(CatalogLoad, CancelStopsTheScan) {
  std::atomic<int> worked{0};
  ScanOptions options;
  options.threads = 2;
  int calls = 0;
  const auto caller = std::this_thread::get_id();
  options.progress = [&](std::size_t, std::size_t total) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    EXPECT_EQ(total, 400u);
    return ++calls < 2;
  };
  const bool finished = ForEachFile(400, options, [&](std::size_t) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ++worked;
  });
  EXPECT_FALSE(finished);
  EXPECT_LT(worked.load(), 400);

  ScratchDir data;
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data.path(), 6, 0, 0), 6, 0, 0));
  CatalogLoad load(velkZelCatalogDTED, L"elevation");
  ComPtr<ITrackCancel> tracker;
  ASSERT_EQ(CreateCancelTrackerObject(nullptr, IidOf<ITrackCancel>(), tracker.put_void()), S_OK);
  tracker->Cancel();
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogDTED, tracker.get()), S_OK);
  EXPECT_TRUE(std::any_of(load.sink->events.begin(), load.sink->events.end(), [](const auto& e) {
    return e.first.find("cancelled") != std::string::npos;
  }));
  EXPECT_TRUE(load.sink->Errors().empty());
}

TEST(CatalogLoad, DtedLevelsFromPostSpacing) {
  const struct {
    double seconds;
    int level;
  } cases[] = {{30, 0},       {3, 1},  {1, 2},   {1.0 / 3, 3}, {1.0 / 9, 4},
               {1.0 / 27, 5}, {2, -1}, {15, -1}, {0.5, -1}};
  for (const auto& c : cases) EXPECT_EQ(DtedLevelOfSpacing(c.seconds), c.level) << c.seconds;
}

// The shared real cell, read where it lies: its row has level 1, the cell's degree square and
// the statistics GDAL's gdalinfo computes for it (without writing anything beside it).
TEST(CatalogLoad, SharedRealDtedCell) {
  const std::string folder = std::string(VELK_SHARED_DATA) + "/dted";
  const std::string cell = folder + "/n00_e006_3arc_v2.dt1";
  VELK_REQUIRE(fs::exists(cell), "shared DTED cell not found");
  VELK_REQUIRE(!ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  const std::string info = ToolOutput("GDAL_PAM_ENABLED=NO gdalinfo -stats " + ShellQuote(cell));
  double minimum = 0, maximum = 0, mean = 0, stdDev = 0;
  const std::size_t at = info.find("Minimum=");
  ASSERT_NE(at, std::string::npos) << info;
  ASSERT_EQ(std::sscanf(info.c_str() + at, "Minimum=%lf, Maximum=%lf, Mean=%lf, StdDev=%lf",
                        &minimum, &maximum, &mean, &stdDev),
            4);
  const std::size_t files = std::distance(fs::directory_iterator(folder), fs::directory_iterator());

  const ScanResult<DtedCellRow> scan = ScanDtedTree(folder);
  EXPECT_TRUE(scan.problems.empty());
  const auto it = std::find_if(scan.rows.begin(), scan.rows.end(), [&](const DtedCellRow& r) {
    return r.name == fs::path(cell).filename();
  });
  ASSERT_NE(it, scan.rows.end());
  EXPECT_EQ(it->level, 1);
  EXPECT_NEAR(it->footprint.west, 6, 1e-9);
  EXPECT_NEAR(it->footprint.east, 7, 1e-9);
  EXPECT_NEAR(it->footprint.south, 0, 1e-9);
  EXPECT_NEAR(it->footprint.north, 1, 1e-9);
  EXPECT_DOUBLE_EQ(it->minimum, minimum);
  EXPECT_DOUBLE_EQ(it->maximum, maximum);
  EXPECT_NEAR(it->mean, mean, 1e-3);
  EXPECT_NEAR(it->stdDev, stdDev, 1e-3);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
            static_cast<std::ptrdiff_t>(files))
      << "nothing is written beside the cell";
}

// New database catalogs have their query indexes from the start, the VPF feature table its
// PRODUCT + COVERAGE + FEAT_CLS index among them.
TEST(CatalogLoad, NewCatalogsAreIndexed) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  const struct {
    velkZelCatalogTypeEnum kind;
    const wchar_t* name;
    std::set<std::string> indexes;
  } cases[] = {
      {velkZelCatalogVPF,
       L"vmap",
       {"vmap_product_idx", "vmap_features_product_idx", "vmap_features_product_coverage_fc_idx"}},
      {velkZelCatalogRPF,
       L"charts",
       {"charts_scale_idx", "charts_product_idx", "charts_full_name_idx"}},
      {velkZelCatalogDTED, L"cells", {"cells_full_name_idx"}},
  };
  for (const auto& c : cases) {
    CatalogLoad catalog(c.kind, c.name);
    std::set<std::string> names;
    for (const auto& r : catalog.Rows("SELECT name FROM sqlite_master WHERE type = 'index'"))
      names.insert(r.at("name"));
    for (const std::string& index : c.indexes) EXPECT_TRUE(names.count(index)) << index;
  }
}

namespace {

std::string Ogdi(const std::string& library) { return "gltp:/vrf" + library; }

}  // namespace

// The VPF writer's output is what GDAL's OGDI driver reads: each library's point, area and line
// feature classes with their names and places; our own table reader agrees on the libraries.
TEST(CatalogFixtures, VpfDatabaseReadsBackThroughGdal) {
  VELK_REQUIRE(!ProgramOnPath("ogrinfo").empty(), "ogrinfo is not installed");
  ScratchDir dir;
  ASSERT_TRUE(MakeVpfDatabase(dir.path(), SmallVpfDatabase()));
  const std::string lib2 = dir / "vmaplv0/lib2";
  const std::string layers = ToolOutput("ogrinfo -ro " + ShellQuote(Ogdi(lib2)));
  for (const char* l : {"builtp@pop(*)_point (Point)", "builta@pop(*)_area (Polygon)",
                        "roadl@trans(*)_line (Line String)"})
    EXPECT_NE(layers.find(l), std::string::npos) << layers;
  const std::string points =
      ToolOutput("ogrinfo -ro -al -q " + ShellQuote(Ogdi(lib2)) + " 'builtp@pop(*)_point'");
  EXPECT_NE(points.find("Town 4"), std::string::npos) << points;
  EXPECT_NE(points.find("POINT (11.75 50.75)"), std::string::npos) << points;
  const std::string areas =
      ToolOutput("ogrinfo -ro -al -q " + ShellQuote(Ogdi(lib2)) + " 'builta@pop(*)_area'");
  EXPECT_NE(areas.find("City 2"), std::string::npos) << areas;
  EXPECT_NE(areas.find("POLYGON ((11.3999996185303 50.4000015258789,"), std::string::npos)
      << areas;
  const std::string lines =
      ToolOutput("ogrinfo -ro -al -q " + ShellQuote(Ogdi(lib2)) + " 'roadl@trans(*)_line'");
  EXPECT_NE(lines.find("LINESTRING (11.1000003814697 50.0999984741211,11.5 50.5,"),
            std::string::npos)
      << lines;

  VpfTableReader lat;
  std::string reason;
  ASSERT_TRUE(lat.Open(dir / "vmaplv0/lat", reason)) << reason;
  ASSERT_EQ(lat.RowCount(), 2u);
  EXPECT_EQ(lat.Text(1, lat.Column("LIBRARY_NAME")), "lib2");
  EXPECT_EQ(lat.Number(1, lat.Column("XMIN")), 11.0);
  VpfTableReader edg;
  ASSERT_TRUE(edg.Open(dir / "vmaplv0/lib1/pop/edg", reason)) << reason;
  EXPECT_EQ(edg.RowCount(), 1u);
}



// A geodatabase VPF catalog takes the features themselves: one feature class per product,
// coverage and class, holding every library's features with their library; not twice.
TEST(CatalogLoad, ManagedVpfCopiesTheFeatures) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir data;
  ASSERT_TRUE(MakeVpfDatabase(data.path(), SmallVpfDatabase("vmaplv0")));
  CatalogLoad load(velkZelCatalogGDBVPF, L"managed");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogGDBVPF), S_OK);
  EXPECT_TRUE(load.sink->Errors().empty());
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM managed")[0].at("C"), "2");
  auto towns = load.Rows(
      "SELECT NAM, LIBRARY, ST_X(geom) AS X, ST_Y(geom) AS Y FROM vmaplv0_pop_builtp ORDER BY NAM");
  ASSERT_EQ(towns.size(), 4u);
  EXPECT_EQ(towns[3].at("NAM"), "Town 4");
  EXPECT_EQ(towns[3].at("LIBRARY"), "lib2");
  EXPECT_DOUBLE_EQ(Num(towns[3], "X"), 11.75);
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM vmaplv0_pop_builta")[0].at("C"), "2");
  auto roads = load.Rows("SELECT NAM, ST_NumPoints(geom) AS P FROM vmaplv0_trans_roadl ORDER BY NAM");
  ASSERT_EQ(roads.size(), 2u);
  EXPECT_EQ(roads[0].at("P"), "3");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogGDBVPF), S_OK);
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM vmaplv0_pop_builtp")[0].at("C"), "4");
}

