// The track bar: a position within a range, moved by messages or by the user's keys, which
// report the move to the parent with WM_HSCROLL (WM_VSCROLL for TBS_VERT).
#include <algorithm>

#include "platform/win/common_controls.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct TrackData : WindowData {
  int low = 0;
  int high = 100;
  int pos = 0;
  int page = 20;
  int line = 1;
  int ticFreq = 1;
};

void Report(HWND h, WORD code, int pos) {
  HWND parent = GetParent(h);
  if (!parent) return;
  UINT msg = (GetWindowLongPtrW(h, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  SendMessageW(parent, msg, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(h));
}

LRESULT TrackProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<TrackData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<TrackData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  auto clamp = [&](long long v) {
    return static_cast<int>(std::clamp<long long>(v, d->low, std::max(d->low, d->high)));
  };
  switch (msg) {
    case TBM_GETPOS: return d->pos;
    case TBM_GETRANGEMIN: return d->low;
    case TBM_GETRANGEMAX: return d->high;
    case TBM_SETPOS:
      d->pos = clamp(static_cast<int>(lp));
      if (wp) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case TBM_SETRANGE:
      d->low = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp)));
      d->high = static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp)));
      d->pos = clamp(d->pos);
      return 0;
    case TBM_SETRANGEMIN:
      d->low = static_cast<int>(lp);
      d->pos = clamp(d->pos);
      return 0;
    case TBM_SETRANGEMAX:
      d->high = static_cast<int>(lp);
      d->pos = clamp(d->pos);
      return 0;
    case TBM_SETTICFREQ: d->ticFreq = static_cast<int>(static_cast<std::intptr_t>(wp)); return 0;
    case TBM_SETTIC:
    case TBM_CLEARTICS: return TRUE;
    case TBM_GETTIC: return -1;
    case TBM_SETPAGESIZE: {
      int old = d->page;
      d->page = static_cast<int>(lp);
      return old;
    }
    case TBM_GETPAGESIZE: return d->page;
    case TBM_SETLINESIZE: {
      int old = d->line;
      d->line = static_cast<int>(lp);
      return old;
    }
    case TBM_GETLINESIZE: return d->line;
    case WM_KEYDOWN: {
      int next = d->pos;
      WORD code = TB_ENDTRACK;
      switch (wp) {
        case VK_RIGHT:
        case VK_DOWN:
          next += d->line;
          code = TB_LINEDOWN;
          break;
        case VK_LEFT:
        case VK_UP:
          next -= d->line;
          code = TB_LINEUP;
          break;
        case VK_NEXT:
          next += d->page;
          code = TB_PAGEDOWN;
          break;
        case VK_PRIOR:
          next -= d->page;
          code = TB_PAGEUP;
          break;
        case VK_HOME:
          next = d->low;
          code = TB_TOP;
          break;
        case VK_END:
          next = d->high;
          code = TB_BOTTOM;
          break;
        default: return DefWindowProcW(h, msg, wp, lp);
      }
      d->pos = clamp(next);
      Report(h, code, d->pos);
      Report(h, TB_ENDTRACK, d->pos);
      return 0;
    }
    case WM_LBUTTONDOWN: SetFocus(h); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterTrackBarClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = TrackProc;
  wc.lpszClassName = TRACKBAR_CLASS;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
