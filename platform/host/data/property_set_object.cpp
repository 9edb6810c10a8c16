#include "platform/host/data/property_set_object.h"

#include "platform/com/plain_text.h"

#include <cwctype>

namespace velk::host {

namespace {
bool SameName(const std::wstring& a, BSTR b) { return EqualsNoCase(a, BstrToWstring(b)); }
}  // namespace

std::vector<std::pair<std::wstring, Variant>>::iterator PropertySet::Find(BSTR name) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (SameName(it->first, name)) return it;
  return items_.end();
}

HRESULT PropertySet::get_Count(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(items_.size());
  return S_OK;
}

HRESULT PropertySet::SetProperty(BSTR name, VARIANT value) {
  if (SysStringLen(name) == 0) return E_INVALIDARG;
  VELK_TRY
  Variant v(value);
  auto it = Find(name);
  if (it != items_.end())
    it->second = std::move(v);
  else
    items_.emplace_back(BstrToWstring(name), std::move(v));
  return S_OK;
  VELK_CATCH
}

HRESULT PropertySet::GetProperty(BSTR name, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  auto it = Find(name);
  if (it == items_.end()) return E_INVALIDARG;
  return VariantCopy(value, &it->second);
}

HRESULT PropertySet::RemoveProperty(BSTR name) {
  auto it = Find(name);
  if (it == items_.end()) return E_INVALIDARG;
  items_.erase(it);
  return S_OK;
}

bool ReadTextProperty(IPropertySet* set, const wchar_t* name, std::wstring& out) {
  if (!set) return false;
  Variant v;
  Bstr n(name);
  if (FAILED(set->GetProperty(n, &v)) || v.vt != VT_BSTR) return false;
  out = BstrToWstring(v.bstrVal);
  return true;
}

}  // namespace velk::host
