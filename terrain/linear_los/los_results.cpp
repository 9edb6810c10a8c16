#include "terrain/linear_los/los_results.h"

#include <filesystem>

#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "platform/com/out_param.h"
#include "platform/host/display/active_view.h"
#include "platform/host/shell/application.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/documents/document.h"
#include "platform/host/data/field.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/property_set.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/workspace.h"

namespace velk::corvane {

namespace {

constexpr LONG kFieldShort = 0;
constexpr LONG kFieldDouble = 3;
constexpr LONG kFieldText = 4;
constexpr LONG kFeatureTypeSimple = 1;

LONG FieldIndex(IFeatureClass* fc, const wchar_t* name) {
  LONG index = -1;
  fc->FindField(Bstr(name), &index);
  return index;
}

void StoreFeature(IFeatureClass* fc, IGeometry* shape,
                  const std::vector<std::pair<LONG, Variant>>& values) {
  ComPtr<IFeature> feature;
  Check(fc->CreateFeature(feature.put()));
  Check(feature->putref_Shape(shape));
  for (const auto& [index, value] : values)
    if (index >= 0) Check(feature->put_Value(index, value));
  Check(feature->Store());
}

ComPtr<IUnknown> TerrainSymbol(ITerrainSettings* settings, LONG kind) {
  ComPtr<IUnknown> symbol;
  if (settings) Check(settings->GetSymbol(kind, symbol.put()));
  return symbol;
}

ComPtr<ILayer> FeatureLayerOn(IFeatureClass* fc, const std::wstring& name) {
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  Check(layer->putref_FeatureClass(fc));
  auto asLayer = RequireInterface<ILayer>(layer.get());
  Check(asLayer->put_Name(Bstr(name)));
  return asLayer;
}

// A point layer drawn by its own single symbol, the symbol replaced.
ComPtr<ILayer> PointLayer(IFeatureClass* fc, const std::wstring& name, IUnknown* symbol) {
  ComPtr<ILayer> layer = FeatureLayerOn(fc, name);
  ComPtr<IFeatureRenderer> renderer;
  Check(RequireInterface<IGeoFeatureLayer>(layer.get())->get_Renderer(renderer.put()));
  if (auto simple = QueryAs<ISimpleRenderer>(renderer.get())) Check(simple->putref_Symbol(symbol));
  return layer;
}

}  // namespace

ComPtr<IFeatureClass> CreateShapefileClass(const std::wstring& folder,
                                           const std::wstring& fileName, LONG geometryType,
                                           ISpatialReference* sr, bool z, bool m,
                                           const std::vector<ShapefileField>& attributes) {
  auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
  Check(props->SetProperty(Bstr(L"DATABASE"), Variant(Bstr(folder))));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  Check(factory->Open(props.get(), nullptr, ws.put()));
  auto workspace = RequireInterface<IFeatureWorkspace>(ws.get());

  auto fields = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
  auto def = CreateHostObject<IGeometryDefEdit>(host::CLSID_GeometryDef);
  Check(def->put_GeometryType(geometryType));
  Check(def->putref_SpatialReference(sr));
  Check(def->put_HasZ(ToVariantBool(z)));
  Check(def->put_HasM(ToVariantBool(m)));
  auto shape = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  Check(shape->put_Name(Bstr(L"shape")));
  Check(shape->put_AliasName(Bstr(L"shape")));
  Check(shape->put_Type(kHostFieldGeometry));
  Check(shape->putref_GeometryDef(def.As<IGeometryDef>().get()));
  Check(fields->AddField(shape.As<IField>().get()));
  for (const ShapefileField& a : attributes) {
    auto field = CreateHostObject<IFieldEdit>(host::CLSID_Field);
    Check(field->put_Name(Bstr(a.name)));
    Check(field->put_IsNullable(VARIANT_TRUE));
    Check(field->put_Type(a.type));
    Check(field->put_Length(a.length));
    if (a.precision > 0) Check(field->put_Precision(a.precision));
    if (a.scale > 0) Check(field->put_Scale(a.scale));
    Check(fields->AddField(field.As<IField>().get()));
  }
  const std::wstring name = std::filesystem::path(fileName).stem().wstring();
  ComPtr<IFeatureClass> fc;
  workspace->CreateFeatureClass(Bstr(name), RequireInterface<IFields>(fields.get()).get(), nullptr,
                                nullptr, kFeatureTypeSimple, Bstr(L"shape"), Bstr(L""),
                                fc.put());
  return fc;
}

void MakePointAware(IPoint* point) {
  if (!point) ThrowComError(E_POINTER);
  Check(point->put_ZAware(VARIANT_TRUE));
  Check(point->put_MAware(VARIANT_TRUE));
}

ComPtr<IFeatureClass> CreateSightLineFeatureClass(const std::wstring& folder,
                                                  const std::wstring& fileName,
                                                  IPolyline* visible, IPolyline* invisible,
                                                  ISpatialReference* sr, bool zAware) {
  ComPtr<IFeatureClass> fc = CreateShapefileClass(folder, fileName, kGeometryPolyline, sr, zAware,
                                                  false, {{L"Visible", kFieldShort, 2}});
  if (!fc) return nullptr;
  const LONG index = FieldIndex(fc.get(), L"Visible");
  if (visible) StoreFeature(fc.get(), RequireInterface<IGeometry>(visible).get(), {{index, Variant(LONG{1})}});
  if (invisible)
    StoreFeature(fc.get(), RequireInterface<IGeometry>(invisible).get(), {{index, Variant(LONG{0})}});
  return fc;
}

ComPtr<IFeatureClass> CreateLocationFeatureClass(const std::wstring& folder,
                                                 const std::wstring& fileName, IPoint* point,
                                                 double offset, ISpatialReference* sr) {
  ComPtr<IFeatureClass> fc =
      CreateShapefileClass(folder, fileName, kGeometryPoint, sr, true, false,
                           {{L"ID", kFieldText, kLocationIdWidth}, {L"OFFSET", kFieldDouble, 16, 10, 4}});
  if (!fc) return nullptr;
  const LONG id = FieldIndex(fc.get(), L"ID"), off = FieldIndex(fc.get(), L"OFFSET");
  Check(point->put_ZAware(VARIANT_TRUE));
  StoreFeature(fc.get(), RequireInterface<IGeometry>(point).get(),
               {{id, Variant(Bstr(L"PointLocation"))}, {off, Variant(offset)}});
  return fc;
}

ComPtr<ILayer> AddLinearLosResultLayers(HookStruct& hook, ITerrainSettings* settings,
                                        IFeatureClass* startClass, IFeatureClass* endClass,
                                        IFeatureClass* linesClass,
                                        const LinearLosLayerTexts& texts) {
  if (!startClass || !endClass) return nullptr;
  auto group = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
  auto groupLayer = RequireInterface<ILayer>(group.get());
  Check(groupLayer->put_Name(Bstr(texts.group)));
  if (linesClass) {
    ComPtr<IUnknown> seen = TerrainSymbol(settings, velkZelTerrainLLOSVisibleSymbol);
    ComPtr<IUnknown> hidden = TerrainSymbol(settings, velkZelTerrainLLOSInVisibleSymbol);
    ComPtr<ILayer> lines = FeatureLayerOn(linesClass, texts.lines);
    auto renderer = CreateHostObject<IUniqueValueRenderer>(host::CLSID_UniqueValueRenderer);
    Check(renderer->put_FieldCount(1));
    Check(renderer->put_Field(0, Bstr(L"VISIBLE")));
    for (auto [value, label, symbol] : {std::tuple{L"0", L"F", hidden.get()},
                                        std::tuple{L"1", L"T", seen.get()}}) {
      Check(renderer->AddValue(Bstr(value), Bstr(L""), symbol));
      Check(renderer->put_Label(Bstr(value), Bstr(label)));
    }
    Check(renderer->put_LegendGroupHeading(Bstr(L"")));
    Check(RequireInterface<IGeoFeatureLayer>(lines.get())
              ->putref_Renderer(RequireInterface<IFeatureRenderer>(renderer.get()).get()));
    Check(group->Add(lines.get()));
  }
  Check(group->Add(PointLayer(startClass, texts.start,
                              TerrainSymbol(settings, velkZelTerrainLLOSStartPointSymbol).get())
                       .get()));
  // The settings' target symbol.
  Check(group->Add(
      PointLayer(endClass, texts.end, TerrainSymbol(settings, velkZelTerrainLLOSEndPointSymbol).get())
          .get()));

  ComPtr<IMap> map;
  Check(hook.GetFocusMap(map.put()));
  if (!map) ThrowComError(E_POINTER);
  Check(map->AddLayer(groupLayer.get()));
  ComPtr<IActiveView> view;
  hook.GetActiveView(view.put());
  if (view) view->Refresh();
  return groupLayer;
}

ComPtr<IGraphWindow> FindGraphWindow(HookStruct& hook, IDataGraph* graph) {
  ComPtr<IApplication> application;
  hook.GetApplication(application.put());
  auto windows = QueryAs<IGraphWindows>(application.get());
  if (!windows || !graph) return nullptr;
  LONG count = 0;
  windows->get_GraphWindowCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IGraphWindow> window;
    windows->get_GraphWindow(i, window.put());
    ComPtr<IDataGraph> shown;
    if (window) window->get_DataGraph(shown.put());
    if (shown && IsSameObject(shown.get(), graph)) return window;
  }
  return nullptr;
}

}  // namespace velk::corvane
