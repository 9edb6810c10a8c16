#include "platform/com/hresult_text.h"

#include <cstdio>

namespace velk {

std::wstring HresultText(HRESULT hr) {
  struct Name {
    HRESULT hr;
    const wchar_t* name;
  };
  static const Name names[] = {
      {S_OK, L"S_OK"},
      {S_FALSE, L"S_FALSE"},
      {E_NOTIMPL, L"E_NOTIMPL"},
      {E_NOINTERFACE, L"E_NOINTERFACE"},
      {E_POINTER, L"E_POINTER"},
      {E_ABORT, L"E_ABORT"},
      {E_FAIL, L"E_FAIL"},
      {E_UNEXPECTED, L"E_UNEXPECTED"},
      {E_ACCESSDENIED, L"E_ACCESSDENIED"},
      {E_OUTOFMEMORY, L"E_OUTOFMEMORY"},
      {E_INVALIDARG, L"E_INVALIDARG"},
      {CLASS_E_NOAGGREGATION, L"CLASS_E_NOAGGREGATION"},
      {CLASS_E_CLASSNOTAVAILABLE, L"CLASS_E_CLASSNOTAVAILABLE"},
      {REGDB_E_CLASSNOTREG, L"REGDB_E_CLASSNOTREG"},
      {CO_E_CLASSSTRING, L"CO_E_CLASSSTRING"},
      {CO_E_DLLNOTFOUND, L"CO_E_DLLNOTFOUND"},
      {CO_E_ERRORINDLL, L"CO_E_ERRORINDLL"},
      {REGDB_E_WRITEREGDB, L"REGDB_E_WRITEREGDB"},
      {REGDB_E_READREGDB, L"REGDB_E_READREGDB"},
  };
  wchar_t buf[16];
  std::swprintf(buf, 16, L"0x%08X", static_cast<unsigned>(hr));
  for (const Name& n : names)
    if (n.hr == hr) return std::wstring(buf) + L" " + n.name;
  return buf;
}

}  // namespace velk
