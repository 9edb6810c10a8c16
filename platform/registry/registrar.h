// The registrar: runs registry scripts (.rgs text) to register or unregister, and the
// component-category registrar that writes "Implemented Categories".
#pragma once

#include <map>
#include <string>

#include "platform/com/base_types.h"

namespace velk::reg {

// Script grammar (under HKCR, HKCU or HKLM blocks; HKEY_CLASSES_ROOT etc. also do):
//   HKCR { NoRemove CLSID { ForceRemove {guid} = s 'text' { val ThreadingModel = s 'Apartment'
//   InprocServer32 = s '%MODULE%' } } }
// Keys (bare words, 'quoted' or {braced}), default values (= s 'x', = d 123 or = d '0x7B'),
// named values (val Name = <type> <data>), the NoRemove, ForceRemove and Delete flags, and
// %NAME% replacements (%% is a percent sign). Types: s (REG_SZ), e (REG_EXPAND_SZ), m
// (REG_MULTI_SZ, strings parted by the two characters \0), d (REG_DWORD), b (REG_BINARY, hex
// digits). Quoted text is literal except '' for a quote; replaced text is never read as script.
// Registering creates keys and writes values (ForceRemove first deletes the key whole; Delete
// deletes the key and creates nothing). Unregistering deletes the keys the script names:
// NoRemove keys are only descended into (their named values are removed), ForceRemove keys go
// whole, and any other key goes once its script children and values are removed and nothing
// the script did not write is left in it (no subkey, no other value).
// The whole script is read before anything is applied: a malformed script fails with E_FAIL and
// changes nothing; error() tells the line and what is wrong. The changes of one script are
// written to the registry file at once; when that write fails the registry is left as it was
// and the HRESULT of the Win32 error is returned.
class Registrar {
 public:
  void AddReplacement(const std::wstring& key, const std::wstring& value);
  HRESULT Register(const std::wstring& script);
  HRESULT Unregister(const std::wstring& script);
  const std::wstring& error() const { return error_; }

 private:
  HRESULT Run(const std::wstring& script, bool registering);

  std::map<std::wstring, std::wstring> replacements_;
  std::wstring error_;
};

// Writes (or removes) HKCR\CLSID\{clsid}\Implemented Categories\{catid} for each category, and
// HKCR\Component Categories\{catid} when it is missing. Required categories go under
// "Required Categories". Unregistering removes the category keys, and the "Implemented
// Categories" (or "Required Categories") key once it is empty; HKCR\Component Categories stays,
// as other classes may name the same category.
HRESULT RegisterClassImplCategories(REFCLSID clsid, ULONG count, const CATID* catids);
HRESULT UnRegisterClassImplCategories(REFCLSID clsid, ULONG count, const CATID* catids);
HRESULT RegisterClassReqCategories(REFCLSID clsid, ULONG count, const CATID* catids);
HRESULT UnRegisterClassReqCategories(REFCLSID clsid, ULONG count, const CATID* catids);

}  // namespace velk::reg
