// Layers, graphics, symbols and displays of the host's map.
#include <gtest/gtest.h>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/display/display_objects.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/display/layer_objects.h"
#include "platform/host/display/map.h"
#include "platform/host/display/symbol_objects.h"
#include "platform/host/data/uid.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

ComPtr<IElement> Marker(double x, double y, const wchar_t* name, double size = 10) {
  auto e = Make<IElement>(CreateMarkerElementObject);
  e->put_Geometry(NewPoint(x, y).Query<IGeometry>().get());
  auto symbol = Make<IMarkerSymbol>(CreateMarkerSymbolObject);
  symbol->put_Size(size);
  e.Query<IMarkerElement>()->put_Symbol(symbol.get());
  e.Query<IElementProperties>()->put_Name(Bstr(name));
  return e;
}

std::vector<std::wstring> NamesIn(IGraphicsContainer* c) {
  std::vector<std::wstring> out;
  c->Reset();
  ComPtr<IElement> e;
  while (c->Next(e.put()) == S_OK && e) {
    Bstr n;
    e.Query<IElementProperties>()->get_Name(&n);
    out.push_back(n.str());
  }
  return out;
}

}  // namespace

TEST(HostDataMap, LayersOverRealDataAndTheirLookup) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(
      CreateClass(ws.get(), L"spots",
                  {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"N", 4)}, fc.put()),
      S_OK);
  for (auto [x, y] : {std::pair{6.1, 0.2}, {6.9, 0.8}}) {
    ComPtr<IFeature> f;
    ASSERT_EQ(fc->CreateFeature(f.put()), S_OK);
    f->putref_Shape(NewPoint(x, y).Query<IGeometry>().get());
    ASSERT_EQ(f->Store(), S_OK);
  }
  // Rows made before their shape do not drag the file's extent to the origin.
  std::string info = ToolOutput("ogrinfo -ro -so -al " + ShellQuote(dir / "spots.shp"));
  EXPECT_NE(info.find("Extent: (6.100000, 0.200000) - (6.900000, 0.800000)"), std::string::npos)
      << info;
  auto layer = Make<IFeatureLayer>(CreateFeatureLayerObject);
  VARIANT_BOOL valid = VARIANT_TRUE;
  layer.Query<ILayer>()->get_Valid(&valid);
  EXPECT_EQ(valid, VARIANT_FALSE);  // no data yet
  ASSERT_EQ(layer->putref_FeatureClass(fc.get()), S_OK);
  layer.Query<ILayer>()->get_Valid(&valid);
  EXPECT_EQ(valid, VARIANT_TRUE);
  Bstr name;
  layer.Query<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"spots");
  ComPtr<IEnvelope> aoi;
  layer.Query<ILayerExtent>()->get_AreaOfInterest(aoi.put());
  double x0, y0, x1, y1;
  aoi->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_DOUBLE_EQ(x0, 6.1);
  EXPECT_DOUBLE_EQ(y1, 0.8);
  ComPtr<ISelectionSet> sel;
  ASSERT_EQ(layer.Query<IFeatureSelection>()->get_SelectionSet(sel.put()), S_OK);
  LONG count = -1;
  sel->get_Count(&count);
  EXPECT_EQ(count, 0);

  ScratchDir rasters;
  ASSERT_TRUE(MakeGeoTiffDem(rasters / "dem.tif", DemSpec{}));
  auto raster = Make<IRasterLayer>(CreateRasterLayerObject);
  EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(rasters / "none.tif"))), E_DATA_NOT_FOUND);
  ASSERT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(rasters / "dem.tif"))), S_OK);
  raster.Query<ILayer>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"dem.tif");

  auto group = Make<IGroupLayer>(CreateGroupLayerObject);
  group->Add(layer.Query<ILayer>().get());
  EXPECT_EQ(group->Add(group.Query<ILayer>().get()), E_INVALIDARG);
  auto map = MakeObjectPtr<Map, IMap>();
  map->AddLayer(raster.Query<ILayer>().get());
  map->AddLayer(group.Query<ILayer>().get());
  auto uid = MakeUid(GuidToString(IidOf<IFeatureLayer>()), 0);
  ComPtr<IEnumLayer> found;
  ASSERT_EQ(map->get_Layers(uid.get(), VARIANT_TRUE, found.put()), S_OK);
  ComPtr<ILayer> l;
  ASSERT_EQ(found->Next(l.put()), S_OK);
  EXPECT_TRUE(IsSameObject(l.get(), layer.get()));
  EXPECT_EQ(found->Next(l.put()), S_FALSE);
  uid = MakeUid(GuidToString(IidOf<IRasterLayer>()), 0);
  ASSERT_EQ(map->get_Layers(uid.get(), VARIANT_TRUE, found.put()), S_OK);
  ASSERT_EQ(found->Next(l.put()), S_OK);
  EXPECT_TRUE(IsSameObject(l.get(), raster.get()));
}

