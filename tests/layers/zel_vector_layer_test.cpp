// The vector product layer over a real VPF catalog: a GeoPackage catalog loaded by the data
// manager from VPF databases made here, VPF data opened through GDAL's OGDI driver, drawn by the
// host's map picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "interfaces/zel_layer_interfaces.h"
#include "layers/layer_stream.h"
#include "layers/zel_vector_layer.h"
#include "platform/com/connection_point.h"
#include "platform/com/out_param.h"
#include "platform/com/stream.h"
#include "platform/com/text.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/display.h"
#include "platform/host/display/layer.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/data_manager.h"
#include "platform/productline/geosym_renderer.h"
#include "platform/productline/product_line_classes.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/counting_tracker.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"
#include "tests/layers/vpf_layer_test_support.h"

namespace velk::test {
namespace {

using lumeris::CreateZelVectorLayerObject;

class VectorLayerTest : public VpfCatalogTest {
 protected:
  void SetUp() override { MakeCatalog(velkZelCatalogVPF, L"vmap"); }

  ComPtr<IZelVectorLayer> NewLayer() {
    ComPtr<IZelVectorLayer> layer;
    EXPECT_EQ(CreateZelVectorLayerObject(nullptr, IidOf<IZelVectorLayer>(), layer.put_void()),
              S_OK);
    return layer;
  }

  // The layer bound, every coverage shown and built.
  ComPtr<IZelVectorLayer> BuiltLayer() {
    auto layer = NewLayer();
    EXPECT_EQ(layer->putref_FeatureClass(catalog_.get()), S_OK);
    auto coverages = layer.As<IZelVpfCoverages>();
    LONG count = 0;
    coverages->get_CoverageCount(&count);
    for (LONG i = 0; i < count; ++i) coverages->put_ShowCoverage(i, VARIANT_TRUE);
    EXPECT_EQ(coverages->RefreshCoverages(), S_OK);
    layer->put_DisplayCoverages(VARIANT_TRUE);
    return layer;
  }

