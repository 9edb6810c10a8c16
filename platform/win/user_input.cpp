#include "platform/win/user_input.h"

#include "platform/win/common_controls.h"
#include "platform/win/message_queue.h"
#include "platform/win/window_internal.h"

namespace velk::win::user {

namespace {

bool IsClass(HWND h, const wchar_t* cls) { return detail::EqualsNoCase(WindowClassName(h), cls); }

void PostKeyMessage(UINT msg, UINT vk) {
  HWND f = GetFocus();
  if (!f) f = GetActiveWindow();
  PostMessageW(f, msg, vk, msg == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1);
}

}  // namespace

std::wstring Unreachable(HWND h) {
  if (!IsWindow(h)) return L"no such window";
  if (!IsWindowVisible(h)) return L"hidden";
  for (HWND w = h; w; w = GetAncestor(w, GA_PARENT))
    if (!IsWindowEnabled(w)) return L"disabled";
  return {};
}

std::wstring ClickButton(HWND button) {
  std::wstring why = Unreachable(button);
  if (!why.empty()) return why;
  if (!IsClass(button, WC_BUTTON)) return L"not a button";
  SendMessageW(button, BM_CLICK, 0, 0);
  return {};
}

std::wstring SetCheck(HWND button, bool checked) {
  std::wstring why = Unreachable(button);
  if (!why.empty()) return why;
  if (!IsClass(button, WC_BUTTON)) return L"not a button";
  bool now = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (now == checked) return {};
  SendMessageW(button, BM_CLICK, 0, 0);
  if ((SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) != checked)
    return L"the button did not change";
  return {};
}

std::wstring SetEditText(HWND edit, const std::wstring& text) {
  std::wstring why = Unreachable(edit);
  if (!why.empty()) return why;
  if (!IsClass(edit, WC_EDIT)) return L"not an edit";
  if (GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY) return L"read-only";
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  return {};
}

std::wstring Focus(HWND control) {
  std::wstring why = Unreachable(control);
  if (!why.empty()) return why;
  SetFocus(control);
  return {};
}

std::wstring SelectComboItem(HWND combo, int index) {
  std::wstring why = Unreachable(combo);
  if (!why.empty()) return why;
  if (!IsClass(combo, WC_COMBOBOX)) return L"not a combo box";
  int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  if (index < 0 || index >= n)
    return L"no item " + std::to_wstring(index) + L" (the list has " + std::to_wstring(n) + L")";
  SetFocus(combo);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  bool changed = SendMessageW(combo, CB_GETCURSEL, 0, 0) != index;
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (changed) detail::NotifyParentCommand(combo, CBN_SELCHANGE);
  detail::NotifyParentCommand(combo, CBN_SELENDOK);
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  return {};
}

std::wstring SelectComboText(HWND combo, const std::wstring& text) {
  if (!IsWindow(combo)) return L"no such window";
  LRESULT i = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(text.c_str()));
  if (i == CB_ERR) return L"no item \"" + text + L"\"";
  return SelectComboItem(combo, static_cast<int>(i));
}

std::wstring SelectListBoxItem(HWND list, int index) {
  std::wstring why = Unreachable(list);
  if (!why.empty()) return why;
  if (!IsClass(list, WC_LISTBOX)) return L"not a list box";
  int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  if (index < 0 || index >= n) return L"no item " + std::to_wstring(index);
  SetFocus(list);
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE));
  if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
    BOOL sel = SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
    SendMessageW(list, LB_SETSEL, sel ? FALSE : TRUE, index);
  } else {
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  if (style & LBS_NOTIFY) detail::NotifyParentCommand(list, LBN_SELCHANGE);
  return {};
}

