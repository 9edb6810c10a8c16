// Temporary graphics on the map and the map and command lookups, in a running 2-D host.
#include "framework/map_graphics.h"

#include <gtest/gtest.h>

#include "framework/host_object_creation.h"
#include "framework/map_lookups.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/display/symbol.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

struct Host {
  test::HostSessionFixture fixture;
  CHookImpl<Host> hook;
  Host() { hook.SetHook(fixture.Session().Hook()); }
  ComPtr<IMapDocument> Document() { return fixture.Session().Document().Query<IMapDocument>(); }
  ComPtr<IMap> FocusMap() {
    ComPtr<IMap> map;
    Document()->get_FocusMap(map.put());
    return map;
  }
  ComPtr<IGraphicsContainer> MapGraphics() { return FocusMap().Query<IGraphicsContainer>(); }
};

ComPtr<IElement> NamedMarker(const wchar_t* name, double x = 1, double y = 1) {
  auto e = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  auto p = CreateHostObject<IPoint>(host::CLSID_Point);
  p->PutCoords(x, y);
  e->put_Geometry(p.Query<IGeometry>().get());
  e.Query<IElementProperties>()->put_Name(Bstr(name));
  return e;
}

std::vector<std::wstring> Names(IGraphicsContainer* c) {
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

using Names_ = std::vector<std::wstring>;

TEST(MapGraphics, RemoveNamedGraphicsTakesEveryOneOfThatNameOnly) {
  Host host;
  auto graphics = host.MapGraphics();
  for (const wchar_t* n : {L"marker", L"keep", L"marker", L"Marker", L"marker", L"other"})
    graphics->AddElement(NamedMarker(n).get(), 0);
  RemoveNamedGraphics(host.hook, Bstr(L"marker"));
  EXPECT_EQ(Names(graphics.get()), (Names_{L"other", L"Marker", L"keep"}));
  // Each removal invalidated the graphics cache over the element's grown bounds.
  ComPtr<IScreenDisplay> display;
  host.FocusMap().Query<IActiveView>()->get_ScreenDisplay(display.put());
  LONG n = 0;
  display->get_InvalidationCount(&n);
  EXPECT_EQ(n, 3);
  VARIANT_BOOL erased = VARIANT_FALSE;
  SHORT cache = -1;
  display->GetInvalidation(0, nullptr, &erased, &cache);
  EXPECT_EQ(erased, VARIANT_TRUE);
  EXPECT_EQ(cache, 0);
  RemoveNamedGraphics(host.hook, Bstr(L"absent"));
  EXPECT_EQ(Names(graphics.get()).size(), 3u);
}

TEST(MapGraphics, PageLayoutDrawsIntoTheMapsGraphics) {
  Host host;
  ASSERT_EQ(host.Document()->put_ActiveViewKind(kLayoutView), S_OK);
  auto marker = NamedMarker(L"coord");
  ReplaceMapGraphic(host.hook, marker.get(), nullptr);
  EXPECT_EQ(Names(host.MapGraphics().get()), (Names_{L"coord"}));
  // the replacement takes the old marker's place
  auto next = NamedMarker(L"coord", 5, 5);
  ReplaceMapGraphic(host.hook, next.get(), marker.get());
  EXPECT_EQ(Names(host.MapGraphics().get()), (Names_{L"coord"}));
  host.MapGraphics()->Reset();
  ComPtr<IElement> held;
  host.MapGraphics()->Next(held.put());
  EXPECT_TRUE(IsSameObject(held.get(), next.get()));
  // the map view was refreshed for the graphics over both markers, grown by 10 %
  auto log = host.FocusMap().Query<IRefreshLog>();
  LONG count = 0;
  log->get_PartialRefreshCount(&count);
  ASSERT_EQ(count, 2);
  LONG phase = 0;
  ComPtr<IUnknown> data;
  ComPtr<IEnvelope> area;
  log->GetPartialRefresh(1, &phase, data.put(), area.put());
  EXPECT_EQ(phase, kViewGraphics);
  EXPECT_TRUE(IsSameObject(data.get(), next.get()));
  double x0, y0, x1, y1;
  area->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_NEAR(x0, 3 - 2.2, 1e-9);  // (1..5) grown by 10 % about its centre
  EXPECT_NEAR(x1, 3 + 2.2, 1e-9);
  RemoveNamedGraphics(host.hook, Bstr(L"coord"));
  EXPECT_TRUE(Names(host.MapGraphics().get()).empty());
}

TEST(MapGraphics, ExtentOutlineIsOneClosedBlueLine) {
  Host host;
  auto env = CreateHostObject<IEnvelope>(host::CLSID_Envelope);
  env->PutCoords(10, 20, 30, 40);
  EXPECT_TRUE(DrawExtentOutline(host.hook, Bstr(L"extent"), env.get()));
  env->PutCoords(0, 0, 5, 5);
  EXPECT_TRUE(DrawExtentOutline(host.hook, Bstr(L"extent"), env.get()));
  auto graphics = host.MapGraphics();
  ASSERT_EQ(Names(graphics.get()), (Names_{L"extent"}));
  graphics->Reset();
  ComPtr<IElement> e;
  graphics->Next(e.put());
  ComPtr<IGeometry> g;
  e->get_Geometry(g.put());
  auto points = g.Query<IPointCollection>();
  LONG n = 0;
  points->get_PointCount(&n);
  ASSERT_EQ(n, 5);
  ComPtr<IPoint> first, last;
  points->get_Point(0, first.put());
  points->get_Point(4, last.put());
  VARIANT_BOOL same = VARIANT_FALSE;
  first.Query<IClone>()->IsEqual(last.Query<IClone>().get(), &same);
  EXPECT_EQ(same, VARIANT_TRUE);
  ComPtr<ILineSymbol> symbol;
  e.Query<ILineElement>()->get_Symbol(symbol.put());
  double width = 0;
  symbol->get_Width(&width);
  EXPECT_EQ(width, 1.5);
  ComPtr<IColor> color;
  symbol->get_Color(color.put());
  LONG rgb = 0;
  color->get_RGB(&rgb);
  EXPECT_EQ(rgb, 0xFF0000);
}

TEST(MapGraphics, LayersByInterfaceMarkerLayersAndTheCoordinateTool) {
  Host host;
  test::ScratchDir dir;
  auto ws = test::OpenWorkspace(test::ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(test::CreateClass(ws.get(), L"peaks",
                              {test::OidField(), test::ShapeField(kGeometryPoint, 4326)}, fc.put()),
            S_OK);
  auto red = CreateMarkerFeatureLayer(fc.get(), Bstr(L"Highest"), Bstr(L"highest point"), 1);
  auto black = CreateMarkerFeatureLayer(fc.get(), Bstr(L"Lowest"), Bstr(L"lowest point"), 2);
  auto colorOf = [](ILayer* layer) {
    ComPtr<IFeatureRenderer> r;
    QueryAs<IGeoFeatureLayer>(layer)->get_Renderer(r.put());
    ComPtr<IUnknown> s;
    r.Query<ISimpleRenderer>()->get_Symbol(s.put());
    ComPtr<IColor> c;
    QueryAs<IMarkerSymbol>(s.get())->get_Color(c.put());
    LONG rgb = -1;
    c->get_RGB(&rgb);
    return rgb;
  };
  EXPECT_EQ(colorOf(red.get()), 255);
  EXPECT_EQ(colorOf(black.get()), 0);
  Bstr name;
  red->get_Name(&name);
  EXPECT_EQ(name.str(), L"Highest");

  auto group = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
  group->Add(black.get());
  host.FocusMap()->AddLayer(red.get());
  host.FocusMap()->AddLayer(group.Query<ILayer>().get());
  auto layers = GetMapLayersByInterface(host.hook, IidOf<IFeatureLayer>());
  ASSERT_TRUE(layers);
  std::vector<std::wstring> found;
  ComPtr<ILayer> l;
  while (layers->Next(l.put()) == S_OK) {
    Bstr n;
    l->get_Name(&n);
    found.push_back(n.str());
  }
  EXPECT_EQ(found, (Names_{L"Lowest", L"Highest"}));
  CHookImpl<Host> unhooked;
  EXPECT_FALSE(GetMapLayersByInterface(unhooked, IidOf<IFeatureLayer>()));

  // No coordinate tool among the command bars: nothing changes; no application: an error.
  FindCoordToolCommand(host.hook);
  ComPtr<IApplication> app;
  host.hook.GetApplication(app.put());
  ComPtr<ICommandItem> tool;
  app->get_CurrentTool(tool.put());
  EXPECT_FALSE(tool);
  EXPECT_THROW(FindCoordToolCommand(unhooked), ComError);
}

}  // namespace
}  // namespace velk::corvane

