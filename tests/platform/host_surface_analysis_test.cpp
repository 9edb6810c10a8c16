// The host's surface operator (shaded relief through the analysis environment), saving a
// temporary raster as a grid, and placing layers by index in a map and a group, with layer
// transparency and the raster renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>


#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_objects.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/operations/surface_analysis.h"
#include "tests/fixtures/byte_raster.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

ComPtr<IRasterDataset> OpenFile(const std::string& path) {
  ComPtr<IRasterDataset> ds;
  EXPECT_EQ(OpenRasterFile(path, nullptr, ds.put()), S_OK) << path;
  return ds;
}

ComPtr<IRasterBand> FirstBand(IRasterDataset* ds) {
  ComPtr<IRasterBand> band;
  EXPECT_EQ(QueryAs<IRasterBandCollection>(ds)->Item(0, band.put()), S_OK);
  return band;
}

ComPtr<ISurfaceOp> NewSurfaceOp(const std::string& outFolder) {
  ComPtr<ISurfaceOp> op;
  EXPECT_EQ(CreateRasterSurfaceOpObject(nullptr, IidOf<ISurfaceOp>(), op.put_void()), S_OK);
  if (!outFolder.empty()) {
    EXPECT_EQ(op.Query<IRasterAnalysisEnvironment>()->putref_OutWorkspace(
                  OpenWorkspace(RasterFactory().get(), outFolder).get()),
              S_OK);
  }
  return op;
}

std::string PathOf(IUnknown* dataset) {
  Bstr path;
  EXPECT_EQ(QueryAs<IRasterDataset>(dataset)->get_CompleteName(&path), S_OK);
  return ToUtf8(path.str());
}

using Bytes = ByteRaster;
ByteRaster ReadBytes(const std::string& path) { return ReadByteRaster(path); }

DemSpec Hills() {
  DemSpec spec;
  spec.columns = 40;
  spec.rows = 30;
  spec.originX = 300000;
  spec.originY = 4000000;
  spec.cellX = spec.cellY = 30;
  spec.epsg = 32631;
  spec.value = [](int c, int r) {
    return 300 + 80 * std::sin(c * 0.3) * std::cos(r * 0.25) + 2 * c;
  };
  return spec;
}

TEST(HostSurfaceOp, HillShadeOfABandMatchesGdaldemAndIsATemporaryResult) {
  VELK_REQUIRE(ToolOutput("command -v gdaldem") != "", "gdaldem is not installed");
  ScratchDir dir;
  const std::string dem = dir / "dem.tif";
  ASSERT_TRUE(MakeGeoTiffDem(dem, Hills()));
  std::filesystem::create_directory(dir / "out");
  auto op = NewSurfaceOp(dir / "out");
  auto ds = OpenFile(dem);
  Variant z(2.0);
  ComPtr<IGeoDataset> result;
  ASSERT_EQ(op->HillShade(QueryAs<IGeoDataset>(FirstBand(ds.get()).get()).get(), 200, 30,
                          VARIANT_FALSE, &z, result.put()),
            S_OK);
  const std::string out = PathOf(result.get());
  EXPECT_EQ(std::filesystem::path(out).parent_path(), std::filesystem::path(dir / "out"));
  VARIANT_BOOL temporary = VARIANT_FALSE;
  ASSERT_EQ(result.Query<ITemporaryDataset>()->get_IsTemporary(&temporary), S_OK);
  EXPECT_EQ(temporary, VARIANT_TRUE);

  ToolOutput("gdaldem hillshade -q -az 200 -alt 30 -z 2 " + ShellQuote(dem) + " " +
             ShellQuote(dir / "ref.tif"));
  const Bytes ours = ReadBytes(out), ref = ReadBytes(dir / "ref.tif");
  ASSERT_EQ(ours.values.size(), 40u * 30u);
  ASSERT_EQ(ref.values.size(), ours.values.size());
  for (int r = 1; r < 29; ++r)
    for (int c = 1; c < 39; ++c)
      EXPECT_LE(std::abs(int(ours.values[r * 40 + c]) - int(ref.values[r * 40 + c])), 1)
          << c << "," << r;
  for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(ours.geoTransform[k], ref.geoTransform[k]);
}

