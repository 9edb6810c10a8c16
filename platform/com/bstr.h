// BSTR: a length-prefixed wide string; a null BSTR and an empty one are different values.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/base_types.h"

using BSTR = wchar_t*;

BSTR SysAllocString(const OLECHAR* s);
BSTR SysAllocStringLen(const OLECHAR* s, UINT len);
void SysFreeString(BSTR b);
UINT SysStringLen(BSTR b);
UINT SysStringByteLen(BSTR b);

namespace velk {

BSTR AllocBstr(std::wstring_view s);
inline std::wstring BstrToWstring(BSTR b) {
  return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

// Owning BSTR holder. Detach hands the string to a caller; address-of gives an out slot.
class Bstr {
 public:
  Bstr() = default;
  Bstr(std::nullptr_t) {}
  Bstr(const wchar_t* s) : b_(s ? SysAllocString(s) : nullptr) {}
  Bstr(std::wstring_view s) : b_(AllocBstr(s)) {}
  Bstr(const std::wstring& s) : b_(AllocBstr(s)) {}
  Bstr(const Bstr& o) : b_(o.b_ ? SysAllocStringLen(o.b_, SysStringLen(o.b_)) : nullptr) {}
  Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
  Bstr& operator=(Bstr o) noexcept {
    std::swap(b_, o.b_);
    return *this;
  }
  ~Bstr() { SysFreeString(b_); }

  static Bstr Attach(BSTR b) {
    Bstr r;
    r.b_ = b;
    return r;
  }
  BSTR Detach() {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }
  BSTR Copy() const { return b_ ? SysAllocStringLen(b_, SysStringLen(b_)) : nullptr; }
  BSTR* operator&() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  BSTR get() const { return b_; }
  operator BSTR() const { return b_; }
  bool is_null() const { return b_ == nullptr; }
  UINT Length() const { return SysStringLen(b_); }
  std::wstring str() const { return BstrToWstring(b_); }
  bool operator==(const Bstr& o) const { return is_null() == o.is_null() && str() == o.str(); }

 private:
  BSTR b_ = nullptr;
};

}  // namespace velk
