#include "layers/zel_datasets_impl.h"

#include <utility>

#include "layers/layer_stream.h"
#include "layers/lumeris_module.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {

// Walks a wide text as UTF-16 code units.
class Utf16Units {
 public:
  explicit Utf16Units(const std::wstring& s) : s_(s) {}
  bool Done() const { return i_ >= s_.size() && !pendingLow_; }
  unsigned Next() {
    if (pendingLow_) {
      unsigned u = low_;
      pendingLow_ = false;
      ++i_;
      return u;
    }
    auto c = static_cast<unsigned>(static_cast<std::make_unsigned_t<wchar_t>>(s_[i_]));
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      low_ = 0xDC00 + (c & 0x3FF);
      pendingLow_ = true;
      return 0xD800 + (c >> 10);
    }
    ++i_;
    return c;
  }

 private:
  const std::wstring& s_;
  std::size_t i_ = 0;
  unsigned low_ = 0;
  bool pendingLow_ = false;
};

std::wstring Join(const std::vector<std::wstring>& values, wchar_t separator) {
  std::wstring out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) out += separator;
    out += values[i];
  }
  return out;
}

}  // namespace

bool Utf16Less::operator()(const std::wstring& a, const std::wstring& b) const {
  Utf16Units x(a);
  Utf16Units y(b);
  while (!x.Done() && !y.Done()) {
    unsigned u = x.Next();
    unsigned v = y.Next();
    if (u != v) return u < v;
  }
  return x.Done() && !y.Done();
}

VARIANT_BOOL* ZelDatasetsImpl::FlagAt(LONG Index) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= datasetKeys_.size()) return nullptr;
  auto it = useMap_.find(datasetKeys_[static_cast<std::size_t>(Index)]);
  return it == useMap_.end() ? nullptr : &it->second;
}

HRESULT ZelDatasetsImpl::get_DatasetCount(LONG* lCount) {
  if (!lCount) return E_POINTER;
  *lCount = static_cast<LONG>(datasetKeys_.size());
  return S_OK;
}

HRESULT ZelDatasetsImpl::get_Dataset(LONG Index, BSTR* strDataset) {
  if (!strDataset) return E_POINTER;
  if (Index < 0 || static_cast<std::size_t>(Index) >= datasetKeys_.size()) return E_INVALIDARG;
  BSTR copy = AllocBstr(datasetKeys_[static_cast<std::size_t>(Index)]);
  if (!copy) return E_OUTOFMEMORY;
  *strDataset = copy;
  return S_OK;
}

HRESULT ZelDatasetsImpl::get_UseDataset(LONG Index, VARIANT_BOOL* use) {
  if (!use) return E_POINTER;
  VARIANT_BOOL* flag = FlagAt(Index);
  if (!flag) return E_INVALIDARG;
  *use = *flag;
  return S_OK;
}

HRESULT ZelDatasetsImpl::put_UseDataset(LONG Index, VARIANT_BOOL use) {
  VARIANT_BOOL* flag = FlagAt(Index);
  if (!flag) return E_INVALIDARG;
  *flag = use;
  return S_OK;
}

HRESULT ZelDatasetsImpl::SaveDatasetFlags(IStream* stream) {
  if (!stream) return E_FAIL;
  if (FAILED(WriteStreamLong(stream, static_cast<LONG>(datasetKeys_.size())))) return E_FAIL;
  for (const std::wstring& key : datasetKeys_) {
    auto it = useMap_.find(key);
    VARIANT_BOOL flag = it == useMap_.end() ? VARIANT_FALSE : it->second;
    // A key that could not be written would shift every later field: the save fails.
    if (FAILED(WriteStreamString(stream, Bstr(key)))) return E_FAIL;
    if (FAILED(WriteStreamBool(stream, flag))) return E_FAIL;
  }
  return S_OK;
}

HRESULT ZelDatasetsImpl::LoadDatasetFlags(IStream* stream) {
  if (!stream) return E_FAIL;
  StreamMark mark(stream);
  LONG count = 0;
  if (FAILED(ReadStreamLong(stream, &count))) return E_FAIL;
  // No save writes a negative count: the block is corrupt.
  if (count < 0) return E_FAIL;
  std::vector<std::pair<std::wstring, VARIANT_BOOL>> pairs;
  for (LONG i = 0; i < count; ++i) {
    Bstr key;
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (FAILED(ReadStreamString(stream, &key))) return E_FAIL;
    if (FAILED(ReadStreamBool(stream, &flag))) return E_FAIL;
    // A null key names no dataset; its pair is dropped like any unknown key.
    if (!key.is_null()) pairs.emplace_back(key.str(), flag);
  }
  for (const auto& [key, flag] : pairs) {
    auto it = useMap_.find(key);
    if (it != useMap_.end()) it->second = flag;
  }
  mark.Keep();
  return S_OK;
}

HRESULT ZelDatasetsImpl::SkipDatasetFlags(IStream* stream) {
  LONG count = 0;
  if (!stream || FAILED(ReadStreamLong(stream, &count)) || count < 0) return E_FAIL;
  for (LONG i = 0; i < count; ++i) {
    Bstr key;
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (FAILED(ReadStreamString(stream, &key)) || FAILED(ReadStreamBool(stream, &flag)))
      return E_FAIL;
  }
  return S_OK;
}

std::wstring ZelDatasetsImpl::MakeDatasetKey(const std::vector<std::wstring>& values) {
  return Join(values, L'$');
}

std::wstring ZelDatasetsImpl::MakeDatasetLabel(const std::vector<std::wstring>& values) {
  return Join(values, L',');
}

void ZelDatasetsImpl::ClearDatasets() {
  useMap_.clear();
  datasetKeys_.clear();
  // Labels of an earlier catalog would give the footprint renderer values it no longer has.
  labels_.clear();
}

