// Hostile inputs to the catalog loads: tables of contents cut anywhere, VPF tables that lie
// about their length or are junk, DTED headers out of range, frames named outside the folder and
// links in the tree. Each bad file is named in an error event and the rest is loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <vector>
#include <string>

#include "platform/productline/catalog_scan.h"
#include "platform/productline/data_manager.h"
#include "platform/productline/rpf_toc.h"
#include "platform/productline/vpf_table.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/rpf_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"
#include "tests/platform/catalog_load_fixture.h"

using namespace velk;
using namespace velk::host;
using namespace velk::productline;
using namespace velk::test;
using namespace velk::test::catalog_load;
namespace fs = std::filesystem;

namespace {

// Replaces the first four bytes of a file (a VPF table's header length, an index's row count).
void PatchHeaderLength(const std::string& path, std::int32_t length) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.write(reinterpret_cast<const char*>(&length), 4);
}

}  // namespace

// A table of contents cut anywhere is refused with a reason, never read past its end.
TEST(CatalogLoad, TruncatedTableOfContentsIsRefusedWherePrefixEnds) {
  ScratchDir data;
  RpfTocBoundary onc;
  onc.frames = {{0, 0, "0000001A.ON2"}};
  ASSERT_TRUE(WriteRpfToc(data / "A.TOC", {onc}));
  const auto size = fs::file_size(data / "A.TOC");
  for (std::uintmax_t keep = 0; keep < size; keep += 7) {
    fs::copy_file(data / "A.TOC", data / "cut.TOC", fs::copy_options::overwrite_existing);
    Truncate(data / "cut.TOC", keep);
    RpfToc toc;
    std::string reason;
    EXPECT_FALSE(ReadRpfToc(data / "cut.TOC", toc, reason)) << keep;
    EXPECT_FALSE(reason.empty()) << keep;
  }
}

// Tables that lie about their length are refused with the reason, never read past their end.
TEST(CatalogLoad, VpfTablesThatLieAboutTheirLength) {
  ScratchDir dir;
  ASSERT_TRUE(MakeVpfDatabase(dir.path(), SmallVpfDatabase()));
  const std::string lat = dir / "vmaplv0/lat";
  const std::string edg = dir / "vmaplv0/lib1/trans/edg";
  struct Case {
    const char* what;
    std::function<void(const std::string&)> spoil;
    std::string table;
    const char* reason;
  } cases[] = {
      {"header longer than the file", [](const std::string& p) { PatchHeaderLength(p, 1 << 30); },
       lat, "header says"},
      {"negative header length", [](const std::string& p) { PatchHeaderLength(p, -8); }, lat,
       "header says"},
      {"rows cut short", [](const std::string& p) { Truncate(p, fs::file_size(p) - 3); }, edg,
       "cut short"},
      {"index lists more rows",
       [](const std::string& p) {
         std::string index = p;
         index.back() = 'x';
         PatchHeaderLength(index, 7);  // the index's first word is its row count
       },
       edg, "index lists 7 rows"},
      {"not a table at all", [](const std::string& p) { WriteText(p, "not a table"); }, lat,
       "header"},
  };
  for (const Case& c : cases) {
    ScratchDir copy;
    fs::copy(dir.path(), copy.path(), fs::copy_options::recursive);
    const std::string table = copy / fs::relative(c.table, dir.path()).string();
    c.spoil(table);
    VpfTableReader reader;
    std::string reason;
    EXPECT_FALSE(reader.Open(table, reason)) << c.what;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
  }
}