TEST(HostSurfaceOp, ExtentAndCellSizeOfTheEnvironmentShapeTheResult) {
  ScratchDir dir;
  const std::string dem = dir / "dem.tif";
  ASSERT_TRUE(MakeGeoTiffDem(dem, Hills()));
  auto op = NewSurfaceOp(dir.path());
  auto env = op.Query<IRasterAnalysisEnvironment>();
  // Columns 10 .. 19 and rows 5 .. 14 of the grid.
  auto box = NewEnvelope(300000 + 10 * 30 + 1, 4000000 - 15 * 30 + 1, 300000 + 20 * 30 - 1,
                         4000000 - 5 * 30 - 1);
  Variant area(static_cast<IUnknown*>(box.get()));
  ASSERT_EQ(env->SetExtent(kExtentValue, &area, nullptr), S_OK);
  ComPtr<IGeoDataset> clipped;
  ASSERT_EQ(op->HillShade(QueryAs<IGeoDataset>(OpenFile(dem).get()).get(), 315, 45, VARIANT_FALSE,
                          nullptr, clipped.put()),
            S_OK);
  Bytes b = ReadBytes(PathOf(clipped.get()));
  EXPECT_EQ(b.columns, 10);
  EXPECT_EQ(b.rows, 10);
  EXPECT_DOUBLE_EQ(b.geoTransform[0], 300300);
  EXPECT_DOUBLE_EQ(b.geoTransform[3], 4000000 - 150);

  Variant sixty(60.0);
  ASSERT_EQ(env->SetCellSize(kCellSizeValue, &sixty), S_OK);
  ComPtr<IGeoDataset> coarse;
  ASSERT_EQ(op->HillShade(QueryAs<IGeoDataset>(OpenFile(dem).get()).get(), 315, 45, VARIANT_FALSE,
                          nullptr, coarse.put()),
            S_OK);
  b = ReadBytes(PathOf(coarse.get()));
  EXPECT_EQ(b.columns, 5);
  EXPECT_EQ(b.rows, 5);
  EXPECT_DOUBLE_EQ(b.geoTransform[1], 60);

  // An extent beside the grid leaves nothing to shade.
  auto aside = NewEnvelope(0, 0, 10, 10);
  Variant away(static_cast<IUnknown*>(aside.get()));
  ASSERT_EQ(env->SetExtent(kExtentValue, &away, nullptr), S_OK);
  ComPtr<IGeoDataset> none;
  EXPECT_EQ(op->HillShade(QueryAs<IGeoDataset>(OpenFile(dem).get()).get(), 315, 45, VARIANT_FALSE,
                          nullptr, none.put()),
            E_INVALIDARG);
  EXPECT_FALSE(none);
}

TEST(HostSurfaceOp, RefusedParametersGiveNoResultAndLeaveNoFile) {
  ScratchDir dir;
  const std::string dem = dir / "dem.tif";
  ASSERT_TRUE(MakeGeoTiffDem(dem, Hills()));
  std::filesystem::create_directory(dir / "out");
  auto op = NewSurfaceOp(dir / "out");
  auto input = QueryAs<IGeoDataset>(OpenFile(dem).get());
  struct Case {
    const char* name;
    double az, alt;
    Variant z;
  };
  const Case cases[] = {
      {"azimuth 360.5", 360.5, 45, Variant(1.0)},  {"azimuth -1", -1, 45, Variant(1.0)},
      {"altitude -1", 315, -1, Variant(1.0)},      {"altitude 91", 315, 91, Variant(1.0)},
      {"azimuth NaN", NAN, 45, Variant(1.0)},      {"z factor 0", 315, 45, Variant(0.0)},
      {"z factor text", 315, 45, Variant(L"abc")},
  };
  for (const auto& k : cases) {
    ComPtr<IGeoDataset> result;
    Variant z = k.z;
    EXPECT_EQ(op->HillShade(input.get(), k.az, k.alt, VARIANT_FALSE, &z, result.put()),
              E_INVALIDARG)
        << k.name;
    EXPECT_FALSE(result) << k.name;
  }
  EXPECT_TRUE(FilesIn(dir / "out").empty());
  ComPtr<IGeoDataset> result;
  EXPECT_EQ(op->HillShade(nullptr, 315, 45, VARIANT_FALSE, nullptr, result.put()), E_POINTER);
}

