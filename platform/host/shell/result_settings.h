// The host's preferences for what tools do with their results, kept with the host's own
// settings under HKCU "Software\Velk\Desktop10.0\Trevik\Settings".
#pragma once

#include "platform/com/object.h"

struct IResultSettings : IUnknown {
  VELK_INTERFACE_ID("{8E4B9A63-1F27-4C5D-A0B8-6E2F3D7C9A15}")
  // Whether tools add the results they write to the map; true until the user turns it off.
  virtual HRESULT get_AddResultsToMap(VARIANT_BOOL* add) = 0;
  virtual HRESULT put_AddResultsToMap(VARIANT_BOOL add) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_ResultSettings = MakeGuid("{2AAF2B97-8381-469B-A2A7-FBD19AE43688}");
inline constexpr const wchar_t* kHostSettingsKey = L"Software\\Velk\\Desktop10.0\\Trevik\\Settings";
inline constexpr const wchar_t* kAddResultsToMapValue = L"AddResultsToMap";

HRESULT CreateResultSettingsObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
