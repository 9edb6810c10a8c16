// The command bars of a document: the command items the host created, each holding its
// command object, found by UID (the ProgID or class identifier text, and the subtype).
#pragma once

#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IUID;

struct ICommandItem : IUnknown {
  VELK_INTERFACE_ID("{C2CCEB66-29EF-438F-BE5A-30AD6D975078}")
  // The ProgID (or braced class identifier) the item was created from.
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_SubType(LONG* subType) = 0;
  // The command's caption.
  virtual HRESULT get_Caption(BSTR* caption) = 0;
  // The command object itself.
  virtual HRESULT get_Command(IUnknown** command) = 0;
  // An enabled tool becomes the application's current tool and is clicked; any other enabled
  // command is clicked. S_FALSE when the command is disabled or the current tool refuses to be
  // deactivated.
  virtual HRESULT Execute() = 0;
  // A new UID naming the item: its name and subtype.
  virtual HRESULT get_ID(IUID** id) = 0;
};

struct ICommandBars : IUnknown {
  VELK_INTERFACE_ID("{E0A34E5A-2CF5-482A-B75F-80B0FA716048}")
  // The item whose name matches the UID's value (letter case ignored; a ProgID matches the
  // identifier text of its class) and whose subtype matches. When noCreate is false and no item
  // exists, the command is created by ProgID, handed the hook and kept. S_OK with a null item when
  // nothing was found.
  virtual HRESULT Find(IUID* id, VARIANT_BOOL noRecurse, VARIANT_BOOL noCreate,
                       ICommandItem** item) = 0;
  virtual HRESULT get_Count(LONG* count) = 0;
  virtual HRESULT get_Item(LONG index, ICommandItem** item) = 0;
};

namespace velk::host {

class CommandItem : public ComObjectRoot<CommandItem, ICommandItem> {
 public:
  void Init(std::wstring name, LONG subType, IUnknown* command, IUnknown* application);
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_SubType(LONG* subType) override;
  HRESULT get_Caption(BSTR* caption) override;
  HRESULT get_Command(IUnknown** command) override;
  HRESULT Execute() override;
  HRESULT get_ID(IUID** id) override;

  const std::wstring& Name() const { return name_; }
  LONG SubType() const { return subType_; }
  void Release_() {
    command_.Reset();
    application_ = nullptr;
  }

 private:
  std::wstring name_;
  LONG subType_ = 0;
  ComPtr<IUnknown> command_;
  IUnknown* application_ = nullptr;  // not counted: the application owns the bars
};

class CommandBars : public ComObjectRoot<CommandBars, ICommandBars> {
 public:
  HRESULT Find(IUID* id, VARIANT_BOOL noRecurse, VARIANT_BOOL noCreate,
               ICommandItem** item) override;
  HRESULT get_Count(LONG* count) override;
  HRESULT get_Item(LONG index, ICommandItem** item) override;

  // The hook handed to commands created here (the application; not counted).
  void SetHook(IUnknown* hook) { hook_ = hook; }
  // Creates a command by ProgID or class identifier text, sets its subtype when it has
  // subtypes, hands it the hook (OnCreate) and keeps it as an item.
  HRESULT CreateItem(const std::wstring& progId, LONG subType, ICommandItem** item);
  // Adds an existing command object as an item (tests, host-owned commands).
  HRESULT AddItem(const std::wstring& name, LONG subType, IUnknown* command, ICommandItem** item);
  // Drops every item (the application shuts down; the commands' hooks are released with them).
  void Clear();

 private:
  std::vector<ComPtr<CommandItem>> items_;
  IUnknown* hook_ = nullptr;
};

}  // namespace velk::host
