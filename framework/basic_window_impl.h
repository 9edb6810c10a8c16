// The base of every dialog of Corvane: host access (its own HookStruct), the modal flag that
// decides how the dialog closes and whether destroying the object destroys the window, the
// help file, and the handlers of the help key and of the context-help menu. A dialog's message
// map sends WM_HELP to OnHelp and WM_CONTEXTMENU to OnContextMenu.
#pragma once

#include <string>
#include <vector>

#include "framework/corvane_module.h"
#include "framework/hook_struct.h"
#include "platform/win/responder.h"
#include "platform/win/window_impl.h"

namespace velk::corvane {

inline constexpr UINT kDialogHelpFileId = 3179;  // "velk_csTarvos.hlp"

// The (control id, control id) pairs of a dialog's visible children with a non-zero id, in the
// sibling order from the first child, closed by (0, 0).
std::vector<DWORD> ContextHelpIds(HWND dialog);

template <class T>
class CBasicWindowImpl : public ATL::CAxDialogImpl<T>, public CHookImpl<T> {
 public:
  CBasicWindowImpl() : m_helpFile(LoadResString(kDialogHelpFileId)) {
    this->m_hResourceInstance = ResourceInstance();
  }
  // A modeless dialog whose window still exists destroys it; a modal one leaves it alone. The
  // dialog's own parts are gone here, so the window is let go first and dies with default
  // handling (an owner that needs the dialog's handlers destroys the window earlier).
  ~CBasicWindowImpl() override {
    if (!m_bModal && ::IsWindow(this->m_hWnd)) {
      HWND h = this->m_hWnd;
      this->ReleaseWindowObject();
      ::DestroyWindow(h);
    }
  }
  CBasicWindowImpl(const CBasicWindowImpl&) = delete;
  CBasicWindowImpl& operator=(const CBasicWindowImpl&) = delete;

  // Refills the dialog's layer combo; nothing in dialogs without one.
  virtual void FillLayerCombo() {}
  // Runs before the dialog closes; nothing in every dialog.
  virtual void BeforeClose() {}

  // A modeless dialog is hidden (its window kept) and 1 is returned; a modal dialog ends with
  // the code.
  INT_PTR CloseDialog(int code) {
    BeforeClose();
    if (!m_bModal) {
      this->ShowWindow(SW_HIDE);
      return 1;
    }
    return ::EndDialog(this->m_hWnd, code);
  }

  LRESULT OnHelp(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    auto* info = reinterpret_cast<const HELPINFO*>(lParam);
    if (!info || info->iCtrlId == -1) return 0;
    if (m_helpFile.empty()) {
      bHandled = FALSE;
      return 0;
    }
    ::WinHelpW(this->m_hWnd, m_helpFile.c_str(), HELP_CONTEXTPOPUP,
               static_cast<ULONG_PTR>(info->iCtrlId));
    return 0;
  }

  LRESULT OnContextMenu(UINT, WPARAM wParam, LPARAM, BOOL&) {
    std::vector<DWORD> ids = ContextHelpIds(this->m_hWnd);
    ::WinHelpW(reinterpret_cast<HWND>(wParam), m_helpFile.c_str(), HELP_CONTEXTMENU,
               reinterpret_cast<ULONG_PTR>(ids.data()));
    return 0;
  }

  HookStruct& Hook() { return *this; }
  HWND WindowHandle() const { return this->m_hWnd; }

  // Set by the owner before the window is created: true runs modally.
  bool m_bModal = false;
  std::wstring m_helpFile;
};

}  // namespace velk::corvane