  host::DrawCounters DrawMap(IZelVectorLayer* layer, double west, double east) {
    return VpfCatalogTest::DrawMap(layer, west, east);
  }
  static double WidthAt(double scale) { return ViewWidthAt(scale); }
};

TEST_F(VectorLayerTest, NewLayerDefaults) {
  auto layer = NewLayer();
  VARIANT_BOOL v = 0;
  EXPECT_EQ(layer->get_UseScaleDep(&v), S_OK);
  EXPECT_EQ(v, VARIANT_TRUE);
  EXPECT_EQ(layer->get_DisplayCoverages(&v), S_OK);
  EXPECT_EQ(v, VARIANT_FALSE);
  EXPECT_EQ(layer->get_UseGeoSym(&v), S_OK);
  EXPECT_EQ(v, VARIANT_FALSE);
  auto general = layer.As<ILayer>();
  EXPECT_EQ(general->get_Visible(&v), S_OK);
  EXPECT_EQ(v, VARIANT_TRUE);
  Bstr name;
  general->get_Name(&name);
  EXPECT_EQ(name.str(), L"New Zel Vector Layer");
  EXPECT_EQ(layer->get_DisplayCoverages(nullptr), E_POINTER);
}

// Binding reads the products and the coverage list (one entry per coverage and class across
// the products of a family, in key order, all hidden); only the footprint layer is built.
TEST_F(VectorLayerTest, BindingReadsTheCoverageList) {
  auto layer = NewLayer();
  ASSERT_EQ(layer->putref_FeatureClass(catalog_.get()), S_OK);
  Bstr name;
  layer.As<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"vmap");
  auto datasets = layer.As<IZelDatasets>();
  LONG count = 0;
  datasets->get_DatasetCount(&count);
  EXPECT_EQ(count, 2);
  auto coverages = layer.As<IZelVpfCoverages>();
  coverages->get_CoverageCount(&count);
  ASSERT_EQ(count, 3);
  const wchar_t* expected[] = {L"VMAP$Population$Population areas",
                               L"VMAP$Population$Population points",
                               L"VMAP$Transportation$Transportation lines"};
  for (LONG i = 0; i < count; ++i) {
    Bstr text;
    ASSERT_EQ(coverages->get_Coverage(i, &text), S_OK);
    EXPECT_EQ(text.str(), expected[i]);
    VARIANT_BOOL show = -1;
    coverages->get_ShowCoverage(i, &show);
    EXPECT_EQ(show, VARIANT_FALSE);
  }
  BSTR none = nullptr;
  EXPECT_EQ(coverages->get_Coverage(-1, &none), E_INVALIDARG);
  EXPECT_EQ(coverages->put_ShowCoverage(3, VARIANT_TRUE), E_INVALIDARG);
  EXPECT_EQ(TreeOf(layer.get()), std::vector<std::string>{"Footprint [open]"});
}

// Shown coverages and a refresh build a group per product with its scale range, a group per
// coverage and a layer per feature class and library, none of them opened yet.
TEST_F(VectorLayerTest, RefreshBuildsTheTree) {
  auto layer = BuiltLayer();
  const std::vector<std::string> tree = TreeOf(layer.get());
  const std::vector<std::string> expected = {
      "Footprint [open]",
      "VMAP Level 0",
      "  Population",
      "    Population areas [lib1]",
      "    Population areas [lib2]",
      "    Population points [lib1]",
      "    Population points [lib2]",
      "  Transportation",
      "    Transportation lines [lib1]",
      "    Transportation lines [lib2]",
      "VMAP Level 1",
      "  Population",
      "    Population areas [lib1]",
      "    Population areas [lib2]",
      "    Population points [lib1]",
      "    Population points [lib2]",
      "  Transportation",
      "    Transportation lines [lib1]",
      "    Transportation lines [lib2]"};
  EXPECT_EQ(tree, expected);
}

// A draw at about 1:400,000 over the first library only opens the level 1 layers of that
// library: level 0 is out of its range (from 1:400,001 out) and the second library out of view.
TEST_F(VectorLayerTest, DrawOpensOnlyLibrariesInRangeAndInView) {
  auto layer = BuiltLayer();
  const host::DrawCounters counters = DrawMap(layer.get(), 10.05, 10.05 + WidthAt(399000));
  EXPECT_GT(counters.featuresDrawn, 0);
  // One catalog query, the one library prepared once, its three feature classes opened.
  lumeris::VectorLayerStats stats;
  ASSERT_TRUE(lumeris::GetVectorLayerStats(layer.get(), &stats));
  EXPECT_EQ(stats.catalogQueries, 1);
  EXPECT_EQ(stats.libraryPreparations, 1);
  EXPECT_EQ(stats.featureClassOpens, 3);
  std::vector<std::string> open;
  for (const std::string& line : TreeOf(layer.get()))
    if (line.find("] [open]") != std::string::npos) open.push_back(line);
  // Level 1's lib1 layers sit after "VMAP Level 1" in the tree; match by position.
  const std::vector<std::string> tree = TreeOf(layer.get());
  std::size_t level1 = 0;
  for (std::size_t i = 0; i < tree.size(); ++i)
    if (tree[i] == "VMAP Level 1") level1 = i;
  ASSERT_GT(level1, 0u);
  ASSERT_EQ(open.size(), 3u);
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const bool isOpen = tree[i].find("[open]") != std::string::npos;
    const bool shouldBe = tree[i] == "Footprint [open]" ||
                          (i > level1 && tree[i].find("[lib1]") != std::string::npos);
    EXPECT_EQ(isOpen, shouldBe) << tree[i];
  }
  // The product groups took their ranges from the product table.
  auto composite = layer.As<ICompositeLayer>();
  ComPtr<ILayer> group;
  ASSERT_EQ(composite->get_Layer(2, group.put()), S_OK);
  double out = 0, in = 0;
  QueryAs<ILayerScaleRange>(group.get())->get_MinimumScale(&out);
  QueryAs<ILayerScaleRange>(group.get())->get_MaximumScale(&in);
  EXPECT_EQ(out, 400000);
  EXPECT_EQ(in, 75001);
  // Zoomed out to about 1:5,000,000 over both libraries: level 0 opens for both.
  DrawMap(layer.get(), 9.5, 9.5 + WidthAt(5000000));
  int opened = 0;
  for (const std::string& line : TreeOf(layer.get())) opened += line.find("] [open]") != std::string::npos;
  EXPECT_EQ(opened, 3 + 6);
}

