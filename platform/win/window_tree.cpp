// The window tree: creating and destroying windows, parents, owners, children and lookups.
#include "platform/win/window.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {

WindowPtr Find(HWND h) {
  if (!h) return nullptr;
  auto& m = S().windows;
  auto it = m.find(Key(h));
  return it == m.end() ? nullptr : it->second;
}

void RemoveFromList(std::vector<HWND>& list, HWND h) {
  list.erase(std::remove(list.begin(), list.end(), h), list.end());
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
  DropWindowPixels(h);
  if (s.focus == h) s.focus = nullptr;
  if (s.capture == h) s.capture = nullptr;
  if (s.active == h) s.active = nullptr;
  w->destroyed = true;
  s.windows.erase(Key(h));
}

void DestroyAllWindows() {
  State& s = S();
  std::vector<HWND> tops = s.topLevels;
  for (HWND h : tops) DestroyWindow(h);
  s.focus = s.active = s.capture = nullptr;
}

}  // namespace velk::win::detail

using namespace velk::win::detail;

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

namespace velk::win {

std::vector<HWND> TopLevelWindows() { return S().topLevels; }

void ResetWindows() {
  DestroyAllWindows();
  ResetScreen();
}

void PaintPendingWindows() {
  std::vector<HWND> due;
  for (auto& [key, w] : S().windows)
    if (w->needsPaint && !w->destroying) due.push_back(w->handle);
  for (HWND h : due) UpdateWindow(h);
}

}  // namespace velk::win
