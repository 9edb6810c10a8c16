#include "framework/layer_queries.h"

#include "interfaces/zel_selected_layer.h"

#include "framework/map_lookups.h"

#include "framework/host_object_creation.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/uid.h"

namespace velk::corvane {

namespace {

constexpr const wchar_t* kSelectedLayerProgId = L"velkTarvosUI.SelectedLayer";

// The layer's feature class when it is a valid feature layer whose shapes are of an accepted
// type; null otherwise.
ComPtr<IFeatureClass> AcceptedClass(ILayer* layer, std::initializer_list<LONG> shapeTypes) {
  if (!layer) return nullptr;
  auto featureLayer = QueryAs<IFeatureLayer>(layer);
  if (!featureLayer) return nullptr;
  VARIANT_BOOL valid = VARIANT_FALSE;
  if (FAILED(layer->get_Valid(&valid)) || !valid) return nullptr;
  ComPtr<IFeatureClass> fc;
  if (FAILED(featureLayer->get_FeatureClass(fc.put())) || !fc) return nullptr;
  LONG type = -1;
  if (FAILED(fc->get_ShapeType(&type))) return nullptr;
  for (LONG t : shapeTypes)
    if (t == type) return fc;
  return nullptr;
}

bool HasField(IFeatureClass* fc, const wchar_t* name) {
  LONG index = -1;
  return SUCCEEDED(fc->FindField(Bstr(name), &index)) && index != -1;
}

}  // namespace

bool IsObserverPointLayer(ILayer* layer) {
  auto fc = AcceptedClass(layer, {kGeometryPoint, kGeometryMultipoint});
  return fc && HasField(fc.get(), L"Radius2");
}

bool IsVisibilityLayer(ILayer* layer) {
  auto fc =
      AcceptedClass(layer, {kGeometryPoint, kGeometryMultipoint, kGeometryPolyline, kGeometryLine});
  return fc && (HasField(fc.get(), L"Radius2") || HasField(fc.get(), L"Visible"));
}

void FindSelectedLayerCommand(IToolControl** control, HookStruct* hook) {
  if (!control) return;
  *control = nullptr;
  if (!hook) return;
  ComPtr<IApplication> app;
  ComPtr<ICommandItem> item = FindCommandItem(*hook, kSelectedLayerProgId, app);
  if (!item) return;
  ComPtr<IUnknown> command;
  item->get_Command(command.put());
  if (auto tc = QueryAs<IToolControl>(command.get())) *control = tc.Detach();
}

void MakeAzimuthalEquidistantProjection(ISpatialReference** sr, IPoint* centre) {
  if (!sr) return;
  *sr = nullptr;
  if (!centre) ThrowComError(E_POINTER);
  auto factory = CreateHostObject<ISpatialReferenceFactory>(host::CLSID_SpatialReferenceFactory);
  ComPtr<IProjectedCoordinateSystem> pcs;
  Check(factory->CreateProjectedCoordinateSystem(kFactoryCodeWorldAzimuthalEquidistant, pcs.put()));
  double x = 0, y = 0;
  centre->get_X(&x);
  centre->get_Y(&y);
  Check(pcs->put_CentralMeridian(VARIANT_TRUE, x));
  Check(pcs->put_LatitudeOfOrigin(y));
  *sr = pcs.As<ISpatialReference>().Detach();
}

ComPtr<ILayer> CurrentSelectedLayer(HookStruct& hook, ComPtr<IUnknown>& control) {
  if (!control) {
    ComPtr<IToolControl> found;
    FindSelectedLayerCommand(found.put(), &hook);
    control = found.As<IUnknown>();
  }
  auto selected = QueryAs<IZelSelectedLayer>(control.get());
  ComPtr<ILayer> layer;
  if (selected) selected->get_CurrentSelectedLayer(layer.put());
  return layer;
}

VARIANT_BOOL TestGeometryRelation(IGeometry* a, IGeometry* b) {
  auto relation = RequireInterface<IRelationalOperator>(a);
  VARIANT_BOOL disjoint = VARIANT_FALSE;
  Check(relation->Disjoint(b, &disjoint));
  return disjoint;
}

}  // namespace velk::corvane
