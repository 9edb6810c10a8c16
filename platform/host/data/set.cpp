#include "platform/host/data/set.h"

#include <vector>

namespace velk::host {

namespace {

class SetObject : public ComObjectRoot<SetObject, ISet> {
 public:
  HRESULT Add(IUnknown* item) override {
    if (!item) return E_POINTER;
    items_.emplace_back(item);
    return S_OK;
  }
  HRESULT Remove(IUnknown* item) override {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (IsSameObject(items_[i].get(), item)) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        if (i < pos_) --pos_;
        return S_OK;
      }
    return S_FALSE;
  }
  HRESULT Find(IUnknown* item, VARIANT_BOOL* found) override {
    if (!found) return E_POINTER;
    *found = VARIANT_FALSE;
    for (const auto& i : items_)
      if (IsSameObject(i.get(), item)) *found = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_Count(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  HRESULT Next(IUnknown** item) override {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (pos_ >= items_.size()) return S_FALSE;
    return items_[pos_++].CopyTo(item);
  }
  HRESULT Reset() override {
    pos_ = 0;
    return S_OK;
  }

 private:
  std::vector<ComPtr<IUnknown>> items_;
  std::size_t pos_ = 0;
};

}  // namespace

HRESULT CreateSetObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<SetObject>(outer, riid, ppv);
}

}  // namespace velk::host
