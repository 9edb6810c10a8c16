// The registrar: runs registry scripts (.rgs text) to register or unregister, and the
// component-category registrar that writes "Implemented Categories".
#pragma once

#include <map>
#include <string>

#include "platform/com/base_types.h"

namespace velk::reg {

// Script grammar (under HKCR, HKCU or HKLM blocks):
//   HKCR { NoRemove CLSID { ForceRemove {guid} = s 'text' { val ThreadingModel = s 'Apartment'
//   InprocServer32 = s '%MODULE%' } } }
// Keys, default values (= s 'x' or = d 123), named values (val Name = s 'x' / d n), the
// NoRemove and ForceRemove flags, Delete, and %NAME% replacements. Registering creates keys and
// writes values (ForceRemove first deletes the key whole); unregistering deletes the keys the
// script names, except NoRemove ones, which are only descended into; a key is removed only when
// nothing the script did not write remains below it, unless it is ForceRemove.
// A malformed script fails with DISP_E_EXCEPTION-like E_FAIL and changes nothing; error()
// tells the line and what is wrong.
class Registrar {
 public:
  void AddReplacement(const std::wstring& key, const std::wstring& value);
  HRESULT Register(const std::wstring& script);
  HRESULT Unregister(const std::wstring& script);
  const std::wstring& error() const { return error_; }

 private:
  std::map<std::wstring, std::wstring> replacements_;
  std::wstring error_;
};

// Writes (or removes) HKCR\CLSID\{clsid}\Implemented Categories\{catid} for each category, and
// HKCR\Component Categories\{catid} when it is missing. Required categories go under
// "Required Categories".
HRESULT RegisterClassImplCategories(REFCLSID clsid, ULONG count, const CATID* catids);
HRESULT UnRegisterClassImplCategories(REFCLSID clsid, ULONG count, const CATID* catids);
HRESULT RegisterClassReqCategories(REFCLSID clsid, ULONG count, const CATID* catids);
HRESULT UnRegisterClassReqCategories(REFCLSID clsid, ULONG count, const CATID* catids);

}  // namespace velk::reg
