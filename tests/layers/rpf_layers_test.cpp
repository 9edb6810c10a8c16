// The two RPF layers over catalogs loaded from frames made in code: the scale each chooses at
// 1:250,000 and the order of the queries that choose it, the redraw of an unchanged view, the
// 100-frame limit of the referenced layer, its per-folder caches and the cancel tracker,
// persistence (versions 9201 and 9301) and the chart layer's clip.
#include <gtest/gtest.h>

#include <filesystem>

#include <gdal_priv.h>

#include "layers/shared_raster_helper.h"
#include "layers/zel_raster_layer.h"
#include "layers/zel_referenced_rpf_layer.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/application/host_session.h"
#include "platform/host/display/map.h"
#include "platform/host/documents/map_document_file.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/track_cancel.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/catalog_fixture.h"
#include "tests/fixtures/counting_tracker.h"
#include "tests/fixtures/rpf_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/layers/catalog_layer_test_support.h"

namespace velk::test {
namespace {

using lumeris::ZelRasterLayer;
using lumeris::ZelReferencedRpfLayer;
using host::HostKind;
using host::HostKindName;
using host::HostSession;
using host::HostSessionOptions;
using Queries = std::vector<std::wstring>;

RpfTocBoundary Boundary(const std::string& folder, const std::string& scale,
                        const std::string& extension, double west, int columns, int rows = 1) {
  RpfTocBoundary b;
  b.folder = "./CADRG/" + folder + "/";
  b.scaleText = scale;
  b.west = west;
  b.north = 2;
  b.columns = columns;
  b.rows = rows;
  int n = 0;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      char name[16];
      std::snprintf(name, sizeof name, "%07dA.%s", ++n, extension.c_str());
      b.frames.push_back({r, c, name});
    }
  return b;
}

// One frame of each of three scales, side by side: 1:1,000,000 at 6 east, 1:250,000 at 10 east,
// 1:50,000 at 14 east, each 0.853 degrees a side with its north edge at 2 north.
class RpfLayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeRpfTree(data_.path(), {Boundary("ONC", "1:1M", "ON2", 6, 1),
                                           Boundary("JOG", "1:250K", "JG2", 10, 1),
                                           Boundary("TLM", "1:50K", "TL2", 14, 1)}));
  }

  template <class Layer, class Itf>
  ComPtr<Itf> NewLayer(ITable* table) {
    auto layer = MakeObjectPtr<Layer, Itf>();
    EXPECT_TRUE(layer);
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(QueryAs<IZelRasterLayer>(layer.get())->Setup(table, &ok), S_OK);
    return layer;
  }

  HostClassesScope classes_;
  ScratchDir data_;
  ScratchDir db_;
};

constexpr double kFrame = kRpfFrameDegrees;

