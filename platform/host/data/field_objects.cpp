#include "platform/host/data/field_objects.h"

#include <cwctype>

#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"

namespace velk::host {

namespace {
template <class Base, class Self>
HRESULT AnswerBase(Self* self, REFIID riid, void** ppv) {
  if (riid == IidOf<Base>()) {
    *ppv = static_cast<Base*>(self);
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}
}  // namespace

bool SameFieldName(std::wstring_view a, std::wstring_view b) { return EqualsNoCase(a, b); }

// GeometryDef
HRESULT GeometryDef::QueryExtra(REFIID riid, void** ppv) {
  return AnswerBase<IGeometryDef>(this, riid, ppv);
}
HRESULT GeometryDef::get_GeometryType(LONG* type) { return Out(type, type_); }
HRESULT GeometryDef::get_HasZ(VARIANT_BOOL* v) { return Out(v, ToVariantBool(hasZ_)); }
HRESULT GeometryDef::get_HasM(VARIANT_BOOL* v) { return Out(v, ToVariantBool(hasM_)); }
HRESULT GeometryDef::get_SpatialReference(ISpatialReference** sr) { return sr_.CopyTo(sr); }
HRESULT GeometryDef::get_AvgNumPoints(LONG* count) { return Out(count, avgPoints_); }
HRESULT GeometryDef::get_GridCount(LONG* count) {
  return Out(count, static_cast<LONG>(grids_.size()));
}
HRESULT GeometryDef::get_GridSize(LONG index, double* size) {
  if (!size) return E_POINTER;
  if (index < 0 || static_cast<std::size_t>(index) >= grids_.size()) return E_INVALIDARG;
  *size = grids_[index];
  return S_OK;
}
HRESULT GeometryDef::put_GeometryType(LONG type) {
  type_ = type;
  return S_OK;
}
HRESULT GeometryDef::put_HasZ(VARIANT_BOOL v) {
  hasZ_ = v != 0;
  return S_OK;
}
HRESULT GeometryDef::put_HasM(VARIANT_BOOL v) {
  hasM_ = v != 0;
  return S_OK;
}
HRESULT GeometryDef::putref_SpatialReference(ISpatialReference* sr) {
  sr_ = sr;
  return S_OK;
}
HRESULT GeometryDef::put_AvgNumPoints(LONG count) {
  avgPoints_ = count;
  return S_OK;
}
HRESULT GeometryDef::put_GridCount(LONG count) {
  if (count < 0) return E_INVALIDARG;
  grids_.resize(count, 0.0);
  return S_OK;
}
HRESULT GeometryDef::put_GridSize(LONG index, double size) {
  if (index < 0 || static_cast<std::size_t>(index) >= grids_.size()) return E_INVALIDARG;
  grids_[index] = size;
  return S_OK;
}

// Field
HRESULT Field::QueryExtra(REFIID riid, void** ppv) { return AnswerBase<IField>(this, riid, ppv); }
HRESULT Field::get_Name(BSTR* name) { return OutText(name, name_); }
HRESULT Field::get_AliasName(BSTR* name) { return OutText(name, hasAlias_ ? alias_ : name_); }
HRESULT Field::get_Type(LONG* type) { return Out(type, type_); }
HRESULT Field::get_Length(LONG* length) { return Out(length, length_); }
HRESULT Field::get_Precision(LONG* precision) { return Out(precision, precision_); }
HRESULT Field::get_Scale(LONG* scale) { return Out(scale, scale_); }
HRESULT Field::get_IsNullable(VARIANT_BOOL* v) { return Out(v, ToVariantBool(nullable_)); }
HRESULT Field::get_Editable(VARIANT_BOOL* v) { return Out(v, ToVariantBool(editable_)); }
HRESULT Field::get_GeometryDef(IGeometryDef** def) { return def_.CopyTo(def); }
HRESULT Field::put_Name(BSTR name) {
  name_ = BstrToWstring(name);
  return S_OK;
}
HRESULT Field::put_AliasName(BSTR name) {
  alias_ = BstrToWstring(name);
  hasAlias_ = true;
  return S_OK;
}
HRESULT Field::put_Type(LONG type) {
  if (type < kFieldSmallInteger || type > 12) return E_INVALIDARG;
  type_ = type;
  return S_OK;
}
HRESULT Field::put_Length(LONG length) {
  if (length < 0) return E_INVALIDARG;
  length_ = length;
  return S_OK;
}
HRESULT Field::put_Precision(LONG precision) {
  if (precision < 0) return E_INVALIDARG;
  precision_ = precision;
  return S_OK;
}
HRESULT Field::put_Scale(LONG scale) {
  if (scale < 0) return E_INVALIDARG;
  scale_ = scale;
  return S_OK;
}
HRESULT Field::put_IsNullable(VARIANT_BOOL v) {
  nullable_ = v != 0;
  return S_OK;
}
HRESULT Field::putref_GeometryDef(IGeometryDef* def) {
  def_ = def;
  return S_OK;
}

// Fields
HRESULT Fields::QueryExtra(REFIID riid, void** ppv) { return AnswerBase<IFields>(this, riid, ppv); }
HRESULT Fields::get_FieldCount(LONG* count) {
  return Out(count, static_cast<LONG>(fields_.size()));
}
HRESULT Fields::get_Field(LONG index, IField** field) {
  if (!field) return E_POINTER;
  *field = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
  return fields_[index].CopyTo(field);
}
HRESULT Fields::FindField(BSTR name, LONG* index) {
  if (!index) return E_POINTER;
  *index = -1;
  std::wstring wanted = BstrToWstring(name);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    Bstr n;
    fields_[i]->get_Name(&n);
    if (SameFieldName(n.str(), wanted)) {
      *index = static_cast<LONG>(i);
      break;
    }
  }
  return S_OK;
}
HRESULT Fields::AddField(IField* field) {
  if (!field) return E_POINTER;
  fields_.emplace_back(field);
  return S_OK;
}
HRESULT Fields::DeleteField(IField* field) {
  for (auto it = fields_.begin(); it != fields_.end(); ++it)
    if (IsSameObject(it->get(), field)) {
      fields_.erase(it);
      return S_OK;
    }
  return E_INVALIDARG;
}
HRESULT Fields::DeleteAllFields() {
  fields_.clear();
  return S_OK;
}

FieldSpec ReadFieldSpec(IField* field) {
  FieldSpec s;
  if (!field) return s;
  Bstr name;
  field->get_Name(&name);
  s.name = name.str();
  field->get_Type(&s.type);
  field->get_Length(&s.length);
  field->get_Precision(&s.precision);
  field->get_Scale(&s.scale);
  VARIANT_BOOL nullable = VARIANT_TRUE;
  field->get_IsNullable(&nullable);
  s.nullable = nullable != 0;
  ComPtr<IGeometryDef> def;
  field->get_GeometryDef(def.put());
  if (def) {
    def->get_GeometryType(&s.geometryType);
    VARIANT_BOOL z = VARIANT_FALSE, m = VARIANT_FALSE;
    def->get_HasZ(&z);
    def->get_HasM(&m);
    s.hasZ = z != 0;
    s.hasM = m != 0;
    def->get_SpatialReference(s.sr.put());
  }
  return s;
}

ComPtr<IField> MakeField(const FieldSpec& spec, bool editable) {
  ComObject<Field>* f = nullptr;
  Check(ComObject<Field>::Create(&f));
  ComPtr<IFieldEdit> edit = ComPtr<IFieldEdit>::Attach(f);
  edit->put_Name(Bstr(spec.name));
  edit->put_Type(spec.type);
  edit->put_Length(spec.length);
  edit->put_Precision(spec.precision);
  edit->put_Scale(spec.scale);
  edit->put_IsNullable(ToVariantBool(spec.nullable));
  if (spec.type == kFieldGeometry) {
    auto def = MakeObjectPtr<GeometryDef, IGeometryDefEdit>();
    def->put_GeometryType(spec.geometryType);
    def->put_HasZ(ToVariantBool(spec.hasZ));
    def->put_HasM(ToVariantBool(spec.hasM));
    def->putref_SpatialReference(spec.sr.get());
    edit->putref_GeometryDef(def.get());
  }
  f->SetEditable(editable);
  return edit.As<IField>();
}

ComPtr<IFields> MakeFields(const std::vector<FieldSpec>& specs) {
  auto fields = MakeObjectPtr<Fields, IFieldsEdit>();
  for (const auto& s : specs) {
    bool editable = s.type != kFieldOID && s.type != kFieldGeometry;
    fields->AddField(MakeField(s, editable).get());
  }
  return fields.As<IFields>();
}

HRESULT CreateFieldObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Field>(outer, riid, ppv);
}
HRESULT CreateFieldsObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Fields>(outer, riid, ppv);
}
HRESULT CreateGeometryDefObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GeometryDef>(outer, riid, ppv);
}

}  // namespace velk::host
