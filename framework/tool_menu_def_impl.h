// The menu and toolbar definitions the host reads a command bar from: per item the ProgID of
// the command to place there, its subtype and whether a group separator goes before it, plus
// the bar's name and caption from the string table (T::kNameId, T::kCaptionId). A bar class
// fills its items with AddItem during its final construction; they never change afterwards.
#pragma once

#include <vector>

#include "framework/command_impl.h"
#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/host/shell/command_bar_defs.h"

namespace velk::corvane {

// Hands one item to the host's item-definition object: begins-group flag, then identifier
// (the bar's own BSTR), then subtype; the result is that of the last call. E_POINTER for a
// null item-definition object.
HRESULT DescribeBarItem(IItemDef* itemDef, BSTR progId, LONG subType, VARIANT_BOOL beginsGroup);

template <class T, class Def, class... Extra>
class CToolMenuDefImpl : public ComObjectRoot<T, Def, Extra...> {
 public:
  CToolMenuDefImpl() = default;
  ~CToolMenuDefImpl() override {
    for (BSTR b : progIds_) SysFreeString(b);
  }
  CToolMenuDefImpl(const CToolMenuDefImpl&) = delete;
  CToolMenuDefImpl& operator=(const CToolMenuDefImpl&) = delete;

  HRESULT get_ItemCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(progIds_.size());
    return S_OK;
  }
  HRESULT GetItemInfo(LONG pos, IItemDef* itemDef) override {
    if (pos < 0 || static_cast<std::size_t>(pos) >= progIds_.size()) return E_INVALIDARG;
    auto i = static_cast<std::size_t>(pos);
    return DescribeBarItem(itemDef, progIds_[i], subTypes_[i], groups_[i]);
  }
  HRESULT get_Name(BSTR* name) override { return LoadTextInto(T::kNameId, name); }
  HRESULT get_Caption(BSTR* caption) override { return LoadTextInto(T::kCaptionId, caption); }

  // Appends a copy of the ProgID with its subtype and begins-group flag; takes the ProgID and
  // frees it. A null ProgID is no item (E_INVALIDARG); nothing is appended on failure.
  HRESULT AddItem(BSTR progId, LONG subType, VARIANT_BOOL beginsGroup) {
    Bstr owned = Bstr::Attach(progId);
    if (owned.is_null()) return E_INVALIDARG;
    Bstr copy(owned);
    if (copy.is_null()) return E_OUTOFMEMORY;
    VELK_TRY
    progIds_.reserve(progIds_.size() + 1);
    subTypes_.reserve(subTypes_.size() + 1);
    groups_.reserve(groups_.size() + 1);
    VELK_CATCH
    progIds_.push_back(copy.Detach());
    subTypes_.push_back(subType);
    groups_.push_back(beginsGroup);
    return S_OK;
  }

 private:
  std::vector<BSTR> progIds_;  // owned copies
  std::vector<LONG> subTypes_;
  std::vector<VARIANT_BOOL> groups_;
};

template <class T, class... Extra>
using CMenuDefImpl = CToolMenuDefImpl<T, IMenuDef, Extra...>;
template <class T, class... Extra>
using CToolBarDefImpl = CToolMenuDefImpl<T, IToolBarDef, Extra...>;

}  // namespace velk::corvane
