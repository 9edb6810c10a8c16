// The terrain tools in a running 2-D host, driven by mouse drags over the map: highest and
// lowest points of a host raster layer and of a catalog elevation layer (a double that clips
// real rasters with GDAL), the outline, the work folders, the enabled rules per subtype, the
// hillshade and mosaic dialogs preset with the drag, and refusals. The points are checked
// against a scan of the grid and against gdalinfo's statistics of the same window.
#include "terrain/terrain_tools/terrain_tools.h"

#include <gtest/gtest.h>

#include <gdal_priv.h>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "framework/host_object_creation.h"
#include "framework/scratch_folder.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/com/text.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/data/workspace.h"
#include "platform/host/shell/status_bar.h"
#include "platform/host/display/symbol.h"
#include "platform/win/responder.h"
#include "terrain/terrain_tools/find_high_low_point.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/map_tool_host.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/raster_cells.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/scoped_responder.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/terrain/terrain_doubles.h"

namespace velk::corvane {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;

// The grid: 100 x 80 cells of 10 m from (500000, 4000800) down to (501000, 4000000); the view
// shows it at one metre a pixel, so pixel (px, py) is (500000 + px, 4000800 - py).
constexpr int kColumns = 100, kRows = 80;
constexpr int kPeakColumn = 30, kPeakRow = 20;  // 900.25
constexpr int kPitColumn = 70, kPitRow = 60;    // 5.125
double Elevation(int c, int r) {
  if (c == kPeakColumn && r == kPeakRow) return 900.25;
  if (c == kPitColumn && r == kPitRow) return 5.125;
  if (c >= 85 && r < 10) return 400;  // a flat corner
  if (c == 50 && r == 40) return -9999;  // a void
  return 300 + 100 * std::sin(c * 0.07) * std::cos(r * 0.09);
}

// Records what the mosaic dialog was given.
struct MosaicRecord {
  int runs = 0;
  ComPtr<ILayer> layer;
  ComPtr<IEnvelope> area;
};
MosaicRecord g_mosaic;
class MosaicDouble : public MosaicDialogPort {
 public:
  void SetHook(IUnknown*) override {}
  void SetInputs(ILayer* layer, IEnvelope* area) override {
    g_mosaic.layer = ComPtr<ILayer>(layer);
    g_mosaic.area = ComPtr<IEnvelope>(area);
  }
  void RunModal() override { ++g_mosaic.runs; }
};

struct ToolHost : test::MapToolHost {
  ScratchDir dir;
  ComPtr<ILayer> dem;

  ToolHost() {
    test::DemSpec spec;
    spec.columns = kColumns;
    spec.rows = kRows;
    spec.originX = 500000;
    spec.originY = 4000800;
    spec.cellX = spec.cellY = 10;
    spec.epsg = 32631;
    spec.noData = -9999;
    spec.value = Elevation;
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "dem.tif", spec));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(dir / "dem.tif"))), S_OK);
    dem = raster.Query<ILayer>();
    dem->put_Name(Bstr(L"dem"));
    Map()->put_SpatialReference(test::SpatialReference(32631).get());
    Map()->AddLayer(dem.get());
    Show(host::NewEnvelope(500000, 4000000, 501000, 4000800).get());
    AddSelectedLayerControl(dem.get());
    win::ClearUserEvents();
  }
  ComPtr<ICommand> Tool(LONG subtype) {
    ComPtr<ICommand> tool;
    EXPECT_EQ(CreateTerrainTools(nullptr, IidOf<ICommand>(), tool.put_void()), S_OK);
    EXPECT_EQ(tool.Query<ICommandSubType>()->SetSubType(subtype), S_OK);
    EXPECT_EQ(tool->OnCreate(fixture.Session().Hook()), S_OK);
    return tool;
  }
  // A drag over the cells c0..c1, r0..r1 (pixels at the cells' insides).
  static HRESULT DragCells(ICommand* tool, int c0, int r0, int c1, int r1, LONG button = 1) {
    return Drag(tool, c0 * 10 + 2, r0 * 10 + 2, c1 * 10 + 8, r1 * 10 + 8, button);
  }
  std::vector<std::wstring> LayerNames() {
    std::vector<std::wstring> names;
    LONG n = 0;
    Map()->get_LayerCount(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> l;
      Map()->get_Layer(i, l.put());
      Bstr name;
      l->get_Name(&name);
      names.push_back(name.str());
    }
    return names;
  }
  int Outlines() { return Graphics(kTerrainToolsGraphic); }
  static std::string Work(const wchar_t* subtype) {
    return ToUtf8(GetScratchFolder().str()) + ToUtf8(subtype);
  }
};

