// The map picture: a DTED catalog and a point layer drawn into a PNG, read back through GDAL's
// PNG driver pixel by pixel; the draw's counters say that only the rows in view were opened and
// that the catalog's statistics spared reading the rasters'.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <gdal_priv.h>

#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/display/cairo_symbols.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/com/stream.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_objects.h"
#include "platform/host/display/map.h"
#include "platform/host/documents/map_document_file.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/display/symbol.h"
#include "platform/host/display/symbol_objects.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/productline/data_manager.h"
#include "platform/productline/geosym_renderer.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

// Cells of one level-0 row along the equator, each a flat 100 + 100 * (lon - 6) metres but for
// a 1000 m post in its south-west corner, so the stretch spans 100 .. 1000.
double CellElevation(int lon, int column, int row) {
  return column == 0 && row == 120 ? 1000 : 100 + 100 * (lon - 6);
}

struct Picture {
  std::vector<std::uint32_t> rgb;  // 0xRRGGBB
  int width = 0, height = 0;
  std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

Picture ReadPng(const std::string& path) {
  Picture p;
  GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER));
  if (!ds || ds->GetRasterCount() < 3) return p;
  p.width = ds->GetRasterXSize();
  p.height = ds->GetRasterYSize();
  std::vector<GByte> bands(static_cast<std::size_t>(p.width) * p.height * 3);
  int order[3] = {1, 2, 3};
  if (ds->RasterIO(GF_Read, 0, 0, p.width, p.height, bands.data(), p.width, p.height, GDT_Byte, 3,
                   order, 3, 3 * p.width, 1, nullptr) != CE_None)
    return Picture{};
  p.rgb.resize(static_cast<std::size_t>(p.width) * p.height);
  for (std::size_t i = 0; i < p.rgb.size(); ++i)
    p.rgb[i] =
        static_cast<std::uint32_t>(bands[3 * i]) << 16 | bands[3 * i + 1] << 8 | bands[3 * i + 2];
  return p;
}

std::uint32_t Rgb(LONG bgr) {
  return static_cast<std::uint32_t>(bgr & 0xFF) << 16 | (bgr & 0xFF00) |
         static_cast<std::uint32_t>(bgr >> 16 & 0xFF);
}

class MapPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int lon = 6; lon < 10; ++lon)
      ASSERT_TRUE(MakeDtedCell(DtedCellPath(data_.path(), lon, 0, 0), lon, 0, 0,
                               [lon](int c, int r) { return CellElevation(lon, c, r); }));
    ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(data_.path())), Bstr(L"zel.gpkg"), nullptr,
                                        nullptr, db_.put()),
              S_OK);
    ComPtr<IDataManager> manager;
    ASSERT_EQ(
        productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void()),
        S_OK);
    ASSERT_EQ(manager->CreateCatalog(db_.get(), velkZelCatalogDTED, nullptr, Bstr(L"dted"), 0, 0,
                                     nullptr),
              S_OK);
    ASSERT_EQ(db_.As<IFeatureWorkspace>()->OpenTable(Bstr(L"dted"), catalog_.put()), S_OK);
    ASSERT_EQ(manager->LoadCatalog(catalog_.get(), Bstr(FromUtf8(data_.path())), velkZelCatalogDTED,
                                   nullptr),
              S_OK);
    ASSERT_EQ(
        CreateRasterCatalogLayerObject(nullptr, IidOf<IRasterCatalogLayer>(), rasters_.put_void()),
        S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(rasters_->Setup(catalog_.get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    // Two points: a red square at (6.5, 0.5) and a default marker at (8.5, 0.25).
    ComPtr<IFeatureClass> fc;
    ASSERT_EQ(
        CreateClass(db_.get(), L"towns", {OidField(), ShapeField(kGeometryPoint, 4326)}, fc.put()),
        S_OK);
    for (auto [x, y] : {std::pair{6.5, 0.5}, std::pair{8.5, 0.25}}) {
      ComPtr<IFeature> f;
      ASSERT_EQ(fc->CreateFeature(f.put()), S_OK);
      ASSERT_EQ(
          f->putref_Shape(NewPoint(x, y, SpatialReference(4326).get()).Query<IGeometry>().get()),
          S_OK);
      ASSERT_EQ(f->Store(), S_OK);
    }
    ASSERT_EQ(CreateFeatureLayerObject(nullptr, IidOf<IFeatureLayer>(), points_.put_void()), S_OK);
    ASSERT_EQ(points_->putref_FeatureClass(fc.get()), S_OK);
    ComPtr<IMarkerSymbol> square;
    ASSERT_EQ(CreateMarkerSymbolObject(nullptr, IidOf<IMarkerSymbol>(), square.put_void()), S_OK);
    square->put_Color(NewColor(0x0000FF).get());
    square->put_Size(10);
    square->put_Style(kMarkerSquare);
    ComPtr<IFeatureRenderer> renderer;
    points_.As<IGeoFeatureLayer>()->get_Renderer(renderer.put());
    ASSERT_TRUE(renderer);
    renderer.As<ISimpleRenderer>()->putref_Symbol(square.get());
    ASSERT_EQ(CreateMap(nullptr, IidOf<IMap>(), map_.put_void()), S_OK);
    map_->AddLayer(rasters_.As<ILayer>().get());
    map_->AddLayer(points_.As<ILayer>().get());  // on top
    view_.sr = SpatialReference(4326);
  }

  // Draws the view 6 .. 10 east, -0.5 .. 1.5 north at 400 x 200 pixels (100 a degree).
  Picture Draw(DrawCounters* counters, double xmin = 6, double xmax = 10) {
    view_.xmin = xmin;
    view_.xmax = xmax;
    view_.ymin = -0.5;
    view_.ymax = 1.5;
    view_.width = static_cast<int>(std::lround((xmax - xmin) * 100));
    view_.height = 200;
    const std::string png = out_ / "map.png";
    EXPECT_EQ(SaveMapPicture(map_.get(), view_, png, counters), S_OK);
    return ReadPng(png);
  }

  ScratchDir data_;
  ScratchDir out_;
  ComPtr<IWorkspace> db_;
  ComPtr<ITable> catalog_;
  ComPtr<IRasterCatalogLayer> rasters_;
  ComPtr<IFeatureLayer> points_;
  ComPtr<IMap> map_;
  PictureView view_;
};

}  // namespace

TEST_F(MapPictureTest, DrawsCellsOnTheRampAndPointsWithTheirSymbols) {
  DrawCounters counters;
  const Picture p = Draw(&counters);
  ASSERT_EQ(p.width, 400);
  ASSERT_EQ(p.height, 200);
  // Each cell's flat elevation, on the ramp stretched over the catalog's 100 .. 1000.
  for (int lon = 6; lon < 10; ++lon) {
    const int x = (lon - 6) * 100 + 80;
    EXPECT_EQ(p.At(x, 80), Rgb(ElevationRampColour(CellElevation(lon, 60, 60), 100, 1000)))
        << "cell " << lon;
  }
  // Outside the cells (south of the equator) the background shows.
  EXPECT_EQ(p.At(200, 190), 0xFFFFFFu);
  // The red square marker at (6.5, 0.5), 10 pixels wide; the default marker at (8.5, 0.25).
  EXPECT_EQ(p.At(50, 100), 0xFF0000u);
  EXPECT_EQ(p.At(54, 96), 0xFF0000u);
  EXPECT_NE(p.At(58, 100), 0xFF0000u);
  EXPECT_NE(p.At(250, 125), Rgb(ElevationRampColour(300, 100, 1000)));
  EXPECT_EQ(counters.searches, 2);
  EXPECT_EQ(counters.frameOpens, 4);
  EXPECT_EQ(counters.rastersDrawn, 4);
  EXPECT_EQ(counters.statisticsReads, 0) << "the catalog's statistics are used";
  EXPECT_EQ(counters.featuresDrawn, 2);
}

