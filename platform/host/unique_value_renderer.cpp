#include "platform/host/unique_value_renderer.h"

#include "platform/com/bstr.h"

namespace velk::host {
namespace {

class UniqueValueRenderer
    : public ComObjectRoot<UniqueValueRenderer, IUniqueValueRenderer, IFeatureRenderer> {
 public:
  using IUniqueValueRenderer::QueryInterface;

  HRESULT get_FieldCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(fields_.size());
    return S_OK;
  }
  HRESULT put_FieldCount(LONG count) override {
    if (count < 0 || count > 3) return E_INVALIDARG;
    fields_.resize(static_cast<std::size_t>(count));
    return S_OK;
  }
  HRESULT get_Field(LONG index, BSTR* name) override {
    if (!name) return E_POINTER;
    if (!InRange(index)) return E_INVALIDARG;
    *name = AllocBstr(fields_[index].name);
    return S_OK;
  }
  HRESULT put_Field(LONG index, BSTR name) override {
    if (!InRange(index)) return E_INVALIDARG;
    fields_[index].name = BstrToWstring(name);
    return S_OK;
  }
  HRESULT put_FieldType(LONG index, VARIANT_BOOL isString) override {
    if (!InRange(index)) return E_INVALIDARG;
    fields_[index].isString = isString != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_FieldType(LONG index, VARIANT_BOOL* isString) override {
    if (!isString) return E_POINTER;
    if (!InRange(index)) return E_INVALIDARG;
    *isString = fields_[index].isString ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT AddValue(BSTR value, BSTR heading, IUnknown* symbol) override {
    const std::wstring v = BstrToWstring(value);
    if (Find(v)) return E_INVALIDARG;
    classes_.push_back({v, BstrToWstring(heading), v, symbol});
    return S_OK;
  }
  HRESULT get_ValueCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(classes_.size());
    return S_OK;
  }
  HRESULT get_Value(LONG index, BSTR* value) override {
    if (!value) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= classes_.size()) return E_INVALIDARG;
    *value = AllocBstr(classes_[index].value);
    return S_OK;
  }
  HRESULT get_Label(BSTR value, BSTR* label) override {
    if (!label) return E_POINTER;
    const Class* c = Find(BstrToWstring(value));
    if (!c) return E_INVALIDARG;
    *label = AllocBstr(c->label);
    return S_OK;
  }
  HRESULT put_Label(BSTR value, BSTR label) override {
    Class* c = Find(BstrToWstring(value));
    if (!c) return E_INVALIDARG;
    c->label = BstrToWstring(label);
    return S_OK;
  }
  HRESULT get_Symbol(BSTR value, IUnknown** symbol) override {
    if (!symbol) return E_POINTER;
    *symbol = nullptr;
    const Class* c = Find(BstrToWstring(value));
    if (!c) return E_INVALIDARG;
    return c->symbol.CopyTo(symbol);
  }
  HRESULT get_ColorScheme(BSTR* name) override { return Text(scheme_, name); }
  HRESULT put_ColorScheme(BSTR name) override {
    scheme_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_LegendGroupHeading(BSTR* heading) override { return Text(heading_, heading); }
  HRESULT put_LegendGroupHeading(BSTR heading) override {
    heading_ = BstrToWstring(heading);
    return S_OK;
  }

 private:
  struct Field {
    std::wstring name;
    bool isString = false;
  };
  struct Class {
    std::wstring value, heading, label;
    ComPtr<IUnknown> symbol;
  };
  bool InRange(LONG index) const {
    return index >= 0 && static_cast<std::size_t>(index) < fields_.size();
  }
  Class* Find(const std::wstring& value) {
    for (auto& c : classes_)
      if (c.value == value) return &c;
    return nullptr;
  }
  static HRESULT Text(const std::wstring& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = AllocBstr(s);
    return S_OK;
  }
  std::vector<Field> fields_;
  std::vector<Class> classes_;
  std::wstring scheme_, heading_;
};

}  // namespace

HRESULT CreateUniqueValueRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<UniqueValueRenderer>(outer, riid, ppv);
}

}  // namespace velk::host
