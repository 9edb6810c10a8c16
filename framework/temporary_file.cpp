#include "framework/temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cwchar>

#include "platform/com/unknown.h"
#include "platform/com/text.h"

namespace velk::corvane {

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

}  // namespace velk::corvane