// A tree of two VPF databases, one library of which has a table that lies about its length and
// another a table cut short: each is one error event naming the file, the other libraries load
// (footprints, and one "_features" row per feature class, as ogr2ogr reads them back), and a
// second load adds nothing.
TEST(CatalogLoad, VpfTreeWithBadTables) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir data;
  ASSERT_TRUE(MakeVpfDatabase(data / "disc1", SmallVpfDatabase("vmaplv0")));
  VpfDatabaseSpec level1 = SmallVpfDatabase("vmaplv1");
  level1.libraries.push_back(level1.libraries[0]);
  level1.libraries[2].name = "lib3";
  ASSERT_TRUE(MakeVpfDatabase(data / "disc2", level1));
  const std::string lying = data / "disc2/vmaplv1/lib2/pop/fcs";
  PatchHeaderLength(lying, 100000);
  const std::string cut = data / "disc2/vmaplv1/lib3/trans/roadl.lft";
  Truncate(cut, fs::file_size(cut) - 5);

  CatalogLoad load(velkZelCatalogVPF, L"vmap");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogVPF), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), 2u);
  EXPECT_EQ(load.sink->ErrorsNaming(lying), 1);
  EXPECT_EQ(load.sink->ErrorsNaming(cut), 1);

  auto rows = load.Rows(
      "SELECT PRODUCT, LIBRARY, ST_MinX(Shape) AS W, ST_MaxX(Shape) AS E, ST_MinY(Shape) AS S, "
      "ST_MaxY(Shape) AS N FROM vmap ORDER BY PRODUCT, LIBRARY");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].at("PRODUCT"), "VMAP$VMAP Level 0");
  EXPECT_EQ(rows[0].at("LIBRARY"), "lib1");
  EXPECT_EQ(rows[1].at("LIBRARY"), "lib2");
  EXPECT_EQ(rows[2].at("PRODUCT"), "VMAP$VMAP Level 1");
  EXPECT_EQ(rows[2].at("LIBRARY"), "lib1");
  EXPECT_DOUBLE_EQ(Num(rows[1], "W"), 11);
  EXPECT_DOUBLE_EQ(Num(rows[1], "E"), 12);
  EXPECT_DOUBLE_EQ(Num(rows[1], "S"), 50);
  EXPECT_DOUBLE_EQ(Num(rows[1], "N"), 51);

  auto features = load.Rows(
      "SELECT PRODUCT, COVERAGE, FEAT_CLS, COV_DESC, FC_DESC, FC_TYPE, PATH, LIBRARY, GEOSYM_PID "
      "FROM vmap_features ORDER BY PRODUCT, LIBRARY, COVERAGE, FEAT_CLS");
  ASSERT_EQ(features.size(), 9u);
  EXPECT_EQ(features[0].at("COVERAGE"), "pop");
  EXPECT_EQ(features[0].at("FEAT_CLS"), "builta");
  EXPECT_EQ(features[0].at("FC_TYPE"), "Area");
  EXPECT_EQ(features[0].at("COV_DESC"), "Population");
  EXPECT_EQ(features[0].at("FC_DESC"), "Population areas");
  EXPECT_EQ(features[0].at("PATH"), data / "disc1/vmaplv0");
  EXPECT_EQ(features[0].at("GEOSYM_PID"), "1");
  EXPECT_EQ(features[1].at("FC_TYPE"), "Point");
  EXPECT_EQ(features[2].at("FEAT_CLS"), "roadl");
  EXPECT_EQ(features[2].at("FC_TYPE"), "Line");
  EXPECT_EQ(features[8].at("PRODUCT"), "VMAP$VMAP Level 1");
  EXPECT_EQ(features[8].at("GEOSYM_PID"), "2");

  EXPECT_EQ(load.Load(data.path(), velkZelCatalogVPF), S_FALSE);
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM vmap")[0].at("C"), "3");
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM vmap_features")[0].at("C"), "9");
}

namespace {

// A VPF table of the given header text and row bytes, little-endian.
void WriteRawVpfTable(const std::string& path, const std::string& header, const std::string& rows) {
  const auto length = static_cast<std::int32_t>(header.size());
  std::string bytes(reinterpret_cast<const char*>(&length), 4);
  WriteText(path, bytes + header + rows);
}

}  // namespace

