// The host's UID object: a value naming an interface, a class or a command by braced identifier
// text or by ProgID, with a subtype number. Maps, command bars and tools are searched with it.
#pragma once

#include "platform/com/object.h"
#include "platform/com/variant.h"

struct IUID : IUnknown {
  VELK_INTERFACE_ID("{A9763221-836F-44B7-800B-E392E8B42312}")
  // The value: a BSTR holding "{...}" identifier text or a ProgID.
  virtual HRESULT get_Value(VARIANT* value) = 0;
  // Accepts a BSTR; E_INVALIDARG for any other type.
  virtual HRESULT put_Value(VARIANT value) = 0;
  virtual HRESULT get_SubType(LONG* subType) = 0;
  virtual HRESULT put_SubType(LONG subType) = 0;
  // VARIANT_TRUE when the other names the same thing with the same subtype: the same text
  // (letter case ignored), or a ProgID and an identifier of one registered class.
  virtual HRESULT Compare(IUID* other, VARIANT_BOOL* equal) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_UID = MakeGuid("{838B09BA-78AC-4A58-8F13-36C6CC83A0AD}");

class UID : public ComObjectRoot<UID, IUID> {
 public:
  HRESULT get_Value(VARIANT* value) override;
  HRESULT put_Value(VARIANT value) override;
  HRESULT get_SubType(LONG* subType) override;
  HRESULT put_SubType(LONG subType) override;
  HRESULT Compare(IUID* other, VARIANT_BOOL* equal) override;

 private:
  Variant value_;
  LONG subType_ = 0;
};

HRESULT CreateUID(IUnknown* outer, REFIID riid, void** ppv);

// Reads the value of a UID: the identifier it names (false when it is not identifier text).
bool UidAsGuid(IUID* uid, GUID& out);
// The text of a UID's value (empty when it holds no string).
std::wstring UidText(IUID* uid);
// Whether two UID texts name the same thing: equal letter case ignored, or a ProgID and an
// identifier text (or two ProgIDs) of one registered class.
bool SameUidText(const std::wstring& a, const std::wstring& b);
// A new UID holding the given text.
ComPtr<IUID> MakeUid(const std::wstring& text, LONG subType = 0);

}  // namespace velk::host
