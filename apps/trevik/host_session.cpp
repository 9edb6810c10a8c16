#include "apps/trevik/host_session.h"

#include <cstdio>
#include <filesystem>

#include "apps/trevik/commands.h"
#include "apps/trevik/failure_text.h"
#include "interfaces/zel_extension.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/registry/registry.h"
#include "platform/productline/product_line_classes.h"
#include "platform/productline/tarvos_environment.h"
#include "platform/productline/zel_extension.h"

namespace trevik {

using velk::ComPtr;
using velk::ToUtf8;

bool ParseHostKind(const std::string& word, velk::host::HostKind& kind) {
  if (word == "map")
    kind = velk::host::HostKind::Map;
  else if (word == "globe")
    kind = velk::host::HostKind::Globe;
  else if (word == "catalog")
    kind = velk::host::HostKind::Catalog;
  else
    return false;
  return true;
}

namespace {
// The host's install folder is the program's own: HKLM "SOFTWARE\\Velk\\Desktop10.0" InstallDir,
// with a trailing separator, where the graph templates are found.
void RegisterInstallFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  const std::wstring folder = exe.parent_path().wstring() + L"/";
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velk\\Desktop10.0", 0, nullptr, 0,
                      KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}
}  // namespace

std::unique_ptr<TrevikSession> TrevikSession::Start(velk::host::HostKind kind,
                                                    std::wstring* error) {
  RegisterInstallFolder();
  std::unique_ptr<TrevikSession> s(new TrevikSession());
  s->cookies_ = velk::productline::RegisterProductLineClasses();
  velk::host::HostSessionOptions options;
  options.kind = kind;
  options.extensions.push_back(velk::productline::CLSID_ZelExtension);
  s->host_ = velk::host::HostSession::Start(options, error);
  if (!s->host_) return nullptr;
  return s;
}

TrevikSession::~TrevikSession() {
  host_.reset();
  velk::productline::RevokeProductLineClasses(cookies_);
}

HRESULT TrevikSession::CreateCommand(const std::wstring& progId, LONG subType,
                                     ICommandItem** item) {
  return host_->CreateCommand(progId, subType, item);
}

std::wstring TrevikSession::Describe(ICommandItem* item) {
  ComPtr<IUnknown> object;
  item->get_Command(object.put());
  auto command = velk::QueryAs<ICommand>(object.get());
  if (!command) return L"(no command)";
  velk::Bstr caption;
  command->get_Caption(&caption);
  VARIANT_BOOL enabled = VARIANT_FALSE;
  HRESULT hr = command->get_Enabled(&enabled);
  HBITMAP bitmap = nullptr;
  command->get_Bitmap(&bitmap);
  std::wstring line = L"caption=\"" + caption.str() + L"\" enabled=";
  line += FAILED(hr) ? velk::HresultText(hr) : (enabled == VARIANT_TRUE ? L"yes" : L"no");
  line += bitmap ? L" bitmap=yes" : L" bitmap=no";
  if (velk::QueryAs<ITool>(object.get())) line += L" tool";
  return line;
}

namespace {
velk::productline::TarvosEnvironment* Environment(velk::host::HostSession& host) {
  auto zel = velk::QueryAs<IZelExtension>(host.FindExtension(L"Tarvos").get());
  if (!zel) return nullptr;
  ComPtr<IZelSettings> settings;
  zel->get_Settings(settings.put());
  return static_cast<velk::productline::TarvosEnvironment*>(settings.get());
}
}  // namespace

velk::ComPtr<ITool> TrevikSession::CurrentTool() {
  velk::ComPtr<ICommandItem> current;
  host_->App().get_CurrentTool(current.put());
  if (!current) return nullptr;
  velk::ComPtr<IUnknown> object;
  current->get_Command(object.put());
  return velk::QueryAs<ITool>(object.get());
}

HRESULT TrevikSession::GetSetting(const std::wstring& name, std::wstring& value) {
  auto* env = Environment(*host_);
  return env ? env->GetText(name, value) : E_FAIL;
}

HRESULT TrevikSession::SetSetting(const std::wstring& name, const std::wstring& value) {
  auto* env = Environment(*host_);
  return env ? env->SetText(name, value) : E_FAIL;
}

int RunHostSession(const std::string& kindWord, const std::vector<std::string>& libraries,
                   const std::vector<std::string>& steps) {
  velk::host::HostKind kind;
  if (!ParseHostKind(kindWord, kind)) {
    std::fprintf(stderr, "trevik: unknown host kind %s (map, globe or catalog)\n",
                 kindWord.c_str());
    return 2;
  }
  int status = 0;
  if (!libraries.empty() && RegisterLibraries(libraries, true) != 0) status = 1;
  std::wstring error;
  auto session = TrevikSession::Start(kind, &error);
  if (!session) {
    std::fprintf(stderr, "trevik: %s\n", ToUtf8(error).c_str());
    return 1;
  }
  std::printf("session %s\n", ToUtf8(velk::host::HostKindName(kind)).c_str());
  for (const std::string& step : steps) {
    std::wstring w = velk::FromUtf8(step);
    if (auto eq = w.find(L'='); eq != std::wstring::npos) {
      HRESULT hr = session->SetSetting(w.substr(0, eq), w.substr(eq + 1));
      if (FAILED(hr)) {
        std::fprintf(stderr, "trevik: setting %s: %s\n", step.c_str(),
                     ToUtf8(FailureText(hr)).c_str());
        status = 1;
      }
    } else if (!w.empty() && w.back() == L'?') {
      std::wstring value;
      HRESULT hr = session->GetSetting(w.substr(0, w.size() - 1), value);
      if (FAILED(hr)) {
        std::fprintf(stderr, "trevik: setting %s %s\n", step.c_str(),
                     ToUtf8(FailureText(hr)).c_str());
        status = 1;
      } else {
        std::printf("%s=%s\n", ToUtf8(w.substr(0, w.size() - 1)).c_str(), ToUtf8(value).c_str());
      }
    } else {
      ComPtr<ICommandItem> item;
      HRESULT hr = session->CreateCommand(w, 0, item.put());
      if (FAILED(hr)) {
        std::fprintf(stderr, "trevik: cannot create %s: %s\n", step.c_str(),
                     ToUtf8(FailureText(hr)).c_str());
        status = 1;
        continue;
      }
      std::printf("%s %s\n", step.c_str(), ToUtf8(session->Describe(item.get())).c_str());
    }
  }
  return status;
}

}  // namespace trevik