// Points of a shapefile as ogr2ogr reads them: (x, y, value).
std::vector<std::array<double, 3>> Points(const std::string& shp) {
  bool ok = false;
  const auto stem = fs::path(shp).stem().string();
  const auto rows = test::OgrRows(
      shp, "SELECT ST_X(geometry) AS X, ST_Y(geometry) AS Y, GRID_CODE FROM \"" + stem + "\"",
      &ok, true);
  EXPECT_TRUE(ok) << shp;
  std::vector<std::array<double, 3>> out;
  for (const auto& r : rows)
    out.push_back({std::stod(r.at("X")), std::stod(r.at("Y")), std::stod(r.at("GRID_CODE"))});
  return out;
}

// gdalinfo's statistics of the cells c0..c1, r0..r1 of the DEM: (minimum, maximum).
std::pair<double, double> GdalinfoStats(const std::string& dem, const std::string& dir, int c0,
                                        int r0, int c1, int r1) {
  const std::string window = dir + "/window.tif";
  fs::remove(window);
  test::ToolOutput("gdal_translate -q -srcwin " + std::to_string(c0) + " " + std::to_string(r0) +
                   " " + std::to_string(c1 - c0 + 1) + " " + std::to_string(r1 - r0 + 1) + " " +
                   test::ShellQuote(dem) + " " + test::ShellQuote(window));
  const std::string info = test::ToolOutput("gdalinfo -stats " + test::ShellQuote(window));
  auto read = [&](const std::string& key) {
    const auto at = info.find(key + "=");
    return at == std::string::npos ? NAN : std::stod(info.substr(at + key.size() + 1));
  };
  fs::remove(window + ".aux.xml");
  return {read("STATISTICS_MINIMUM"), read("STATISTICS_MAXIMUM")};
}

// The cells of the window that carry its extreme, as a scan finds them.
std::vector<std::pair<int, int>> Scan(int c0, int r0, int c1, int r1, bool highest) {
  double best = highest ? -INFINITY : INFINITY;
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) {
      const double v = static_cast<float>(Elevation(c, r));
      if (v == -9999) continue;
      best = highest ? std::max(best, v) : std::min(best, v);
    }
  std::vector<std::pair<int, int>> cells;
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c)
      if (static_cast<float>(Elevation(c, r)) == best) cells.push_back({c, r});
  return cells;
}

