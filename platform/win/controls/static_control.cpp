// The static control: a label, frame or image; notifies clicks only with SS_NOTIFY.
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct StaticData : WindowData {
  HANDLE image = nullptr;
  HICON icon = nullptr;
};

LRESULT StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<StaticData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<StaticData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  switch (msg) {
    case STM_SETIMAGE: {
      HANDLE old = d->image;
      d->image = reinterpret_cast<HANDLE>(lp);
      InvalidateRect(h, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(d->image);
    case STM_SETICON: {
      HICON old = d->icon;
      d->icon = reinterpret_cast<HICON>(wp);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: return reinterpret_cast<LRESULT>(d->icon);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONUP:
      if (GetWindowLongPtrW(h, GWL_STYLE) & SS_NOTIFY) NotifyParentCommand(h, STN_CLICKED);
      return 0;
    case WM_SETTEXT:
      DefWindowProcW(h, msg, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterStaticClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = StaticProc;
  wc.lpszClassName = WC_STATIC;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
