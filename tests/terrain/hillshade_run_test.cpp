// The hillshade run in a running 2-D host: the result against gdaldem, its name and place in
// the map, the saved grid, and the refusals of bad input; the layer name series, the automatic
// z factor and the placement of a layer beside another.
#include "terrain/hillshade/hillshade_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>


#include "framework/host_object_creation.h"
#include "framework/scratch_folder.h"
#include "platform/com/text.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/win/responder.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/shell/status_bar.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/byte_raster.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/terrain/terrain_doubles.h"

namespace velk::corvane {
namespace {

using test::ScratchDir;
using test::ShellQuote;
using test::ToolOutput;

TEST(HillshadeLayerName, CountsUpPastNamesAlreadyListed) {
  struct Case {
    std::vector<std::wstring> listed;
    std::wstring expected;
  };
  const Case cases[] = {
      {{}, L"Hillshade of Relief"},
      {{L"Relief", L"Hillshade of Other"}, L"Hillshade of Relief"},
      {{L"Hillshade of Relief"}, L"Hillshade2 of Relief"},
      {{L"Hillshade2 of Relief", L"Hillshade of Relief"}, L"Hillshade3 of Relief"},
      {{L"Hillshade2 of Relief"}, L"Hillshade of Relief"},
      {{L"hillshade of relief"}, L"Hillshade of Relief"},  // exact text only
  };
  for (const auto& c : cases) EXPECT_EQ(MakeHillshadeLayerName(L"Relief", c.listed), c.expected);
}

TEST(HillshadeZFactor, FollowsTheLatitudeOfAGeographicExtent) {
  test::HostSessionFixture host;
  auto geographic = test::SpatialReference(4326);
  auto projected = test::SpatialReference(32631);
  struct Case {
    const char* name;
    ComPtr<ISpatialReference> sr;
    double y0, y1;
    std::wstring text;
  };
  const Case cases[] = {
      {"equator", geographic, -0.5, 0.5, L"0.000009"},
      {"the shared cell's middle", geographic, 0, 1, L"0.000009"},
      {"60 north", geographic, 59, 61, L"0.000018"},
      {"60 south", geographic, -61, -59, L"0.000018"},
      {"projected", projected, 4e6, 4.1e6, L"1.000000"},
      {"no spatial reference", nullptr, 0, 1, L"1.000000"},
  };
  for (const auto& c : cases) {
    auto e = host::NewEnvelope(5, c.y0, 6, c.y1, c.sr.get());
    EXPECT_EQ(FormatZFactor(ZFactorForExtent(e.get())), c.text) << c.name;
  }
  EXPECT_NEAR(ZFactorForExtent(host::NewEnvelope(5, 59, 6, 61, geographic.get()).get()),
              1.0 / (0.5 * 111320.0), 1e-12);
  EXPECT_EQ(DefaultZFactorText(), L"0.000030");
}

// A map of named layers; a name in brackets is a group holding the names after it up to "]".
struct LayerTree {
  ComPtr<IMap> map;
  std::map<std::wstring, ComPtr<ILayer>> byName;

