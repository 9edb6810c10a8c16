#include "framework/map_graphics.h"

#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/display/symbol.h"

namespace velk::corvane {

namespace {

constexpr double kBoundsGrowth = 1.1;
constexpr double kOutlineWidth = 1.5;
constexpr LONG kOutlineColor = 0xFF0000;  // blue
constexpr double kMarkerSize = 6.0;
constexpr LONG kHighlightColor = 255;  // red

ComPtr<IActiveView> ActiveView(HookStruct& hook) {
  ComPtr<IActiveView> view;
  hook.GetActiveView(view.put());
  return view;
}

ComPtr<IScreenDisplay> ScreenDisplayOf(IActiveView* view) {
  ComPtr<IScreenDisplay> display;
  view->get_ScreenDisplay(display.put());
  if (!display) ThrowComError(E_POINTER);
  return display;
}

// The element's bounds on the display, as a new envelope (empty when it has none).
ComPtr<IEnvelope> BoundsOf(IElement* element, IScreenDisplay* display) {
  auto bounds = CreateHostObject<IPolygon>(host::CLSID_Polygon);
  element->QueryBounds(QueryAs<IDisplay>(display).get(), bounds.get());
  auto envelope = CreateHostObject<IEnvelope>(host::CLSID_Envelope);
  bounds->QueryEnvelope(envelope.get());
  return envelope;
}

ComPtr<IColor> Color(LONG rgb) {
  auto c = CreateHostObject<IColor>(host::CLSID_RgbColor);
  c->put_RGB(rgb);
  return c;
}

}  // namespace

ComPtr<IActiveView> GetDrawingView(HookStruct& hook) {
  ComPtr<IActiveView> view = ActiveView(hook);
  if (!view) return nullptr;
  if (!QueryAs<IPageLayout>(view.get())) return view;
  ComPtr<IMap> map;
  view->get_FocusMap(map.put());
  return RequireInterface<IActiveView>(map.get());
}

void ReplaceMapGraphic(HookStruct& hook, IElement* newElement, IElement* oldElement) {
  ComPtr<IActiveView> view = ActiveView(hook);
  if (!view) return;
  ComPtr<IActiveView> drawing = GetDrawingView(hook);
  auto container = RequireInterface<IGraphicsContainer>(drawing.get());
  ComPtr<IScreenDisplay> display = ScreenDisplayOf(view.get());
  auto e1 = CreateHostObject<IEnvelope>(host::CLSID_Envelope);
  if (oldElement) {
    e1 = BoundsOf(oldElement, display.get());
    container->DeleteElement(oldElement);
  }
  auto e2 = CreateHostObject<IEnvelope>(host::CLSID_Envelope);
  if (newElement) {
    e2 = BoundsOf(newElement, display.get());
    container->AddElement(newElement, 0);
  }
  e2->Union(e1.get());
  e2->Expand(kBoundsGrowth, kBoundsGrowth, VARIANT_TRUE);
  drawing->PartialRefresh(kViewGraphics, newElement, e2.get());
}

void DeleteMapGraphic(HookStruct& hook, IElement* element, LONG refresh) {
  ComPtr<IActiveView> drawing = GetDrawingView(hook);
  if (!drawing) ThrowComError(E_POINTER);
  auto container = RequireInterface<IGraphicsContainer>(drawing.get());
  container->DeleteElement(element);
  if (!refresh || !element) return;
  ComPtr<IActiveView> view = ActiveView(hook);
  ComPtr<IScreenDisplay> display = ScreenDisplayOf(view.get());
  ComPtr<IEnvelope> area = BoundsOf(element, display.get());
  area->Expand(kBoundsGrowth, kBoundsGrowth, VARIANT_TRUE);
  SHORT cache = 0;
  view->get_ScreenCacheID(kViewGraphics, &cache);
  display->Invalidate(area.get(), VARIANT_TRUE, cache);
}

void RemoveNamedGraphics(HookStruct& hook, const Bstr& name) {
  ComPtr<IActiveView> drawing = GetDrawingView(hook);
  if (!drawing) ThrowComError(E_POINTER);
  auto container = RequireInterface<IGraphicsContainer>(drawing.get());
  const std::wstring wanted = name.str();
  container->Reset();
  ComPtr<IElement> element;
  while (container->Next(element.put()) == S_OK && element) {
    auto props = RequireInterface<IElementProperties>(element.get());
    Bstr elementName;
    props->get_Name(&elementName);
    if (elementName.str() != wanted) continue;
    LONG before = 0, after = 0;
    container->get_ElementCount(&before);
    DeleteMapGraphic(hook, element.get(), 1);
    container->get_ElementCount(&after);
    // Start again from the top, unless the container kept the element (it would be found again
    // and again).
    if (after < before) container->Reset();
  }
}

bool DrawExtentOutline(HookStruct& hook, BSTR name, IEnvelope* envelope) {
  RemoveNamedGraphics(hook, Bstr(BstrToWstring(name)));
  if (!envelope) ThrowComError(E_POINTER);
  auto line = CreateHostObject<IPolyline>(host::CLSID_Polyline);
  auto points = RequireInterface<IPointCollection>(line.get());
  ComPtr<IPoint> ll, ul, ur, lr;
  envelope->get_LowerLeft(ll.put());
  envelope->get_UpperLeft(ul.put());
  envelope->get_UpperRight(ur.put());
  envelope->get_LowerRight(lr.put());
  for (IPoint* p : {ll.get(), ul.get(), ur.get(), lr.get(), ll.get()}) points->AddPoint(p);
  ComPtr<ISpatialReference> sr;
  envelope->get_SpatialReference(sr.put());
  line->put_SpatialReference(sr.get());

  auto element = CreateHostObject<IElement>(host::CLSID_LineElement);
  element->put_Geometry(RequireInterface<IGeometry>(line.get()).get());
  auto symbol = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
  symbol->put_Width(kOutlineWidth);
  symbol->put_Style(kLineSolid);
  symbol->put_Color(Color(kOutlineColor).get());
  RequireInterface<ILineElement>(element.get())->put_Symbol(symbol.get());
  RequireInterface<IElementProperties>(element.get())->put_Name(name);

  ComPtr<IActiveView> drawing = GetDrawingView(hook);
  if (!drawing) ThrowComError(E_POINTER);
  RequireInterface<IGraphicsContainer>(drawing.get())->AddElement(element.get(), 0);
  drawing->PartialRefresh(kViewGraphics, element.get(), nullptr);
  return true;
}

ComPtr<IElement> CreateCoordToolMarkerElement(IPoint* point) {
  auto element = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  element->put_Geometry(point);
  ComPtr<IUnknown> symbol;
  RequireZelSettings<ICoordToolSettings>()->get_CoordToolSymbol(symbol.put());
  RequireInterface<IMarkerElement>(element.get())
      ->put_Symbol(RequireInterface<IMarkerSymbol>(symbol.get()).get());
  return element;
}

ComPtr<ILayer> CreateMarkerFeatureLayer(IFeatureClass* featureClass, const Bstr& name,
                                        const Bstr& label, LONG highlight) {
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  layer->putref_FeatureClass(featureClass);
  auto general = RequireInterface<ILayer>(layer.get());
  general->put_Name(name);
  auto symbol = CreateHostObject<IMarkerSymbol>(host::CLSID_SimpleMarkerSymbol);
  symbol->put_Style(kMarkerCircle);
  symbol->put_Size(kMarkerSize);
  symbol->put_Color(Color(highlight == 1 ? kHighlightColor : 0).get());
  ComPtr<IFeatureRenderer> renderer;
  RequireInterface<IGeoFeatureLayer>(layer.get())->get_Renderer(renderer.put());
  auto simple = RequireInterface<ISimpleRenderer>(renderer.get());
  simple->putref_Symbol(symbol.get());
  simple->put_Label(label);
  return general;
}

}  // namespace velk::corvane
