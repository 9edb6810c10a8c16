#include "apps/trevik/commands.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "apps/trevik/host_session.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"

namespace trevik {

using velk::ToUtf8;

namespace {
using RegisterFn = HRESULT (*)();
using ErrorFn = const wchar_t* (*)();

std::string Absolute(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A running map host, as on a desktop where the host is installed; null (and why, on stderr)
// when it does not start.
std::unique_ptr<TrevikSession> StartMapHost() {
  std::wstring error;
  std::unique_ptr<TrevikSession> host = TrevikSession::Start(velk::host::HostKind::Map, &error);
  if (!host) std::fprintf(stderr, "trevik: the host does not start: %s\n", ToUtf8(error).c_str());
  return host;
}
}  // namespace

int RegisterLibraries(const std::vector<std::string>& libraries, bool doRegister) {
  if (libraries.empty()) {
    std::fprintf(stderr, "trevik: name at least one library\n");
    return 2;
  }
  int status = 0;
  const char* entry = doRegister ? "velkDllRegisterServer" : "velkDllUnregisterServer";
  for (const std::string& path : libraries) {
    velk::LoadedLibrary lib;
    std::wstring error;
    if (!velk::LoadLibraryOnce(Absolute(path), lib, error)) {
      std::fprintf(stderr, "trevik: %s\n", ToUtf8(error).c_str());
      status = 1;
      continue;
    }
    auto fn = reinterpret_cast<RegisterFn>(lib.Symbol(entry));
    if (!fn) {
      std::fprintf(stderr, "trevik: %s does not export %s\n", path.c_str(), entry);
      status = 1;
      continue;
    }
    HRESULT hr = fn();
    if (FAILED(hr)) {
      std::string why;
      if (auto err = reinterpret_cast<ErrorFn>(lib.Symbol("velkLastRegistrationError")))
        why = ToUtf8(err());
      std::fprintf(stderr, "trevik: %s of %s failed: %s%s%s\n", entry, path.c_str(),
                   ToUtf8(velk::HresultText(hr)).c_str(), why.empty() ? "" : ": ", why.c_str());
      status = 1;
      continue;
    }
    std::printf("%s %s\n", doRegister ? "registered" : "unregistered", path.c_str());
  }
  return status;
}

int ListClasses() {
  using velk::reg::Hive;
  std::vector<std::wstring> listed;
  for (const std::wstring& clsid : velk::reg::SubKeys(Hive::ClassesRoot, L"CLSID")) {
    listed.push_back(clsid);
    std::wstring key = L"CLSID\\" + clsid;
    std::wstring progId, description, categories;
    velk::reg::ReadString(Hive::ClassesRoot, key, L"", description);
    velk::reg::ReadString(Hive::ClassesRoot, key + L"\\VersionIndependentProgID", L"", progId);
    for (const std::wstring& cat :
         velk::reg::SubKeys(Hive::ClassesRoot, key + L"\\Implemented Categories")) {
      std::wstring name;
      if (!velk::reg::ReadString(Hive::ClassesRoot, key + L"\\Implemented Categories\\" + cat, L"",
                                 name) ||
          name.empty())
        velk::reg::ReadString(Hive::ClassesRoot, L"Component Categories\\" + cat, L"", name);
      if (!categories.empty()) categories += L",";
      categories += name.empty() ? cat : name;
    }
    std::printf("%s\t%s\t%s\t%s\n", ToUtf8(clsid).c_str(), ToUtf8(progId).c_str(),
                ToUtf8(description).c_str(), ToUtf8(categories).c_str());
  }
  // The host's own classes follow, as a desktop with the host installed lists them: those a
  // running host holds for the libraries to create.
  const std::unique_ptr<TrevikSession> host = StartMapHost();
  if (!host) return 1;
  for (const CLSID& id : velk::ProcessClassIds()) {
    const std::wstring clsid = velk::GuidToString(id);
    if (std::find(listed.begin(), listed.end(), clsid) != listed.end()) continue;
    std::printf("%s\t\t%s\t\n", ToUtf8(clsid).c_str(), kHostClassText);
  }
  return 0;
}

int CreateClasses(const std::vector<std::string>& progIds) {
  // The classes are created in a running host, as on a desktop where the host is installed:
  // its own classes (extension manager, layers, data manager) are there for them.
  const std::unique_ptr<TrevikSession> host = StartMapHost();
  if (!host) return 1;
  int status = 0;
  for (const std::string& name : progIds) {
    IUnknown* unk = nullptr;
    HRESULT hr = velk::CreateByProgId(velk::FromUtf8(name), &unk);
    std::printf("%s\t%s\n", name.c_str(), ToUtf8(velk::HresultText(hr)).c_str());
    if (FAILED(hr)) {
      std::wstring why = velk::LastActivationError();
      if (hr != CLASS_E_CLASSNOTAVAILABLE && !why.empty())
        std::fprintf(stderr, "trevik: %s\n", ToUtf8(why).c_str());
      status = 1;
    }
    if (unk) unk->Release();
  }
  return status;
}

}  // namespace trevik
