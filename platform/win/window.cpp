#include "platform/win/window.h"

#include <algorithm>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {

namespace {

struct State {
  std::map<std::uintptr_t, WindowPtr> windows;
  std::vector<WindowClassRecord> classes;
  std::vector<HWND> topLevels;  // front first
  std::uintptr_t nextHandle = 0x10000;
  ATOM nextAtom = 0xC000;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
};

State& S() {
  static State* s = new State();  // lives to process exit; windows may be destroyed late
  return *s;
}

struct Frame {
  HWND h;
  std::size_t remaining;  // subclass entries below the one running
};
thread_local std::vector<Frame> t_frames;

struct PendingSubclass {
  SUBCLASSPROC proc = nullptr;
  UINT_PTR id = 0;
  DWORD_PTR refData = 0;
};
thread_local PendingSubclass t_pending;

std::uintptr_t Key(HWND h) { return reinterpret_cast<std::uintptr_t>(h); }

WindowClassRecord* FindClass(LPCWSTR name) {
  auto& classes = S().classes;
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (auto& c : classes)
      if (c.atom == atom) return &c;
    return nullptr;
  }
  for (auto& c : classes)
    if (EqualsNoCase(c.name, name)) return &c;
  return nullptr;
}

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

void RemoveFromList(std::vector<HWND>& list, HWND h) {
  list.erase(std::remove(list.begin(), list.end(), h), list.end());
}

POINT ScreenOrigin(const Window& w) {
  POINT p{w.rect.left, w.rect.top};
  HWND parent = w.parent;
  while (parent) {
    WindowPtr pw = Find(parent);
    if (!pw) break;
    p.x += pw->rect.left;
    p.y += pw->rect.top;
    parent = pw->parent;
  }
  return p;
}

void SendDestroy(HWND h) {
  WindowPtr w = Find(h);
  if (!w) return;
  w->destroying = true;
  SendMessageW(h, WM_DESTROY, 0, 0);
  std::vector<HWND> kids = w->children;
  for (HWND c : kids) SendDestroy(c);
}

void SendNcDestroy(HWND h) {
  WindowPtr w = Find(h);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND c : kids) SendNcDestroy(c);
  SendMessageW(h, WM_NCDESTROY, 0, 0);
  State& s = S();
  if (w->parent) {
    if (WindowPtr p = Find(w->parent)) RemoveFromList(p->children, h);
  } else {
    RemoveFromList(s.topLevels, h);
  }
  DropWindowTimers(h);
  if (s.focus == h) s.focus = nullptr;
  if (s.capture == h) s.capture = nullptr;
  if (s.active == h) s.active = nullptr;
  w->destroyed = true;
  s.windows.erase(Key(h));
}

}  // namespace