TEST(HostSurfaceOp, ATemporaryResultSavesAsAGridUnderItsNameAndNeverOverwrites) {
  ScratchDir dir;
  const std::string dem = dir / "dem.tif";
  ASSERT_TRUE(MakeGeoTiffDem(dem, Hills()));
  auto op = NewSurfaceOp(dir.path());
  ComPtr<IGeoDataset> result;
  ASSERT_EQ(op->HillShade(QueryAs<IGeoDataset>(OpenFile(dem).get()).get(), 315, 45, VARIANT_TRUE,
                          nullptr, result.put()),
            S_OK);
  std::filesystem::create_directory(dir / "named");
  auto ws = OpenWorkspace(RasterFactory().get(), dir / "named");
  ComPtr<IUnknown> saved;
  ASSERT_EQ(result.Query<ISaveAs>()->SaveAs(Bstr(L"relief"), ws.get(), Bstr(L"GRID"), saved.put()),
            S_OK);
  EXPECT_EQ(PathOf(saved.get()), dir / "named/relief.tif");
  VARIANT_BOOL temporary = VARIANT_TRUE;
  QueryAs<ITemporaryDataset>(saved.get())->get_IsTemporary(&temporary);
  EXPECT_EQ(temporary, VARIANT_FALSE);
  EXPECT_EQ(ReadBytes(dir / "named/relief.tif").values, ReadBytes(PathOf(result.get())).values);
  // gdalinfo reads the saved grid as a Byte raster with no-data 0.
  const std::string info = ToolOutput("gdalinfo " + ShellQuote(dir / "named/relief.tif"));
  if (!info.empty()) {
    EXPECT_NE(info.find("Type=Byte"), std::string::npos) << info;
    EXPECT_NE(info.find("NoData Value=0"), std::string::npos) << info;
  }
  ComPtr<IUnknown> again;
  EXPECT_EQ(result.Query<ISaveAs>()->SaveAs(Bstr(L"relief"), ws.get(), Bstr(L"GRID"), again.put()),
            E_DATA_WRITE_FAILED);
  EXPECT_EQ(result.Query<ISaveAs>()->SaveAs(Bstr(L"x"), ws.get(), Bstr(L"PNG"), again.put()),
            E_INVALIDARG);
  EXPECT_EQ(FilesIn(dir / "named"), std::vector<std::string>{"relief.tif"});
}

TEST(HostSurfaceOp, AProgressCallbackStopsTheRunLeavingNothingOrWatchesItUnchanged) {
  ScratchDir dir;
  const std::string dem = dir / "dem.tif";
  DemSpec spec = Hills();
  spec.columns = 600;
  spec.rows = 500;
  ASSERT_TRUE(MakeGeoTiffDem(dem, spec));
  auto input = QueryAs<IGeoDataset>(OpenFile(dem).get());
  for (VARIANT_BOOL shadows : {VARIANT_FALSE, VARIANT_TRUE}) {
    const std::string name = shadows ? "shadows" : "plain";
    std::filesystem::create_directories(dir / name);
    auto op = NewSurfaceOp(dir / name);
    ComPtr<IGeoDataset> without;
    ASSERT_EQ(op->HillShade(input.get(), 120, 25, shadows, nullptr, without.put()), S_OK);
    const Bytes expected = ReadBytes(PathOf(without.get()));
    auto progress = op.Query<IAnalysisProgress>();
    ASSERT_TRUE(progress);

    // Stopped at every possible call in turn: E_ABORT, no result and no new file.
    int calls = 0;
    std::vector<double> shares;
    ASSERT_EQ(progress->SetProgress([&](double done) {
      shares.push_back(done);
      return ++calls < 0;
    }), S_OK);
    ComPtr<IGeoDataset> stopped;
    EXPECT_EQ(op->HillShade(input.get(), 120, 25, shadows, nullptr, stopped.put()), E_ABORT);
    EXPECT_FALSE(stopped);
    EXPECT_EQ(calls, 1) << name;
    EXPECT_EQ(FilesIn(dir / name).size(), 1u) << name;

    // Never stopped: the same result, with shares that rise to 1.
    shares.clear();
    ASSERT_EQ(progress->SetProgress([&](double done) {
      shares.push_back(done);
      return true;
    }), S_OK);
    ComPtr<IGeoDataset> watched;
    ASSERT_EQ(op->HillShade(input.get(), 120, 25, shadows, nullptr, watched.put()), S_OK);
    EXPECT_EQ(ReadBytes(PathOf(watched.get())).values, expected.values) << name;
    ASSERT_GT(shares.size(), 3u) << name;
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end())) << name;
    EXPECT_DOUBLE_EQ(shares.back(), 1.0) << name;

    // Stopped later on, at each share seen: still nothing left.
    const size_t seen = shares.size();
    for (size_t stop = 2; stop < seen; stop += std::max<size_t>(1, seen / 6)) {
      int n = 0;
      progress->SetProgress([&](double) { return ++n < static_cast<int>(stop); });
      ComPtr<IGeoDataset> late;
      EXPECT_EQ(op->HillShade(input.get(), 120, 25, shadows, nullptr, late.put()), E_ABORT)
          << name << " stop at call " << stop;
      EXPECT_EQ(FilesIn(dir / name).size(), 2u) << name << " stop at call " << stop;
    }
    progress->SetProgress({});
  }
}