std::wstring ClickListViewItem(HWND list, int index, bool onCheckBox, bool ctrl, bool shift) {
  std::wstring why = Unreachable(list);
  if (!why.empty()) return why;
  if (!IsClass(list, WC_LISTVIEW)) return L"not a list view";
  int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  if (index < 0 || index >= n) return L"no row " + std::to_wstring(index);
  RECT r{};
  r.left = onCheckBox ? LVIR_ICON : LVIR_LABEL;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  POINT p{onCheckBox ? (kListViewStateIconLeft + kListViewStateIconRight) / 2 : r.left + 1,
          (r.top + r.bottom) / 2};
  WPARAM keys = MK_LBUTTON | (ctrl ? MK_CONTROL : 0) | (shift ? MK_SHIFT : 0);
  SetKeyState(VK_CONTROL, ctrl);
  SetKeyState(VK_SHIFT, shift);
  SendMessageW(list, WM_LBUTTONDOWN, keys,
               MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  SendMessageW(list, WM_LBUTTONUP, keys & ~MK_LBUTTON,
               MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  SetKeyState(VK_CONTROL, false);
  SetKeyState(VK_SHIFT, false);
  return {};
}

std::wstring SelectTab(HWND tab, int index) {
  std::wstring why = Unreachable(tab);
  if (!why.empty()) return why;
  if (!IsClass(tab, WC_TABCONTROL)) return L"not a tab control";
  int n = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  if (index < 0 || index >= n) return L"no tab " + std::to_wstring(index);
  SendMessageW(tab, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
  return {};
}

std::wstring SelectTreeItem(HWND tree, HTREEITEM item) {
  std::wstring why = Unreachable(tree);
  if (!why.empty()) return why;
  if (!IsClass(tree, WC_TREEVIEW)) return L"not a tree view";
  SetFocus(tree);
  if (!SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)))
    return L"the item was not selected";
  NMHDR nm;
  detail::NotifyParent(tree, &nm, static_cast<UINT>(NM_CLICK));
  return {};
}

std::wstring MoveTrackBar(HWND track, int position) {
  std::wstring why = Unreachable(track);
  if (!why.empty()) return why;
  if (!IsClass(track, TRACKBAR_CLASS)) return L"not a track bar";
  SetFocus(track);
  SendMessageW(track, TBM_SETPOS, TRUE, position);
  int pos = static_cast<int>(SendMessageW(track, TBM_GETPOS, 0, 0));
  HWND parent = GetParent(track);
  UINT msg = (GetWindowLongPtrW(track, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  SendMessageW(parent, msg, MAKEWPARAM(TB_THUMBTRACK, static_cast<WORD>(pos)),
               reinterpret_cast<LPARAM>(track));
  SendMessageW(parent, msg, MAKEWPARAM(TB_THUMBPOSITION, static_cast<WORD>(pos)),
               reinterpret_cast<LPARAM>(track));
  SendMessageW(parent, msg, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(track));
  return {};
}

std::wstring ClickAt(HWND h, POINT p, bool right) {
  std::wstring why = Unreachable(h);
  if (!why.empty()) return why;
  LPARAM lp = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
  SendMessageW(h, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, lp);
  SendMessageW(h, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, lp);
  return {};
}

HWND MouseAt(UINT msg, POINT screen, WPARAM keys) {
  SetCursorPos(screen.x, screen.y);
  HWND target = GetCapture();
  if (!target) {
    target = WindowFromPoint(screen);
    if (!target) return nullptr;
    LRESULT hit =
        SendMessageW(target, WM_NCHITTEST, 0,
                     MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    if (hit != HTCLIENT) {
      UINT nc = msg - (WM_MOUSEMOVE - WM_NCMOUSEMOVE);
      PostMessageW(target, nc, static_cast<WPARAM>(hit),
                   MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
      return target;
    }
  }
  POINT p = screen;
  ScreenToClient(target, &p);
  PostMessageW(target, msg, keys, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  return target;
}

void PostKey(UINT vk, bool shift, bool ctrl) {
  if (shift) PostKeyMessage(WM_KEYDOWN, VK_SHIFT);
  if (ctrl) PostKeyMessage(WM_KEYDOWN, VK_CONTROL);
  PostKeyMessage(WM_KEYDOWN, vk);
  PostKeyMessage(WM_KEYUP, vk);
  if (ctrl) PostKeyMessage(WM_KEYUP, VK_CONTROL);
  if (shift) PostKeyMessage(WM_KEYUP, VK_SHIFT);
}

void PostText(const std::wstring& text) {
  for (wchar_t c : text) {
    UINT vk = 0;
    bool shift = false;
    if (KeyForChar(c, &vk, &shift)) {
      PostKey(vk, shift, false);
    } else {
      HWND f = GetFocus();
      PostMessageW(f ? f : GetActiveWindow(), WM_CHAR, static_cast<WPARAM>(c), 1);
    }
  }
}

std::wstring PressHelp(HWND h) {
  std::wstring why = Unreachable(h);
  if (!why.empty()) return why;
  SetFocus(h);
  SendMessageW(h, WM_KEYDOWN, VK_F1, 1);
  return {};
}

}  // namespace velk::win::user