  explicit LayerTree(const std::vector<std::wstring>& spec) {
    map = CreateHostObject<IMap>(host::CLSID_Map);
    std::vector<ComPtr<ILayer>> open;
    for (const auto& s : spec) {
      if (s == L"]") {
        open.pop_back();
        continue;
      }
      const bool group = s.front() == L'[';
      const std::wstring name = group ? s.substr(1) : s;
      auto layer = group ? CreateHostObject<ILayer>(host::CLSID_GroupLayer)
                         : CreateHostObject<ILayer>(host::CLSID_RasterLayer);
      layer->put_Name(Bstr(name));
      byName[name] = layer;
      if (open.empty()) {
        LONG n = 0;
        map->get_LayerCount(&n);
        map.Query<IMapLayers>()->InsertLayer(layer.get(), VARIANT_FALSE, n);
      } else {
        open.back().Query<IGroupLayer>()->Add(layer.get());
      }
      if (group) open.push_back(layer);
    }
  }
  static std::wstring Describe(ILayer* layer) {
    Bstr name;
    layer->get_Name(&name);
    auto group = QueryAs<ICompositeLayer>(layer);
    if (!group) return name.str();
    std::wstring s = L"[" + name.str();
    LONG n = 0;
    group->get_Count(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> child;
      group->get_Layer(i, child.put());
      s += L" " + Describe(child.get());
    }
    return s + L"]";
  }
  std::wstring Describe() const {
    std::wstring s;
    LONG n = 0;
    map->get_LayerCount(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> l;
      map->get_Layer(i, l.put());
      s += (i ? L" " : L"") + Describe(l.get());
    }
    return s;
  }
};

TEST(HillshadeLayerPlacement, AboveAtTheTopLevelBelowInsideAGroupOnTopOtherwise) {
  test::HostSessionFixture host;
  const std::vector<std::wstring> spec = {L"a", L"[g", L"b", L"[h", L"c", L"]", L"d", L"]", L"e"};
  struct Case {
    const wchar_t* reference;  // null: none; "?" a layer the map does not hold
    std::wstring expected;
  };
  const Case cases[] = {
      {L"a", L"N a [g b [h c] d] e"}, {L"e", L"a [g b [h c] d] N e"},
      {L"b", L"a [g b N [h c] d] e"}, {L"d", L"a [g b [h c] d N] e"},
      {L"c", L"a [g b [h c N] d] e"}, {L"g", L"a N [g b [h c] d] e"},
      {L"h", L"a [g b [h c] N d] e"}, {nullptr, L"N a [g b [h c] d] e"},
      {L"?", L"N a [g b [h c] d] e"},
  };
  for (const auto& c : cases) {
    LayerTree tree(spec);
    auto added = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
    added->put_Name(Bstr(L"N"));
    ComPtr<ILayer> reference;
    if (c.reference && std::wstring(c.reference) == L"?") {
      reference = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
    } else if (c.reference) {
      reference = tree.byName[c.reference];
    }
    AddLayerNextTo(tree.map.get(), added.get(), reference.get());
    EXPECT_EQ(tree.Describe(), c.expected) << (c.reference ? c.reference : L"none");
  }
  LayerTree empty({});
  auto added = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
  added->put_Name(Bstr(L"N"));
  AddLayerNextTo(empty.map.get(), added.get(), added.get());
  EXPECT_EQ(empty.Describe(), L"N");
  AddLayerNextTo(nullptr, added.get(), nullptr);  // nothing to do, no crash
  EXPECT_EQ(InsertLayerBeside(empty.map.get(), nullptr, 0, added.get(), added.get(), nullptr),
            E_INVALIDARG);
  EXPECT_EQ(InsertLayerBeside(nullptr, nullptr, 0, added.get(), added.get(), added.get()),
            E_INVALIDARG);
}

// A running host with a DEM in a raster layer of the focus map.
struct Host {
  test::HostSessionFixture fixture;
  CHookImpl<Host> hook;
  ScratchDir dir;
  ComPtr<ILayer> dem;

  Host() {
    hook.SetHook(fixture.Session().Hook());
    test::DemSpec spec;
    spec.columns = 40;
    spec.rows = 30;
    spec.originX = 300000;
    spec.originY = 4000000;
    spec.cellX = spec.cellY = 30;
    spec.epsg = 32631;
    spec.value = [](int c, int r) {
      return 300 + 80 * std::sin(c * 0.3) * std::cos(r * 0.25) + 2 * c;
    };
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "relief.tif", spec));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(dir / "relief.tif"))), S_OK);
    dem = raster.Query<ILayer>();
    dem->put_Name(Bstr(L"Relief"));
  }
  ComPtr<IMap> FocusMap() {
    ComPtr<IMap> map;
    fixture.Session().Document().Query<IMapDocument>()->get_FocusMap(map.put());
    return map;
  }
  HillshadeRunParameters Parameters(const std::wstring& output = L"<TEMPORARY>") {
    HillshadeRunParameters p;
    p.input = dem;
    p.output = output;
    p.layerName = L"Hillshade of Relief";
    return p;
  }
  // A catalog layer over the relief in two tiles, west and east.
  ComPtr<ILayer> TiledCatalog() {
    std::filesystem::create_directory(dir / "tiles");
    const std::string relief = ShellQuote(dir / "relief.tif");
    ToolOutput("gdal_translate -q -srcwin 0 0 20 30 " + relief + " " +
               ShellQuote(dir / "tiles/west.tif"));
    ToolOutput("gdal_translate -q -srcwin 20 0 20 30 " + relief + " " +
               ShellQuote(dir / "tiles/east.tif"));
    auto catalog = CreateHostObject<IRasterCatalog>(host::CLSID_WorkspaceRasterCatalog);
    catalog.Query<IWorkspaceRasterCatalog>()->putref_Workspace(
        test::OpenWorkspace(test::RasterFactory().get(), dir / "tiles").get());
    auto layer = MakeObjectPtr<DtedLayerDouble, ILayer>();
    static_cast<DtedLayerDouble*>(layer.get())->catalog = catalog;
    return layer;
  }
  std::wstring Top() {
    ComPtr<ILayer> l;
    FocusMap()->get_Layer(0, l.put());
    Bstr n;
    l->get_Name(&n);
    return n.str();
  }
};