// A renderer of an outside component (the product line's GeoSym) draws every feature with the
// default look of its kind: both towns, as the default red circle rather than the layer's
// square (whose corner the circle does not reach).
TEST_F(MapPictureTest, AnOutsideRendererDrawsTheDefaultLooks) {
  ComPtr<IFeatureRenderer> geoSym;
  ASSERT_EQ(productline::CreateGeoSymRendererObject(nullptr, IidOf<IFeatureRenderer>(),
                                                     geoSym.put_void()),
            S_OK);
  ASSERT_EQ(points_.As<IGeoFeatureLayer>()->putref_Renderer(geoSym.get()), S_OK);
  DrawCounters counters;
  const Picture p = Draw(&counters);
  EXPECT_EQ(counters.featuresDrawn, 2);
  EXPECT_EQ(p.At(50, 100), 0xFF0000u);
  EXPECT_NE(p.At(54, 96), 0xFF0000u);
}

// Only the rows in view are opened; the definition query and the layer's visibility narrow
// what is drawn; a renderer's custom statistics replace the catalog's.
TEST_F(MapPictureTest, DrawsOnlyWhatTheViewAndLayerSelect) {
  DrawCounters counters;
  Draw(&counters, 7.2, 8.8);
  EXPECT_EQ(counters.frameOpens, 2);
  EXPECT_EQ(counters.featuresDrawn, 1);

  ASSERT_EQ(
      rasters_.As<IFeatureLayerDefinition>()->put_DefinitionExpression(Bstr(L"NAME = 'none'")),
      S_OK);
  Picture p = Draw(&counters);
  EXPECT_EQ(counters.frameOpens, 0);
  EXPECT_EQ(p.At(180, 80), 0xFFFFFFu);
  ASSERT_EQ(rasters_.As<IFeatureLayerDefinition>()->put_DefinitionExpression(
                Bstr(L"FULL_NAME LIKE '%e007%'")),
            S_OK);
  p = Draw(&counters);
  EXPECT_EQ(counters.frameOpens, 1);
  EXPECT_NE(p.At(180, 80), 0xFFFFFFu);
  EXPECT_EQ(p.At(280, 80), 0xFFFFFFu);
  ASSERT_EQ(rasters_.As<IFeatureLayerDefinition>()->put_DefinitionExpression(Bstr(L"")), S_OK);

  ComPtr<IUnknown> renderer;
  ASSERT_EQ(rasters_->get_Renderer(0, renderer.put()), S_OK);
  auto stretch = QueryAs<IRasterStretchRenderer>(renderer.get());
  ASSERT_TRUE(stretch);
  stretch->put_UseCustomStatistics(VARIANT_TRUE);
  stretch->put_Minimum(200);
  stretch->put_Maximum(300);
  p = Draw(&counters);
  EXPECT_EQ(p.At(180, 80), Rgb(ElevationRampColour(200, 200, 300)));
  EXPECT_EQ(p.At(380, 80), Rgb(ElevationRampColour(400, 200, 300)));

  points_.As<ILayer>()->put_Visible(VARIANT_FALSE);
  rasters_.As<ILayer>()->put_Visible(VARIANT_FALSE);
  p = Draw(&counters);
  EXPECT_EQ(counters.searches, 0);
  EXPECT_EQ(p.At(50, 100), 0xFFFFFFu);
}

