// Text and state of windows: text, visibility, enabled state, focus, activation, capture and
// repainting.
#include "platform/win/window.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

using namespace velk::win::detail;

int GetWindowTextW(HWND h, LPWSTR buf, int cch) {
  if (!buf || cch <= 0) return 0;
  buf[0] = L'\0';
  return static_cast<int>(
      SendMessageW(h, WM_GETTEXT, static_cast<WPARAM>(cch), reinterpret_cast<LPARAM>(buf)));
}

int GetWindowTextLengthW(HWND h) {
  return static_cast<int>(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND h, LPCWSTR text) {
  if (!IsWindow(h)) return FALSE;
  return SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND h, int cmd) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  bool was = (w->style & WS_VISIBLE) != 0;
  bool show = cmd != SW_HIDE && cmd != SW_MINIMIZE;
  if (show != was) {
    SendMessageW(h, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!IsWindow(h)) return was;
    if (show) {
      w->style |= WS_VISIBLE;
      w->needsPaint = true;
    } else {
      w->style &= ~WS_VISIBLE;
    }
  }
  State& s = S();
  if (!w->parent) {
    if (show && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE) {
      SetActiveWindow(h);
    } else if (!show && s.active == h) {
      s.active = nullptr;
      if (IsWindow(w->owner) && IsWindowVisible(w->owner)) SetActiveWindow(w->owner);
    }
  } else if (!show && s.focus && (s.focus == h || IsChild(h, s.focus))) {
    SetFocus(GetAncestor(h, GA_ROOT));
  }
  return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND h) {
  WindowPtr w = Find(h);
  while (w) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!w->parent) return TRUE;
    w = Find(w->parent);
  }
  return FALSE;
}

BOOL EnableWindow(HWND h, BOOL enable) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    State& s = S();
    if (s.focus && (s.focus == h || IsChild(h, s.focus))) SetFocus(nullptr);
  }
  SendMessageW(h, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND h) {
  WindowPtr w = Find(h);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

HWND SetFocus(HWND h) {
  State& s = S();
  if (h && !IsWindow(h)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (h) {
    HWND root = GetAncestor(h, GA_ROOT);
    if (root != s.active) SetActiveWindow(root);
  }
  HWND old = s.focus;
  if (old == h) return old;
  s.focus = h;
  if (old && IsWindow(old)) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(h), 0);
  if (h && s.focus == h && IsWindow(h))
    SendMessageW(h, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  State& s = S();
  if (s.focus && !IsWindow(s.focus)) s.focus = nullptr;
  return s.focus;
}

HWND SetActiveWindow(HWND h) {
  State& s = S();
  HWND old = s.active;
  if (h) {
    h = GetAncestor(h, GA_ROOT);
    if (!IsWindow(h)) return nullptr;
  }
  if (h) {
    auto& tops = s.topLevels;
    RemoveFromList(tops, h);
    tops.insert(tops.begin(), h);
  }
  if (old == h) return old;
  s.active = h;
  if (old && IsWindow(old))
    SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(h));
  if (h && s.active == h)
    SendMessageW(h, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
  return old;
}

HWND GetActiveWindow() {
  State& s = S();
  if (s.active && !IsWindow(s.active)) s.active = nullptr;
  return s.active;
}

BOOL BringWindowToTop(HWND h) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  if (w->parent) {
    WindowPtr p = Find(w->parent);
    RemoveFromList(p->children, h);
    p->children.insert(p->children.begin(), h);
    return TRUE;
  }
  SetActiveWindow(h);
  return TRUE;
}

HWND GetCapture() { return S().capture; }

HWND SetCapture(HWND h) {
  HWND old = S().capture;
  S().capture = IsWindow(h) ? h : nullptr;
  return old;
}

BOOL ReleaseCapture() {
  S().capture = nullptr;
  return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT*, BOOL) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  ++w->invalidations;
  w->needsPaint = true;
  return TRUE;
}

BOOL UpdateWindow(HWND h) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  if (w->needsPaint && IsWindowVisible(h)) SendMessageW(h, WM_PAINT, 0, 0);
  return TRUE;
}

namespace velk::win {

std::wstring WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  int got = GetWindowTextW(h, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(got));
  return s;
}

int InvalidationCount(HWND h) {
  WindowPtr w = Find(h);
  return w ? w->invalidations : 0;
}

}  // namespace velk::win