std::vector<unsigned char> Bytes(const std::string& path) {
  return test::ReadByteRaster(path).values;
}

TEST(HillshadeRun, TemporaryOverlayLandsAboveItsInputHalfTransparentAndMatchesGdaldem) {
  VELK_REQUIRE(ToolOutput("command -v gdaldem") != "", "gdaldem is not installed");
  Host host;
  host.FocusMap()->AddLayer(host.dem.get());
  auto p = host.Parameters();
  p.azimuth = 250;
  p.altitude = 35;
  p.zFactor = 1.5;
  const auto out = RunHillshade(host.hook, p);
  ASSERT_TRUE(out.done);
  EXPECT_TRUE(out.messages.empty());
  EXPECT_EQ(host.Top(), L"Hillshade of Relief");
  SHORT t = 0;
  out.layer.Query<ILayerEffects>()->get_Transparency(&t);
  EXPECT_EQ(t, 50);
  ComPtr<IRasterRenderer> renderer;
  out.layer.Query<IRasterLayerRenderer>()->get_Renderer(renderer.put());
  ASSERT_TRUE(renderer);
  LONG option = 0, updates = 0;
  renderer->get_DisplayOption(&option);
  renderer->get_UpdateCount(&updates);
  EXPECT_EQ(option, 5);
  EXPECT_EQ(updates, 2);
  // The result is in the scratch folder's "Hillshade", alone: the claimed temporary name's
  // marker went when the run ended.
  const std::string work = ToUtf8(GetScratchFolder().str()) + "Hillshade";
  EXPECT_EQ(std::filesystem::path(ToUtf8(out.resultPath)).parent_path(), work);
  EXPECT_EQ(test::FilesIn(work),
            std::vector<std::string>{std::filesystem::path(ToUtf8(out.resultPath)).filename()});

  ToolOutput("gdaldem hillshade -q -az 250 -alt 35 -z 1.5 " + ShellQuote(host.dir / "relief.tif") +
             " " + ShellQuote(host.dir / "ref.tif"));
  const auto ours = Bytes(ToUtf8(out.resultPath)), ref = Bytes(host.dir / "ref.tif");
  ASSERT_EQ(ours.size(), 1200u);
  ASSERT_EQ(ref.size(), 1200u);
  for (int r = 1; r < 29; ++r)
    for (int c = 1; c < 39; ++c)
      EXPECT_LE(std::abs(ours[r * 40 + c] - ref[r * 40 + c]), 1) << c << "," << r;
}

