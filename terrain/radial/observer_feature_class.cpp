#include "terrain/radial/observer_feature_class.h"

#include <algorithm>

#include "framework/host_object_creation.h"
#include "platform/com/out_param.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/property_set.h"
#include "platform/host/data/workspace.h"

namespace velk::corvane {

namespace {

ComPtr<IFeatureWorkspace> OpenShapefileFolder(const std::wstring& folder) {
  auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
  props->SetProperty(Bstr(L"DATABASE"), Variant(Bstr(folder)));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  Check(factory->Open(props.get(), nullptr, ws.put()));
  return RequireInterface<IFeatureWorkspace>(ws.get());
}

void WriteIfPresent(IFeature* feature, IFeatureClass* fc, ObserverField field, double value) {
  LONG index = -1;
  fc->FindField(Bstr(ObserverFieldNames[field]), &index);
  if (index >= 0) Check(feature->put_Value(index, Variant(value)));
}

}  // namespace

void PutFieldDefinition(IFieldsEdit* fields, const wchar_t* name, LONG type, LONG length,
                        LONG precision, LONG scale, bool nullable, bool required) {
  if (!fields) ThrowComError(E_POINTER);
  auto field = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  field->put_Name(Bstr(name));
  field->put_Type(type);
  field->put_Length(length);
  field->put_Precision(precision);
  field->put_Scale(scale);
  field->put_IsNullable(ToVariantBool(nullable));
  (void)required;  // the host keeps no required mark on shapefile fields
  Check(fields->AddField(RequireInterface<IField>(field.get()).get()));
}

ComPtr<IFeatureClass> CreateObserverFeatureClass(const std::wstring& folder,
                                                 const std::wstring& fileName,
                                                 ISpatialReference* sr, bool withSpot) {
  if (fileName.empty()) return nullptr;
  auto workspace = OpenShapefileFolder(folder);
  auto fields = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
  auto def = CreateHostObject<IGeometryDefEdit>(host::CLSID_GeometryDef);
  def->put_GeometryType(kGeometryPoint);
  def->put_HasZ(VARIANT_FALSE);
  def->put_HasM(VARIANT_FALSE);
  def->putref_SpatialReference(sr);
  auto shape = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  shape->put_Name(Bstr(L"shape"));
  shape->put_AliasName(Bstr(L"shape"));
  shape->put_Type(7);
  shape->putref_GeometryDef(RequireInterface<IGeometryDef>(def.get()).get());
  Check(fields->AddField(RequireInterface<IField>(shape.get()).get()));
  for (const auto& f : ObserverFieldLayouts()) {
    if (f.field == kFieldSpot && !withSpot) continue;
    PutFieldDefinition(fields.get(), ObserverFieldNames[f.field], f.type, f.length, f.precision,
                       f.scale, true, false);
  }
  std::wstring name = fileName;
  if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos) name.erase(dot);
  ComPtr<IFeatureClass> fc;
  Check(workspace->CreateFeatureClass(Bstr(name),
                                      RequireInterface<IFields>(fields.get()).get(), nullptr,
                                      nullptr, kFeatureTypeSimple, Bstr(L"shape"), Bstr(L""),
                                      fc.put()));
  return fc;
}

HRESULT WriteObserverFields(IFeatureClass* fc, IPoint* point, const RadialLosObserver& o,
                            bool withSpot) {
  if (!fc) return E_FAIL;
  try {
    ComPtr<IFeature> feature;
    Check(fc->CreateFeature(feature.put()));
    if (!feature) return E_FAIL;
    if (auto g = QueryAs<IGeometry>(point)) {
      g->put_ZAware(VARIANT_FALSE);
      g->put_MAware(VARIANT_FALSE);
      Check(feature->putref_Shape(g.get()));
    }
    WriteIfPresent(feature.get(), fc, kFieldOffsetA, o.centreOffset);
    WriteIfPresent(feature.get(), fc, kFieldOffsetB, o.terrainOffset);
    WriteIfPresent(feature.get(), fc, kFieldAzimuth1, o.azimuthFrom);
    WriteIfPresent(feature.get(), fc, kFieldAzimuth2, o.azimuthTo);
    if (withSpot) WriteIfPresent(feature.get(), fc, kFieldSpot, o.observerElevation);
    LONG v1 = -1, v2 = -1;
    fc->FindField(Bstr(ObserverFieldNames[kFieldVert1]), &v1);
    fc->FindField(Bstr(ObserverFieldNames[kFieldVert2]), &v2);
    if (v1 >= 0 && v2 >= 0) {
      const bool swap = o.elevationTo > o.elevationFrom;
      Check(feature->put_Value(v1, Variant(swap ? o.elevationTo : o.elevationFrom)));
      Check(feature->put_Value(v2, Variant(swap ? o.elevationFrom : o.elevationTo)));
    }
    // A negative near distance counts as 0, as in the preview: negated it would be a near
    // radius of its own size.
    WriteIfPresent(feature.get(), fc, kFieldRadius1, std::max(o.distanceNear, 0.0) * -1.0 * 1000.0);
    WriteIfPresent(feature.get(), fc, kFieldRadius2, o.distanceFar * -1.0 * 1000.0);
    WriteIfPresent(feature.get(), fc, kFieldRefConst, 1.0);
    return feature->Store();
  } catch (const ComError& e) {
    return e.Error();
  }
}

}  // namespace velk::corvane
