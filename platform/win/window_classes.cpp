// Window classes: registration, lookup by name or atom, and the standard controls' classes.
#include "platform/win/window.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {

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

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (!icc) return FALSE;
  RegisterStandardClasses();
  return TRUE;
}

namespace velk::win {

std::wstring WindowClassName(HWND h) {
  WindowPtr w = Find(h);
  return w ? w->className : std::wstring();
}

}  // namespace velk::win
