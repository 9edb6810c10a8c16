#include "platform/host/display/contents_view.h"

#include "platform/host/data/dataset.h"

namespace velk::host {
namespace {

class StandaloneTable : public ComObjectRoot<StandaloneTable, IStandaloneTable> {
 public:
  HRESULT get_Table(ITable** table) override { return table_.CopyTo(table); }
  HRESULT putref_Table(ITable* table) override {
    table_ = table;
    if (name_.empty()) {
      if (auto dataset = QueryAs<IDataset>(table)) {
        Bstr name;
        dataset->get_Name(&name);
        name_ = name.str();
      }
    }
    return S_OK;
  }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }

 private:
  ComPtr<ITable> table_;
  std::wstring name_;
};

}  // namespace

HRESULT CreateStandaloneTableObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<StandaloneTable>(outer, riid, ppv);
}

HRESULT StandaloneTableList::Count(LONG* count) const {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(tables_.size());
  return S_OK;
}

HRESULT StandaloneTableList::At(LONG index, IStandaloneTable** table) const {
  if (!table) return E_POINTER;
  *table = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= tables_.size()) return E_INVALIDARG;
  return tables_[static_cast<std::size_t>(index)].CopyTo(table);
}

HRESULT StandaloneTableList::Add(IStandaloneTable* table) {
  if (!table) return E_POINTER;
  for (const auto& t : tables_)
    if (IsSameObject(t.get(), table)) return S_FALSE;
  tables_.emplace_back(table);
  return S_OK;
}

}  // namespace velk::host
