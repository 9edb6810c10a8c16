#include "platform/host/shell/result_settings.h"

#include "platform/com/out_param.h"
#include "platform/registry/registry.h"

namespace velk::host {
namespace {

class ResultSettings : public ComObjectRoot<ResultSettings, IResultSettings> {
 public:
  HRESULT get_AddResultsToMap(VARIANT_BOOL* add) override {
    if (!add) return E_POINTER;
    *add = VARIANT_TRUE;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHostSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return S_OK;
    DWORD value = 1, type = REG_NONE, size = sizeof value;
    if (RegQueryValueExW(key, kAddResultsToMapValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
      *add = ToVariantBool(value);
    RegCloseKey(key);
    return S_OK;
  }
  HRESULT put_AddResultsToMap(VARIANT_BOOL add) override {
    HKEY key = nullptr;
    LSTATUS s = RegCreateKeyExW(HKEY_CURRENT_USER, kHostSettingsKey, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (s != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<std::uint32_t>(s));
    DWORD value = add ? 1 : 0;
    s = RegSetValueExW(key, kAddResultsToMapValue, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(s));
  }
};

}  // namespace

HRESULT CreateResultSettingsObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ResultSettings>(outer, riid, ppv);
}

}  // namespace velk::host