TEST(TerrainTools, DragsOverAPeakAndAPitGiveTheirPointsWithLabelsAndOneOutline) {
  VELK_REQUIRE(!test::ProgramOnPath("gdalinfo").empty(), "gdalinfo is not installed");
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ToolHost host;
  auto highest = host.Tool(kSubtypeHighest);
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 20, 10, 45, 35), S_OK);
  const auto stats = GdalinfoStats(host.dir / "dem.tif", host.dir.path(), 20, 10, 45, 35);
  EXPECT_EQ(stats.second, 900.25);
  EXPECT_EQ(Scan(20, 10, 45, 35, true), (std::vector<std::pair<int, int>>{{kPeakColumn, kPeakRow}}));
  auto pts = Points(ToolHost::Work(L"Highest") + "/MaxPt0000.shp");
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_DOUBLE_EQ(pts[0][0], 500000 + kPeakColumn * 10 + 5);
  EXPECT_DOUBLE_EQ(pts[0][1], 4000800 - kPeakRow * 10 - 5);
  EXPECT_EQ(pts[0][2], 900.25);

  auto lowest = host.Tool(kSubtypeLowest);
  ASSERT_EQ(ToolHost::DragCells(lowest.get(), 60, 50, 80, 70), S_OK);
  EXPECT_EQ(GdalinfoStats(host.dir / "dem.tif", host.dir.path(), 60, 50, 80, 70).first, 5.125);
  pts = Points(ToolHost::Work(L"Lowest") + "/MinPt0000.shp");
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_DOUBLE_EQ(pts[0][0], 500000 + kPitColumn * 10 + 5);
  EXPECT_DOUBLE_EQ(pts[0][1], 4000800 - kPitRow * 10 - 5);

  EXPECT_EQ(host.LayerNames(),
            (std::vector<std::wstring>{L"MinPt0000.shp", L"MaxPt0000.shp", L"dem"}));
  EXPECT_EQ(host.Outlines(), 1) << "the last searched area only";
  // Red markers for the highest point, black for the lowest, labelled with the elevation.
  struct Want {
    int index;
    LONG rgb;
    const wchar_t* label;
  };
  for (const Want& w : {Want{0, 0, L"5.125"}, Want{1, 255, L"900.25"}}) {
    ComPtr<ILayer> layer;
    host.Map()->get_Layer(w.index, layer.put());
    ComPtr<IFeatureRenderer> renderer;
    layer.Query<IGeoFeatureLayer>()->get_Renderer(renderer.put());
    auto simple = renderer.Query<ISimpleRenderer>();
    Bstr label;
    simple->get_Label(&label);
    EXPECT_EQ(label.str(), w.label);
    ComPtr<IUnknown> symbol;
    simple->get_Symbol(symbol.put());
    ComPtr<IColor> color;
    symbol.Query<IMarkerSymbol>()->get_Color(color.put());
    LONG rgb = -1;
    color->get_RGB(&rgb);
    EXPECT_EQ(rgb, w.rgb);
  }

  // A second search numbers on; each drag leaves its claimed temporary file.
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 0, 0, 10, 10), S_OK);
  EXPECT_TRUE(fs::exists(ToolHost::Work(L"Highest") + "/MaxPt0001.shp"));
  EXPECT_EQ(host.Outlines(), 1);
  int claims = 0;
  for (const auto& f : test::FilesIn(ToolHost::Work(L"Highest")))
    claims += f.rfind("hi", 0) == 0 && f.ends_with(".tmp");
  EXPECT_EQ(claims, 2);
}

TEST(TerrainTools, AFlatAreaGivesOnePointPerCellAndVoidsGiveNone) {
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ToolHost host;
  auto highest = host.Tool(kSubtypeHighest);
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 85, 0, 99, 9), S_OK);
  const auto pts = Points(ToolHost::Work(L"Highest") + "/MaxPt0000.shp");
  EXPECT_EQ(pts.size(), 150u);
  for (const auto& p : pts) EXPECT_EQ(p[2], 400);
  // A drag over the void alone finds nothing and adds nothing, quietly.
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 50, 40, 50, 40), S_OK);
  EXPECT_FALSE(fs::exists(ToolHost::Work(L"Highest") + "/MaxPt0001.shp"));
}

