#include "platform/productline/tarvos_settings.h"

namespace velk::productline {

std::wstring SettingKeyPath(SettingId id) {
  return std::wstring(kTarvosSettingsKey) + L"\\" + Decl(id).area;
}

}  // namespace velk::productline
