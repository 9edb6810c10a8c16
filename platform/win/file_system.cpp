#include "platform/win/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <random>

#include "platform/com/text.h"
#include "platform/win/thread.h"

namespace {
constexpr DWORD kFileNotFound = 2;
}

DWORD GetFileAttributesW(LPCWSTR path) {
  struct stat st {};
  if (!path || ::stat(velk::ToUtf8(path).c_str(), &st) != 0) {
    SetLastError(kFileNotFound);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
  return a ? a : FILE_ATTRIBUTE_NORMAL;
}

BOOL PathFileExistsW(LPCWSTR path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

DWORD GetFullPathNameW(LPCWSTR path, DWORD cch, LPWSTR buffer, LPWSTR* filePart) {
  if (!path || !*path) return 0;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(velk::ToUtf8(path), ec);
  if (ec) return 0;
  std::wstring full = velk::FromUtf8(p.lexically_normal().string());
  if (!buffer || cch <= full.size()) return static_cast<DWORD>(full.size() + 1);
  std::wmemcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart) {
    std::size_t slash = full.find_last_of(L'/');
    *filePart =
        slash == std::wstring::npos || slash + 1 == full.size() ? nullptr : buffer + slash + 1;
  }
  return static_cast<DWORD>(full.size());
}

wchar_t* _wmktemp(wchar_t* nameTemplate) {
  if (!nameTemplate) return nullptr;
  std::size_t n = std::wcslen(nameTemplate);
  if (n < 6 || std::wcscmp(nameTemplate + n - 6, L"XXXXXX") != 0) return nullptr;
  static const wchar_t kChars[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 gen{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, 35);
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (std::size_t i = n - 6; i < n; ++i) nameTemplate[i] = kChars[pick(gen)];
    if (!PathFileExistsW(nameTemplate)) return nameTemplate;
  }
  return nullptr;
}

int _wrename(const wchar_t* from, const wchar_t* to) {
  if (!from || !to) {
    errno = EINVAL;
    return -1;
  }
  return std::rename(velk::ToUtf8(from).c_str(), velk::ToUtf8(to).c_str()) == 0 ? 0 : -1;
}

int _wremove(const wchar_t* path) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  return std::remove(velk::ToUtf8(path).c_str()) == 0 ? 0 : -1;
}