TEST(TerrainTools, MoreExtremeCellsThanAShapefileHoldsAreRefusedAndLeaveNothing) {
  // A flat surface of 12,000 x 11,000 cells over the view, every cell an extreme: more points
  // than a shapefile's 4 GB hold. A virtual raster, one zero cell stretched over them all.
  ToolHost host;
  const std::string one = host.dir / "one.tif";
  {
    GDALAllRegister();
    GDALDataset* d =
        GetGDALDriverManager()->GetDriverByName("GTiff")->Create(one.c_str(), 1, 1, 1, GDT_Byte,
                                                                 nullptr);
    ASSERT_NE(d, nullptr);
    GDALClose(d);  // its cell reads 0
  }
  const std::string huge = host.dir / "huge.vrt";
  {
    std::ofstream vrt(huge);
    vrt << "<VRTDataset rasterXSize=\"12000\" rasterYSize=\"11000\">\n"
           "<GeoTransform>500000, 0.0833333333333333, 0, 4000800, 0, -0.0727272727272727"
           "</GeoTransform>\n"
           "<VRTRasterBand dataType=\"Byte\" band=\"1\"><NoDataValue>255</NoDataValue>\n"
           "<SimpleSource><SourceFilename relativeToVRT=\"1\">one.tif</SourceFilename>"
           "<SourceBand>1</SourceBand><SrcRect xOff=\"0\" yOff=\"0\" xSize=\"1\" ySize=\"1\"/>"
           "<DstRect xOff=\"0\" yOff=\"0\" xSize=\"12000\" ySize=\"11000\"/></SimpleSource>\n"
           "</VRTRasterBand></VRTDataset>\n";
  }
  auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
  ASSERT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(huge))), S_OK);
  auto layer = raster.Query<ILayer>();
  host.Map()->AddLayer(layer.get());
  host.Select(layer.get());
  auto highest = host.Tool(kSubtypeHighest);
  win::ClearUserEvents();
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 0, 0, 99, 79), S_OK);
  ASSERT_EQ(win::UserEvents().size(), 1u);
  EXPECT_EQ(win::UserEvents()[0].text,
            L"The area holds more cells of that elevation than a point shapefile can hold; "
            L"choose a smaller area");
  EXPECT_EQ(host.LayerNames().size(), 2u) << "no point layer added";
  // Only the claimed temporary file stays in the work folder: no rasters, no shapefile.
  std::vector<std::string> left;
  for (const auto& f : test::FilesIn(ToolHost::Work(L"Highest")))
    if (!(f.rfind("hi", 0) == 0 && f.ends_with(".tmp"))) left.push_back(f);
  EXPECT_TRUE(left.empty()) << left.front();
}

TEST(TerrainTools, ACatalogSurfaceIsClippedSearchedAndTheClipDeleted) {
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ToolHost host;
  auto catalog = MakeObjectPtr<DtedLayerDouble, ILayer>();
  auto* dted = static_cast<DtedLayerDouble*>(catalog.get());
  dted->source = host.dir / "dem.tif";
  host.Select(catalog.get());
  auto highest = host.Tool(kSubtypeHighest);
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 20, 10, 45, 35), S_OK);
  ASSERT_EQ(dted->clips, 1);
  EXPECT_FALSE(fs::exists(dted->lastClip)) << "the clipped surface is deleted after the search";
  EXPECT_EQ(fs::path(dted->lastClip).parent_path(), ToolHost::Work(L"Highest"));
  const auto pts = Points(ToolHost::Work(L"Highest") + "/MaxPt0000.shp");
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_EQ(pts[0][2], 900.25);
  EXPECT_EQ(host.Outlines(), 1);

  // Outside the coverage: message 3719 (no caption, OK only) and nothing added.
  auto lowest = host.Tool(kSubtypeLowest);
  win::ClearUserEvents();
  ASSERT_EQ(ToolHost::DragCells(lowest.get(), -50, -50, -20, -20), S_OK);
  ASSERT_EQ(win::UserEvents().size(), 1u);
  EXPECT_EQ(win::UserEvents()[0].text, L"The selected area is outside the surface");
  EXPECT_EQ(win::UserEvents()[0].type, static_cast<UINT>(MB_OK));
  EXPECT_FALSE(fs::exists(ToolHost::Work(L"Lowest") + "/MinPt0000.shp"));
  EXPECT_EQ(host.LayerNames().size(), 2u);
}

TEST(TerrainTools, ADragOutsideAHostRasterSaysSoAndLeavesNoOutline) {
  ToolHost host;
  auto highest = host.Tool(kSubtypeHighest);
  ASSERT_EQ(ToolHost::DragCells(highest.get(), -50, -50, -20, -20), S_OK);
  ASSERT_EQ(win::UserEvents().size(), 1u);
  EXPECT_EQ(win::UserEvents()[0].text, L"The selected area is outside the surface");
  EXPECT_EQ(host.Outlines(), 0);
  EXPECT_EQ(host.LayerNames(), (std::vector<std::wstring>{L"dem"}));
}

TEST(TerrainTools, RightButtonsAndMissingLayersRunNothing) {
  ToolHost host;
  auto highest = host.Tool(kSubtypeHighest);
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 20, 10, 45, 35, 2), S_OK);
  EXPECT_EQ(host.LayerNames().size(), 1u);
  EXPECT_FALSE(fs::exists(ToolHost::Work(L"Highest")));
  host.Select(nullptr);
  ASSERT_EQ(ToolHost::DragCells(highest.get(), 20, 10, 45, 35), S_OK);
  EXPECT_EQ(host.Status(), L"No input layer");
  EXPECT_EQ(host.LayerNames().size(), 1u);
}