// Hostile VPF tables in a tree of three libraries: tables whose columns are all zero-width (the
// database's own tables and a library's), a junk ring table, an empty face bounding rectangle
// table and a cut edge bounding rectangle table. Each is one error event naming the file, the
// load ends (nothing runs away or hangs in the OGDI reader), and the sound libraries load; the
// ring and face tables also into a geodatabase VPF catalog.
TEST(CatalogLoad, HostileVpfTablesAreNamedAndTheRestLoads) {
  const std::string zeroWidth = "L;Zero;-;ID=X,1,P,Id,-,-,-,:NAME=X,1,N,Name,-,-,-,:;";
  struct Case {
    const char* what;
    const char* table;  // under the database
    std::function<void(const std::string&)> spoil;
    int librariesLeft;  // of lib1 .. lib3
  } cases[] = {
      {"zero-width library table", "lib2/cat",
       [&](const std::string& p) { WriteRawVpfTable(p, zeroWidth, "xyz"); }, 2},
      {"zero-width database table", "lat",
       [&](const std::string& p) { WriteRawVpfTable(p, zeroWidth, ""); }, 0},
      {"zero-width header table", "dht",
       [&](const std::string& p) { WriteRawVpfTable(p, zeroWidth, "a"); }, 0},
      {"junk ring table", "lib2/pop/rng",
       [](const std::string& p) { WriteText(p, std::string("\x07\x00\x00\x00junk\xff\xfe", 10)); },
       2},
      {"empty face bounding rectangles", "lib3/pop/fbr", [](const std::string& p) { Truncate(p, 0); },
       2},
      {"cut edge bounding rectangles", "lib1/trans/ebr",
       [](const std::string& p) { Truncate(p, fs::file_size(p) - 7); }, 2},
  };
  for (velkZelCatalogTypeEnum kind : {velkZelCatalogVPF, velkZelCatalogGDBVPF}) {
    for (const Case& c : cases) {
      // The geodatabase load (which reads every feature) for the tables the OGDI reader hung on.
      if (kind == velkZelCatalogGDBVPF && std::string(c.table).find("pop/") == std::string::npos)
        continue;
      ScratchDir data;
      VpfDatabaseSpec spec = SmallVpfDatabase("vmaplv0");
      spec.libraries.push_back(spec.libraries[0]);
      spec.libraries[2].name = "lib3";
      ASSERT_TRUE(MakeVpfDatabase(data.path(), spec));
      const std::string bad = data / ("vmaplv0/" + std::string(c.table));
      ASSERT_TRUE(fs::exists(bad)) << bad;
      c.spoil(bad);
      CatalogLoad load(kind, L"vmap");
      EXPECT_EQ(load.Load(data.path(), kind), S_FALSE) << c.what;
      EXPECT_EQ(load.sink->Errors().size(), 1u) << c.what;
      EXPECT_EQ(load.sink->ErrorsNaming(bad), 1) << c.what;
      EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM vmap")[0].at("C"),
                std::to_string(c.librariesLeft))
          << c.what;
    }
  }
}

// A cell whose header places it off the earth, or promises more posts than the file holds, is
// not a DTED cell: refused with the reason before GDAL reads it, the rest loads.
TEST(CatalogLoad, DtedHeadersOutOfRangeAreRefused) {
  ScratchDir data;
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data.path(), 6, 0, 0), 6, 0, 0));
  struct Case {
    const char* what;
    std::size_t offset;
    const char* text;
    const char* reason;
  } cases[] = {
      {"longitude 999", 4, "9990000E", "longitude"},
      {"latitude 91", 12, "0910000N", "latitude"},
      {"no hemisphere", 4, "0070000X", "longitude"},
      {"minutes 75", 4, "0077500E", "longitude"},
      {"cell past the date line", 4, "1800000E", "edge of the earth"},
      {"more posts than the file", 47, "9999", "cut short"},
      {"no posts", 51, "0000", "size"},
      {"no user header label", 0, "XYZ1", "user header label"},
  };
  std::vector<std::string> bad;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string path = DtedCellPath(data.path(), 20 + static_cast<int>(i), 0, 0);
    ASSERT_TRUE(MakeDtedCell(path, 20 + static_cast<int>(i), 0, 0));
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(cases[i].offset));
    f.write(cases[i].text, static_cast<std::streamsize>(std::strlen(cases[i].text)));
    bad.push_back(path);
  }
  CatalogLoad load(velkZelCatalogDTED, L"elevation");
  EXPECT_EQ(load.Load(data.path(), velkZelCatalogDTED), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(load.sink->ErrorsNaming(bad[i]), 1) << cases[i].what;
    bool said = false;
    for (const std::string& e : load.sink->Errors())
      said = said || (e.find(bad[i]) != std::string::npos && e.find(cases[i].reason) != std::string::npos);
    EXPECT_TRUE(said) << cases[i].what;
  }
  EXPECT_EQ(load.Rows("SELECT COUNT(*) AS C FROM elevation")[0].at("C"), "1");
}

