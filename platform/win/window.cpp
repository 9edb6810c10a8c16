// Message dispatch: sending through a window's subclasses to its procedure, the default window
// procedure, and the small text helpers of the window table.
#include "platform/win/window.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {

State& S() {
  static State* s = new State();  // lives to process exit; windows may be destroyed late
  return *s;
}

thread_local std::vector<Frame> t_frames;
thread_local PendingSubclass t_pending;

LRESULT RunFrom(const WindowPtr& w, std::size_t count, UINT msg, WPARAM wp, LPARAM lp) {
  if (count > w->subclasses.size()) count = w->subclasses.size();
  if (count == 0) {
    WNDPROC p = w->proc;
    return p ? p(w->handle, msg, wp, lp) : DefWindowProcW(w->handle, msg, wp, lp);
  }
  SubclassEntry e = w->subclasses[count - 1];
  t_frames.push_back({w->handle, count - 1});
  struct Pop {
    ~Pop() { t_frames.pop_back(); }
  } pop;
  return e.proc(w->handle, msg, wp, lp, e.id, e.refData);
}

int CopyToBuffer(const std::wstring& text, LPWSTR buf, int cch) {
  if (!buf || cch <= 0) return 0;
  int n = static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(cch - 1)));
  std::wmemcpy(buf, text.data(), static_cast<std::size_t>(n));
  buf[n] = L'\0';
  return n;
}

void NotifyParentCommand(HWND control, WORD code) {
  WindowPtr w = Find(control);
  if (!w || !w->parent) return;
  SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
               reinterpret_cast<LPARAM>(control));
}

LRESULT NotifyParent(HWND control, NMHDR* header, UINT code) {
  WindowPtr w = Find(control);
  if (!w || !w->parent) return 0;
  header->hwndFrom = control;
  header->idFrom = static_cast<UINT_PTR>(w->id);
  header->code = code;
  return SendMessageW(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id),
                      reinterpret_cast<LPARAM>(header));
}

// Windows have no area of their own outside the client area; a framed top-level window's outer
// pixel answers as its border and, with a caption style, the band below it as its caption.
LRESULT DefaultHitTest(const Window& w, POINT screen) {
  RECT r{};
  GetWindowRect(w.handle, &r);
  if (!PtInRect(&r, screen)) return HTNOWHERE;
  if (w.parent) return HTCLIENT;
  bool framed = (w.style & WS_BORDER) || (w.style & WS_THICKFRAME);
  if (framed && (screen.x == r.left || screen.x == r.right - 1 || screen.y == r.top ||
                 screen.y == r.bottom - 1))
    return HTBORDER;
  if ((w.style & WS_CAPTION) == WS_CAPTION && screen.y < r.top + 1 + kCaptionHeight)
    return HTCAPTION;
  return HTCLIENT;
}

}  // namespace velk::win::detail

using namespace velk::win::detail;

LRESULT SendMessageW(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowPtr w = Find(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return RunFrom(w, w->subclasses.size(), msg, wp, lp);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return proc ? proc(h, msg, wp, lp) : 0;
}

LRESULT DefWindowProcW(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowPtr w = Find(h);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_SETTEXT: w->text = lp ? reinterpret_cast<LPCWSTR>(lp) : L""; return TRUE;
    case WM_GETTEXT:
      return CopyToBuffer(w->text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_SETFONT: w->font = reinterpret_cast<HFONT>(wp); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_CLOSE) SendMessageW(h, WM_CLOSE, 0, 0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) {
        HWND f = GetFocus();
        if (f != h && !IsChild(h, f)) SetFocus(h);
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_F1) {
        HELPINFO hi;
        hi.iContextType = HELPINFO_WINDOW;
        hi.iCtrlId = GetDlgCtrlID(h);
        hi.hItemHandle = h;
        hi.dwContextId = 0;
        SendMessageW(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
      }
      return 0;
    case WM_HELP: {
      HWND up = w->parent ? w->parent : w->owner;
      if (up) SendMessageW(up, WM_HELP, wp, lp);
      return TRUE;
    }
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(h, &p);
      SendMessageW(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h),
                   MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
      return 0;
    }
    case WM_CONTEXTMENU:
      if (w->parent) SendMessageW(w->parent, WM_CONTEXTMENU, wp, lp);
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(DefaultControlColors(msg, reinterpret_cast<HDC>(wp)));
    case WM_NCHITTEST: return DefaultHitTest(*w, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_PAINT: w->needsPaint = false; return 0;
    case WM_MOUSEACTIVATE: return 1;  // activate
    case WM_ERASEBKGND: return 1;
    default: return 0;
  }
}
