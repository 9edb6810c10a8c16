#include "platform/win/atl_window.h"

#include "platform/win/responder.h"

namespace ATL {

BOOL CWindow::FlashWindow(BOOL invert) { return ::FlashWindow(m_hWnd, invert); }

}  // namespace ATL