TEST_F(RpfLayersTest, EachLayerTriesTheScalesInItsOwnPassOrder) {
  CatalogFixture charts(velkZelCatalogRPF, db_.path(), L"charts");
  ASSERT_EQ(charts.Load(data_.path()), S_OK);
  ScratchDir other;
  CatalogFixture referenced(velkZelCatalogReferencedRPF, other.path(), L"frames");
  ASSERT_EQ(referenced.Load(data_.path()), S_OK);
  auto chart = NewLayer<ZelRasterLayer, IZelRasterLayer>(charts.table());
  auto frames = NewLayer<ZelReferencedRpfLayer, IZelRasterLayer>(referenced.table());
  const std::vector<LONG> scales = {50000, 250000, 1000000};
  EXPECT_EQ(static_cast<ZelRasterLayer*>(chart.get())->Scales(), scales);
  EXPECT_EQ(static_cast<ZelReferencedRpfLayer*>(frames.get())->Scales(), scales);
  const std::wstring s50 = L"SCALE = 50000", s250 = L"SCALE = 250000", s1m = L"SCALE = 1000000";
  struct Case {
    const char* what;
    double west;
    Queries chart, referenced;
    std::wstring chosen;
  };
  const Case kCases[] = {
      {"the 1:250,000 frame", 10, {s250}, {s250}, s250},
      {"only the 1:50,000 frame", 14, {s250, s1m, s250, s50}, {s250, s50}, s50},
      {"only the 1:1,000,000 frame", 6, {s250, s1m}, {s250, s50, s250, s1m}, s1m},
      {"no frame", 30, {s250, s1m, s250, s50}, {s250, s50, s250, s1m}, L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    LayerMap a, b;
    a.Add(chart.get());
    b.Add(frames.get());
    const double x0 = c.west + 0.1, y0 = 2 - kFrame + 0.1, x1 = c.west + 0.7, y1 = 1.9;
    auto drawnA = a.Draw(x0, y0, x1, y1, 250000);
    auto drawnB = b.Draw(x0, y0, x1, y1, 250000);
    EXPECT_EQ(drawnA.queries, c.chart);
    // The referenced layer also counts the frames of the chosen scale before it opens them.
    Queries referencedQueries = c.referenced;
    if (!c.chosen.empty()) referencedQueries.push_back(c.chosen);
    if (!c.chosen.empty()) referencedQueries.push_back(c.chosen);
    EXPECT_EQ(drawnB.queries, referencedQueries);
    EXPECT_EQ(drawnA.counters.frameOpens, c.chosen.empty() ? 0 : 1);
    EXPECT_EQ(drawnB.counters.frameOpens, c.chosen.empty() ? 0 : 1);
    // The same view again: no search, the same frames.
    auto againA = a.Draw(x0, y0, x1, y1, 250000);
    auto againB = b.Draw(x0, y0, x1, y1, 250000);
    EXPECT_TRUE(againA.queries.empty());
    EXPECT_EQ(againA.counters.frameOpens, drawnA.counters.frameOpens);
    EXPECT_EQ(againB.counters.frameOpens, drawnB.counters.frameOpens);
  }
}

// The three-scale tree these tests draw reads the same through GDAL's RPFTOC driver.
TEST_F(RpfLayersTest, TheTreeAgreesWithGdalsReading) {
  EXPECT_EQ(RpfTocDisagreements(data_.path()), "");
}

TEST_F(RpfLayersTest, SwitchingUseBestMapTakesEffectAtTheNextDraw) {
  CatalogFixture charts(velkZelCatalogRPF, db_.path(), L"charts");
  ASSERT_EQ(charts.Load(data_.path()), S_OK);
  auto chart = NewLayer<ZelRasterLayer, IZelRasterLayer>(charts.table());
  LayerMap map;
  map.Add(chart.get());
  auto definition = [&] {
    Bstr text;
    QueryAs<IFeatureLayerDefinition>(chart.get())->get_DefinitionExpression(&text);
    return text.str();
  };
  map.Draw(6, 0, 16, 2, 250000);
  EXPECT_EQ(definition(), L"SCALE = 250000");
  ASSERT_EQ(chart->put_UseBestMap(VARIANT_FALSE), S_OK);
  auto all = map.Draw(6, 0, 16, 2, 250000);
  EXPECT_EQ(definition(), L"(PRODUCT = 'CADRG' )");
  EXPECT_EQ(all.counters.frameOpens, 3);
  ASSERT_EQ(chart->put_UseBestMap(VARIANT_TRUE), S_OK);
  auto best = map.Draw(6, 0, 16, 2, 250000);
  EXPECT_EQ(definition(), L"SCALE = 250000");
  EXPECT_EQ(best.counters.frameOpens, 1);
}

// 100 frames of one scale in view are opened one by one; 101 stand as outlines.
TEST_F(RpfLayersTest, MoreThanAHundredFramesInViewOpenNone) {
  for (int count : {100, 101}) {
    SCOPED_TRACE(count);
    ScratchDir tree, db;
    RpfTocBoundary jog = Boundary("JOG", "1:250K", "JG2", 0, count);
    jog.blank = true;
    ASSERT_TRUE(MakeRpfTree(tree.path(), {jog}));
    CatalogFixture referenced(velkZelCatalogReferencedRPF, db.path(), L"frames");
    ASSERT_EQ(referenced.Load(tree.path()), S_OK);
    auto frames = NewLayer<ZelReferencedRpfLayer, IZelRasterLayer>(referenced.table());
    QueryAs<IWireframeDisplayProps>(frames.get())->put_DisplayWireframe(velkWireframeDisplayAll);
    LayerMap map;
    map.Add(frames.get());
    auto drawn = map.Draw(0, 0, count * kFrame, 2, 250000, 400, 40);
    EXPECT_EQ(drawn.counters.frameOpens, count <= 100 ? count : 0);
    // Outlines: once with the wireframe query, and once more in place of the frames.
    EXPECT_EQ(drawn.counters.featuresDrawn, count <= 100 ? count : 2 * count);
    // Every frame lies in one folder: one workspace serves them all.
    EXPECT_EQ(static_cast<ZelReferencedRpfLayer*>(frames.get())->CachedFolders(),
              count <= 100 ? 1u : 0u);
  }
}

TEST_F(RpfLayersTest, CancelStopsBeforeTheNextFrame) {
  ScratchDir tree, db;
  ASSERT_TRUE(MakeRpfTree(tree.path(), {Boundary("JOG", "1:250K", "JG2", 0, 3)}));
  CatalogFixture referenced(velkZelCatalogReferencedRPF, db.path(), L"frames");
  ASSERT_EQ(referenced.Load(tree.path()), S_OK);
  auto frames = NewLayer<ZelReferencedRpfLayer, IZelRasterLayer>(referenced.table());
  QueryAs<IWireframeDisplayProps>(frames.get())->put_DisplayWireframe(velkWireframeDisplayAll);
  LayerMap map;
  map.Add(frames.get());
  // Without a tracker every frame is drawn.
  auto all = map.Draw(0, 0, 3 * kFrame, 2, 250000, 300, 40);
  EXPECT_EQ(all.counters.frameOpens, 3);
  auto cancel = MakeObjectPtr<CountingTracker, ITrackCancel>();
  static_cast<CountingTracker*>(cancel.get())->allowed = 2;  // stops at the third question
  auto stopped = map.Draw(0, 0, 3 * kFrame, 2, 250000, 300, 40, {}, cancel.get());
  EXPECT_EQ(stopped.counters.frameOpens, 2);
  EXPECT_GE(static_cast<CountingTracker*>(cancel.get())->asked, 3);
}

TEST_F(RpfLayersTest, DocumentRoundTripOfBothLayers) {
  CatalogFixture charts(velkZelCatalogRPF, db_.path(), L"charts");
  ASSERT_EQ(charts.Load(data_.path()), S_OK);
  ScratchDir other;
  CatalogFixture referenced(velkZelCatalogReferencedRPF, other.path(), L"frames");
  ASSERT_EQ(referenced.Load(data_.path()), S_OK);
  const DWORD cookies[] = {
      RegisterProcessClass(ids::CLSID_ZelRasterLayer, &CreateInstance<ZelRasterLayer>),
      RegisterProcessClass(ids::CLSID_ZelReferencedRpfLayer,
                           &CreateInstance<ZelReferencedRpfLayer>)};
  auto chart = NewLayer<ZelRasterLayer, IZelRasterLayer>(charts.table());
  auto frames = NewLayer<ZelReferencedRpfLayer, IZelRasterLayer>(referenced.table());
  for (auto* layer : {chart.get(), frames.get()}) {
    layer->put_UseBestMap(VARIANT_FALSE);
    layer->put_DisplayRasters(VARIANT_FALSE);
    QueryAs<IWireframeDisplayProps>(layer)->put_DisplayWireframe(velkWireframeDisplaySelected);
    QueryAs<IZelDatasets>(layer)->put_UseDataset(0, VARIANT_FALSE);
  }
  LayerMap map;
  map.Add(chart.get());
  map.Add(frames.get());
  ScratchDir docs;
  const std::wstring doc = FromUtf8(docs / "map.vmap");
  ASSERT_EQ(host::SaveMapLayers(QueryAs<IBasicMap>(map.map()).get(), doc), S_OK);
  LayerMap loaded;
  ASSERT_EQ(host::LoadMapLayers(doc, QueryAs<IBasicMap>(loaded.map()).get()), S_OK);
  for (LONG i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ComPtr<ILayer> back;
    ASSERT_EQ(loaded.map()->get_Layer(i, back.put()), S_OK);
    auto layer = QueryAs<IZelRasterLayer>(back.get());
    ASSERT_TRUE(layer);
    // The layer added last lies on top.
    EXPECT_EQ(static_cast<bool>(QueryAs<IZelReferencedRpfLayer>(back.get())), i == 0);
    VARIANT_BOOL best = VARIANT_TRUE, rasters = VARIANT_TRUE, use = VARIANT_TRUE;
    layer->get_UseBestMap(&best);
    layer->get_DisplayRasters(&rasters);
    QueryAs<IZelDatasets>(back.get())->get_UseDataset(0, &use);
    EXPECT_EQ(best, VARIANT_FALSE);
    EXPECT_EQ(rasters, VARIANT_FALSE);
    EXPECT_EQ(use, VARIANT_FALSE);
    velkZelWireframeDisplayEnum mode{};
    QueryAs<IWireframeDisplayProps>(back.get())->get_DisplayWireframe(&mode);
    EXPECT_EQ(mode, velkWireframeDisplaySelected);
  }
  // The chart layer's where clause comes back with its products.
  auto drawn = loaded.Draw(6, 0, 16, 2, 250000);
  EXPECT_EQ(drawn.counters.frameOpens, 0);
  ComPtr<ILayer> first;
  loaded.map()->get_Layer(1, first.put());
  Bstr clause;
  QueryAs<IFeatureLayerDefinition>(first.get())->get_DefinitionExpression(&clause);
  EXPECT_EQ(clause.str(), L"PRODUCT = 'No dataset in use'");
  for (DWORD c : cookies) RevokeProcessClass(c);
}

// The referenced layer tells its outcome by the result alone (isSuccessful stays false), and
// without the "_uids" companion it reads its products and scales from the catalog itself.
TEST_F(RpfLayersTest, ReferencedLayerOverACatalogWithoutCompanion) {
  CatalogFixture charts(velkZelCatalogRPF, db_.path(), L"charts");
  ASSERT_EQ(charts.Load(data_.path()), S_OK);
  auto frames = MakeObjectPtr<ZelReferencedRpfLayer, IZelRasterLayer>();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ok = VARIANT_TRUE;
  ASSERT_EQ(frames->Setup(charts.table(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(static_cast<ZelReferencedRpfLayer*>(frames.get())->Scales(),
            (std::vector<LONG>{50000, 250000, 1000000}));
  Bstr key;
  ASSERT_EQ(QueryAs<IZelDatasets>(frames.get())->get_Dataset(0, &key), S_OK);
  EXPECT_EQ(key.str(), L"CADRG");
  // Not an RPF catalog at all.
  ScratchDir other;
  CatalogFixture dted(velkZelCatalogDTED, other.path(), L"cells");
  EXPECT_EQ(frames->Setup(dted.table(), &ok), E_INVALIDARG);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

int g_appRefCreations = 0;
HRESULT CountingAppRef(IUnknown* outer, REFIID riid, void** ppv) {
  ++g_appRefCreations;
  return host::CreateAppRef(outer, riid, ppv);
}

std::wstring Definition(IUnknown* layer) {
  Bstr text;
  QueryAs<IFeatureLayerDefinition>(layer)->get_DefinitionExpression(&text);
  return text.str();
}

// Both chart layers find the host they run in through the shared raster helper. In the globe
// host the helper keeps the globe's display and both layers start at the scale that shows the
// whole globe: the first above 1:97,724,160, here none, so the largest. In the 2-D map host
// neither layer sets a query and the host's application is asked for once, however often the
// helper is asked.
TEST_F(RpfLayersTest, SetupInTheGlobeHostStartsAtTheWholeGlobeScale) {
  CatalogFixture charts(velkZelCatalogRPF, db_.path(), L"charts");
  ASSERT_EQ(charts.Load(data_.path()), S_OK);
  ScratchDir db;
  CatalogFixture referenced(velkZelCatalogReferencedRPF, db.path(), L"frames");
  ASSERT_EQ(referenced.Load(data_.path()), S_OK);
  for (HostKind kind : {HostKind::Globe, HostKind::Map}) {
    SCOPED_TRACE(HostKindName(kind));
    lumeris::DeleteSharedRasterHelper();
    HostSessionOptions options;
    options.kind = kind;
    auto session = HostSession::Start(options, nullptr);
    ASSERT_TRUE(session);
    const DWORD cookie = RegisterProcessClass(host::CLSID_AppRef, &CountingAppRef);
    g_appRefCreations = 0;
    auto chart = NewLayer<ZelRasterLayer, IZelRasterLayer>(charts.table());
    auto frames = NewLayer<ZelReferencedRpfLayer, IZelRasterLayer>(referenced.table());
    const std::wstring expected = kind == HostKind::Globe ? L"SCALE = 1000000" : L"";
    EXPECT_EQ(Definition(chart.get()), expected);
    EXPECT_EQ(Definition(frames.get()), expected);
    lumeris::SharedRasterHelper* helper = lumeris::GetSharedRasterHelper();
    auto found = ComPtr<IUnknown>::Attach(helper->FindHostApplicationObject());
    if (kind == HostKind::Globe) {
      ComPtr<IGlobe> globe;
      ASSERT_EQ(QueryAs<IGlobeDocument>(session->Document().get())->get_Globe(globe.put()), S_OK);
      ComPtr<IGlobeDisplay> display;
      ASSERT_EQ(globe->get_GlobeDisplay(display.put()), S_OK);
      ASSERT_TRUE(display);
      EXPECT_EQ(found.get(), QueryAs<IUnknown>(display.get()).get());
      EXPECT_FALSE(helper->GivenUp());
    } else {
      EXPECT_FALSE(found);
      EXPECT_TRUE(helper->GivenUp());
    }
    EXPECT_EQ(g_appRefCreations, 1);
    RevokeProcessClass(cookie);
    session.reset();
  }
  lumeris::DeleteSharedRasterHelper();
}

TEST_F(RpfLayersTest, ChartClipKeepsPaletteColours) {
  CatalogFixture charts(velkZelCatalogRPF, db_.path(), L"charts");
  ASSERT_EQ(charts.Load(data_.path()), S_OK);
  auto chart = NewLayer<ZelRasterLayer, IZelRasterLayer>(charts.table());
  ScratchDir out;
  auto envelope = host::NewEnvelope(10.1, 1.3, 10.6, 1.9, host::SpatialReferenceFromCode(4326).get());
  ComPtr<IGeoDataset> clipped;
  ASSERT_EQ(QueryAs<IInternalZelHelper>(chart.get())
                ->ClipRegion(envelope.get(), Bstr(FromUtf8(out.path())), Bstr(L"chart"),
                             VARIANT_FALSE, clipped.put()),
            S_OK);
  GDALDatasetUniquePtr ds(GDALDataset::Open((out / "chart.tif").c_str(), GDAL_OF_RASTER));
  ASSERT_TRUE(ds);
  EXPECT_EQ(ds->GetRasterBand(1)->GetRasterDataType(), GDT_Byte);
}

}  // namespace
}  // namespace velk::test