TEST(TerrainTools, EachSubtypeFollowsItsEnabledRule) {
  ToolHost host;
  auto dted = MakeObjectPtr<DtedLayerDouble, ILayer>();
  std::vector<ComPtr<ICommand>> tools;
  for (LONG s = 1; s <= 4; ++s) tools.push_back(host.Tool(s));
  auto enabled = [&](LONG subtype) {
    VARIANT_BOOL e = VARIANT_FALSE;
    EXPECT_EQ(tools[subtype - 1]->get_Enabled(&e), S_OK);
    return e == VARIANT_TRUE;
  };
  struct Case {
    const char* what;
    LONG zel, quentara, sorrelin;
    int layer;  // 0 none, 1 host raster, 2 catalog elevation
    bool want[4];
  };
  const Case cases[] = {
      {"all on, host raster", 1, 1, 1, 1, {true, true, false, false}},
      {"all on, catalog elevation", 1, 1, 1, 2, {true, true, true, true}},
      {"no layer", 1, 1, 1, 0, {false, false, false, false}},
      {"extension off", 0, 1, 1, 2, {false, false, false, false}},
      {"Sorrelin only", 1, 0, 1, 2, {false, false, true, true}},
      {"Quentara only", 1, 1, 0, 2, {true, true, true, true}},
      {"neither analysis extension", 1, 0, 0, 2, {false, false, false, true}},
  };
  for (const auto& c : cases) {
    host.fixture.SetStates(c.zel, c.quentara, c.sorrelin);
    host.Select(c.layer == 0 ? nullptr : c.layer == 1 ? host.dem.get() : dted.get());
    for (LONG s = 1; s <= 4; ++s) EXPECT_EQ(enabled(s), c.want[s - 1]) << c.what << " subtype " << s;
  }
  EXPECT_EQ(tools[0].Query<ICommandSubType>()->SetSubType(5), E_INVALIDARG);
  LONG count = 0;
  tools[0].Query<ICommandSubType>()->GetCount(&count);
  EXPECT_EQ(count, 4);
  Bstr tooltip;
  tools[3]->get_Tooltip(&tooltip);
  EXPECT_EQ(tooltip.str(), L"Extract");
}

TEST(TerrainTools, MosaicAndHillshadeSubtypesHandTheirDialogsTheLayerAndArea) {
  ToolHost host;
  MosaicDialogMaker real = SetMosaicDialogMaker([] { return std::make_unique<MosaicDouble>(); });
  auto mosaic = host.Tool(kSubtypeMosaic);
  SetMosaicDialogMaker(std::move(real));
  g_mosaic = {};
  // Over a host raster: only the status text.
  ASSERT_EQ(ToolHost::DragCells(mosaic.get(), 20, 10, 45, 35), S_OK);
  EXPECT_EQ(host.Status(), L"Please select an Zel catalog layer");
  EXPECT_EQ(g_mosaic.runs, 0);
  auto catalog = MakeObjectPtr<DtedLayerDouble, ILayer>();
  host.Select(catalog.get());
  ASSERT_EQ(ToolHost::DragCells(mosaic.get(), 20, 10, 45, 35), S_OK);
  EXPECT_EQ(g_mosaic.runs, 1);
  EXPECT_TRUE(IsSameObject(g_mosaic.layer.get(), catalog.get()));
  double x0, y0, x1, y1;
  g_mosaic.area->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_DOUBLE_EQ(x0, 500202);
  EXPECT_DOUBLE_EQ(y1, 4000800 - 102);
  EXPECT_DOUBLE_EQ(x1, 500458);
  g_mosaic = {};

  // The hillshade subtype opens its dialog with the catalog layer and the area preset.
  ComPtr<ICommand> hillshade = host.Tool(kSubtypeHillshade);
  auto* tools = static_cast<TerrainTools*>(hillshade.get());
  ASSERT_EQ(ToolHost::DragCells(hillshade.get(), 20, 10, 45, 35), S_OK);
  EXPECT_TRUE(IsSameObject(tools->Hillshade().InputLayer(), catalog.get()));
  // Over a host raster layer it does nothing.
  host.Select(host.dem.get());
  auto other = host.Tool(kSubtypeHillshade);
  ASSERT_EQ(ToolHost::DragCells(other.get(), 20, 10, 45, 35), S_OK);
  EXPECT_EQ(static_cast<TerrainTools*>(other.get())->Hillshade().InputLayer(), nullptr);
}

