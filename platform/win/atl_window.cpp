#include "platform/win/atl_window.h"

#include "platform/win/responder.h"

namespace ATL {

BOOL CWindow::FlashWindow(BOOL invert) { return ::FlashWindow(m_hWnd, invert); }
BOOL CWindow::WinHelp(LPCWSTR file, UINT command, ULONG_PTR data) {
  return ::WinHelpW(m_hWnd, file, command, data);
}

}  // namespace ATL
