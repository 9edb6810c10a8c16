#include "layers/zel_datasets_impl.h"

#include <utility>

#include "layers/layer_stream.h"
#include "platform/com/bstr.h"

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

std::wstring ZelDatasetsImpl::MakeDatasetKey(const std::vector<std::wstring>& values) {
  return Join(values, L'$');
}

std::wstring ZelDatasetsImpl::MakeDatasetLabel(const std::vector<std::wstring>& values) {
  return Join(values, L',');
}

void ZelDatasetsImpl::ClearDatasets() {
  useMap_.clear();
  datasetKeys_.clear();
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

}  // namespace velk::lumeris