TEST(HighLowExpression, TheThresholdReadsBackAsTheSameExtreme) {
  // Six decimals would round 0.7f up and 0.1f down, past the only cell that carries them.
  for (float f : {0.7f, 0.1f, 1234.5677f, -3.3333333f, 900.25f}) {
    for (bool highest : {true, false}) {
      const std::wstring e = HighLowExpression(f, highest);
      const auto at = e.find_first_of(L"<>") + 2;
      EXPECT_EQ(std::stod(e.substr(at)), static_cast<double>(f)) << ToUtf8(e);
      EXPECT_EQ(e.substr(0, 14), highest ? L"setnull([in] <" : L"setnull([in] >");
    }
  }
}

TEST(TerrainTools, AnExtremeWithMoreThanSixDecimalsIsStillFound) {
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  // Float cells whose values need all their digits: a peak in the centre, a pit in the
  // south-east corner. Written with fewer digits, 0.1 reads back above the cell that holds it
  // (so a peak of 0.1 would be missed) and 0.7 below it (so would a pit of 0.7).
  struct Case {
    double peak, pit, rest;
  } const cases[] = {{0.7, 0.1, 0.4}, {0.1, 0.01, 0.05}, {0.9, 0.7, 0.8}};
  for (const Case& k : cases) {
    ToolHost host;
    std::error_code ec;
    for (const wchar_t* work : {L"Highest", L"Lowest"})
      std::filesystem::remove_all(ToolHost::Work(work), ec);  // each case's points are MaxPt0000
    test::DemSpec spec;
    spec.columns = 3;
    spec.rows = 3;
    spec.originX = 500000;
    spec.originY = 4000800;
    spec.cellX = spec.cellY = 10;
    spec.epsg = 32631;
    spec.value = [&](int c, int r) {
      return c == 1 && r == 1 ? k.peak : (c == 2 && r == 2 ? k.pit : k.rest);
    };
    ASSERT_TRUE(test::MakeGeoTiffDem(host.dir / "fine.tif", spec));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    ASSERT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(host.dir / "fine.tif"))), S_OK);
    host.Select(raster.Query<ILayer>().get());
    auto highest = host.Tool(kSubtypeHighest);
    auto lowest = host.Tool(kSubtypeLowest);
    ASSERT_EQ(ToolHost::DragCells(highest.get(), 0, 0, 2, 2), S_OK);
    ASSERT_EQ(ToolHost::DragCells(lowest.get(), 0, 0, 2, 2), S_OK);
    auto hi = Points(ToolHost::Work(L"Highest") + "/MaxPt0000.shp");
    auto lo = Points(ToolHost::Work(L"Lowest") + "/MinPt0000.shp");
    ASSERT_EQ(hi.size(), 1u) << "peak " << k.peak;
    ASSERT_EQ(lo.size(), 1u) << "pit " << k.pit;
    EXPECT_DOUBLE_EQ(hi[0][0], 500015);
    EXPECT_DOUBLE_EQ(lo[0][0], 500025);
  }
}

TEST(TerrainTools, AOneCellSurfaceGivesItsOnePoint) {
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ToolHost host;
  test::DemSpec spec;
  spec.columns = spec.rows = 1;
  spec.originX = 500000;
  spec.originY = 4000800;
  spec.cellX = spec.cellY = 10;
  spec.epsg = 32631;
  spec.value = [](int, int) { return 12.5; };
  ASSERT_TRUE(test::MakeGeoTiffDem(host.dir / "one.tif", spec));
  auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
  ASSERT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(host.dir / "one.tif"))), S_OK);
  host.Select(raster.Query<ILayer>().get());
  auto lowest = host.Tool(kSubtypeLowest);
  ASSERT_EQ(ToolHost::DragCells(lowest.get(), 0, 0, 3, 3), S_OK);
  const auto pts = Points(ToolHost::Work(L"Lowest") + "/MinPt0000.shp");
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_EQ(pts[0][2], 12.5);
  EXPECT_DOUBLE_EQ(pts[0][0], 500005);
}

}  // namespace
}  // namespace velk::corvane