TEST(HostDataMap, GraphicsContainerOrderNamesAndBounds) {
  auto map = MakeObjectPtr<Map, IMap>();
  auto graphics = map.Query<IGraphicsContainer>();
  auto a = Marker(10, 10, L"a");
  auto b = Marker(20, 20, L"b");
  ASSERT_EQ(graphics->AddElement(a.get(), 0), S_OK);
  ASSERT_EQ(graphics->AddElement(b.get(), 0), S_OK);  // on top
  EXPECT_EQ(graphics->AddElement(a.get(), 0), S_FALSE);
  EXPECT_EQ(NamesIn(graphics.get()), (std::vector<std::wstring>{L"b", L"a"}));
  EXPECT_EQ(graphics->DeleteElement(Marker(0, 0, L"stranger").get()), S_FALSE);
  ASSERT_EQ(graphics->DeleteElement(b.get()), S_OK);
  EXPECT_EQ(NamesIn(graphics.get()), (std::vector<std::wstring>{L"a"}));

  // Bounds on the display: the point grown by half the marker (10 pt = 13.33 px) in map units.
  ComPtr<IScreenDisplay> display;
  map.Query<IActiveView>()->get_ScreenDisplay(display.put());
  ComPtr<IDisplayTransformation> t;
  display->get_DisplayTransformation(t.put());
  t->put_VisibleBounds(NewEnvelope(0, 0, 100, 80).get());
  auto bounds = NewPolygon();
  ASSERT_EQ(a->QueryBounds(display.Query<IDisplay>().get(), bounds.get()), S_OK);
  ComPtr<IEnvelope> env;
  bounds->get_Envelope(env.put());
  double x0, y0, x1, y1;
  env->QueryCoords(&x0, &y0, &x1, &y1);
  double grow = 10 * 96.0 / 72.0 / 2.0 * 0.1;
  EXPECT_NEAR(x0, 10 - grow, 1e-12);
  EXPECT_NEAR(x1, 10 + grow, 1e-12);

  // The element symbol slot takes only its own kind of symbol.
  auto slot = a.Query<IElementSymbol>();
  EXPECT_EQ(slot->put_Symbol(Make<ILineSymbol>(CreateLineSymbolObject).get()), E_INVALIDARG);
  EXPECT_EQ(slot->put_Symbol(Make<IMarkerSymbol>(CreateMarkerSymbolObject).get()), S_OK);

  // Partial refreshes are recorded with a copy of their area.
  auto view = map.Query<IActiveView>();
  auto area = NewEnvelope(1, 2, 3, 4);
  ASSERT_EQ(view->PartialRefresh(kViewGraphics, a.get(), area.get()), S_OK);
  area->PutCoords(0, 0, 0, 0);
  auto log = map.Query<IRefreshLog>();
  LONG n = 0;
  log->get_PartialRefreshCount(&n);
  ASSERT_EQ(n, 1);
  LONG phase = 0;
  ComPtr<IUnknown> data;
  ComPtr<IEnvelope> recorded;
  log->GetPartialRefresh(0, &phase, data.put(), recorded.put());
  EXPECT_EQ(phase, kViewGraphics);
  EXPECT_TRUE(IsSameObject(data.get(), a.get()));
  recorded->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(1.0, 2.0, 3.0, 4.0));
}

TEST(HostDataMap, TransformationAndEnvelopeFeedback) {
  auto t = Make<IDisplayTransformation>(CreateDisplayTransformationObject);
  t->put_VisibleBounds(NewEnvelope(500000, 4000000, 510000, 4008000).get());
  t->put_DeviceFrame(RECT{0, 0, 1000, 800});
  ComPtr<IPoint> p;
  ASSERT_EQ(t->ToMapPoint(250, 200, p.put()), S_OK);
  double x, y;
  p->QueryCoords(&x, &y);
  EXPECT_DOUBLE_EQ(x, 502500);
  EXPECT_DOUBLE_EQ(y, 4006000);
  LONG px = 0, py = 0;
  ASSERT_EQ(t->FromMapPoint(p.get(), &px, &py), S_OK);
  EXPECT_EQ(px, 250);
  EXPECT_EQ(py, 200);
  EXPECT_EQ(t->put_DeviceFrame(RECT{0, 0, 0, 10}), E_INVALIDARG);

  auto feedback = Make<IDisplayFeedback>(CreateEnvelopeFeedbackObject);
  ComPtr<IGeometry> shape;
  EXPECT_EQ(feedback->Stop(shape.put()), E_FAIL);  // nothing dragged
  EXPECT_FALSE(shape);
  EXPECT_EQ(feedback->MoveTo(NewPoint(1, 1).get()), S_FALSE);
  ASSERT_EQ(feedback->Start(NewPoint(5, 9).get()), S_OK);
  feedback->MoveTo(NewPoint(7, 3).get());
  feedback->MoveTo(NewPoint(2, 4).get());
  ASSERT_EQ(feedback->Stop(shape.put()), S_OK);
  double x0, y0, x1, y1;
  shape.Query<IEnvelope>()->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(2.0, 4.0, 5.0, 9.0));
}
