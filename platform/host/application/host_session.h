// One running host: the application of a host kind with its document, the extension manager
// with the host's analysis extensions (Quentara, Sorrelin), its editor and further extensions
// created by class identifier, and the host classes that the system creates by class
// identifier. The
// host program and tests start one; while it runs, creating the extension manager gives this
// session's manager. One session at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/host/shell/command_bars.h"
#include "platform/host/shell/extension_manager.h"
#include "platform/host/application/host_application.h"

namespace velk::host {

struct HostSessionOptions {
  HostKind kind = HostKind::Map;
  HWND mainWindow = nullptr;
  // States the analysis extensions start in.
  LONG quentaraState = kExtensionEnabled;
  LONG sorrelinState = kExtensionEnabled;
  // Extensions created by class identifier and loaded after the analysis extensions, in order.
  std::vector<CLSID> extensions;
};

class HostSession {
 public:
  // Starts a session; null and a reason when another session runs or an extension cannot be
  // created or started.
  static std::unique_ptr<HostSession> Start(const HostSessionOptions& options,
                                            std::wstring* error = nullptr);
  // Ends the session: extensions shut down (last loaded first; they let their event sinks go),
  // the commands are released, then the application.
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  HostKind Kind() const { return app_->Kind(); }
  Application& App() { return *app_; }
  // The application as the hook the host hands to commands it creates.
  IApplication* Hook() { return app_.get(); }
  ComPtr<IDocument> Document();
  // A loaded extension by name (letter case ignored), or null.
  ComPtr<IExtension> FindExtension(const std::wstring& name);
  // Sets the configuration state of a loaded extension; E_INVALIDARG for an unknown name.
  HRESULT SetExtensionState(const std::wstring& name, LONG state);

  // What the host does when it creates a command: creates the class by ProgID (or braced class
  // identifier), sets the subtype when one is given, hands it the application as its hook and
  // keeps it in the document's command bars.
  HRESULT CreateCommand(const std::wstring& progId, LONG subType, ICommandItem** item);

  // The running session, or null.
  static HostSession* Current();

 private:
  HostSession() = default;
  ComPtr<Application> app_;
  ComPtr<ExtensionManager> manager_;
  std::vector<DWORD> classCookies_;
};

// The running application: creating this class gives the application of the host session
// that runs (E_FAIL when none does), as a component asks the host for the application it runs
// in.
inline constexpr CLSID CLSID_AppRef = MakeGuid("{86D889B1-9840-40D8-A13A-5DBB6C20D733}");
HRESULT CreateAppRef(IUnknown* outer, REFIID riid, void** ppv);

// Registers the host's creatable classes (map, globe, UID, operation stack, extension manager,
// the running application) in the process's class table; returns the cookies for
// RevokeProcessClass.
std::vector<DWORD> RegisterHostClasses();

}  // namespace velk::host
