#include "platform/host/shell/command_bar_defs.h"

namespace velk::host {

HRESULT ItemDef::put_ID(BSTR id) {
  calls_.push_back(L"ID");
  id_ = BstrToWstring(id);
  return S_OK;
}

HRESULT ItemDef::put_Group(VARIANT_BOOL beginsGroup) {
  calls_.push_back(L"Group");
  group_ = beginsGroup != VARIANT_FALSE;
  return S_OK;
}

HRESULT ItemDef::put_SubType(LONG subType) {
  calls_.push_back(L"SubType");
  subType_ = subType;
  return S_OK;
}

namespace {

template <class Def>
HRESULT ReadBar(Def* def, CommandBarContents& out) {
  LONG count = 0;
  HRESULT hr = def->get_ItemCount(&count);
  if (FAILED(hr)) return hr;
  Bstr name, caption;
  if (FAILED(hr = def->get_Name(&name))) return hr;
  if (FAILED(hr = def->get_Caption(&caption))) return hr;
  out.name = name.str();
  out.caption = caption.str();
  out.items.clear();
  for (LONG i = 0; i < count; ++i) {
    ComObject<ItemDef>* item = nullptr;
    if (FAILED(hr = ComObject<ItemDef>::Create(&item))) return hr;
    auto keep = ComPtr<ComObject<ItemDef>>::Attach(item);
    if (FAILED(hr = def->GetItemInfo(i, item))) return hr;
    out.items.push_back({item->Id(), item->SubType(), item->BeginsGroup()});
  }
  return S_OK;
}

}  // namespace

HRESULT ReadCommandBar(IUnknown* bar, CommandBarContents& out) {
  if (!bar) return E_POINTER;
  if (auto menu = QueryAs<IMenuDef>(bar)) {
    out.isMenu = true;
    return ReadBar(menu.get(), out);
  }
  if (auto toolbar = QueryAs<IToolBarDef>(bar)) {
    out.isMenu = false;
    return ReadBar(toolbar.get(), out);
  }
  return E_NOINTERFACE;
}

}  // namespace velk::host
