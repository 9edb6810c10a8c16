// The module-wide set of modeless dialogs that get dialog keys. The host's message loop does
// not know these dialogs, so while the set holds windows a WH_GETMESSAGE hook on the
// user-interface thread offers every keyboard message taken from the queue to the registered
// dialogs (IsDialogMessageW) before the host sees it.
#pragma once

#include <cstdint>
#include <set>

#include "platform/win/window.h"

namespace velk::corvane {

class ModelessDialogSet {
 public:
  ModelessDialogSet() = default;
  // A hook still installed when the library unloads is removed: it would point into unloaded
  // code.
  ~ModelessDialogSet();
  ModelessDialogSet(const ModelessDialogSet&) = delete;
  ModelessDialogSet& operator=(const ModelessDialogSet&) = delete;

  // Installs the hook for the calling thread when none is installed (E_UNEXPECTED when that
  // fails; the window is not added), then adds the window once.
  HRESULT Register(HWND window);
  // Removes the window (E_INVALIDARG when it is not registered); the removal that empties the
  // set removes the hook, whose failure gives the thread's last error as an HRESULT. The hook
  // handle is forgotten either way.
  HRESULT Unregister(HWND window);
  // Offers a removed keyboard message (0x100 to 0x108) to the registered windows that still
  // exist, lowest handle first; the first that takes it ends the walk and the message is
  // emptied (window, id and parameters zero). Always passes the call on.
  LRESULT GetMsgProc(int code, WPARAM removal, LPARAM message);

  HHOOK Hook() const { return hook_; }
  std::size_t Count() const { return windows_.size(); }
  bool Contains(HWND window) const {
    return windows_.count(reinterpret_cast<std::uintptr_t>(window)) != 0;
  }

 private:
  HHOOK hook_ = nullptr;
  std::set<std::uintptr_t> windows_;  // ascending handle values
};

// The set of this library.
ModelessDialogSet& ModelessDialogs();

HRESULT RegisterModelessDialog(HWND window);
HRESULT UnregisterModelessDialog(HWND window);
LRESULT ModelessDialogGetMsgProc(int code, WPARAM removal, LPARAM message);

}  // namespace velk::corvane
