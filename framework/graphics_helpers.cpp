#include "framework/graphics_helpers.h"

#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "platform/host/display/active_view.h"
#include "platform/host/shell/application.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/documents/document.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/symbol.h"
#include "platform/host/display/view_hooks.h"

namespace velk::corvane {

namespace {

ComPtr<IColor> Color(LONG rgb) {
  auto c = CreateHostObject<IColor>(host::CLSID_RgbColor);
  c->put_RGB(rgb);
  return c;
}

}  // namespace

void SetGraphicElementSymbol(LONG kind, LONG color, LONG size, BSTR name, IElement* element) {
  if (!element) return;
  auto holder = QueryAs<IElementSymbol>(element);
  if (!holder) return;
  ComPtr<IUnknown> symbol;
  if (kind == kGraphicMarker) {
    auto marker = CreateHostObject<IMarkerSymbol>(host::CLSID_SimpleMarkerSymbol);
    marker->put_Color(Color(color).get());
    marker->put_Size(static_cast<double>(size));
    marker->put_Style(kMarkerCircle);
    symbol = marker.As<IUnknown>();
  } else if (kind == kGraphicPolygon) {
    auto outline = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
    outline->put_Color(Color(color).get());
    outline->put_Width(static_cast<double>(size));
    outline->put_Style(kLineSolid);
    auto fill = CreateHostObject<IFillSymbol>(host::CLSID_SimpleFillSymbol);
    fill->put_Outline(outline.get());
    fill->put_Color(Color(color).get());
    symbol = fill.As<IUnknown>();
  } else if (kind == kGraphicPolyline || kind == kGraphicMultiPatch) {
    Check(RequireZelSettings<IDDDSettings>()->DDDGetSymbol(kind, symbol.put()));
  } else {
    return;  // a kind without a symbol: the element stays as it is, name included
  }
  holder->put_Symbol(symbol.get());
  if (SysStringLen(name) > 0)
    if (auto props = QueryAs<IElementProperties>(element)) props->put_Name(name);
}

ComPtr<IElement> AddDddGraphicElement(const DddGraphicDescription& description) {
  if (!description.geometry || (description.kind != kDddWireframe && description.kind != kDddDome))
    ThrowComError(E_INVALIDARG);
  const bool wireframe = description.kind == kDddWireframe;
  auto element = CreateHostObject<IElement>(wireframe ? host::CLSID_LineElement
                                                      : host::CLSID_PolygonElement);
  Check(element->put_Geometry(description.geometry.get()));
  SetGraphicElementSymbol(wireframe ? kGraphicPolyline : kGraphicMultiPatch, description.colour, 1,
                          Bstr(description.name).get(), element.get());
  return element;
}

HRESULT AddElementToContainer(IUnknown* target, IElement* element) {
  if (!target) return E_FAIL;
  VELK_TRY
  if (auto container = QueryAs<IGraphicsContainer>(target))
    return container->AddElement(element, 0);
  if (auto globeHook = QueryAs<IGlobeViewHook>(target)) {
    ComPtr<IGlobe> globe;
    globeHook->get_Globe(globe.put());
    return RequireInterface<IGraphicsContainer>(globe.get())->AddElement(element, 0);
  }
  if (auto app = QueryAs<IApplication>(target)) {
    ComPtr<IDocument> document;
    app->get_Document(document.put());
    if (auto globeDocument = QueryAs<IGlobeDocument>(document.get())) {  // the globe host
      ComPtr<IGlobe> globe;
      globeDocument->get_Globe(globe.put());
      return RequireInterface<IGraphicsContainer>(globe.get())->AddElement(element, 0);
    }
    auto mapDocument = RequireInterface<IMapDocument>(document.get());
    ComPtr<IActiveView> view;
    mapDocument->get_ActiveView(view.put());
    return RequireInterface<IGraphicsContainer>(view.get())->AddElement(element, 0);
  }
  return E_FAIL;
  VELK_CATCH
}

}  // namespace velk::corvane
