#include "framework/scratch_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "framework/extension_lookup.h"
#include "platform/com/text.h"
#include "platform/com/unknown.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/workspace.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"

namespace velk::corvane {

namespace {

struct Sources {
  std::mutex lock;
  ScratchFolderSource outputWorkspace;
  ScratchFolderSource hostScratchWorkspace;
};

Sources& TheSources() {
  static Sources s;
  return s;
}

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

HRESULT HresultFromErrno(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS: return E_ACCESSDENIED;
    case ENOENT:
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case ENOMEM: return E_OUTOFMEMORY;
    case EEXIST: return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    default: return E_FAIL;
  }
}

[[noreturn]] void ThrowFileError(int err, const std::wstring& what, const std::wstring& path) {
  ThrowComError(HresultFromErrno(err), what + L" " + path + L": " + FromUtf8(std::strerror(err)));
}

bool ExistsAt(const std::wstring& path) {
  std::error_code ec;
  auto st = std::filesystem::symlink_status(ToUtf8(path), ec);
  return !ec && st.type() != std::filesystem::file_type::not_found &&
         st.type() != std::filesystem::file_type::none;
}

std::wstring Hex(unsigned n) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%X", n);
  return buf;
}

// Unique numbers are tried from a process-wide position seeded by the clock, as the platform's
// temporary-name maker does, so that runs rarely collide and a collision only costs a retry.
unsigned NextCandidate() {
  static std::atomic<unsigned> counter{
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                            static_cast<unsigned>(getpid()))};
  return counter.fetch_add(1) % 0xFFFFu + 1;  // 1 .. 0xFFFF
}

// Context of host object creations: in-process, handler, local and remote server.
constexpr DWORD kHostContext = 0x17;

// The path of a workspace object; E_POINTER when it is no workspace or names no path.
std::wstring WorkspacePath(IUnknown* object) {
  auto workspace = QueryAs<IWorkspace>(object);
  if (!workspace) ThrowComError(E_POINTER);
  Bstr path;
  if (FAILED(workspace->get_PathName(&path))) ThrowComError(E_POINTER);
  return path.str();
}

}  // namespace

std::wstring OutputWorkspaceFolder() {
  ComPtr<IZelExtension> extension;
  try {
    extension = FindZelExtension();
  } catch (const ComError&) {
    return {};  // no extension manager: no extension object either
  }
  if (!extension) return {};
  ComPtr<IZelSettings> settings;
  extension->get_Settings(settings.put());
  auto general = QueryAs<IGeneralSettings>(settings.get());
  if (!general) return {};
  ComPtr<IUnknown> workspace;
  general->get_GeneralOutputWorkspace(workspace.put());
  if (!workspace) return {};
  return WorkspacePath(workspace.get());
}

std::wstring HostScratchWorkspaceFolder() {
  ComPtr<IScratchWorkspaceFactory> factory;
  if (FAILED(CoCreateInstance(host::CLSID_ScratchWorkspaceFactory, nullptr, kHostContext,
                              IidOf<IScratchWorkspaceFactory>(), factory.put_void())) ||
      !factory)
    return {};
  ComPtr<IWorkspace> workspace;
  factory->get_DefaultScratchWorkspace(workspace.put());
  if (!workspace) return {};
  return WorkspacePath(workspace.get());
}

void SetScratchFolderSources(ScratchFolderSource outputWorkspace,
                             ScratchFolderSource hostScratchWorkspace) {
  auto& s = TheSources();
  std::lock_guard<std::mutex> guard(s.lock);
  s.outputWorkspace = std::move(outputWorkspace);
  s.hostScratchWorkspace = std::move(hostScratchWorkspace);
}

std::wstring TemporaryFolder() {
  std::error_code ec;
  std::filesystem::path scratch = std::filesystem::path(velk::reg::HostRoot()) / "scratch";
  std::filesystem::create_directories(scratch, ec);
  std::wstring folder;
  if (std::filesystem::is_directory(scratch, ec)) {
    folder = FromUtf8(std::filesystem::absolute(scratch, ec).string());
  } else {
    const char* env = std::getenv("TMPDIR");
    folder = env && *env ? FromUtf8(env) : std::wstring(L"/tmp");
  }
  if (folder.empty() || !IsSeparator(folder.back())) folder += L'/';
  return folder;
}

Bstr GetScratchFolder() {
  ScratchFolderSource first, second;
  {
    auto& s = TheSources();
    std::lock_guard<std::mutex> guard(s.lock);
    first = s.outputWorkspace;
    second = s.hostScratchWorkspace;
  }
  std::wstring folder = first ? first() : OutputWorkspaceFolder();
  if (folder.empty()) folder = second ? second() : HostScratchWorkspaceFolder();
  if (folder.empty()) folder = TemporaryFolder();
  if (!IsSeparator(folder.back())) folder += L'/';
  return Bstr(folder);
}

std::wstring ScratchWorkFolder(std::wstring_view name) {
  std::wstring folder = GetScratchFolder().str();
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  folder += L'/';
  folder += name;
  const std::string path = ToUtf8(folder);
  if (::mkdir(path.c_str(), 0777) != 0) {
    const int err = errno;
    std::error_code ec;
    if (err != EEXIST) ThrowFileError(err, L"Cannot create folder", folder);
    // Something else of that name is in the way.
    if (!std::filesystem::is_directory(path, ec))
      ThrowFileError(ENOTDIR, L"Cannot create folder", folder);
  }
  return folder;
}

Bstr MakeUniqueWorkFolder(const Bstr& subFolder, std::wstring_view tempPrefix,
                          std::wstring_view folderLetters) {
  const std::wstring parent = ScratchWorkFolder(subFolder.str()) + L'/';

  std::wstring prefix(tempPrefix.substr(0, 3));
  std::wstring letters(folderLetters.substr(0, 3));
  for (unsigned attempt = 0; attempt < 0xFFFFu; ++attempt) {
    std::wstring number = Hex(NextCandidate());
    std::wstring claim = parent + prefix + number + L".tmp";
    std::string claimUtf8 = ToUtf8(claim);
    int fd = ::open(claimUtf8.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      ThrowFileError(errno, L"Cannot create file", claim);
    }
    ::close(fd);

    std::wstring folder = parent + letters + number;
    const bool made = ::mkdir(ToUtf8(folder).c_str(), 0777) == 0;
    int err = errno;
    // The folder holds the number from now on; the claim would only be left as litter.
    if (made) {
      ::unlink(claimUtf8.c_str());
      return Bstr(folder);
    }
    // A folder of that name is left from an earlier run: never share it, try another number.
    ::unlink(claimUtf8.c_str());
    if (err != EEXIST) ThrowFileError(err, L"Cannot create folder", folder);
  }
  ThrowComError(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), L"No free work folder number in " + parent);
}

Bstr NextFreeNumberedFileName(std::wstring_view folder, std::wstring_view prefix,
                              std::wstring_view suffix) {
  std::wstring base(folder);
  if (!base.empty() && IsSeparator(base.back())) base.pop_back();
  base += L'/';
  wchar_t number[16];
  for (int n = 0; n < INT_MAX; ++n) {
    std::swprintf(number, 16, L"%04d", n);
    std::wstring name = std::wstring(prefix) + number + std::wstring(suffix);
    if (!ExistsAt(base + name)) return Bstr(name);
  }
  ThrowComError(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
                L"No free numbered name in " + std::wstring(folder));
}

}  // namespace velk::corvane
