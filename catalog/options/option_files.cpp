#include "catalog/options/option_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <vector>

#include "platform/com/text.h"
#include "platform/productline/tarvos_settings.h"
#include "platform/registry/hive_file.h"
#include "platform/win/file_system.h"
#include "platform/win/thread.h"

namespace velk::corvane {
namespace {

constexpr const wchar_t* kSettingsKey = productline::kTarvosSettingsKey;

// The full path of a file name, or the name itself when it cannot be made full.
std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (!n) return path;
  std::wstring out(n, L'\0');
  DWORD got = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
  out.resize(got);
  return out;
}

// Whether the hive holds at least one area of the settings.
bool IsSettingsHive(const std::wstring& path) {
  std::vector<std::wstring> names;
  if (reg::ReadHiveSubKeys(path, &names) != ERROR_SUCCESS) return false;
  for (const auto& decl : productline::kSettingDecls)
    for (const auto& n : names)
      if (reg::NamesEqual(n, decl.area)) return true;
  return false;
}

// What the pages' controls can show of a number setting: one of a list, or a range.
struct SettingRange {
  const wchar_t* area;
  const wchar_t* name;
  std::vector<double> allowed;  // empty: any value in [min, max]
  double min = 0;
  double max = 0;
};

const std::vector<SettingRange>& SettingRanges() {
  static const std::vector<SettingRange> ranges = {
      {L"General", L"GeneralAzimuthUnits", {11, 1, 2, 3}},
      {L"General", L"GeneralDistanceUnits", {9, 3, 99, 10, 5, 6}},
      {L"CoordTool", L"CoordToolDMSHemiNSEW", {0, 1}},
      {L"CoordTool", L"CoordToolMGRSPrec", {}, 0, 5},
      {L"Geodesy", L"GeodesyLineType", {0, 1, 2}},
      {L"DataMan", L"DataManDTEDWireframe", {0, 1, 2}},
      {L"DataMan", L"DataManRPFWireframe", {0, 1, 2}},
      {L"DataMan", L"DataManVPFWireframe", {0, 1, 2}},
      {L"DDD", L"DDDRadials", {}, 0, 90},
      {L"DDD", L"DDDWireframe", {}, 0, 360},
  };
  return ranges;
}

std::wstring NumberText(double v) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%g", v);
  return text;
}

// The number a stored value holds: a DWORD as a signed number, a text as a number in the C
// locale; false for anything else.
bool StoredNumber(const reg::Value& v, double& out) {
  if (v.type == REG_DWORD) {
    out = static_cast<std::int32_t>(v.number);
    return true;
  }
  if (v.type != REG_SZ) return false;
  const std::string text = ToUtf8(v.text);
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && std::isfinite(out);
}

// Whether every setting of the hive that a page shows as a list or a range holds a value the
// page can show, and every on/off setting is on or off; else the first that does not, named.
bool SettingsInRange(const std::wstring& path, std::wstring& problem) {
  reg::detail::Node tree;
  std::string why;
  if (!reg::detail::ParseHive(ToUtf8(path), tree, why)) return true;  // refused later, whole
  for (const auto& decl : productline::kSettingDecls) {
    reg::detail::Node* area = tree.Child(decl.area);
    const reg::Value* value = area ? area->FindValue(decl.name) : nullptr;
    if (!value) continue;
    double number = 0;
    const bool isNumber = StoredNumber(*value, number);
    if (decl.type == productline::SettingType::Bool) {
      if (isNumber && (number == 0 || number == -1 || number == 1)) continue;
      problem = std::wstring(decl.name) + L" is neither on nor off";
      return false;
    }
    for (const SettingRange& r : SettingRanges()) {
      if (!reg::NamesEqual(r.area, decl.area) || !reg::NamesEqual(r.name, decl.name)) continue;
      const bool listed = std::find(r.allowed.begin(), r.allowed.end(), number) != r.allowed.end();
      const bool inRange = r.allowed.empty() && number >= r.min && number <= r.max;
      if (isNumber && (listed || inRange)) continue;
      problem = std::wstring(decl.name) + L" holds " +
                (isNumber ? NumberText(number) : std::wstring(L"no number")) +
                L", which the options cannot show";
      return false;
    }
  }
  return true;
}

}  // namespace

