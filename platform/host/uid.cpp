#include "platform/host/uid.h"

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

HRESULT CreateUID(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<UID>(outer, riid, ppv);
}

std::wstring UidText(IUID* uid) {
  if (!uid) return {};
  Variant v;
  if (FAILED(uid->get_Value(&v)) || v.vt != VT_BSTR) return {};
  return BstrToWstring(v.bstrVal);
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
