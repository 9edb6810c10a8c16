// Symbols for graphic elements by kind, and the container an element goes into.
#include "framework/graphics_helpers.h"

#include <gtest/gtest.h>

#include "framework/hook_struct.h"
#include "framework/host_object_creation.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/globe_view.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/display/symbol.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

TEST(GraphicsHelpers, SymbolsByKindAndTheContainerOfATarget) {
  test::HostSessionFixture host;
  auto marker = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  SetGraphicElementSymbol(kGraphicMarker, 255, 9, Bstr(L"observer"), marker.get());
  ComPtr<IMarkerSymbol> m;
  marker.Query<IMarkerElement>()->get_Symbol(m.put());
  ASSERT_TRUE(m);
  double size = 0;
  m->get_Size(&size);
  EXPECT_EQ(size, 9.0);
  Bstr name;
  marker.Query<IElementProperties>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"observer");

  auto polygon = CreateHostObject<IElement>(host::CLSID_PolygonElement);
  SetGraphicElementSymbol(kGraphicPolygon, 0xFF0000, 2, Bstr(L""), polygon.get());
  ComPtr<IFillSymbol> fill;
  polygon.Query<IFillShapeElement>()->get_Symbol(fill.put());
  ASSERT_TRUE(fill);
  ComPtr<ILineSymbol> outline;
  fill->get_Outline(outline.put());
  double width = 0;
  outline->get_Width(&width);
  EXPECT_EQ(width, 2.0);
  polygon.Query<IElementProperties>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"");  // an empty name is not set

  // kind 2: nothing changes, not even the name
  auto other = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  SetGraphicElementSymbol(2, 255, 5, Bstr(L"named"), other.get());
  ComPtr<IMarkerSymbol> none;
  other.Query<IMarkerElement>()->get_Symbol(none.put());
  EXPECT_FALSE(none);
  other.Query<IElementProperties>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"");
  SetGraphicElementSymbol(kGraphicMarker, 0, 1, Bstr(L"x"), nullptr);  // nothing at all

  // containers: the map document's active view through the application; a stranger: E_FAIL
  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  EXPECT_EQ(AddElementToContainer(app.get(), marker.get()), S_OK);
  ComPtr<IActiveView> view;
  hook.GetActiveView(view.put());
  LONG count = 0;
  view.Query<IGraphicsContainer>()->get_ElementCount(&count);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(AddElementToContainer(view.get(), polygon.get()), S_OK);
  view.Query<IGraphicsContainer>()->get_ElementCount(&count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(AddElementToContainer(marker.get(), polygon.get()), E_FAIL);
}

TEST(GraphicsHelpers, GlobeGraphicsThroughAGlobeViewOrTheGlobeHost) {
  test::HostSessionFixture host(host::HostKind::Globe);
  ComPtr<IGlobe> globe;
  host.Session().Document().Query<IGlobeDocument>()->get_Globe(globe.put());
  auto view = host::MakeGlobeView(globe.get());
  auto marker = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  EXPECT_EQ(AddElementToContainer(view.get(), marker.get()), S_OK);
  auto line = CreateHostObject<IElement>(host::CLSID_LineElement);
  EXPECT_EQ(AddElementToContainer(host.Session().Hook(), line.get()), S_OK);  // the application
  LONG count = 0;
  globe.Query<IGraphicsContainer>()->get_ElementCount(&count);
  EXPECT_EQ(count, 2);
}

TEST(GraphicsHelpers, AnApplicationWithoutAMapOrGlobeIsAPointerError) {
  test::HostSessionFixture host(host::HostKind::Catalog);
  auto marker = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  EXPECT_EQ(AddElementToContainer(host.Session().Hook(), marker.get()), E_POINTER);
}

LONG RgbOf(IUnknown* symbol) {
  ComPtr<IColor> c;
  if (auto line = QueryAs<ILineSymbol>(symbol)) line->get_Color(c.put());
  if (auto fill = QueryAs<IFillSymbol>(symbol)) fill->get_Color(c.put());
  LONG rgb = -1;
  if (c) c->get_RGB(&rgb);
  return rgb;
}

TEST(GraphicsHelpers, ThreeDKindsTakeTheSettingsSymbols) {
  test::HostSessionFixture host;
  ComPtr<IZelSettings> settings;
  ASSERT_EQ(host.Zel()->get_Settings(settings.put()), S_OK);
  auto ddd = settings.Query<IDDDSettings>();
  auto wire = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
  auto colour = CreateHostObject<IColor>(host::CLSID_RgbColor);
  colour->put_RGB(0x123456);
  wire->put_Color(colour.get());
  ASSERT_EQ(ddd->DDDPutSymbol(kGraphicPolyline, wire.Query<IUnknown>().get()), S_OK);

  // kind 3: the wireframe's line symbol, whatever colour and size are passed
  auto line = CreateHostObject<IElement>(host::CLSID_LineElement);
  SetGraphicElementSymbol(kGraphicPolyline, 255, 7, Bstr(L"dome.wireframe"), line.get());
  ComPtr<IUnknown> symbol;
  line.Query<IElementSymbol>()->get_Symbol(symbol.put());
  EXPECT_EQ(RgbOf(symbol.get()), 0x123456);
  Bstr name;
  line.Query<IElementProperties>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"dome.wireframe");

  // kind 9: the dome's fill symbol, as the settings hold it
  auto dome = CreateHostObject<IElement>(host::CLSID_PolygonElement);
  SetGraphicElementSymbol(kGraphicMultiPatch, 0x00FF00, 2, Bstr(L"dome"), dome.get());
  dome.Query<IElementSymbol>()->get_Symbol(symbol.put());
  ComPtr<IUnknown> stored;
  ddd->get_DDDThreatDomeSymbol(stored.put());
  ASSERT_TRUE(QueryAs<IFillSymbol>(symbol.get()));
  EXPECT_EQ(RgbOf(symbol.get()), RgbOf(stored.get()));
  EXPECT_FALSE(IsSameObject(symbol.get(), stored.get()));  // each element gets its own symbol
}

TEST(GraphicsHelpers, ThreeDKindsWithoutTheExtensionObjectArePointerErrors) {
  test::HostSessionFixture host(host::HostKind::Globe, false);
  auto line = CreateHostObject<IElement>(host::CLSID_LineElement);
  for (LONG kind : {kGraphicPolyline, kGraphicMultiPatch}) {
    try {
      SetGraphicElementSymbol(kind, 0, 1, Bstr(L"named"), line.get());
      ADD_FAILURE() << "no error for kind " << kind;
    } catch (const ComError& e) {
      EXPECT_EQ(e.Error(), E_POINTER);
    }
  }
  Bstr name;
  line.Query<IElementProperties>()->get_Name(&name);
  EXPECT_EQ(name.str(), L"");  // nothing was set on the way
  // A null element needs no settings: nothing happens, nothing is raised.
  EXPECT_NO_THROW(SetGraphicElementSymbol(kGraphicMultiPatch, 0, 1, Bstr(L"x"), nullptr));
}

}  // namespace
}  // namespace velk::corvane
