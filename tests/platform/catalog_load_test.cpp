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
namespace fs = std::filesystem;

namespace {

class Sink : public ComObjectRoot<Sink, IDataManagerEvents> {
 public:
  HRESULT OnEvent(BSTR message, LONG eventType) override {
    events.emplace_back(ToUtf8(message ? message : L""), eventType);
    return S_OK;
  }
  std::vector<std::pair<std::string, LONG>> events;

  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.second == kDataManagerEventError) out.push_back(e.first);
    return out;
  }
  // Error events that name the file.
  int ErrorsNaming(const std::string& path) const {
    int n = 0;
    for (const auto& e : Errors()) n += e.find("\"" + path + "\"") != std::string::npos;
    return n;
  }
};

// A GeoPackage with one new catalog, the data manager and its listener.
class CatalogLoad {
 public:
  CatalogLoad(velkZelCatalogTypeEnum kind, const std::wstring& name) : name_(name) {
    EXPECT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir_.path())), Bstr(L"zel.gpkg"), nullptr,
                                        nullptr, db_.put()),
              S_OK);
    EXPECT_EQ(CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager_.put_void()), S_OK);
    EXPECT_EQ(CreateInstance<Sink>(nullptr, IidOf<IDataManagerEvents>(), sinkRef_.put_void()),
              S_OK);
    sink = static_cast<Sink*>(sinkRef_.get());
    EXPECT_EQ(ConnectSink(manager_.get(), sinkRef_.get(), IidOf<IDataManagerEvents>(), &cookie_),
              S_OK);
    EXPECT_EQ(manager_->CreateCatalog(db_.get(), kind, nullptr, Bstr(name), 0, 0, nullptr), S_OK);
    EXPECT_EQ(db_.As<IFeatureWorkspace>()->OpenTable(Bstr(name), table_.put()), S_OK);
  }
  ~CatalogLoad() { DisconnectSink(manager_.get(), IidOf<IDataManagerEvents>(), cookie_); }

  HRESULT Load(const std::string& folder, velkZelCatalogTypeEnum kind,
               ITrackCancel* cancel = nullptr) {
    sink->events.clear();
    return manager_->LoadCatalog(table_.get(), Bstr(FromUtf8(folder)), kind, cancel);
  }
  std::string gpkg() const { return dir_ / "zel.gpkg"; }
  std::string name() const { return ToUtf8(name_); }
  std::vector<OgrRow> Rows(const std::string& sql) const {
    bool ok = false;
    auto rows = OgrRows(gpkg(), sql, &ok);
    EXPECT_TRUE(ok) << sql;
    return rows;
  }
  Sink* sink = nullptr;

 private:
  ScratchDir dir_;
  std::wstring name_;
  ComPtr<IWorkspace> db_;
  ComPtr<IDataManager> manager_;
  ComPtr<IDataManagerEvents> sinkRef_;
  DWORD cookie_ = 0;
  ComPtr<ITable> table_;
};

void Truncate(const std::string& path, std::uintmax_t size) { fs::resize_file(path, size); }

void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

double Num(const OgrRow& row, const std::string& field) { return std::stod(row.at(field)); }

}  // namespace

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

// Replaces the first four bytes of a file (a VPF table's header length, an index's row count).
void PatchHeaderLength(const std::string& path, std::int32_t length) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.write(reinterpret_cast<const char*>(&length), 4);
}

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