void ZelDatasetsImpl::AddDatasetRow(const std::vector<std::wstring>& values) {
  useMap_[MakeDatasetKey(values)] = VARIANT_TRUE;
  labels_.insert(MakeDatasetLabel(values));
}

void ZelDatasetsImpl::PublishDatasets() {
  datasetKeys_.clear();
  datasetKeys_.reserve(useMap_.size());
  for (const auto& entry : useMap_) datasetKeys_.push_back(entry.first);
}

namespace {

// Text of a row value as the keys hold it.
std::wstring ValueText(const VARIANT& v) {
  if (v.vt == VT_EMPTY || v.vt == VT_NULL) return {};
  Variant text;
  if (FAILED(VariantChangeType(&text, &v, 0, VT_BSTR))) return {};
  return BstrToWstring(text.bstrVal);
}

LONG ValueLong(const VARIANT& v) {
  Variant n;
  if (FAILED(VariantChangeType(&n, &v, 0, VT_I4))) return 0;
  return n.lVal;
}

// The tail of the where clause when no dataset is in use: the localized text, else a
// comparison no row meets (a bare field name would select every row, or none validly).
std::wstring NoDatasetTail() {
  std::wstring tail = LoadResString(5);
  return tail.empty() ? L" = 'No dataset in use'" : tail;
}

std::wstring Quoted(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    out += c;
    if (c == L'\'') out += L'\'';
  }
  return out;
}

}  // namespace

ComPtr<ITable> ZelDatasetsImpl::CompanionTable(ITable* catalog) {
  if (!catalog) return nullptr;
  auto dataset = RequireInterface<IDataset>(catalog);
  Bstr name;
  Check(dataset->get_Name(&name));
  if (name.str().find(L"_uids") != std::wstring::npos) return ComPtr<ITable>(catalog);
  ComPtr<IWorkspace> workspace;
  Check(dataset->get_Workspace(workspace.put()));
  auto features = QueryAs<IFeatureWorkspace>(workspace.get());
  ComPtr<ITable> companion;
  if (!features || FAILED(features->OpenTable(Bstr(name.str() + L"_uids"), companion.put())))
    return nullptr;
  return companion;
}

void ZelDatasetsImpl::LoadCatalogDatasets(ITable* catalog) {
  plainTable_ = 0;
  ComPtr<ITable> companion = CompanionTable(catalog);
  ComPtr<ITable> table = companion ? companion : ComPtr<ITable>(catalog);
  plainTable_ = companion ? 0 : 1;
  ClearDatasets();
  scales_.clear();
  if (!table || keyFields_.empty()) {
    PublishDatasets();
    return;
  }
  std::vector<LONG> positions;
  std::wstring fieldList;
  for (const std::wstring& field : keyFields_) {
    LONG index = -1;
    Check(table->FindField(Bstr(field), &index));
    if (index < 0) continue;
    positions.push_back(index);
    if (!fieldList.empty()) fieldList += L", ";
    fieldList += field;
  }
  if (positions.empty()) {
    PublishDatasets();
    return;
  }
  LONG scaleIndex = -1;
  if (!plainTable_) Check(table->FindField(Bstr(L"SCALE"), &scaleIndex));
  auto filter = CreateHostObject<IQueryFilter>(host::CLSID_QueryFilter);
  if (plainTable_)
    Check(filter->put_SubFields(Bstr(positions.size() == 1 ? L"DISTINCT ( " + fieldList + L") "
                                                          : fieldList)));
  else
    Check(filter->put_SubFields(Bstr(L"PRODUCT, SCALE")));
  ComPtr<ICursor> cursor;
  Check(table->Search(filter.get(), VARIANT_TRUE, cursor.put()));
  if (!cursor) ThrowComError(E_POINTER);
  ComPtr<IRow> row;
  while (cursor->NextRow(row.put()) == S_OK && row) {
    std::vector<std::wstring> values;
    for (LONG index : positions) {
      Variant v;
      Check(row->get_Value(index, &v));
      values.push_back(ValueText(v));
    }
    AddDatasetRow(values);
    if (!plainTable_ && scaleIndex >= 0) {
      Variant v;
      Check(row->get_Value(scaleIndex, &v));
      scales_.push_back(ValueLong(v));
    }
  }
  PublishDatasets();
  BuildFootprintRenderer();
}

std::wstring ZelDatasetsImpl::VpfProductKey(const std::wstring& libraryName) {
  const bool dnc = libraryName.find(L"dnc") != std::wstring::npos ||
                   libraryName.find(L"DNC") != std::wstring::npos;
  return (dnc ? L"DNC$" : L"VMAP$") + libraryName.substr(0, libraryName.find(L'_'));
}

void ZelDatasetsImpl::AddVpfProductKeys(IUnknown* featureDataset) {
  ClearDatasets();
  if (keyFields_.empty()) {
    PublishDatasets();
    return;
  }
  Bstr name;
  Check(RequireInterface<IDataset>(featureDataset)->get_Name(&name));
  const std::wstring key = VpfProductKey(name.str());
  useMap_[key] = VARIANT_TRUE;
  labels_.insert(key);
  PublishDatasets();
  BuildFootprintRenderer();
}

std::wstring ZelDatasetsImpl::BuildDatasetWhereClause() const {
  if (keyFields_.empty()) return {};
  const std::wstring& field = keyFields_.front();
  std::wstring clause;
  for (const auto& [key, flag] : useMap_) {
    if (flag != VARIANT_TRUE) continue;
    if (!clause.empty()) clause += L" OR ";
    clause += L"(" + field + L" = '" + Quoted(key) + L"' )";
  }
  return clause.empty() ? field + NoDatasetTail() : clause;
}

}  // namespace velk::lumeris
