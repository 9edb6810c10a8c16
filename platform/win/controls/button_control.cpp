// The button control: push, default push, check, three-state, radio and group boxes, with
// automatic checking, image buttons and BN_CLICKED to the parent.
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct ButtonData : WindowData {
  WPARAM check = BST_UNCHECKED;
  bool pushed = false;
  HANDLE image = nullptr;
  UINT imageType = IMAGE_BITMAP;
};

DWORD TypeOf(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)) & BS_TYPEMASK; }

bool IsRadio(DWORD t) { return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON; }

// The radio buttons of the group a button belongs to (from the WS_GROUP before it to the next).
std::vector<HWND> GroupOf(HWND h) {
  std::vector<HWND> all, group;
  WindowPtr w = Find(h);
  if (!w || !w->parent) return {h};
  all = Find(w->parent)->children;
  std::size_t at = 0;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i] == h) at = i;
  std::size_t start = at;
  while (start > 0 && !(GetWindowLongPtrW(all[start], GWL_STYLE) & WS_GROUP)) --start;
  for (std::size_t i = start; i < all.size(); ++i) {
    if (i > start && (GetWindowLongPtrW(all[i], GWL_STYLE) & WS_GROUP)) break;
    group.push_back(all[i]);
  }
  return group;
}

void Click(HWND h, ButtonData& d) {
  DWORD t = TypeOf(h);
  if (t == BS_AUTOCHECKBOX) {
    d.check = d.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  } else if (t == BS_AUTO3STATE) {
    d.check = (d.check + 1) % 3;
  } else if (t == BS_AUTORADIOBUTTON) {
    for (HWND o : GroupOf(h))
      if (o != h && IsRadio(TypeOf(o)) && WindowClassName(o) == WC_BUTTON)
        SendMessageW(o, BM_SETCHECK, BST_UNCHECKED, 0);
    d.check = BST_CHECKED;
  }
  InvalidateRect(h, nullptr, TRUE);
  NotifyParentCommand(h, BN_CLICKED);
}

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<ButtonData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<ButtonData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  switch (msg) {
    case BM_GETCHECK: return static_cast<LRESULT>(d->check);
    case BM_SETCHECK: {
      DWORD t = TypeOf(h);
      WPARAM v = wp;
      if (t != BS_3STATE && t != BS_AUTO3STATE && v == BST_INDETERMINATE) v = BST_CHECKED;
      if (t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON || t == BS_GROUPBOX) return 0;
      if (d->check != v) InvalidateRect(h, nullptr, TRUE);
      d->check = v;
      return 0;
    }
    case BM_GETSTATE:
      return static_cast<LRESULT>(d->check | (d->pushed ? BST_PUSHED : 0) |
                                  (GetFocus() == h ? BST_FOCUS : 0));
    case BM_SETSTATE: d->pushed = wp != 0; return 0;
    case BM_SETSTYLE: {
      DWORD st = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
      SetWindowLongPtrW(
          h, GWL_STYLE,
          static_cast<LONG_PTR>((st & 0xFFFF0000u) | (static_cast<DWORD>(wp) & 0xFFFF)));
      if (lp) InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (!IsWindowEnabled(h)) return 0;
      SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessageW(h, WM_LBUTTONUP, 0, 0);
      return 0;
    case BM_SETIMAGE: {
      HANDLE old = d->image;
      d->image = reinterpret_cast<HANDLE>(lp);
      d->imageType = static_cast<UINT>(wp);
      InvalidateRect(h, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
      return static_cast<UINT>(wp) == d->imageType ? reinterpret_cast<LRESULT>(d->image) : 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (TypeOf(h) == BS_GROUPBOX) return 0;
      SetFocus(h);
      d->pushed = true;
      return 0;
    case WM_LBUTTONUP:
      if (d->pushed) {
        d->pushed = false;
        Click(h, *d);
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE) {
        d->pushed = true;
        return 0;
      }
      return DefWindowProcW(h, msg, wp, lp);
    case WM_KEYUP:
      if (wp == VK_SPACE && d->pushed) {
        d->pushed = false;
        Click(h, *d);
      }
      return 0;
    case WM_GETDLGCODE: {
      DWORD t = TypeOf(h);
      if (t == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (t == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (IsRadio(t)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (t == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON;
    }
    case WM_SETFOCUS:
      if (GetWindowLongPtrW(h, GWL_STYLE) & BS_NOTIFY) NotifyParentCommand(h, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      d->pushed = false;
      if (GetWindowLongPtrW(h, GWL_STYLE) & BS_NOTIFY) NotifyParentCommand(h, BN_KILLFOCUS);
      return 0;
    case WM_SETTEXT:
      DefWindowProcW(h, msg, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterButtonClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ButtonProc;
  wc.lpszClassName = WC_BUTTON;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