namespace velk::corvane {
namespace {

TEST(MapGraphics, CoordToolMarkerTakesTheSettingsSymbolAndGoesOnTheMap) {
  Host host;
  ComPtr<IZelSettings> settings;
  ASSERT_EQ(host.fixture.Zel()->get_Settings(settings.put()), S_OK);
  auto chosen = CreateHostObject<IMarkerSymbol>(host::CLSID_SimpleMarkerSymbol);
  chosen->put_Size(14.0);
  auto green = CreateHostObject<IColor>(host::CLSID_RgbColor);
  green->put_RGB(0x00FF00);
  chosen->put_Color(green.get());
  ASSERT_EQ(settings.Query<ICoordToolSettings>()->PutSymbol(chosen.Query<IUnknown>().get()), S_OK);

  auto point = CreateHostObject<IPoint>(host::CLSID_Point);
  point->PutCoords(12.5, 41.9);
  auto marker = CreateCoordToolMarkerElement(point.get());
  ComPtr<IGeometry> geometry;
  marker->get_Geometry(geometry.put());
  EXPECT_TRUE(IsSameObject(geometry.get(), point.get()));
  ComPtr<IMarkerSymbol> symbol;
  marker.Query<IMarkerElement>()->get_Symbol(symbol.put());
  ASSERT_TRUE(symbol);
  double size = 0;
  symbol->get_Size(&size);
  EXPECT_EQ(size, 14.0);
  ComPtr<IColor> color;
  symbol->get_Color(color.put());
  LONG rgb = 0;
  color->get_RGB(&rgb);
  EXPECT_EQ(rgb, 0x00FF00);
  ReplaceMapGraphic(host.hook, marker.get(), nullptr);
  LONG count = 0;
  host.MapGraphics()->get_ElementCount(&count);
  EXPECT_EQ(count, 1);
}

TEST(MapGraphics, CoordToolMarkerWithoutTheExtensionObjectIsAPointerError) {
  test::HostSessionFixture noZel(host::HostKind::Map, false);
  auto point = CreateHostObject<IPoint>(host::CLSID_Point);
  try {
    CreateCoordToolMarkerElement(point.get());
    ADD_FAILURE() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

}  // namespace
}  // namespace velk::corvane