// Bad requests leave no picture behind.
// A feature layer saves where its feature class lies and its settings, and a new layer loaded
// from that stream opens the same class again; a stream cut short is refused.
TEST_F(MapPictureTest, FeatureLayerRoundTripsThroughAnObjectStream) {
  QueryAs<IFeatureLayerDefinition>(points_.get())->put_DefinitionExpression(Bstr(L"OBJECTID = 1"));
  QueryAs<ILayerScaleRange>(points_.get())->put_MinimumScale(5e6);
  QueryAs<ILayerScaleRange>(points_.get())->put_MaximumScale(1e4);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateMemoryStream(stream.put()), S_OK);
  ASSERT_EQ(QueryAs<IPersistStream>(points_.get())->Save(stream.get(), TRUE), S_OK);
  std::string bytes;
  ASSERT_EQ(ReadStreamContents(stream.get(), bytes), S_OK);

  ComPtr<IFeatureLayer> loaded;
  ASSERT_EQ(CreateFeatureLayerObject(nullptr, IidOf<IFeatureLayer>(), loaded.put_void()), S_OK);
  ComPtr<IStream> in;
  ASSERT_EQ(CreateMemoryStream(bytes, in.put()), S_OK);
  ASSERT_EQ(QueryAs<IPersistStream>(loaded.get())->Load(in.get()), S_OK);
  Bstr name, where;
  QueryAs<ILayer>(loaded.get())->get_Name(&name);
  EXPECT_EQ(name.str(), L"towns");
  QueryAs<IFeatureLayerDefinition>(loaded.get())->get_DefinitionExpression(&where);
  EXPECT_EQ(where.str(), L"OBJECTID = 1");
  double out = 0, inner = 0;
  QueryAs<ILayerScaleRange>(loaded.get())->get_MinimumScale(&out);
  QueryAs<ILayerScaleRange>(loaded.get())->get_MaximumScale(&inner);
  EXPECT_EQ(out, 5e6);
  EXPECT_EQ(inner, 1e4);
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(loaded->get_FeatureClass(fc.put()), S_OK);
  ASSERT_TRUE(fc);
  LONG count = 0;
  EXPECT_EQ(fc->FeatureCount(nullptr, &count), S_OK);
  EXPECT_EQ(count, 2);

  ComPtr<IStream> cut;
  ASSERT_EQ(CreateMemoryStream(bytes.substr(0, bytes.size() - 3), cut.put()), S_OK);
  EXPECT_EQ(QueryAs<IPersistStream>(loaded.get())->Load(cut.get()), E_FAIL);
}

TEST_F(MapPictureTest, RefusedDrawsWriteNothing) {
  const std::string png = out_ / "refused.png";
  PictureView empty = view_;
  empty.xmin = empty.xmax = 5;
  EXPECT_EQ(SaveMapPicture(map_.get(), empty, png), E_INVALIDARG);
  PictureView ok = view_;
  ok.xmin = 6;
  ok.xmax = 7;
  ok.ymin = 0;
  ok.ymax = 1;
  EXPECT_EQ(SaveMapPicture(map_.get(), ok, out_ / "no-folder/map.png"), E_FAIL);
  EXPECT_EQ(SaveMapPicture(nullptr, ok, png), E_POINTER);
  EXPECT_TRUE(FilesIn(out_.path()).empty());
}