// With scale dependency off every library in view opens, whatever the scale.
TEST_F(VectorLayerTest, ScaleDependencyOffOpensEveryLibraryInView) {
  auto layer = BuiltLayer();
  layer->put_UseScaleDep(VARIANT_FALSE);
  DrawMap(layer.get(), 10.05, 10.05 + WidthAt(399000));
  int opened = 0;
  for (const std::string& line : TreeOf(layer.get())) opened += line.find("] [open]") != std::string::npos;
  EXPECT_EQ(opened, 6);
}

// Saving and loading rebuild the same tree with the same switches; a layer saved without its
// catalog still reads its whole record, so what follows in the stream is read from its place.
TEST_F(VectorLayerTest, SaveAndLoadRebuildTheTree) {
  auto layer = NewLayer();
  ASSERT_EQ(layer->putref_FeatureClass(catalog_.get()), S_OK);
  layer->put_UseScaleDep(VARIANT_FALSE);
  layer->put_DisplayCoverages(VARIANT_TRUE);
  layer.As<IWireframeDisplayProps>()->put_DisplayWireframe(velkWireframeDisplaySelected);
  layer.As<IZelDatasets>()->put_UseDataset(0, VARIANT_FALSE);
  layer.As<IZelVpfCoverages>()->put_ShowCoverage(0, VARIANT_TRUE);
  layer.As<IZelVpfCoverages>()->put_ShowCoverage(2, VARIANT_TRUE);
  ASSERT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
  const std::vector<std::string> expected = {"Footprint [open]",
                                             "VMAP Level 1",
                                             "  Population",
                                             "    Population areas [lib1]",
                                             "    Population areas [lib2]",
                                             "  Transportation",
                                             "    Transportation lines [lib1]",
                                             "    Transportation lines [lib2]"};
  ASSERT_EQ(TreeOf(layer.get()), expected);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateMemoryStream(stream.put()), S_OK);
  ASSERT_EQ(layer.As<IPersistStream>()->Save(stream.get(), TRUE), S_OK);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  auto loaded = NewLayer();
  ASSERT_EQ(loaded.As<IPersistStream>()->Load(stream.get()), S_OK);
  EXPECT_EQ(TreeOf(loaded.get()), TreeOf(layer.get()));
  VARIANT_BOOL v = -1;
  loaded->get_UseScaleDep(&v);
  EXPECT_EQ(v, VARIANT_FALSE);
  loaded->get_DisplayCoverages(&v);
  EXPECT_EQ(v, VARIANT_TRUE);
  velkZelWireframeDisplayEnum mode{};
  loaded.As<IWireframeDisplayProps>()->get_DisplayWireframe(&mode);
  EXPECT_EQ(mode, velkWireframeDisplaySelected);
  loaded.As<IZelDatasets>()->get_UseDataset(0, &v);
  EXPECT_EQ(v, VARIANT_FALSE);
  Bstr name;
  loaded.As<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"vmap");

  ExpectUnboundRecordReadWhole([&] { return NewLayer().As<IPersistStream>(); });
}

// The footprint cannot be taken out of the layer: deleting it puts a fresh one in its place.
TEST_F(VectorLayerTest, DeletingTheFootprintReplacesIt) {
  auto layer = BuiltLayer();
  auto composite = layer.As<ICompositeLayer>();
  ComPtr<ILayer> footprint;
  ASSERT_EQ(composite->get_Layer(0, footprint.put()), S_OK);
  EXPECT_EQ(layer.As<IGroupLayer>()->Delete(footprint.get()), S_OK);
  EXPECT_EQ(layer.As<IGroupLayer>()->Add(footprint.get()), E_FAIL);
  EXPECT_EQ(layer.As<IGroupLayer>()->Clear(), E_FAIL);
  const std::vector<std::string> tree = TreeOf(layer.get());
  ASSERT_FALSE(tree.empty());
  EXPECT_EQ(std::count(tree.begin(), tree.end(), "Footprint [open]"), 1);
  ComPtr<IFeatureClass> fc;
  EXPECT_EQ(layer->get_FeatureClass(fc.put()), S_OK);
  EXPECT_TRUE(IsSameObject(fc.get(), catalog_.get()));
}

