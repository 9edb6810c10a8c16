#include "catalog/options/option_files.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/com/text.h"
#include "platform/productline/tarvos_settings.h"
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
  // The backup goes beside the file, so the renames stay on one volume.
  std::wstring backup;
  if (GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::filesystem::path folder = std::filesystem::path(ToUtf8(full)).parent_path();
    std::wstring name = FromUtf8((folder / "fnXXXXXX").string());
    if (!_wmktemp(name.data()) || _wrename(full.c_str(), name.c_str()) != 0) {
      RestorePrivileges(token, &previous);
      return OptionFileResult::Failed;
    }
    backup = name;
  }
  LONG r = SaveRegistryKeyToFile(HKEY_CURRENT_USER, kSettingsKey, full.c_str());
  if (r != ERROR_SUCCESS) {
    if (!backup.empty()) _wrename(backup.c_str(), full.c_str());
  } else if (!backup.empty()) {
    _wremove(backup.c_str());
  }
  RestorePrivileges(token, &previous);
  return r == ERROR_SUCCESS ? OptionFileResult::Done : OptionFileResult::Failed;
}

OptionFileResult LoadSettingsFromFile(const std::wstring& path) {
  if (!IsSettingsHive(path)) return OptionFileResult::NotSettings;
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