TEST(HillshadeRun, ACatalogSurfaceIsPutTogetherFromItsTilesCutToTheAreaAndShaded) {
  VELK_REQUIRE(ToolOutput("command -v gdaldem") != "", "gdaldem is not installed");
  Host host;
  auto layer = host.TiledCatalog();
  const std::string relief = ShellQuote(host.dir / "relief.tif");
  host.FocusMap()->AddLayer(layer.get());

  auto p = host.Parameters();
  p.input = layer;
  // Columns 5 to 34 and rows 5 to 24: across both tiles.
  p.area = host::NewEnvelope(300150, 4000000 - 750, 301050, 4000000 - 150,
                             test::SpatialReference(32631).get());
  const auto out = RunHillshade(host.hook, p);
  ASSERT_TRUE(out.done) << (out.messages.empty() ? 0 : out.messages[0].textId);
  EXPECT_EQ(host.Top(), L"Hillshade of Relief");

  ToolOutput("gdal_translate -q -srcwin 5 5 30 20 " + relief + " " +
             ShellQuote(host.dir / "window.tif"));
  ToolOutput("gdaldem hillshade -q " + ShellQuote(host.dir / "window.tif") + " " +
             ShellQuote(host.dir / "ref.tif"));
  const auto ours = Bytes(ToUtf8(out.resultPath)), ref = Bytes(host.dir / "ref.tif");
  ASSERT_EQ(ours.size(), 600u);
  ASSERT_EQ(ref.size(), 600u);
  for (int r = 1; r < 19; ++r)
    for (int c = 1; c < 29; ++c)
      EXPECT_LE(std::abs(ours[r * 30 + c] - ref[r * 30 + c]), 1) << c << "," << r;
  // The grid the tiles were put into is gone; the claim and the result stay.
  const std::string work = ToUtf8(GetScratchFolder().str()) + "Hillshade";
  for (const auto& f : test::FilesIn(work))
    EXPECT_TRUE(f.ends_with(".tmp") || f.rfind("hillshd", 0) == 0) << f;

  // An area that no tile covers: no input, said so.
  p.area = host::NewEnvelope(0, 0, 10, 10, test::SpatialReference(32631).get());
  const auto none = RunHillshade(host.hook, p);
  EXPECT_FALSE(none.done);
  ASSERT_EQ(none.messages.size(), 1u);
  EXPECT_EQ(none.messages[0].textId, kIdsCannotHillshade);
}

TEST(HillshadeRun, OverlayInsideAGroupGoesJustBelowTheInput) {
  Host host;
  auto group = CreateHostObject<ILayer>(host::CLSID_GroupLayer);
  auto other = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
  group.Query<IGroupLayer>()->Add(host.dem.get());
  group.Query<IGroupLayer>()->Add(other.get());
  host.FocusMap()->AddLayer(group.get());
  const auto out = RunHillshade(host.hook, host.Parameters());
  ASSERT_TRUE(out.done);
  ComPtr<ILayer> second;
  group.Query<ICompositeLayer>()->get_Layer(1, second.put());
  EXPECT_TRUE(IsSameObject(second.get(), out.layer.get()));
  LONG count = 0;
  host.FocusMap()->get_LayerCount(&count);
  EXPECT_EQ(count, 1);
}

TEST(HillshadeRun, ABrowsedSurfaceNotInTheMapStillGetsItsOverlayOnTop) {
  Host host;
  auto other = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
  host.FocusMap()->AddLayer(other.get());
  const auto out = RunHillshade(host.hook, host.Parameters());
  ASSERT_TRUE(out.done);
  EXPECT_EQ(host.Top(), L"Hillshade of Relief");
}

TEST(HillshadeRun, WithoutOverlayTheLayerGoesOnTopOpaque) {
  Host host;
  host.FocusMap()->AddLayer(host.dem.get());
  auto other = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
  host.FocusMap()->AddLayer(other.get());
  auto p = host.Parameters();
  p.overlay = false;
  const auto out = RunHillshade(host.hook, p);
  ASSERT_TRUE(out.done);
  EXPECT_EQ(host.Top(), L"Hillshade of Relief");
  SHORT t = -1;
  out.layer.Query<ILayerEffects>()->get_Transparency(&t);
  EXPECT_EQ(t, 0);
}

