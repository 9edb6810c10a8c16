// The tooltip control: a list of tools (a window, or an id within a window) with their texts;
// texts given as resource ids are loaded from the tool's module.
#include <algorithm>

#include "platform/win/common_controls.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect{};
  std::wstring text;
  bool callback = false;
  LPARAM param = 0;
};

struct TipData : WindowData {
  std::vector<Tool> tools;
  bool active = true;
  int maxWidth = -1;
};

std::wstring TextOf(const TOOLINFOW* ti) {
  if (!ti->lpszText || ti->lpszText == LPSTR_TEXTCALLBACKW) return {};
  if (IS_INTRESOURCE(ti->lpszText)) {
    std::wstring s;
    if (ti->hinst)
      ti->hinst->LoadString(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(ti->lpszText)), s);
    return s;
  }
  return ti->lpszText;
}

Tool* FindTool(TipData& d, const TOOLINFOW* ti) {
  for (auto& t : d.tools)
    if (t.hwnd == ti->hwnd && t.id == ti->uId) return &t;
  return nullptr;
}

// A callback tool's text: its window answers TTN_GETDISPINFOW with a text pointer, a resource
// id (with the module) or text in the notification's own buffer.
std::wstring AskText(HWND tip, const Tool& t) {
  NMTTDISPINFOW info;
  info.hdr.hwndFrom = tip;
  info.hdr.idFrom = t.id;
  info.hdr.code = TTN_GETDISPINFOW;
  info.uFlags = t.flags;
  info.lParam = t.param;
  if (!IsWindow(t.hwnd)) return {};
  SendMessageW(t.hwnd, WM_NOTIFY, static_cast<WPARAM>(t.id), reinterpret_cast<LPARAM>(&info));
  if (!info.lpszText) return info.szText;
  if (info.lpszText == LPSTR_TEXTCALLBACKW) return {};
  TOOLINFOW ti;
  ti.lpszText = info.lpszText;
  ti.hinst = info.hinst;
  return TextOf(&ti);
}

LRESULT TipProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<TipData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<TipData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  auto* ti = reinterpret_cast<TOOLINFOW*>(lp);
  switch (msg) {
    case TTM_ADDTOOLW: {
      if (!ti) return FALSE;
      Tool t;
      t.flags = ti->uFlags;
      t.hwnd = ti->hwnd;
      t.id = ti->uId;
      t.rect = ti->rect;
      t.text = TextOf(ti);
      t.callback = ti->lpszText == LPSTR_TEXTCALLBACKW;
      t.param = ti->lParam;
      if (Tool* old = FindTool(*d, ti))
        *old = t;
      else
        d->tools.push_back(t);
      return TRUE;
    }
    case TTM_DELTOOLW: {
      if (!ti) return 0;
      auto& v = d->tools;
      v.erase(std::remove_if(v.begin(), v.end(),
                             [&](const Tool& t) { return t.hwnd == ti->hwnd && t.id == ti->uId; }),
              v.end());
      return 0;
    }
    case TTM_UPDATETIPTEXTW:
      if (ti)
        if (Tool* t = FindTool(*d, ti)) t->text = TextOf(ti);
      return 0;
    case TTM_NEWTOOLRECTW:
      if (ti)
        if (Tool* t = FindTool(*d, ti)) t->rect = ti->rect;
      return 0;
    case TTM_GETTEXTW:
      if (ti)
        if (Tool* t = FindTool(*d, ti))
          CopyToBuffer(t->callback ? AskText(h, *t) : t->text, ti->lpszText,
                       wp ? static_cast<int>(wp) : 80);
      return 0;
    case TTM_GETTOOLINFOW: {
      if (!ti) return FALSE;
      Tool* t = FindTool(*d, ti);
      if (!t) return FALSE;
      ti->uFlags = t->flags;
      ti->rect = t->rect;
      ti->lParam = t->param;
      return TRUE;
    }
    case TTM_SETTOOLINFOW:
      if (ti)
        if (Tool* t = FindTool(*d, ti)) {
          t->flags = ti->uFlags;
          t->rect = ti->rect;
          t->text = TextOf(ti);
        }
      return 0;
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(d->tools.size());
    case TTM_ACTIVATE: d->active = wp != 0; return 0;
    case TTM_SETMAXTIPWIDTH: {
      int old = d->maxWidth;
      d->maxWidth = static_cast<int>(lp);
      return old;
    }
    case TTM_SETDELAYTIME:
    case TTM_POP: return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterToolTipClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = TipProc;
  wc.lpszClassName = TOOLTIPS_CLASS;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