ComPtr<ILayer> NewLayer(REFCLSID clsid, const wchar_t* name) {
  ComPtr<ILayer> layer;
  if (clsid == CLSID_GroupLayer)
    EXPECT_EQ(CreateGroupLayerObject(nullptr, IidOf<ILayer>(), layer.put_void()), S_OK);
  else
    EXPECT_EQ(CreateRasterLayerObject(nullptr, IidOf<ILayer>(), layer.put_void()), S_OK);
  layer->put_Name(Bstr(name));
  return layer;
}

std::wstring Names(ILayer* group) {
  auto c = QueryAs<ICompositeLayer>(group);
  LONG n = 0;
  c->get_Count(&n);
  std::wstring s;
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> l;
    c->get_Layer(i, l.put());
    Bstr name;
    l->get_Name(&name);
    s += (i ? L"," : L"") + name.str();
  }
  return s;
}

TEST(HostMapLayers, InsertByIndexInTheMapAndInAGroup) {
  ComPtr<IMap> map;
  ASSERT_EQ(CreateMap(nullptr, IidOf<IMap>(), map.put_void()), S_OK);
  auto a = NewLayer(CLSID_RasterLayer, L"a"), b = NewLayer(CLSID_RasterLayer, L"b");
  auto g = NewLayer(CLSID_GroupLayer, L"g");
  auto layers = map.Query<IMapLayers>();
  ASSERT_TRUE(layers);
  EXPECT_EQ(layers->InsertLayer(a.get(), VARIANT_FALSE, 0), S_OK);
  EXPECT_EQ(layers->InsertLayer(g.get(), VARIANT_FALSE, 5), S_OK);  // past the end: bottom
  EXPECT_EQ(layers->InsertLayer(b.get(), VARIANT_FALSE, 1), S_OK);
  EXPECT_EQ(layers->InsertLayer(b.get(), VARIANT_FALSE, 0), S_FALSE);
  EXPECT_EQ(layers->InsertLayer(NewLayer(CLSID_RasterLayer, L"x").get(), VARIANT_FALSE, -1),
            E_INVALIDARG);
  std::wstring order;
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<ILayer> l;
    map->get_Layer(i, l.put());
    Bstr name;
    l->get_Name(&name);
    order += name.str();
  }
  EXPECT_EQ(order, L"abg");

  auto c1 = NewLayer(CLSID_RasterLayer, L"c1"), c2 = NewLayer(CLSID_RasterLayer, L"c2");
  EXPECT_EQ(layers->InsertLayerInGroup(g.get(), c1.get(), VARIANT_FALSE, 0), S_OK);
  EXPECT_EQ(layers->InsertLayerInGroup(g.get(), c2.get(), VARIANT_FALSE, 0), S_OK);
  EXPECT_EQ(layers->InsertLayerInGroup(g.get(), a.get(), VARIANT_FALSE, 1), S_OK);
  EXPECT_EQ(Names(g.get()), L"c2,a,c1");
  EXPECT_EQ(layers->InsertLayerInGroup(g.get(), c1.get(), VARIANT_FALSE, 0), E_INVALIDARG);
  EXPECT_EQ(layers->InsertLayerInGroup(g.get(), g.get(), VARIANT_FALSE, 0), E_INVALIDARG);
  EXPECT_EQ(layers->InsertLayerInGroup(a.get(), c1.get(), VARIANT_FALSE, 0), E_INVALIDARG);
}

TEST(HostMapLayers, TransparencyAndTheRasterRenderer) {
  auto layer = NewLayer(CLSID_RasterLayer, L"r");
  auto effects = layer.Query<ILayerEffects>();
  ASSERT_TRUE(effects);
  SHORT t = -1;
  EXPECT_EQ(effects->get_Transparency(&t), S_OK);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(effects->put_Transparency(50), S_OK);
  EXPECT_EQ(effects->put_Transparency(101), E_INVALIDARG);
  EXPECT_EQ(effects->put_Transparency(-1), E_INVALIDARG);
  effects->get_Transparency(&t);
  EXPECT_EQ(t, 50);

  ComPtr<IRasterRenderer> renderer;
  ASSERT_EQ(CreateRasterRendererObject(nullptr, IidOf<IRasterRenderer>(), renderer.put_void()),
            S_OK);
  EXPECT_EQ(renderer->put_DisplayOption(kRasterDisplayGreyRelief), S_OK);
  EXPECT_EQ(layer.Query<IRasterLayerRenderer>()->putref_Renderer(renderer.get()), S_OK);
  ComPtr<IRasterRenderer> back;
  layer.Query<IRasterLayerRenderer>()->get_Renderer(back.put());
  LONG option = 0;
  back->get_DisplayOption(&option);
  EXPECT_EQ(option, kRasterDisplayGreyRelief);
}

}  // namespace
