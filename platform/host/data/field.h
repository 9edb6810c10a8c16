// Fields of tables and feature classes: the field, its geometry definition, the field
// collection, and the checker that fixes field names for a target workspace.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct ISpatialReference;
struct IWorkspace;

// Field types.
constexpr LONG kFieldSmallInteger = 0;
constexpr LONG kFieldInteger = 1;
constexpr LONG kFieldSingle = 2;
constexpr LONG kFieldDouble = 3;
constexpr LONG kFieldString = 4;
constexpr LONG kFieldDate = 5;
constexpr LONG kFieldOID = 6;
constexpr LONG kFieldGeometry = 7;
constexpr LONG kFieldBlob = 8;

// What a geometry field holds.
struct IGeometryDef : IUnknown {
  VELK_INTERFACE_ID("{D95FA936-5B95-460D-8B19-15FA6E2390CE}")
  virtual HRESULT get_GeometryType(LONG* type) = 0;
  virtual HRESULT get_HasZ(VARIANT_BOOL* hasZ) = 0;
  virtual HRESULT get_HasM(VARIANT_BOOL* hasM) = 0;
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT get_AvgNumPoints(LONG* count) = 0;
  virtual HRESULT get_GridCount(LONG* count) = 0;
  virtual HRESULT get_GridSize(LONG index, double* size) = 0;
};

struct IGeometryDefEdit : IGeometryDef {
  VELK_INTERFACE_ID("{3682AA61-2C39-46A7-8AE3-A18EBA98CEB8}")
  virtual HRESULT put_GeometryType(LONG type) = 0;
  virtual HRESULT put_HasZ(VARIANT_BOOL hasZ) = 0;
  virtual HRESULT put_HasM(VARIANT_BOOL hasM) = 0;
  virtual HRESULT putref_SpatialReference(ISpatialReference* sr) = 0;
  virtual HRESULT put_AvgNumPoints(LONG count) = 0;
  virtual HRESULT put_GridCount(LONG count) = 0;
  virtual HRESULT put_GridSize(LONG index, double size) = 0;
};

// One field. Length is the width of a text field (bytes of a number field); precision and
// scale are the total and the decimal digits of a number field.
struct IField : IUnknown {
  VELK_INTERFACE_ID("{A05A3D17-5343-4A94-AA54-2087EE92B1EE}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_AliasName(BSTR* name) = 0;
  virtual HRESULT get_Type(LONG* type) = 0;
  virtual HRESULT get_Length(LONG* length) = 0;
  virtual HRESULT get_Precision(LONG* precision) = 0;
  virtual HRESULT get_Scale(LONG* scale) = 0;
  virtual HRESULT get_IsNullable(VARIANT_BOOL* nullable) = 0;
  virtual HRESULT get_Editable(VARIANT_BOOL* editable) = 0;
  // Null unless the field is a geometry field.
  virtual HRESULT get_GeometryDef(IGeometryDef** def) = 0;
};

struct IFieldEdit : IField {
  VELK_INTERFACE_ID("{2ED9A7EC-0520-49A8-B1E2-6614FBD1BED0}")
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT put_AliasName(BSTR name) = 0;
  virtual HRESULT put_Type(LONG type) = 0;
  virtual HRESULT put_Length(LONG length) = 0;
  virtual HRESULT put_Precision(LONG precision) = 0;
  virtual HRESULT put_Scale(LONG scale) = 0;
  virtual HRESULT put_IsNullable(VARIANT_BOOL nullable) = 0;
  virtual HRESULT putref_GeometryDef(IGeometryDef* def) = 0;
};

// Fields in order. FindField compares names without letter case and gives -1 when none fits.
struct IFields : IUnknown {
  VELK_INTERFACE_ID("{8929A619-93DB-4486-9CDB-22AF5D4F6D1A}")
  virtual HRESULT get_FieldCount(LONG* count) = 0;
  virtual HRESULT get_Field(LONG index, IField** field) = 0;
  virtual HRESULT FindField(BSTR name, LONG* index) = 0;
};

struct IFieldsEdit : IFields {
  VELK_INTERFACE_ID("{DF52D202-95BE-4503-A7A4-0C92DCD9983D}")
  virtual HRESULT AddField(IField* field) = 0;
  virtual HRESULT DeleteField(IField* field) = 0;
  virtual HRESULT DeleteAllFields() = 0;
};

// Kinds of field-name problems the checker reports.
constexpr LONG kFieldErrorSQLReservedWord = 1;
constexpr LONG kFieldErrorDuplicated = 2;
constexpr LONG kFieldErrorInvalidCharacter = 3;
constexpr LONG kFieldErrorInvalidFieldNameLength = 4;
constexpr LONG kFieldErrorEmpty = 5;

struct IFieldError : IUnknown {
  VELK_INTERFACE_ID("{C30C6468-640E-433F-ADCD-1E7F4E68149A}")
  virtual HRESULT get_FieldIndex(LONG* index) = 0;
  virtual HRESULT get_FieldError(LONG* kind) = 0;
};

// Next gives S_OK with an item, or S_FALSE and null at the end.
struct IEnumFieldError : IUnknown {
  VELK_INTERFACE_ID("{C41FEE1D-0DEA-40D6-B6C4-00E404063FB8}")
  virtual HRESULT Next(IFieldError** error) = 0;
  virtual HRESULT Reset() = 0;
};

// Fixes field names for the workspace data will be written to (the validate workspace): a
// shapefile folder allows names of up to 10 letters, digits and underscores that begin with a
// letter; a database allows up to 64 and no reserved words. Duplicates (without letter case)
// get a number.
struct IFieldChecker : IUnknown {
  VELK_INTERFACE_ID("{06AAC720-CC27-4046-9480-02482DFC3C53}")
  virtual HRESULT putref_InputWorkspace(IWorkspace* workspace) = 0;
  virtual HRESULT putref_ValidateWorkspace(IWorkspace* workspace) = 0;
  // fixed: a new collection, the fields copied with valid names; errors: one per changed field
  // (null when there is none).
  virtual HRESULT Validate(IFields* fields, IEnumFieldError** errors, IFields** fixed) = 0;
};
