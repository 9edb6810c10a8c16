// Basic types of the component runtime: integer aliases, result codes and GUIDs.
#pragma once

#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using INT = std::int32_t;
using UINT = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;
using WCHAR = wchar_t;
using OLECHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPOLESTR = wchar_t*;
using LPCOLESTR = const wchar_t*;
using VARIANT_BOOL = std::int16_t;
using DATE = double;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT MakeHr(std::uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHr(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHr(0x80004002);
constexpr HRESULT E_POINTER = MakeHr(0x80004003);
constexpr HRESULT E_ABORT = MakeHr(0x80004004);
constexpr HRESULT E_FAIL = MakeHr(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHr(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeHr(0x80070005);
constexpr HRESULT E_HANDLE = MakeHr(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = MakeHr(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHr(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHr(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHr(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHr(0x80040154);
constexpr HRESULT REGDB_E_READREGDB = MakeHr(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = MakeHr(0x80040151);
constexpr HRESULT REGDB_E_KEYMISSING = MakeHr(0x80040152);
constexpr HRESULT REGDB_E_INVALIDVALUE = MakeHr(0x80040153);
constexpr HRESULT CO_E_CLASSSTRING = MakeHr(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeHr(0x8004018D);
constexpr HRESULT CO_E_ERRORINDLL = MakeHr(0x800401F9);
constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHr(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHr(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHr(0x80040202);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHr(0x80020005);
constexpr HRESULT DISP_E_OVERFLOW = MakeHr(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = MakeHr(0x8002000B);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHr(0x80020008);
constexpr HRESULT STG_E_FILENOTFOUND = MakeHr(0x80030002);
constexpr HRESULT STG_E_ACCESSDENIED = MakeHr(0x80030005);
constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHr(0x80030001);
constexpr HRESULT STG_E_READFAULT = MakeHr(0x8003001E);
constexpr HRESULT STG_E_WRITEFAULT = MakeHr(0x8003001D);
constexpr HRESULT STG_E_MEDIUMFULL = MakeHr(0x80030070);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT HRESULT_FROM_WIN32(std::uint32_t err) {
  return err == 0 ? S_OK : MakeHr((err & 0xFFFFu) | 0x80070000u);
}

// Win32 error codes used by the registry and file helpers.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_READ_FAULT = 30;
constexpr LONG ERROR_FILE_EXISTS = 80;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_BADKEY = 1010;
constexpr LONG ERROR_KEY_DELETED = 1018;

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {0, 0, 0, 0, 0, 0, 0, 0};

  friend constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
  friend constexpr bool operator<(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
    if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
    if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return a.Data4[i] < b.Data4[i];
    return false;
  }
};
using IID = GUID;
using CLSID = GUID;
using CATID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

constexpr GUID GUID_NULL{};

namespace velk {

constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional). Returns false on any
// malformed text. Usable at compile time for the identifiers bound to interfaces.
template <class Ch>
constexpr bool TryParseGuid(std::basic_string_view<Ch> s, GUID& out) {
  if (s.size() == 38) {
    if (s.front() != Ch('{') || s.back() != Ch('}')) return false;
    s = s.substr(1, 36);
  }
  if (s.size() != 36) return false;
  constexpr int dash[] = {8, 13, 18, 23};
  for (int d : dash)
    if (s[d] != Ch('-')) return false;
  auto hex = [&](int from, int count, std::uint64_t& v) {
    v = 0;
    for (int i = from; i < from + count; ++i) {
      auto c = s[i];
      int h = (c < 0 || c > 127) ? -1 : HexDigit(static_cast<char>(c));
      if (h < 0) return false;
      v = v * 16 + static_cast<std::uint64_t>(h);
    }
    return true;
  };
  std::uint64_t v = 0;
  GUID g{};
  if (!hex(0, 8, v)) return false;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!hex(9, 4, v)) return false;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!hex(14, 4, v)) return false;
  g.Data3 = static_cast<std::uint16_t>(v);
  if (!hex(19, 2, v)) return false;
  g.Data4[0] = static_cast<std::uint8_t>(v);
  if (!hex(21, 2, v)) return false;
  g.Data4[1] = static_cast<std::uint8_t>(v);
  for (int i = 0; i < 6; ++i) {
    if (!hex(24 + 2 * i, 2, v)) return false;
    g.Data4[2 + i] = static_cast<std::uint8_t>(v);
  }
  out = g;
  return true;
}

// Compile-time GUID from text; a malformed literal fails the build.
consteval GUID MakeGuid(const char* text) {
  GUID g{};
  std::string_view sv(text);
  if (!TryParseGuid<char>(sv, g)) throw "malformed GUID literal";
  return g;
}

// Braced upper-case text of a GUID, e.g. "{21FB082D-2E93-4E36-A932-B6154844C732}".
std::wstring GuidToString(const GUID& g);
bool GuidFromString(std::wstring_view text, GUID& out);

}  // namespace velk

// Interfaces name their identifier next to their declaration; IidOf<I>() finds it from the type.
#define VELK_INTERFACE_ID(text) static constexpr GUID kIid = ::velk::MakeGuid(text);

template <class I>
constexpr const IID& IidOf() {
  return I::kIid;
}

#define IID_PPV_ARGS_OF(I, pp) IidOf<I>(), reinterpret_cast<void**>(pp)