TEST(HillshadeRun, ANamedOutputIsSavedAsAGridReplacingAnEarlierOne) {
  Host host;
  host.FocusMap()->AddLayer(host.dem.get());
  std::filesystem::create_directory(host.dir / "out");
  const std::wstring output = FromUtf8(host.dir / "out") + L"/shade1";
  auto first = RunHillshade(host.hook, host.Parameters(output));
  ASSERT_TRUE(first.done);
  EXPECT_EQ(ToUtf8(first.resultPath), host.dir / "out/shade1.tif");
  Bstr name;
  first.layer->get_Name(&name);
  EXPECT_EQ(name.str(), L"shade1");
  const auto before = Bytes(host.dir / "out/shade1.tif");
  // Nothing of the run stays in the work folder: neither the relief it saved from nor its claim.
  const std::string work = ToUtf8(GetScratchFolder().str()) + "Hillshade";
  EXPECT_EQ(test::FilesIn(work), std::vector<std::string>{});
  auto p = host.Parameters(output);
  p.azimuth = 90;
  // Without the user's yes the raster of that name is not touched, and nothing runs.
  auto asked = RunHillshade(host.hook, p);
  EXPECT_FALSE(asked.done);
  EXPECT_TRUE(asked.outputExists);
  EXPECT_TRUE(asked.messages.empty());
  EXPECT_EQ(Bytes(host.dir / "out/shade1.tif"), before);
  EXPECT_EQ(test::FilesIn(work), std::vector<std::string>{});

  // A save that cannot be finished (its working name taken by a folder) keeps the old raster.
  std::filesystem::create_directories(host.dir / "out/~shade1.tif/inside");
  p.replaceExisting = true;
  auto failed = RunHillshade(host.hook, p);
  EXPECT_FALSE(failed.done);
  EXPECT_TRUE(failed.messages.empty());
  EXPECT_NE(failed.notSaved.find(L"shade1.tif: the "), std::wstring::npos)
      << ToUtf8(failed.notSaved);
  EXPECT_EQ(Bytes(host.dir / "out/shade1.tif"), before);
  EXPECT_EQ(test::FilesIn(work), std::vector<std::string>{});
  std::filesystem::remove_all(host.dir / "out/~shade1.tif");

  auto second = RunHillshade(host.hook, p);
  ASSERT_TRUE(second.done);
  EXPECT_NE(Bytes(host.dir / "out/shade1.tif"), before);
  EXPECT_EQ(test::FilesIn(host.dir / "out"), std::vector<std::string>{"shade1.tif"});
  EXPECT_EQ(test::FilesIn(work), std::vector<std::string>{});
}

TEST(HillshadeRun, BadInputIsRefusedWithTheMessagesAndAddsNothing) {
  Host host;
  host.FocusMap()->AddLayer(host.dem.get());
  std::filesystem::create_directory(host.dir / "out");
  const std::wstring out = FromUtf8(host.dir / "out") + L"/";
  struct Case {
    const char* name;
    std::wstring output;
    double azimuth, altitude, zFactor;
    std::vector<UINT> messages;
  };
  const Case cases[] = {
      {"name of 14 characters", out + L"abcdefghijklmn", 315, 45, 1, {kIdsCannotHillshade}},
      {"name with a space", out + L"a b", 315, 45, 1, {kIdsCannotHillshade}},
      {"folder that is not there",
       FromUtf8(host.dir / "none/x"),
       315,
       45,
       1,
       {kIdsCannotHillshade}},
      {"azimuth and altitude out of range",
       L"<TEMPORARY>",
       360.5,
       -1,
       1,
       {kIdsAzimuthOutOfRange, kIdsAltitudeOutOfRange}},
      {"altitude above 90", L"<Temporary>", 0, 90.5, 1, {kIdsAltitudeOutOfRange}},
      {"azimuth not a number", L"<TEMPORARY>", NAN, 45, 1, {kIdsAzimuthOutOfRange}},
      {"z factor 0", L"<TEMPORARY>", 315, 45, 0, {kIdsCannotHillshade}},
  };
  for (const auto& c : cases) {
    auto p = host.Parameters(c.output);
    p.azimuth = c.azimuth;
    p.altitude = c.altitude;
    p.zFactor = c.zFactor;
    const auto result = RunHillshade(host.hook, p);
    EXPECT_FALSE(result.done) << c.name;
    std::vector<UINT> ids;
    for (const auto& m : result.messages) {
      ids.push_back(m.textId);
      EXPECT_EQ(m.type, MB_ICONWARNING) << c.name;
    }
    EXPECT_EQ(ids, c.messages) << c.name;
    LONG count = 0;
    host.FocusMap()->get_LayerCount(&count);
    EXPECT_EQ(count, 1) << c.name;
  }
  EXPECT_TRUE(test::FilesIn(host.dir / "out").empty());
  // The edge values are accepted.
  for (auto [az, alt] : {std::pair{0.0, 0.0}, {360.0, 90.0}}) {
    auto p = host.Parameters();
    p.azimuth = az;
    p.altitude = alt;
    EXPECT_TRUE(RunHillshade(host.hook, p).done) << az << "/" << alt;
  }
  // No input: nothing at all.
  HillshadeRunParameters none;
  const auto nothing = RunHillshade(host.hook, none);
  EXPECT_FALSE(nothing.done);
  EXPECT_TRUE(nothing.messages.empty());
  // A layer that is no raster layer.
  auto group = CreateHostObject<ILayer>(host::CLSID_GroupLayer);
  auto p = host.Parameters();
  p.input = group;
  const auto refused = RunHillshade(host.hook, p);
  ASSERT_EQ(refused.messages.size(), 1u);
  EXPECT_EQ(refused.messages[0].textId, kIdsCannotHillshade);
}

