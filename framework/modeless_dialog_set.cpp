#include "framework/modeless_dialog_set.h"

#include "framework/corvane_module.h"
#include "platform/win/dialog.h"
#include "platform/win/message_queue.h"
#include "platform/win/thread.h"

namespace velk::corvane {

namespace {
// The set whose hook is installed: the hook procedure has no other way to find it.
ModelessDialogSet* g_hooked = nullptr;
}  // namespace

ModelessDialogSet::~ModelessDialogSet() {
  if (hook_) UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  if (g_hooked == this) g_hooked = nullptr;
}

HRESULT ModelessDialogSet::Register(HWND window) {
  if (!hook_) {
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, ModelessDialogGetMsgProc, DeliverableInstance(),
                              GetCurrentThreadId());
    if (!hook_) return E_UNEXPECTED;
    g_hooked = this;
  }
  windows_.insert(reinterpret_cast<std::uintptr_t>(window));
  return S_OK;
}

HRESULT ModelessDialogSet::Unregister(HWND window) {
  if (windows_.erase(reinterpret_cast<std::uintptr_t>(window)) == 0) return E_INVALIDARG;
  if (!windows_.empty() || !hook_) return S_OK;
  HRESULT hr = S_OK;
  if (!UnhookWindowsHookEx(hook_)) {
    DWORD err = GetLastError();
    hr = err > 0 ? HRESULT_FROM_WIN32(err) : S_OK;
  }
  hook_ = nullptr;
  if (g_hooked == this) g_hooked = nullptr;
  return hr;
}

LRESULT ModelessDialogSet::GetMsgProc(int code, WPARAM removal, LPARAM message) {
  auto* msg = reinterpret_cast<MSG*>(message);
  if (code >= 0 && removal == PM_REMOVE && msg && msg->message >= 0x100 && msg->message <= 0x108) {
    // Copy: a dialog handling the key may register or unregister windows.
    std::set<std::uintptr_t> windows = windows_;
    for (std::uintptr_t w : windows) {
      HWND h = reinterpret_cast<HWND>(w);
      if (!IsWindow(h)) continue;
      if (IsDialogMessageW(h, msg)) {
        msg->hwnd = nullptr;
        msg->message = WM_NULL;
        msg->wParam = 0;
        msg->lParam = 0;
        break;
      }
    }
  }
  return CallNextHookEx(hook_, code, removal, message);
}

ModelessDialogSet& ModelessDialogs() {
  static ModelessDialogSet set;
  return set;
}

HRESULT RegisterModelessDialog(HWND window) { return ModelessDialogs().Register(window); }
HRESULT UnregisterModelessDialog(HWND window) { return ModelessDialogs().Unregister(window); }
LRESULT ModelessDialogGetMsgProc(int code, WPARAM removal, LPARAM message) {
  return (g_hooked ? *g_hooked : ModelessDialogs()).GetMsgProc(code, removal, message);
}

}  // namespace velk::corvane