WindowPtr Find(HWND h) {
  if (!h) return nullptr;
  auto& m = S().windows;
  auto it = m.find(Key(h));
  return it == m.end() ? nullptr : it->second;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int CompareNoCase(std::wstring_view a, std::wstring_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    wint_t x = std::towlower(a[i]);
    wint_t y = std::towlower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
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

void DestroyAllWindows() {
  State& s = S();
  std::vector<HWND> tops = s.topLevels;
  for (HWND h : tops) DestroyWindow(h);
  s.focus = s.active = s.capture = nullptr;
}

void RegisterStandardClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterStaticClass();
  RegisterEditClass();
  RegisterButtonClass();
  RegisterComboBoxClass();
  RegisterListBoxClass();
  RegisterListViewClass();
  RegisterTreeViewClass();
  RegisterTabClass();
  RegisterProgressClass();
  RegisterTrackBarClass();
  RegisterToolTipClass();
  RegisterDialogClass();
  WNDCLASSEXW wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = WC_PLAINWINDOW;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail

using namespace velk::win::detail;

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  WindowClassRecord c;
  c.name = wc->lpszClassName;
  c.style = wc->style;
  c.proc = wc->lpfnWndProc;
  c.wndExtra = wc->cbWndExtra;
  c.instance = wc->hInstance;
  c.icon = wc->hIcon;
  c.cursor = wc->hCursor;
  c.background = wc->hbrBackground;
  c.atom = S().nextAtom++;
  S().classes.push_back(c);
  return c.atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  WindowClassRecord* c = FindClass(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  auto& classes = S().classes;
  classes.erase(classes.begin() + (c - classes.data()));
  return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* out) {
  RegisterStandardClasses();
  WindowClassRecord* c = FindClass(className);
  if (!c || !out) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  out->style = c->style;
  out->lpfnWndProc = c->proc;
  out->cbWndExtra = c->wndExtra;
  out->hInstance = c->instance;
  out->hIcon = c->icon;
  out->hCursor = c->cursor;
  out->hbrBackground = c->background;
  out->lpszClassName = c->name.c_str();
  return c->atom;
}

int GetClassNameW(HWND h, LPWSTR buf, int cch) {
  WindowPtr w = Find(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CopyToBuffer(w->className, buf, cch);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE inst,
                     void* param) {
  RegisterStandardClasses();
  PendingSubclass pending = t_pending;
  t_pending = {};
  WindowClassRecord* cls = FindClass(className);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if ((style & WS_CHILD) && !IsWindow(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  State& s = S();
  auto w = std::make_shared<Window>();
  HWND h = reinterpret_cast<HWND>(s.nextHandle);
  s.nextHandle += 4;
  w->handle = h;
  w->className = cls->name;
  w->proc = cls->proc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->instance = inst;
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) {
    width = 640;
    height = 480;
  }
  w->rect = {x, y, x + width, y + height};
  if (style & WS_CHILD) {
    w->parent = parent;
    w->id = static_cast<LONG_PTR>(reinterpret_cast<std::intptr_t>(menuOrId));
    Find(parent)->children.push_back(h);
  } else {
    w->owner = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
    s.topLevels.insert(s.topLevels.begin(), h);
  }
  s.windows[Key(h)] = w;
  if (pending.proc) w->subclasses.push_back({pending.proc, pending.id, pending.refData});

  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = inst;
  cs.hMenu = menuOrId;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!SendMessageW(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!IsWindow(h) || SendMessageW(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!IsWindow(h)) return nullptr;
  SendMessageW(h, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
  if (style & WS_VISIBLE) ShowWindow(h, (style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
  return h;
}

BOOL DestroyWindow(HWND h) {
  WindowPtr w = Find(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return FALSE;
  State& s = S();
  w->destroying = true;
  // Owned windows go first.
  std::vector<HWND> owned;
  for (HWND t : s.topLevels) {
    WindowPtr tw = Find(t);
    if (tw && tw->owner == h) owned.push_back(t);
  }
  for (HWND t : owned) DestroyWindow(t);
  bool wasActive = s.active == h || (s.active && IsChild(h, s.active));
  if (s.focus && (s.focus == h || IsChild(h, s.focus))) s.focus = nullptr;
  if (s.capture && (s.capture == h || IsChild(h, s.capture))) s.capture = nullptr;
  if (!w->parent && (w->style & WS_VISIBLE)) {
    w->style &= ~WS_VISIBLE;
  }
  HWND owner = w->owner;
  w->destroying = false;
  SendDestroy(h);
  SendNcDestroy(h);
  if (wasActive) {
    s.active = nullptr;
    HWND next = IsWindow(owner) ? owner : nullptr;
    if (!next) {
      for (HWND t : s.topLevels)
        if (IsWindowVisible(t) && IsWindowEnabled(t)) {
          next = t;
          break;
        }
    }
    if (next) SetActiveWindow(next);
  }
  return TRUE;
}

BOOL IsWindow(HWND h) {
  WindowPtr w = Find(h);
  return w && !w->destroyed;
}

HWND GetParent(HWND h) {
  WindowPtr w = Find(h);
  if (!w) return nullptr;
  return w->parent ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  WindowPtr w = Find(child);
  if (!w || (newParent && !IsWindow(newParent))) return nullptr;
  State& s = S();
  HWND old = w->parent;
  if (old) {
    if (WindowPtr p = Find(old)) RemoveFromList(p->children, child);
  } else {
    RemoveFromList(s.topLevels, child);
  }
  if (newParent) {
    w->parent = newParent;
    w->style = (w->style & ~WS_POPUP) | WS_CHILD;
    Find(newParent)->children.push_back(child);
  } else {
    w->parent = nullptr;
    s.topLevels.insert(s.topLevels.begin(), child);
  }
  return old ? old : GetDesktopWindow();
}

HWND GetWindow(HWND h, UINT relation) {
  WindowPtr w = Find(h);
  if (!w) return nullptr;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (relation == GW_OWNER) return w->owner;
  std::vector<HWND>* list = &S().topLevels;
  if (w->parent) {
    WindowPtr p = Find(w->parent);
    if (!p) return nullptr;
    list = &p->children;
  }
  auto it = std::find(list->begin(), list->end(), h);
  if (it == list->end()) return nullptr;
  switch (relation) {
    case GW_HWNDFIRST: return list->front();
    case GW_HWNDLAST: return list->back();
    case GW_HWNDNEXT: return (it + 1 == list->end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == list->begin() ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

HWND GetAncestor(HWND h, UINT flags) {
  WindowPtr w = Find(h);
  if (!w) return nullptr;
  if (flags == GA_PARENT) return w->parent;
  HWND root = h;
  while (WindowPtr rw = Find(root)) {
    if (!rw->parent) break;
    root = rw->parent;
  }
  if (flags == GA_ROOT) return root;
  while (WindowPtr rw = Find(root)) {
    if (!rw->owner) break;
    root = rw->owner;
  }
  return root;
}

BOOL IsChild(HWND parent, HWND h) {
  if (!parent) return FALSE;
  WindowPtr w = Find(h);
  while (w && w->parent) {
    if (w->parent == parent) return TRUE;
    w = Find(w->parent);
  }
  return FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
  WindowPtr w = Find(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    WindowPtr cw = Find(c);
    if (cw && static_cast<int>(cw->id) == id) return c;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND h) {
  WindowPtr w = Find(h);
  return (w && w->parent) ? static_cast<int>(w->id) : 0;
}

HWND GetDesktopWindow() { return nullptr; }

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
    if (show)
      w->style |= WS_VISIBLE;
    else
      w->style &= ~WS_VISIBLE;
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

HWND GetForegroundWindow() { return GetActiveWindow(); }
BOOL SetForegroundWindow(HWND h) { return SetActiveWindow(h) != nullptr || GetActiveWindow() == h; }

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

BOOL GetWindowRect(HWND h, RECT* r) {
  WindowPtr w = Find(h);
  if (!w || !r) return FALSE;
  POINT o = ScreenOrigin(*w);
  *r = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND h, RECT* r) {
  WindowPtr w = Find(h);
  if (!w || !r) return FALSE;
  *r = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(h, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  RECT r = w->rect;
  if (!(flags & SWP_NOMOVE)) {
    int wd = r.right - r.left, ht = r.bottom - r.top;
    r = {x, y, x + wd, y + ht};
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + cx;
    r.bottom = r.top + cy;
  }
  bool moved = r.left != w->rect.left || r.top != w->rect.top;
  bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
               (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
  w->rect = r;
  if (moved)
    SendMessageW(h, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(r.left), static_cast<WORD>(r.top)));
  if (sized)
    SendMessageW(
        h, WM_SIZE, 0,
        MAKELPARAM(static_cast<WORD>(r.right - r.left), static_cast<WORD>(r.bottom - r.top)));
  if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST))
    BringWindowToTop(h);
  if (flags & SWP_SHOWWINDOW) ShowWindow(h, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(h, SW_HIDE);
  return TRUE;
}

BOOL ScreenToClient(HWND h, POINT* p) {
  WindowPtr w = Find(h);
  if (!w || !p) return FALSE;
  POINT o = ScreenOrigin(*w);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND h, POINT* p) {
  WindowPtr w = Find(h);
  if (!w || !p) return FALSE;
  POINT o = ScreenOrigin(*w);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{}, b{};
  if (from) ClientToScreen(from, &a);
  if (to) ClientToScreen(to, &b);
  for (UINT i = 0; i < count; ++i) {
    points[i].x += a.x - b.x;
    points[i].y += a.y - b.y;
  }
  return MAKELONG(static_cast<WORD>(a.x - b.x), static_cast<WORD>(a.y - b.y));
}

HWND ChildWindowFromPoint(HWND parent, POINT p) {
  WindowPtr w = Find(parent);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    WindowPtr cw = Find(c);
    if (cw && PtInRect(&cw->rect, p)) return c;
  }
  RECT client{};
  GetClientRect(parent, &client);
  return PtInRect(&client, p) ? parent : nullptr;
}

BOOL InvalidateRect(HWND h, const RECT*, BOOL) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  ++w->invalidations;
  return TRUE;
}

BOOL UpdateWindow(HWND h) { return IsWindow(h); }

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return 1920;
  if (index == SM_CYSCREEN) return 1080;
  if (index == SM_CYMENU) return 20;
  return 0;
}

BOOL SystemParametersInfoW(UINT action, UINT, void* out, UINT) {
  if (action == SPI_GETWORKAREA && out) {
    *static_cast<RECT*>(out) = {0, 0, 1920, 1040};
    return TRUE;
  }
  return FALSE;
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = {left, top, right, bottom};
  return TRUE;
}

BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long p = static_cast<long long>(number) * numerator;
  long long d = denominator;
  bool neg = (p < 0) != (d < 0);
  long long ap = p < 0 ? -p : p, ad = d < 0 ? -d : d;
  long long q = (ap + ad / 2) / ad;
  return static_cast<int>(neg ? -q : q);
}

LONG_PTR GetWindowLongPtrW(HWND h, int index) {
  WindowPtr w = Find(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_ID: return w->id;
    case GWLP_USERDATA: return w->userData;
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    default: break;
  }
  if (index < 0) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  auto it = w->extra.find(index);
  return it == w->extra.end() ? 0 : it->second;
}

LONG_PTR SetWindowLongPtrW(HWND h, int index, LONG_PTR value) {
  WindowPtr w = Find(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWL_STYLE:
      old = static_cast<LONG_PTR>(w->style);
      w->style = static_cast<DWORD>(value);
      return old;
    case GWL_EXSTYLE:
      old = static_cast<LONG_PTR>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      old = reinterpret_cast<LONG_PTR>(w->owner);
      if (!w->parent) w->owner = reinterpret_cast<HWND>(value);
      return old;
    default: break;
  }
  if (index < 0) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  old = w->extra[index];
  w->extra[index] = value;
  return old;
}

BOOL SetPropW(HWND h, LPCWSTR name, HANDLE value) {
  WindowPtr w = Find(h);
  if (!w || !name) return FALSE;
  w->props[name] = value;
  return TRUE;
}

HANDLE GetPropW(HWND h, LPCWSTR name) {
  WindowPtr w = Find(h);
  if (!w || !name) return nullptr;
  auto it = w->props.find(name);
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemovePropW(HWND h, LPCWSTR name) {
  WindowPtr w = Find(h);
  if (!w || !name) return nullptr;
  auto it = w->props.find(name);
  if (it == w->props.end()) return nullptr;
  HANDLE v = it->second;
  w->props.erase(it);
  return v;
}

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

BOOL SetWindowSubclass(HWND h, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData) {
  WindowPtr w = Find(h);
  if (!w || !proc) return FALSE;
  for (auto& e : w->subclasses)
    if (e.proc == proc && e.id == id) {
      e.refData = refData;
      return TRUE;
    }
  w->subclasses.push_back({proc, id, refData});
  return TRUE;
}

BOOL GetWindowSubclass(HWND h, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* refData) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  for (auto& e : w->subclasses)
    if (e.proc == proc && e.id == id) {
      if (refData) *refData = e.refData;
      return TRUE;
    }
  return FALSE;
}

BOOL RemoveWindowSubclass(HWND h, SUBCLASSPROC proc, UINT_PTR id) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  for (std::size_t i = 0; i < w->subclasses.size(); ++i)
    if (w->subclasses[i].proc == proc && w->subclasses[i].id == id) {
      w->subclasses.erase(w->subclasses.begin() + static_cast<std::ptrdiff_t>(i));
      // Frames below the removed entry keep their place.
      for (auto& f : t_frames)
        if (f.h == h && f.remaining > i) --f.remaining;
      return TRUE;
    }
  return FALSE;
}

LRESULT DefSubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowPtr w = Find(h);
  if (!w) return 0;
  for (auto it = t_frames.rbegin(); it != t_frames.rend(); ++it)
    if (it->h == h) return RunFrom(w, it->remaining, msg, wp, lp);
  return RunFrom(w, 0, msg, wp, lp);
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
    case WM_NCHITTEST: return 1;      // client area
    case WM_MOUSEACTIVATE: return 1;  // activate
    case WM_ERASEBKGND: return 1;
    default: return 0;
  }
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (!icc) return FALSE;
  RegisterStandardClasses();
  return TRUE;
}

void InitCommonControls() { RegisterStandardClasses(); }

namespace velk::win {

std::wstring WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  int got = GetWindowTextW(h, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(got));
  return s;
}

std::wstring WindowClassName(HWND h) {
  WindowPtr w = Find(h);
  return w ? w->className : std::wstring();
}

int InvalidationCount(HWND h) {
  WindowPtr w = Find(h);
  return w ? w->invalidations : 0;
}

std::vector<HWND> TopLevelWindows() { return S().topLevels; }

void ResetWindows() { DestroyAllWindows(); }

void SetCreationSubclass(SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData) {
  t_pending = {proc, id, refData};
}

}  // namespace velk::win