LONG SaveRegistryKeyToFile(HKEY root, const wchar_t* subKey, const wchar_t* file) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG r = RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_BACKUP_RESTORE, KEY_QUERY_VALUE,
                           nullptr, &key, &disposition);
  if (r != ERROR_SUCCESS) return r;
  r = RegSaveKeyW(key, file, nullptr);
  RegCloseKey(key);
  return r;
}

bool EnableBackupRestorePrivileges(HANDLE* token, BackupRestoreState* previous) {
  *token = nullptr;
  HANDLE t = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &t)) {
    std::printf("OpenProcessToken() failed with code %d\n", static_cast<int>(GetLastError()));
    return false;
  }
  BackupRestoreState wanted;
  wanted.PrivilegeCount = 2;
  bool ok = LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &wanted.Privileges[0].Luid) &&
            LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.Privileges[1].Luid);
  wanted.Privileges[0].Attributes = wanted.Privileges[1].Attributes = SE_PRIVILEGE_ENABLED;
  DWORD length = 0;
  ok = ok && AdjustTokenPrivileges(t, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                   sizeof(BackupRestoreState),
                                   reinterpret_cast<TOKEN_PRIVILEGES*>(previous), &length);
  if (!ok) {
    CloseHandle(t);
    return false;
  }
  *token = t;
  return true;
}

bool RestorePrivileges(HANDLE token, BackupRestoreState* previous) {
  if (!token) return false;
  AdjustTokenPrivileges(token, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(previous), 0, nullptr,
                        nullptr);
  bool ok = GetLastError() == 0;
  CloseHandle(token);
  return ok;
}

void SendMessageToDescendants(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool deep) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, message, wParam, lParam);
    if (deep && GetWindow(child, GW_CHILD))
      SendMessageToDescendants(child, message, wParam, lParam, deep);
  }
}

OptionFileResult SaveSettingsToFile(const std::wstring& path) {
  HANDLE token = nullptr;
  BackupRestoreState previous;
  if (!EnableBackupRestorePrivileges(&token, &previous)) return OptionFileResult::NoPrivileges;
  const std::wstring full = FullPath(path);
  // The new file is written whole under a working name beside the old one (so the rename stays
  // on one volume), then takes the name in one step: until then the old file keeps its name and
  // content, whatever stops the save.
  std::filesystem::path folder = std::filesystem::path(ToUtf8(full)).parent_path();
  std::wstring working = FromUtf8((folder / "fnXXXXXX").string());
  LONG r = ERROR_WRITE_FAULT;
  if (_wmktemp(working.data())) {
    r = SaveRegistryKeyToFile(HKEY_CURRENT_USER, kSettingsKey, working.c_str());
    if (r == ERROR_SUCCESS && _wrename(working.c_str(), full.c_str()) != 0) r = ERROR_WRITE_FAULT;
    if (r != ERROR_SUCCESS) _wremove(working.c_str());
  }
  RestorePrivileges(token, &previous);
  return r == ERROR_SUCCESS ? OptionFileResult::Done : OptionFileResult::Failed;
}

OptionFileResult LoadSettingsFromFile(const std::wstring& path, std::wstring* problem) {
  if (!IsSettingsHive(path)) return OptionFileResult::NotSettings;
  std::wstring outOfRange;
  if (!SettingsInRange(path, outOfRange)) {
    if (problem) *problem = outOfRange;
    return OptionFileResult::OutOfRange;
  }
  HANDLE token = nullptr;
  BackupRestoreState previous;
  if (!EnableBackupRestorePrivileges(&token, &previous)) return OptionFileResult::NoPrivileges;
  HKEY key = nullptr;
  LONG r = RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key);
  if (r == ERROR_SUCCESS) {
    r = RegRestoreKeyW(key, path.c_str(), REG_FORCE_RESTORE);
    RegCloseKey(key);
  }
  RestorePrivileges(token, &previous);
  return r == ERROR_SUCCESS ? OptionFileResult::Done : OptionFileResult::Failed;
}

}  // namespace velk::corvane
