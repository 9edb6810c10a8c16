// A host session of the host program: the product line's classes registered in the process, a
// host of the chosen kind with its document and extensions (the analysis extensions and the
// extension object), and commands created by ProgID and handed the application as their hook,
// as the host does when it creates a command.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/host/shell/command.h"
#include "platform/host/application/host_session.h"

namespace trevik {

// "map" (Trevik), "globe" (Kuvalo) or "catalog"; false for any other word.
bool ParseHostKind(const std::string& word, velk::host::HostKind& kind);

class TrevikSession {
 public:
  // Null and a reason when the session cannot start.
  static std::unique_ptr<TrevikSession> Start(velk::host::HostKind kind,
                                              std::wstring* error = nullptr);
  ~TrevikSession();
  TrevikSession(const TrevikSession&) = delete;
  TrevikSession& operator=(const TrevikSession&) = delete;

  velk::host::HostSession& Host() { return *host_; }

  // Creates a command by ProgID (subtype 0: none), hands it the hook and keeps it in the
  // document's command bars.
  HRESULT CreateCommand(const std::wstring& progId, LONG subType, ICommandItem** item);
  // One line about a created command: caption, enabled state, bitmap present.
  std::wstring Describe(ICommandItem* item);

  // The host's current tool; null when none is chosen or the current command is no tool.
  velk::ComPtr<ITool> CurrentTool();

  // Settings of the extension object's environment by name, as text (see TarvosEnvironment).
  HRESULT GetSetting(const std::wstring& name, std::wstring& value);
  HRESULT SetSetting(const std::wstring& name, const std::wstring& value);

 private:
  TrevikSession() = default;
  std::vector<DWORD> cookies_;
  std::unique_ptr<velk::host::HostSession> host_;
};

// The "session" command: registers the libraries (velkDllRegisterServer), starts a host of
// the kind ("map", "globe", "catalog") and runs the steps in order: "NAME=VALUE" sets a
// setting, "NAME?" prints it, anything else is a ProgID to create, printed with its caption,
// enabled state and bitmap. Returns the exit status: 0, 1 when a step failed, 2 for a bad
// request.
int RunHostSession(const std::string& kind, const std::vector<std::string>& libraries,
                   const std::vector<std::string>& steps);

}  // namespace trevik