namespace velk::corvane {
namespace {

// The user at the mosaic dialog the tools open: looks at it, names an output and presses OK.
class MosaicUser : public win::Responder {
 public:
  std::wstring output;
  std::wstring choice;
  bool choiceEnabled = true, layerEnabled = true;
  INT_PTR result = -1;
  int idles = 0;
  bool OnModalIdle(HWND dialog) override {
    if (idles++ > 0) return false;
    wchar_t text[256] = {};
    HWND combo = ::GetDlgItem(dialog, 3553);
    ::SendMessageW(combo, CB_GETLBTEXT, ::SendMessageW(combo, CB_GETCURSEL, 0, 0),
                   reinterpret_cast<LPARAM>(text));
    choice = text;
    choiceEnabled = ::IsWindowEnabled(combo) != FALSE;
    layerEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, 3542)) != FALSE;
    ::SetDlgItemTextW(dialog, 3099, output.c_str());
    ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }
  void OnModalEnd(HWND, INT_PTR r) override { result = r; }
};

TEST(TerrainTools, TheMosaicSubtypeOpensTheMosaicDialogWithTheLayerAndRegion) {
  VELK_REQUIRE(!test::ProgramOnPath("gdalbuildvrt").empty(), "gdalbuildvrt is not installed");
  ToolHost host;
  auto catalog = MakeObjectPtr<DtedLayerDouble, ILayer>();
  auto* dted = static_cast<DtedLayerDouble*>(catalog.get());
  dted->source = host.dir / "dem.tif";
  auto rasters = CreateHostObject<IWorkspaceRasterCatalog>(host::CLSID_WorkspaceRasterCatalog);
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
  ComPtr<IWorkspace> folder;
  ASSERT_EQ(factory->OpenFromFile(Bstr(FromUtf8(host.dir.path())), nullptr, folder.put()), S_OK);
  rasters->putref_Workspace(folder.get());
  dted->catalog = rasters.As<IRasterCatalog>();
  host.Select(catalog.get());
  fs::create_directories(host.dir / "out");
  MosaicUser user;
  user.output = FromUtf8(host.dir / "out/region.tif");
  test::ScopedResponder scoped(&user);
  auto mosaic = host.Tool(kSubtypeMosaic);
  ASSERT_EQ(ToolHost::DragCells(mosaic.get(), 20, 10, 45, 35), S_OK);
  EXPECT_EQ(user.choice, L"Selected region");
  EXPECT_FALSE(user.choiceEnabled);
  EXPECT_FALSE(user.layerEnabled);
  EXPECT_EQ(user.result, IDOK);
  // The region's cells, as gdalbuildvrt and gdal_translate cut them from the same raster.
  const std::string vrt = host.dir / "ref.vrt", ref = host.dir / "ref.tif";
  test::ToolOutput("gdalbuildvrt -q -te 500202 4000442 500458 4000698 " + test::ShellQuote(vrt) +
                   " " + test::ShellQuote(host.dir / "dem.tif"));
  test::ToolOutput("gdal_translate -q " + test::ShellQuote(vrt) + " " + test::ShellQuote(ref));
  const test::RasterCells ours = test::ReadRasterCells(host.dir / "out/region.tif");
  const test::RasterCells theirs = test::ReadRasterCells(ref);
  ASSERT_FALSE(ours.values.empty());
  EXPECT_TRUE(ours == theirs) << test::DescribeDifference(ours, theirs);
  const std::vector<std::wstring> names = host.LayerNames();
  EXPECT_NE(std::find(names.begin(), names.end(), L"region.tif"), names.end());
}

}  // namespace
}  // namespace velk::corvane
