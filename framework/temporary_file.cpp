#include "framework/temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cwchar>
#include <filesystem>
#include <set>

#include "platform/com/unknown.h"
#include "platform/com/text.h"

namespace velk::corvane {

namespace {

namespace fs = std::filesystem;

// The names the files of the folder carry: each file's name up to its first dot.
std::set<std::string> NamesCarried(const std::wstring& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(ToUtf8(folder)), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string file = it->path().filename().string();
    names.insert(file.substr(0, file.find('.')));
  }
  return names;
}

}  // namespace

std::wstring CreateTemporaryFile(const std::wstring& folder, std::wstring_view prefix) {
  static std::atomic<unsigned> counter{
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFF)};
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'/' && base.back() != L'\\') base += L'/';
  base += std::wstring(prefix.substr(0, 3));
  for (unsigned attempt = 0; attempt < 0x10000u; ++attempt) {
    wchar_t number[16];
    std::swprintf(number, 16, L"%X", (counter++ & 0xFFFFu) + 1u);
    std::wstring path = base + number + L".tmp";
    const int fd = ::open(ToUtf8(path).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) ThrowComError(E_FAIL, L"Cannot create a temporary file in " + folder);
  }
  ThrowComError(E_FAIL, L"No free temporary file name in " + folder);
}

TemporaryNameClaim::TemporaryNameClaim(const std::wstring& folder, std::wstring_view prefix) {
  const std::set<std::string> carried = NamesCarried(folder);
  for (unsigned attempt = 0; attempt < 0x10000u; ++attempt) {
    const fs::path marker(ToUtf8(CreateTemporaryFile(folder, prefix)));
    const std::string name = marker.stem().string();
    if (!carried.count(name)) {
      marker_ = FromUtf8(marker.string());
      folder_ = FromUtf8(marker.parent_path().string()) + L"/";
      name_ = FromUtf8(name);
      return;
    }
    std::error_code ec;
    fs::remove(marker, ec);
  }
  ThrowComError(E_FAIL, L"No free temporary file name in " + folder);
}

TemporaryNameClaim::~TemporaryNameClaim() { Release(); }

void TemporaryNameClaim::Release() {
  if (marker_.empty()) return;
  std::error_code ec;
  fs::remove(fs::path(ToUtf8(marker_)), ec);
  marker_.clear();
}

}  // namespace velk::corvane