// A table of contents that names frames outside the folder being loaded (through "../" and by an
// absolute folder) loads only the frames under it; each of the others is named as skipped.
TEST(CatalogLoad, TableOfContentsFramesOutsideTheFolderAreSkipped) {
  ScratchDir data;
  RpfTocBoundary outside;
  outside.frames = {{0, 0, "0000001A.ON2"}};
  ASSERT_TRUE(MakeRpfTree(data / "elsewhere", {outside}));
  RpfTocBoundary inside = outside;
  inside.frames = {{0, 0, "0000002A.ON2"}};
  ASSERT_TRUE(MakeRpfTree(data / "loaded", {inside}));
  RpfTocBoundary up = outside;
  up.folder = "../../elsewhere/RPF/CADRG/ONC/";
  RpfTocBoundary absolute = outside;
  absolute.west = 7;
  absolute.frames = {{0, 0, "0000003A.ON2"}};
  ASSERT_TRUE(MakeRpfTree(data / "elsewhere2", {absolute}));
  absolute.folder = data / "elsewhere2/RPF/CADRG/ONC/";
  ASSERT_TRUE(WriteRpfToc(data / "loaded/RPF/A.TOC", {inside, up, absolute}));

  CatalogLoad load(velkZelCatalogRPF, L"charts");
  EXPECT_EQ(load.Load(data / "loaded", velkZelCatalogRPF), S_FALSE);
  EXPECT_EQ(load.sink->Errors().size(), 2u);
  for (const std::string& skipped :
       {data / "elsewhere/RPF/CADRG/ONC/0000001A.ON2", data / "elsewhere2/RPF/CADRG/ONC/0000003A.ON2"})
    EXPECT_EQ(load.sink->ErrorsNaming(skipped), 1) << skipped;
  auto rows = load.Rows("SELECT NAME FROM charts");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("NAME"), "0000002A.ON2");
}

// Links are followed once, by what they lead to: a linked folder outside the tree loads, a link
// back into the tree, a loop and a second link to the same cell are skipped with a word each,
// and no cell goes in twice.
TEST(CatalogLoad, LinksAreFollowedOnceAndSkipsAreNamed) {
  ScratchDir data;
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data / "tree", 6, 0, 0), 6, 0, 0));
  ASSERT_TRUE(MakeDtedCell(DtedCellPath(data / "other", 7, 0, 0), 7, 0, 0));
  fs::create_directory_symlink(data / "other", data / "tree/linked");
  fs::create_directory_symlink(data / "tree/e006", data / "tree/mirror");
  fs::create_directory_symlink(data / "tree", data / "tree/e006/loop");
  fs::create_symlink(DtedCellPath(data / "tree", 6, 0, 0), data / "tree/n00.dt0");
  fs::create_symlink(data / "nothing", data / "tree/dangling");

  CatalogLoad load(velkZelCatalogDTED, L"elevation");
  EXPECT_EQ(load.Load(data / "tree", velkZelCatalogDTED), S_OK);
  EXPECT_TRUE(load.sink->Errors().empty());
  std::vector<std::string> skipped;
  for (const auto& [text, type] : load.sink->events)
    if (text.find(" was skipped: ") != std::string::npos) skipped.push_back(text);
  EXPECT_EQ(skipped.size(), 4u);
  auto rows = load.Rows("SELECT NAME, FULL_NAME FROM elevation ORDER BY NAME");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0].at("FULL_NAME").find("e006"), std::string::npos);
  EXPECT_EQ(rows[1].at("FULL_NAME"), data / "tree/linked/e007/n00.dt0");
}
