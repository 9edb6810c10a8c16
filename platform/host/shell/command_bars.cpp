#include "platform/host/shell/command_bars.h"

#include "platform/host/shell/application.h"
#include "platform/host/shell/command.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"

namespace velk::host {

void CommandItem::Init(std::wstring name, LONG subType, IUnknown* command, IUnknown* application) {
  name_ = std::move(name);
  subType_ = subType;
  command_ = command;
  application_ = application;
}

HRESULT CommandItem::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = AllocBstr(name_);
  return S_OK;
}

HRESULT CommandItem::get_SubType(LONG* subType) {
  if (!subType) return E_POINTER;
  *subType = subType_;
  return S_OK;
}

HRESULT CommandItem::get_Caption(BSTR* caption) {
  if (!caption) return E_POINTER;
  *caption = nullptr;
  auto command = QueryAs<ICommand>(command_.get());
  if (!command) return E_FAIL;
  return command->get_Caption(caption);
}

HRESULT CommandItem::get_Command(IUnknown** command) { return command_.CopyTo(command); }

HRESULT CommandItem::Execute() {
  VELK_TRY
  auto command = QueryAs<ICommand>(command_.get());
  if (!command) return E_FAIL;
  VARIANT_BOOL enabled = VARIANT_FALSE;
  Check(command->get_Enabled(&enabled));
  if (enabled == VARIANT_FALSE) return S_FALSE;
  if (QueryAs<ITool>(command_.get())) {
    auto app = QueryAs<IApplication>(application_);
    if (!app) return E_FAIL;
    // The current tool must let go first; then the new tool becomes current and is clicked.
    HRESULT hr = Check(app->put_CurrentTool(this));
    if (hr != S_OK) return hr;
    return command->OnClick();
  }
  return command->OnClick();
  VELK_CATCH
}

HRESULT CommandItem::get_ID(IUID** id) {
  if (!id) return E_POINTER;
  VELK_TRY
  *id = MakeUid(name_, subType_).Detach();
  return S_OK;
  VELK_CATCH
}

HRESULT CommandBars::Find(IUID* id, VARIANT_BOOL, VARIANT_BOOL noCreate, ICommandItem** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  if (!id) return E_POINTER;
  VELK_TRY
  std::wstring name = UidText(id);
  LONG subType = 0;
  Check(id->get_SubType(&subType));
  for (auto& it : items_) {
    if (it->SubType() == subType && SameUidText(it->Name(), name)) {
      *item = it.get();
      (*item)->AddRef();
      return S_OK;
    }
  }
  if (noCreate != VARIANT_FALSE) return S_OK;
  HRESULT hr = CreateItem(name, subType, item);
  return FAILED(hr) ? S_OK : hr;  // nothing to create: found nothing
  VELK_CATCH
}

HRESULT CommandBars::get_Count(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(items_.size());
  return S_OK;
}

HRESULT CommandBars::get_Item(LONG index, ICommandItem** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return E_INVALIDARG;
  *item = items_[static_cast<std::size_t>(index)].get();
  (*item)->AddRef();
  return S_OK;
}

HRESULT CommandBars::CreateItem(const std::wstring& progId, LONG subType, ICommandItem** item) {
  VELK_TRY
  CLSID clsid{};
  if (!GuidFromString(progId, clsid)) Check(CLSIDFromProgID(progId.c_str(), &clsid));
  // Creation, then the subtype, then the hook: what the host does for every command.
  ComPtr<IUnknown> object;
  Check(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<IUnknown>(), object.put_void()));
  auto command = QueryAs<ICommand>(object.get());
  if (!command) ThrowComError(E_NOINTERFACE);
  if (subType > 0) {
    auto sub = QueryAs<ICommandSubType>(object.get());
    if (!sub) ThrowComError(E_INVALIDARG);
    Check(sub->SetSubType(subType));
  }
  command->OnCreate(hook_);
  // An item asked for by class identifier is named by the class's ProgID, as the host lists it.
  std::wstring name = progId, registered;
  if (GuidFromString(progId, clsid) &&
      reg::ReadString(reg::Hive::ClassesRoot,
                      L"CLSID\\" + GuidToString(clsid) + L"\\VersionIndependentProgID", L"",
                      registered) &&
      !registered.empty())
    name = registered;
  return AddItem(name, subType, object.get(), item);
  VELK_CATCH
}

HRESULT CommandBars::AddItem(const std::wstring& name, LONG subType, IUnknown* command,
                             ICommandItem** item) {
  if (!command) return E_POINTER;
  VELK_TRY
  ComObject<CommandItem>* p = nullptr;
  Check(ComObject<CommandItem>::Create(&p));
  auto entry = ComPtr<CommandItem>::Attach(p);
  p->Init(name, subType, command, hook_);
  items_.push_back(entry);
  if (item) {
    *item = p;
    p->AddRef();
  }
  return S_OK;
  VELK_CATCH
}

void CommandBars::Clear() {
  auto items = std::move(items_);
  items_.clear();
  for (auto& it : items) it->Release_();
}

}  // namespace velk::host
