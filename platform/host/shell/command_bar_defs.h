// The host's command-bar definition contracts: a menu or toolbar that names its items by
// ProgID, and the item-definition object the host hands over to learn one item. The host then
// creates each item's command itself from the ProgID.
#pragma once

#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

// One item of a bar, as the bar describes it to the host.
struct IItemDef : IUnknown {
  VELK_INTERFACE_ID("{D8566F34-1C11-4DE7-869F-23965FCBE66E}")
  // The ProgID (or braced class identifier) of the item's command; the caller keeps the BSTR.
  virtual HRESULT put_ID(BSTR id) = 0;
  // Whether a group separator goes before the item.
  virtual HRESULT put_Group(VARIANT_BOOL beginsGroup) = 0;
  virtual HRESULT put_SubType(LONG subType) = 0;
};

// A menu: its items in order, its name (unique among bars) and its caption.
struct IMenuDef : IUnknown {
  VELK_INTERFACE_ID("{CDA27BD3-1C3C-4652-AF59-27240230FCA6}")
  virtual HRESULT get_ItemCount(LONG* count) = 0;
  // E_INVALIDARG outside 0 .. count - 1.
  virtual HRESULT GetItemInfo(LONG pos, IItemDef* itemDef) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Caption(BSTR* caption) = 0;
};

// A toolbar; the same layout as a menu.
struct IToolBarDef : IUnknown {
  VELK_INTERFACE_ID("{81DA31E6-EEAB-4898-ADB8-FE031F0669A9}")
  virtual HRESULT get_ItemCount(LONG* count) = 0;
  virtual HRESULT GetItemInfo(LONG pos, IItemDef* itemDef) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Caption(BSTR* caption) = 0;
};

namespace velk::host {

// The host's item-definition object: keeps what a bar told it about one item, and the order
// of the calls (so a test can see what a bar did to it).
class ItemDef : public ComObjectRoot<ItemDef, IItemDef> {
 public:
  HRESULT put_ID(BSTR id) override;
  HRESULT put_Group(VARIANT_BOOL beginsGroup) override;
  HRESULT put_SubType(LONG subType) override;

  const std::wstring& Id() const { return id_; }
  bool BeginsGroup() const { return group_; }
  LONG SubType() const { return subType_; }
  // "ID", "Group", "SubType" per call, in call order.
  const std::vector<std::wstring>& Calls() const { return calls_; }

 private:
  std::wstring id_;
  bool group_ = false;
  LONG subType_ = 0;
  std::vector<std::wstring> calls_;
};

struct CommandBarItem {
  std::wstring id;
  LONG subType = 0;
  bool beginsGroup = false;
};

// What the host reads from a menu or toolbar definition.
struct CommandBarContents {
  bool isMenu = false;
  std::wstring name;
  std::wstring caption;
  std::vector<CommandBarItem> items;
};

// Reads a bar the way the host does: its kind (menu or toolbar), name, caption and every item,
// each through a fresh item-definition object. E_NOINTERFACE when the object is neither a menu
// nor a toolbar; otherwise the first failure of the bar.
HRESULT ReadCommandBar(IUnknown* bar, CommandBarContents& out);

}  // namespace velk::host
