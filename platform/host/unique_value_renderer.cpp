#include "platform/host/unique_value_renderer.h"

#include <string>
#include <vector>

#include "platform/host/layer_kinds.h"

namespace velk::host {

namespace {

class UniqueValueRendererObject
    : public ComObjectRoot<UniqueValueRendererObject, IUniqueValueRenderer, IFeatureRenderer> {
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
    *name = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
    *name = AllocBstr(fields_[index]);
    return S_OK;
  }
  HRESULT put_Field(LONG index, BSTR name) override {
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
    fields_[index] = BstrToWstring(name);
    return S_OK;
  }
  HRESULT AddValue(BSTR value, BSTR heading, IUnknown* symbol) override {
    if (Find(value)) return E_INVALIDARG;
    values_.push_back({BstrToWstring(value), BstrToWstring(heading), BstrToWstring(value), symbol});
    return S_OK;
  }
  HRESULT get_ValueCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(values_.size());
    return S_OK;
  }
  HRESULT get_Value(LONG index, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= values_.size()) return E_INVALIDARG;
    *value = AllocBstr(values_[index].value);
    return S_OK;
  }
  HRESULT get_Label(BSTR value, BSTR* label) override {
    if (!label) return E_POINTER;
    *label = nullptr;
    Entry* e = Find(value);
    if (!e) return E_INVALIDARG;
    *label = AllocBstr(e->label);
    return S_OK;
  }
  HRESULT put_Label(BSTR value, BSTR label) override {
    Entry* e = Find(value);
    if (!e) return E_INVALIDARG;
    e->label = BstrToWstring(label);
    return S_OK;
  }
  HRESULT get_Symbol(BSTR value, IUnknown** symbol) override {
    if (!symbol) return E_POINTER;
    *symbol = nullptr;
    Entry* e = Find(value);
    if (!e) return E_INVALIDARG;
    return e->symbol.CopyTo(symbol);
  }
  HRESULT putref_Symbol(BSTR value, IUnknown* symbol) override {
    Entry* e = Find(value);
    if (!e) return E_INVALIDARG;
    e->symbol = symbol;
    return S_OK;
  }
  HRESULT get_Heading(BSTR* heading) override {
    if (!heading) return E_POINTER;
    *heading = AllocBstr(heading_);
    return S_OK;
  }
  HRESULT put_Heading(BSTR heading) override {
    heading_ = BstrToWstring(heading);
    return S_OK;
  }

 private:
  struct Entry {
    std::wstring value;
    std::wstring heading;
    std::wstring label;
    ComPtr<IUnknown> symbol;
  };
  Entry* Find(BSTR value) {
    const std::wstring v = BstrToWstring(value);
    for (Entry& e : values_)
      if (e.value == v) return &e;
    return nullptr;
  }

  std::vector<std::wstring> fields_;
  std::vector<Entry> values_;
  std::wstring heading_;
};

}  // namespace

HRESULT CreateUniqueValueRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<UniqueValueRendererObject>(outer, riid, ppv);
}

}  // namespace velk::host