// A map of a raster catalog saved to a document and loaded into a new map: the layer comes back
// with its settings and draws the same picture. A layer that cannot be saved, and a document
// cut short, fail without writing or adding anything.
TEST_F(MapPictureTest, RasterCatalogLayerRoundTripsThroughADocument) {
  map_->DeleteLayer(points_.As<ILayer>().get());
  rasters_.As<ILayer>()->put_Name(Bstr(L"Elevation"));
  rasters_->put_ResamplingType(1);
  rasters_.As<IFeatureLayerDefinition>()->put_DefinitionExpression(Bstr(L"NAME <> 'none'"));
  ComPtr<IUnknown> renderer;
  ASSERT_EQ(rasters_->get_Renderer(0, renderer.put()), S_OK);
  auto stretch = QueryAs<IRasterStretchRenderer>(renderer.get());
  stretch->put_UseCustomStatistics(VARIANT_TRUE);
  stretch->put_Minimum(150);
  stretch->put_Maximum(350);
  const Picture before = Draw(nullptr);
  const std::wstring doc = FromUtf8(out_ / "map.vmapdoc");
  std::wstring problem;
  ASSERT_EQ(SaveMapLayers(map_.get(), doc, &problem), S_OK) << ToUtf8(problem);

  ComPtr<IMap> loaded;
  ASSERT_EQ(CreateMap(nullptr, IidOf<IMap>(), loaded.put_void()), S_OK);
  ASSERT_EQ(LoadMapLayers(doc, loaded.get(), &problem), S_OK) << ToUtf8(problem);
  LONG count = 0;
  loaded->get_LayerCount(&count);
  ASSERT_EQ(count, 1);
  ComPtr<ILayer> layer;
  loaded->get_Layer(0, layer.put());
  Bstr name;
  layer->get_Name(&name);
  EXPECT_EQ(name.str(), L"Elevation");
  VARIANT_BOOL valid = VARIANT_FALSE;
  layer->get_Valid(&valid);
  EXPECT_EQ(valid, VARIANT_TRUE);
  auto catalog = QueryAs<IRasterCatalogLayer>(layer.get());
  ASSERT_TRUE(catalog);
  LONG resampling = 0;
  catalog->get_ResamplingType(&resampling);
  EXPECT_EQ(resampling, 1);
  Bstr where;
  QueryAs<IFeatureLayerDefinition>(layer.get())->get_DefinitionExpression(&where);
  EXPECT_EQ(where.str(), L"NAME <> 'none'");
  map_ = loaded;
  const Picture after = Draw(nullptr);
  EXPECT_EQ(after.rgb, before.rgb);

  // The point layer comes back over its feature class, with its definition query.
  points_.As<IFeatureLayerDefinition>()->put_DefinitionExpression(Bstr(L"OID > 0"));
  ComPtr<IMap> withPoints;
  ASSERT_EQ(CreateMap(nullptr, IidOf<IMap>(), withPoints.put_void()), S_OK);
  withPoints->AddLayer(points_.As<ILayer>().get());
  const std::wstring pointsDoc = FromUtf8(out_ / "points.vmapdoc");
  ASSERT_EQ(SaveMapLayers(withPoints.get(), pointsDoc, &problem), S_OK);
  ComPtr<IMap> pointsBack;
  ASSERT_EQ(CreateMap(nullptr, IidOf<IMap>(), pointsBack.put_void()), S_OK);
  ASSERT_EQ(LoadMapLayers(pointsDoc, pointsBack.get()), S_OK);
  ComPtr<ILayer> pointsLayer;
  ASSERT_EQ(pointsBack->get_Layer(0, pointsLayer.put()), S_OK);
  ComPtr<IFeatureClass> pointsClass;
  QueryAs<IFeatureLayer>(pointsLayer.get())->get_FeatureClass(pointsClass.put());
  ASSERT_TRUE(pointsClass);
  LONG points = 0;
  pointsClass->FeatureCount(nullptr, &points);
  EXPECT_EQ(points, 2);
  Bstr pointsWhere;
  QueryAs<IFeatureLayerDefinition>(pointsLayer.get())->get_DefinitionExpression(&pointsWhere);
  EXPECT_EQ(pointsWhere.str(), L"OID > 0");

  // A group layer has no object stream: nothing is written.
  ComPtr<ILayer> group;
  ASSERT_EQ(CreateGroupLayerObject(nullptr, IidOf<ILayer>(), group.put_void()), S_OK);
  group->put_Name(Bstr(L"towns"));
  map_->AddLayer(group.get());
  const std::wstring refused = FromUtf8(out_ / "refused.vmapdoc");
  EXPECT_EQ(SaveMapLayers(map_.get(), refused, &problem), E_NOTIMPL);
  EXPECT_NE(problem.find(L"towns"), std::wstring::npos);
  EXPECT_FALSE(std::filesystem::exists(ToUtf8(refused)));

  // Cut anywhere, the document adds no layer.
  const auto size = std::filesystem::file_size(ToUtf8(doc));
  for (std::uintmax_t keep : {std::uintmax_t{0}, std::uintmax_t{5}, size / 2, size - 1}) {
    std::filesystem::copy_file(ToUtf8(doc), out_ / "cut.vmapdoc",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(out_ / "cut.vmapdoc", keep);
    ComPtr<IMap> empty;
    ASSERT_EQ(CreateMap(nullptr, IidOf<IMap>(), empty.put_void()), S_OK);
    EXPECT_TRUE(FAILED(LoadMapLayers(FromUtf8(out_ / "cut.vmapdoc"), empty.get()))) << keep;
    LONG n = -1;
    empty->get_LayerCount(&n);
    EXPECT_EQ(n, 0) << keep;
  }
}