// With GeoSym on, a refresh gives each feature layer its own GeoSym renderer with the library's
// product number.
TEST_F(VectorLayerTest, GeoSymRenderersCarryTheProduct) {
  auto layer = BuiltLayer();
  layer->put_UseGeoSym(VARIANT_TRUE);
  ASSERT_EQ(layer.As<IZelVpfCoverages>()->RefreshCoverages(), S_OK);
  auto composite = layer.As<ICompositeLayer>();
  ComPtr<ILayer> level1, population, points;
  ASSERT_EQ(composite->get_Layer(2, level1.put()), S_OK);
  ASSERT_EQ(QueryAs<ICompositeLayer>(level1.get())->get_Layer(0, population.put()), S_OK);
  ASSERT_EQ(QueryAs<ICompositeLayer>(population.get())->get_Layer(0, points.put()), S_OK);
  ComPtr<IFeatureRenderer> renderer;
  QueryAs<IGeoFeatureLayer>(points.get())->get_Renderer(renderer.put());
  auto geoSym = QueryAs<IGSGeoSymRenderer>(renderer.get());
  ASSERT_TRUE(geoSym);
  LONG product = 0;
  geoSym->get_ProductID(&product);
  EXPECT_EQ(product, 2);
  double safety = 0;
  geoSym->get_ShipsSafetyDepthContour(&safety);
  EXPECT_EQ(safety, 31);
}


// A catalog value with a quote in it is quoted soundly in the feature table's where clause: the
// product's layers are built like any other's.
TEST_F(VectorLayerTest, QuotesInCatalogValuesAreEscaped) {
  const std::string gpkg = dir_ / "zel.gpkg";
  for (const char* table : {"vmap", "vmap_features"}) {
    const std::string sql = std::string("UPDATE ") + table +
                            " SET PRODUCT = 'VMAP$O''Neil''s Level' WHERE PRODUCT = "
                            "'VMAP$VMAP Level 1'";
    int status = -1;
    ToolOutput("ogrinfo " + ShellQuote(gpkg) + " -sql " + ShellQuote(sql), &status);
    ASSERT_EQ(status, 0) << sql;
  }
  catalog_.Reset();
  ASSERT_EQ(db_.As<IFeatureWorkspace>()->OpenFeatureClass(Bstr(L"vmap"), catalog_.put()), S_OK);
  auto layer = BuiltLayer();
  const std::vector<std::string> tree = TreeOf(layer.get());
  const auto group = std::find(tree.begin(), tree.end(), "O'Neil's Level");
  ASSERT_NE(group, tree.end());
  ASSERT_GE(tree.end() - group, 3);
  EXPECT_EQ(*(group + 1), "  Population");
  EXPECT_EQ(*(group + 2), "    Population areas [lib1]");
}


// A display that records what it is asked to draw, at a fixed scale and extent.
class RecordingDisplay : public ComObjectRoot<RecordingDisplay, IDisplay, IDrawDisplay> {
 public:
  using IDisplay::QueryInterface;
  HRESULT get_DisplayTransformation(IDisplayTransformation** t) override {
    if (t) *t = nullptr;
    return E_NOTIMPL;
  }
  HRESULT get_hWnd(HWND* window) override {
    if (window) *window = nullptr;
    return S_OK;
  }
  HRESULT get_MapScale(double* scale) override {
    *scale = 5e6;
    return S_OK;
  }
  HRESULT get_VisibleExtent(IEnvelope** extent) override {
    *extent = host::NewEnvelope(9, 49, 13, 52).Detach();
    return S_OK;
  }
  HRESULT DrawLayer(IUnknown*, ITrackCancel*) override {
    ++drawn;
    return S_OK;
  }
  int drawn = 0;
};

