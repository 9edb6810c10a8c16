// The windowing library's window wrapper: CWindow holds a window handle and offers the
// windowing calls as members.
#pragma once

#include <string>

#include "platform/com/bstr.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/message_queue.h"
#include "platform/win/window.h"

namespace ATL {

class CWindow {
 public:
  HWND m_hWnd = nullptr;

  CWindow(HWND h = nullptr) : m_hWnd(h) {}
  CWindow& operator=(HWND h) {
    m_hWnd = h;
    return *this;
  }
  operator HWND() const { return m_hWnd; }
  static LPCWSTR GetWndClassName() { return nullptr; }

  void Attach(HWND h) { m_hWnd = h; }
  HWND Detach() {
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
  }

  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  BOOL DestroyWindow() {
    if (!::DestroyWindow(m_hWnd)) return FALSE;
    m_hWnd = nullptr;
    return TRUE;
  }
  LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
    return ::SendMessageW(m_hWnd, msg, wp, lp);
  }

  BOOL SetWindowText(LPCWSTR text) { return ::SetWindowTextW(m_hWnd, text); }
  int GetWindowText(LPWSTR buf, int cch) const { return ::GetWindowTextW(m_hWnd, buf, cch); }
  BOOL GetWindowText(BSTR& out) const {
    ::SysFreeString(out);
    out = velk::AllocBstr(velk::win::WindowText(m_hWnd));
    return out != nullptr;
  }
  std::wstring GetWindowText() const { return velk::win::WindowText(m_hWnd); }

  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  HWND SetFocus() { return ::SetFocus(m_hWnd); }
  BOOL BringWindowToTop() { return ::BringWindowToTop(m_hWnd); }
  HWND SetActiveWindow() { return ::SetActiveWindow(m_hWnd); }

  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND SetParent(HWND parent) { return ::SetParent(m_hWnd, parent); }
  HWND GetWindow(UINT relation) const { return ::GetWindow(m_hWnd, relation); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  BOOL IsChild(HWND h) const { return ::IsChild(m_hWnd, h); }

  BOOL GetWindowRect(RECT* r) const { return ::GetWindowRect(m_hWnd, r); }
  BOOL GetClientRect(RECT* r) const { return ::GetClientRect(m_hWnd, r); }
  BOOL MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) {
    return ::MoveWindow(m_hWnd, x, y, w, h, repaint);
  }
  BOOL MoveWindow(const RECT* r, BOOL repaint = TRUE) {
    return ::MoveWindow(m_hWnd, r->left, r->top, r->right - r->left, r->bottom - r->top, repaint);
  }
  BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
  }
  BOOL ScreenToClient(POINT* p) const { return ::ScreenToClient(m_hWnd, p); }
  BOOL ClientToScreen(POINT* p) const { return ::ClientToScreen(m_hWnd, p); }
  BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
  BOOL InvalidateRect(const RECT* r, BOOL erase = TRUE) {
    return ::InvalidateRect(m_hWnd, r, erase);
  }
  BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }

  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }

  BOOL SetDlgItemText(int id, LPCWSTR text) { return ::SetDlgItemTextW(m_hWnd, id, text); }
  BOOL SetDlgItemInt(int id, UINT v, BOOL isSigned = TRUE) {
    return ::SetDlgItemInt(m_hWnd, id, v, isSigned);
  }
  UINT GetDlgItemInt(int id, BOOL* ok = nullptr, BOOL isSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, id, ok, isSigned);
  }
  BOOL CheckDlgButton(int id, UINT check) { return ::CheckDlgButton(m_hWnd, id, check); }
  UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
  BOOL CheckRadioButton(int first, int last, int check) {
    return ::CheckRadioButton(m_hWnd, first, last, check);
  }
  LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return ::SendDlgItemMessageW(m_hWnd, id, msg, wp, lp);
  }
  HWND GetNextDlgTabItem(HWND control, BOOL previous = FALSE) const {
    return ::GetNextDlgTabItem(m_hWnd, control, previous);
  }
  HWND GetNextDlgGroupItem(HWND control, BOOL previous = FALSE) const {
    return ::GetNextDlgGroupItem(m_hWnd, control, previous);
  }

  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr) {
    return ::SetTimer(m_hWnd, id, elapse, proc);
  }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  HDC GetDC() { return ::GetDC(m_hWnd); }
  int ReleaseDC(HDC dc) { return ::ReleaseDC(m_hWnd, dc); }
  BOOL FlashWindow(BOOL invert);
};

}  // namespace ATL
