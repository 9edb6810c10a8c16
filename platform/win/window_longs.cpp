// Window longs, properties and subclassing.
#include "platform/win/window.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

using namespace velk::win::detail;

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

namespace velk::win {

void SetCreationSubclass(SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData) {
  t_pending = {proc, id, refData};
}

}  // namespace velk::win
