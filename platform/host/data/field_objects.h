// The host's field, field collection and geometry definition classes.
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/data/field.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::host {

class GeometryDef : public ComObjectRoot<GeometryDef, IGeometryDefEdit> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv);
  HRESULT get_GeometryType(LONG* type) override;
  HRESULT get_HasZ(VARIANT_BOOL* hasZ) override;
  HRESULT get_HasM(VARIANT_BOOL* hasM) override;
  HRESULT get_SpatialReference(ISpatialReference** sr) override;
  HRESULT get_AvgNumPoints(LONG* count) override;
  HRESULT get_GridCount(LONG* count) override;
  HRESULT get_GridSize(LONG index, double* size) override;
  HRESULT put_GeometryType(LONG type) override;
  HRESULT put_HasZ(VARIANT_BOOL hasZ) override;
  HRESULT put_HasM(VARIANT_BOOL hasM) override;
  HRESULT putref_SpatialReference(ISpatialReference* sr) override;
  HRESULT put_AvgNumPoints(LONG count) override;
  HRESULT put_GridCount(LONG count) override;
  HRESULT put_GridSize(LONG index, double size) override;

 private:
  LONG type_ = 0;
  bool hasZ_ = false;
  bool hasM_ = false;
  ComPtr<ISpatialReference> sr_;
  LONG avgPoints_ = 0;
  std::vector<double> grids_;
};

class Field : public ComObjectRoot<Field, IFieldEdit> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv);
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_AliasName(BSTR* name) override;
  HRESULT get_Type(LONG* type) override;
  HRESULT get_Length(LONG* length) override;
  HRESULT get_Precision(LONG* precision) override;
  HRESULT get_Scale(LONG* scale) override;
  HRESULT get_IsNullable(VARIANT_BOOL* nullable) override;
  HRESULT get_Editable(VARIANT_BOOL* editable) override;
  HRESULT get_GeometryDef(IGeometryDef** def) override;
  HRESULT put_Name(BSTR name) override;
  HRESULT put_AliasName(BSTR name) override;
  HRESULT put_Type(LONG type) override;
  HRESULT put_Length(LONG length) override;
  HRESULT put_Precision(LONG precision) override;
  HRESULT put_Scale(LONG scale) override;
  HRESULT put_IsNullable(VARIANT_BOOL nullable) override;
  HRESULT putref_GeometryDef(IGeometryDef* def) override;

  // Set by the tables for their own fields: the OID and geometry fields cannot be edited.
  void SetEditable(bool editable) { editable_ = editable; }

 private:
  std::wstring name_;
  std::wstring alias_;
  bool hasAlias_ = false;
  LONG type_ = kFieldSmallInteger;
  LONG length_ = 0;
  LONG precision_ = 0;
  LONG scale_ = 0;
  bool nullable_ = true;
  bool editable_ = true;
  ComPtr<IGeometryDef> def_;
};

class Fields : public ComObjectRoot<Fields, IFieldsEdit> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv);
  HRESULT get_FieldCount(LONG* count) override;
  HRESULT get_Field(LONG index, IField** field) override;
  HRESULT FindField(BSTR name, LONG* index) override;
  HRESULT AddField(IField* field) override;
  HRESULT DeleteField(IField* field) override;
  HRESULT DeleteAllFields() override;

 private:
  std::vector<ComPtr<IField>> fields_;
};

// Plain description of a field, as the tables keep it.
struct FieldSpec {
  std::wstring name;
  LONG type = kFieldString;
  LONG length = 0;
  LONG precision = 0;
  LONG scale = 0;
  bool nullable = true;
  // geometry fields
  LONG geometryType = 0;
  bool hasZ = false;
  bool hasM = false;
  ComPtr<ISpatialReference> sr;
};

FieldSpec ReadFieldSpec(IField* field);
ComPtr<IField> MakeField(const FieldSpec& spec, bool editable = true);
ComPtr<IFields> MakeFields(const std::vector<FieldSpec>& specs);
// Names compare without letter case.
bool SameFieldName(std::wstring_view a, std::wstring_view b);

HRESULT CreateFieldObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateFieldsObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateGeometryDefObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