// What a draw does by its switches, phase and tracker: hidden, nothing; coverages off, only the
// footprints; another phase, no catalog query; a tracker that stops, S_FALSE before the inner
// group is drawn; each is asked once per catalog row, library and feature layer.
TEST_F(VectorLayerTest, DrawHonoursSwitchesPhaseAndTracker) {
  struct Case {
    const char* what;
    bool visible, coverages;
    LONG phase;
    int allowed;  // -1: no tracker
    HRESULT result;
    int drawn;
    long catalogQueries, opens;
  } cases[] = {
      {"hidden", false, true, 1, -1, S_OK, 0, 0, 0},
      {"coverages off", true, false, 1, -1, S_OK, 1, 0, 0},
      {"another phase", true, true, 2, -1, S_OK, 2, 0, 0},
      {"whole draw", true, true, 1, -1, S_OK, 2, 1, 6},  // level 0 only, at 1:5,000,000
      {"stopped at once", true, true, 1, 0, S_FALSE, 1, 0, 0},
      // Query, cursor, 4 rows, the first library and its three layers; stopped before the second.
      {"stopped in a library", true, true, 1, 2 + 4 + 1 + 3, S_FALSE, 1, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto layer = BuiltLayer();
    layer.As<ILayer>()->put_Visible(ToVariantBool(c.visible));
    layer->put_DisplayCoverages(ToVariantBool(c.coverages));
    ComPtr<IDisplay> display;
    ASSERT_EQ(CreateInstance<RecordingDisplay>(nullptr, IidOf<IDisplay>(), display.put_void()),
              S_OK);
    ComPtr<ITrackCancel> tracker;
    if (c.allowed >= 0) {
      ASSERT_EQ(CreateInstance<CountingTracker>(nullptr, IidOf<ITrackCancel>(),
                                                tracker.put_void()),
                S_OK);
      static_cast<CountingTracker*>(tracker.get())->allowed = c.allowed;
    }
    EXPECT_EQ(layer.As<ILayerDraw>()->Draw(c.phase, display.get(), tracker.get()), c.result);
    EXPECT_EQ(static_cast<RecordingDisplay*>(display.get())->drawn, c.drawn);
    lumeris::VectorLayerStats stats;
    ASSERT_TRUE(lumeris::GetVectorLayerStats(layer.get(), &stats));
    EXPECT_EQ(stats.catalogQueries, c.catalogQueries);
    EXPECT_EQ(stats.featureClassOpens, c.opens);
  }
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

// A library whose ring table is junk and whose face bounding rectangles are empty after the
// load is left without data when drawn: the VPF reader never sees it, the host survives, and
// a library beside it draws.
TEST_F(VectorLayerTest, DamagedLibraryIsNotHandedToTheReader) {
  auto layer = BuiltLayer();
  const std::string pop = dir_ / "vpf/vmaplv1/lib1/pop";
  std::ofstream(pop + "/rng", std::ios::binary | std::ios::trunc) << "\x10junk rings\xff";
  std::ofstream(pop + "/fbr", std::ios::binary | std::ios::trunc);
  DrawMap(layer.get(), 10.05, 10.05 + WidthAt(399000));
  lumeris::VectorLayerStats stats;
  ASSERT_TRUE(lumeris::GetVectorLayerStats(layer.get(), &stats));
  EXPECT_EQ(stats.featureClassOpens, 0);
  for (const std::string& line : TreeOf(layer.get()))
    EXPECT_EQ(line.find("] [open]"), std::string::npos) << line;
  // Over the sound lib2 beside it, its layers open and draw.
  const host::DrawCounters counters = DrawMap(layer.get(), 11.05, 11.05 + WidthAt(399000));
  EXPECT_GT(counters.featuresDrawn, 0);
  ASSERT_TRUE(lumeris::GetVectorLayerStats(layer.get(), &stats));
  EXPECT_EQ(stats.featureClassOpens, 3);
}

}  // namespace
}  // namespace velk::test
