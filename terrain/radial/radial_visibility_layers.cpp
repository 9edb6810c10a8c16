#include "terrain/radial/radial_visibility_layers.h"

#include <algorithm>
#include <set>

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "platform/com/variant.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/active_view.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/display/symbol.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "terrain/radial/observer_extent.h"
#include "terrain/radial/observer_feature_class.h"

namespace velk::corvane {

namespace {

constexpr UINT kIdsOnlyUnseenLabel = 3683;
constexpr LONG kOutlineGrey = 0x969696;
constexpr LONG kHollowFill = 1;
constexpr SHORT kCoverageTransparency = 50;

ComPtr<IUnknown> TerrainSymbol(ITerrainSettings* settings, LONG kind) {
  ComPtr<IUnknown> symbol;
  if (settings) settings->GetSymbol(kind, symbol.put());
  return symbol;
}

ComPtr<IColor> Colour(LONG rgb) {
  auto c = CreateHostObject<IColor>(host::CLSID_RgbColor);
  c->put_RGB(rgb);
  return c;
}

// A new fill symbol like the element's (colour, style, outline); the host's default without one.
ComPtr<IFillSymbol> CopyOfFill(IElement* element) {
  auto copy = CreateHostObject<IFillSymbol>(host::CLSID_SimpleFillSymbol);
  ComPtr<IFillSymbol> fill;
  if (auto shape = QueryAs<IFillShapeElement>(element)) shape->get_Symbol(fill.put());
  if (!fill) return copy;
  ComPtr<IColor> colour;
  LONG rgb = 0, style = 0;
  if (SUCCEEDED(fill->get_Color(colour.put())) && colour) colour->get_RGB(&rgb);
  copy->put_Color(Colour(rgb).get());
  fill->get_Style(&style);
  copy->put_Style(style);
  ComPtr<ILineSymbol> outline;
  fill->get_Outline(outline.put());
  if (outline) {
    auto line = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
    ComPtr<IColor> lc;
    LONG lrgb = 0, lstyle = 0;
    double width = 1.0;
    if (SUCCEEDED(outline->get_Color(lc.put())) && lc) lc->get_RGB(&lrgb);
    outline->get_Width(&width);
    outline->get_Style(&lstyle);
    line->put_Color(Colour(lrgb).get());
    line->put_Width(width);
    line->put_Style(lstyle);
    copy->put_Outline(line.get());
  }
  return copy;
}

// The distinct values of the class's integer field, ascending.
std::vector<LONG> DistinctValues(IFeatureClass* fc, const wchar_t* field) {
  std::set<LONG> values;
  LONG index = -1;
  fc->FindField(Bstr(field), &index);
  if (index < 0) return {};
  ComPtr<IFeatureCursor> cursor;
  Check(fc->Search(nullptr, VARIANT_FALSE, cursor.put()));
  ComPtr<IFeature> f;
  while (cursor && SUCCEEDED(cursor->NextFeature(f.put())) && f) {
    Variant v, n;
    if (SUCCEEDED(f->get_Value(index, &v)) && SUCCEEDED(VariantChangeType(&n, &v, 0, VT_I4)))
      values.insert(n.lVal);
    f.Reset();
  }
  return {values.begin(), values.end()};
}

}  // namespace

void SetElementFillStyle(IElement* element, LONG style) {
  auto shape = QueryAs<IFillShapeElement>(element);
  if (!shape) return;
  auto copy = CopyOfFill(element);
  copy->put_Style(style);
  shape->put_Symbol(copy.get());
}

void SetElementOutlineColour(IElement* element, LONG rgb) {
  auto shape = QueryAs<IFillShapeElement>(element);
  if (!shape) return;
  auto copy = CopyOfFill(element);
  ComPtr<ILineSymbol> outline;
  copy->get_Outline(outline.put());
  if (!outline) {
    outline = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
    outline->put_Width(1.0);
  }
  outline->put_Color(Colour(rgb).get());
  copy->put_Outline(outline.get());
  shape->put_Symbol(copy.get());
}

ComPtr<ILayer> MakeObserverPointsLayer(IFeatureClass* observers, const std::wstring& name,
                                       ITerrainSettings* settings) {
  if (!observers) return nullptr;
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  Check(layer->putref_FeatureClass(observers));
  auto asLayer = RequireInterface<ILayer>(layer.get());
  asLayer->put_Name(Bstr(name));
  ComPtr<IFeatureRenderer> renderer;
  RequireInterface<IGeoFeatureLayer>(layer.get())->get_Renderer(renderer.put());
  if (auto simple = QueryAs<ISimpleRenderer>(renderer.get())) {
    if (auto symbol = TerrainSymbol(settings, velkZelTerrainRLOSObserverSym))
      simple->putref_Symbol(symbol.get());
  }
  return asLayer;
}

ComPtr<ILayer> MakeCoverageLayer(IFeatureClass* coverage, const std::wstring& name,
                                 ITerrainSettings* settings) {
  if (!coverage) return nullptr;
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  Check(layer->putref_FeatureClass(coverage));
  auto asLayer = RequireInterface<ILayer>(layer.get());
  asLayer->put_Name(Bstr(name));

  std::vector<LONG> values = DistinctValues(coverage, ObserverFieldNames[kFieldGridCode]);
  const bool onlyUnseen = values.size() == 1 && values[0] == 0;
  if (!onlyUnseen) values.erase(std::remove(values.begin(), values.end(), 0), values.end());
  auto renderer = CreateHostObject<IUniqueValueRenderer>(host::CLSID_UniqueValueRenderer);
  Check(renderer->put_FieldCount(1));
  Check(renderer->put_Field(0, Bstr(ObserverFieldNames[kFieldGridCode])));
  Check(renderer->put_FieldType(0, VARIANT_FALSE));
  Check(renderer->put_ColorScheme(Bstr(L"Custom")));
  for (LONG v : values) {
    const Bstr text(std::to_wstring(v));
    Check(renderer->AddValue(text.get(), Bstr(L"").get(),
                             TerrainSymbol(settings, velkZelTerrainRLOSVisSym).get()));
    Check(renderer->put_Label(text.get(),
                              Bstr(onlyUnseen ? LoadResString(kIdsOnlyUnseenLabel) : text.str())));
  }
  Check(renderer->put_LegendGroupHeading(Bstr(L"")));
  Check(RequireInterface<IGeoFeatureLayer>(layer.get())
            ->putref_Renderer(RequireInterface<IFeatureRenderer>(renderer.get()).get()));
  Check(RequireInterface<ILayerEffects>(layer.get())->put_Transparency(kCoverageTransparency));
  return asLayer;
}

ComPtr<ILayer> AddRadialVisibilityLayers(HookStruct& hook, ILayer* previous,
                                         IFeatureClass* observers, IFeatureClass* coverage,
                                         const RadialVisibilityNames& names,
                                         const RadialLosObserver& observer,
                                         ITerrainSettings* settings) {
  if (!observers) return ComPtr<ILayer>(previous);
  ComPtr<ILayer> group(previous);
  if (!group) group = CreateHostObject<ILayer>(host::CLSID_GroupLayer);
  group->put_Name(Bstr(names.group));
  auto members = RequireInterface<IGroupLayer>(group.get());

  // The outline: a new polygon element like the observer's extent element, hollow and grey.
  auto outline = CreateHostObject<IElement>(host::CLSID_PolygonElement);
  if (auto shape = QueryAs<IFillShapeElement>(outline.get())) {
    shape->put_Symbol(CopyOfFill(observer.extentElement.get()).get());
  }
  ComPtr<IPolygon> extent = observer.extent;
  if (!extent)  // an observer never previewed: its range polygon now
    extent = BuildObserverExtent(observer.location.get(), observer.distanceNear,
                                 observer.distanceFar, observer.azimuthFrom, observer.azimuthTo);
  if (extent) outline->put_Geometry(QueryAs<IGeometry>(extent.get()).get());
  SetElementFillStyle(outline.get(), kHollowFill);
  SetElementOutlineColour(outline.get(), kOutlineGrey);

  ComPtr<ILayer> fieldOfView;
  if (!previous) {
    fieldOfView = CreateHostObject<ILayer>(host::CLSID_GraphicsLayer);
    fieldOfView->put_Name(Bstr(L"Field of View"));
    Check(members->Add(fieldOfView.get()));
  } else {
    Check(RequireInterface<ICompositeLayer>(group.get())->get_Layer(0, fieldOfView.put()));
  }
  if (extent) {
    Check(RequireInterface<IGraphicsContainer>(fieldOfView.get())->AddElement(outline.get(), 0));
  }

  if (!previous) {
    if (auto points = MakeObserverPointsLayer(observers, names.points, settings))
      Check(members->Add(points.get()));
    if (auto cover = MakeCoverageLayer(coverage, names.coverage, settings))
      Check(members->Add(cover.get()));
    ComPtr<IMap> map;
    hook.GetFocusMap(map.put());
    if (!map) ThrowComError(E_POINTER);
    Check(map->AddLayer(group.get()));
    ComPtr<IActiveView> view;
    hook.GetActiveView(view.put());
    if (view) view->Refresh();
  }
  return group;
}

}  // namespace velk::corvane