// Esc at each question the run asks in turn (before and after the input is prepared, while the
// relief is read, shaded and written), for a raster layer, a catalog layer whose tiles are put
// into a grid first, and a named output: "Operation cancelled", no layer, and the work folder
// and the output folder as they were; once Esc comes after the last question, the run is done
// and gives the relief a run without Esc gives.
TEST(HillshadeRun, EscAtEveryQuestionLeavesNothingOfTheRun) {
  Host host;
  std::filesystem::create_directories(host.dir / "out");
  auto tiled = host.TiledCatalog();
  host.FocusMap()->AddLayer(host.dem.get());
  host.FocusMap()->AddLayer(tiled.get());
  const std::string work = ToUtf8(GetScratchFolder().str()) + "Hillshade";

  struct Case {
    const char* what;
    ComPtr<ILayer> input;
    std::wstring output;
  };
  const Case cases[] = {{"raster layer", host.dem, L"<TEMPORARY>"},
                        {"catalog layer", tiled, L"<TEMPORARY>"},
                        {"named output", host.dem, FromUtf8(host.dir / "out") + L"/shade1"}};
  for (const Case& c : cases) {
    auto p = host.Parameters(c.output);
    p.input = c.input;
    std::filesystem::remove_all(host.dir / "out/shade1.tif");
    std::filesystem::create_directories(work);
    const auto before = test::FilesIn(work);
    LONG layers = 0;
    host.FocusMap()->get_LayerCount(&layers);
    int question = 1;
    for (;; ++question) {
      ASSERT_LT(question, 500) << c.what << ": the run asks without end";
      host::ScriptEscape({L"", question});
      const auto out = RunHillshade(host.hook, p);
      const bool used = host::ScriptedEscapeUsed();
      host::ScriptEscape({L"", 0});
      if (!used) {
        ASSERT_TRUE(out.done) << c.what;
        EXPECT_FALSE(out.cancelled) << c.what;
        EXPECT_EQ(StatusText(host.hook), L"") << c.what << ": no progress text is left";
        EXPECT_EQ(Bytes(ToUtf8(out.resultPath)).size(), 1200u) << c.what;
        break;
      }
      const std::string at = std::string(c.what) + ", question " + std::to_string(question);
      EXPECT_TRUE(out.cancelled) << at;
      EXPECT_FALSE(out.done) << at;
      EXPECT_FALSE(out.layer) << at;
      EXPECT_TRUE(out.messages.empty()) << at;
      EXPECT_EQ(StatusText(host.hook), L"Operation cancelled") << at;
      LONG now = 0;
      host.FocusMap()->get_LayerCount(&now);
      EXPECT_EQ(now, layers) << at;
      EXPECT_EQ(test::FilesIn(work), before) << at;
      EXPECT_TRUE(std::filesystem::is_empty(host.dir / "out")) << at;
    }
    EXPECT_GT(question, 3) << c.what << ": the relief asks as it goes, not only the steps";
  }
}

}  // namespace
}  // namespace velk::corvane
