// The enumerator the host hands out over a snapshot of items: Next gives one item at a time and
// S_FALSE, with null (or the end value given) written, once they are all given; Reset starts
// again. Item is an interface (each item handed out with a reference of its own) or a value.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/object.h"

namespace velk {

template <class Enum, class Item>
class ListEnum : public ComObjectRoot<ListEnum<Enum, Item>, Enum> {
 public:
  static constexpr bool kInterfaces = std::is_base_of_v<IUnknown, Item>;
  // What the list keeps, and what Next writes.
  using Stored = std::conditional_t<kInterfaces, ComPtr<Item>, Item>;
  using Slot = std::conditional_t<kInterfaces, Item*, Item>;

  void Init(std::vector<Stored> items, Slot end = Slot{}) {
    items_ = std::move(items);
    end_ = end;
  }

  HRESULT Next(Slot* out) override {
    if (!out) return E_POINTER;
    if (pos_ >= items_.size()) {
      *out = end_;
      return S_FALSE;
    }
    if constexpr (kInterfaces) {
      return items_[pos_++].CopyTo(out);
    } else {
      *out = items_[pos_++];
      return S_OK;
    }
  }
  HRESULT Reset() override {
    pos_ = 0;
    return S_OK;
  }

 private:
  std::vector<Stored> items_;
  Slot end_{};
  std::size_t pos_ = 0;
};

// A new enumerator over the items; Next writes `end` past the last.
template <class Enum, class Item>
ComPtr<Enum> MakeListEnum(std::vector<typename ListEnum<Enum, Item>::Stored> items,
                          typename ListEnum<Enum, Item>::Slot end = {}) {
  ComObject<ListEnum<Enum, Item>>* e = nullptr;
  Check(ComObject<ListEnum<Enum, Item>>::Create(&e));
  e->Init(std::move(items), end);
  return ComPtr<Enum>::Attach(e);
}

}  // namespace velk
