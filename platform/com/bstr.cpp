#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>

// Layout: a 32-bit byte length, then the characters, then a terminating zero. The BSTR points
// at the first character, so it reads as an ordinary wide C string.
namespace {
constexpr std::size_t kHeader = sizeof(wchar_t) > 4 ? sizeof(wchar_t) : 4;

std::uint32_t* HeaderOf(BSTR b) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(b) - kHeader);
}
}  // namespace

BSTR SysAllocStringLen(const OLECHAR* s, UINT len) {
  std::size_t bytes = kHeader + (static_cast<std::size_t>(len) + 1) * sizeof(wchar_t);
  char* mem = static_cast<char*>(std::malloc(bytes));
  if (!mem) return nullptr;
  *reinterpret_cast<std::uint32_t*>(mem) = static_cast<std::uint32_t>(len * sizeof(wchar_t));
  auto* text = reinterpret_cast<wchar_t*>(mem + kHeader);
  if (s)
    std::memcpy(text, s, len * sizeof(wchar_t));
  else
    std::memset(text, 0, len * sizeof(wchar_t));
  text[len] = L'\0';
  return text;
}

BSTR SysAllocString(const OLECHAR* s) {
  if (!s) return nullptr;
  return SysAllocStringLen(s, static_cast<UINT>(std::wcslen(s)));
}

void SysFreeString(BSTR b) {
  if (b) std::free(HeaderOf(b));
}

UINT SysStringLen(BSTR b) { return b ? *HeaderOf(b) / sizeof(wchar_t) : 0; }
UINT SysStringByteLen(BSTR b) { return b ? *HeaderOf(b) : 0; }

namespace velk {
BSTR AllocBstr(std::wstring_view s) {
  return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}
}  // namespace velk
