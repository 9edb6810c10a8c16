#include "platform/host/data/uid.h"

#include "platform/com/plain_text.h"
#include "platform/registry/activation.h"

namespace velk::host {

HRESULT UID::get_Value(VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return VariantCopy(value, &value_);
}

HRESULT UID::put_Value(VARIANT value) {
  if (value.vt != VT_BSTR) return E_INVALIDARG;
  return VariantCopy(&value_, &value);
}

HRESULT UID::get_SubType(LONG* subType) {
  if (!subType) return E_POINTER;
  *subType = subType_;
  return S_OK;
}

HRESULT UID::put_SubType(LONG subType) {
  subType_ = subType;
  return S_OK;
}

HRESULT UID::Compare(IUID* other, VARIANT_BOOL* equal) {
  if (!equal) return E_POINTER;
  *equal = VARIANT_FALSE;
  if (!other) return E_POINTER;
  LONG subType = 0;
  HRESULT hr = other->get_SubType(&subType);
  if (FAILED(hr)) return hr;
  std::wstring mine = value_.vt == VT_BSTR ? BstrToWstring(value_.bstrVal) : std::wstring();
  if (subType == subType_ && SameUidText(mine, UidText(other))) *equal = VARIANT_TRUE;
  return S_OK;
}

HRESULT CreateUID(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<UID>(outer, riid, ppv);
}

std::wstring UidText(IUID* uid) {
  if (!uid) return {};
  Variant v;
  if (FAILED(uid->get_Value(&v)) || v.vt != VT_BSTR) return {};
  return BstrToWstring(v.bstrVal);
}

namespace {

bool ClassOf(const std::wstring& text, CLSID& out) {
  if (GuidFromString(text, out)) return true;
  return !text.empty() && SUCCEEDED(CLSIDFromProgID(text.c_str(), &out));
}

}  // namespace

bool SameUidText(const std::wstring& a, const std::wstring& b) {
  if (EqualsNoCase(a, b)) return true;
  CLSID ca{}, cb{};
  return ClassOf(a, ca) && ClassOf(b, cb) && ca == cb;
}

bool UidAsGuid(IUID* uid, GUID& out) { return GuidFromString(UidText(uid), out); }

ComPtr<IUID> MakeUid(const std::wstring& text, LONG subType) {
  ComPtr<IUID> uid = MakeObjectPtr<UID, IUID>();
  Variant v(text);
  Check(uid->put_Value(v));
  Check(uid->put_SubType(subType));
  return uid;
}

}  // namespace velk::host
