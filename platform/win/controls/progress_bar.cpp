// The progress bar: a position within a range, moved by set, delta and step (a step past the
// maximum starts again from the minimum).
#include <algorithm>

#include "platform/win/common_controls.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct ProgressData : WindowData {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
};

LRESULT ProgressProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<ProgressData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<ProgressData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  auto clamp = [&](long long v) {
    return static_cast<int>(std::clamp<long long>(v, d->low, std::max(d->low, d->high)));
  };
  switch (msg) {
    case PBM_SETRANGE: {
      LRESULT old = MAKELONG(static_cast<WORD>(d->low), static_cast<WORD>(d->high));
      d->low = LOWORD(static_cast<std::uintptr_t>(lp));
      d->high = HIWORD(static_cast<std::uintptr_t>(lp));
      d->pos = clamp(d->pos);
      return old;
    }
    case PBM_SETRANGE32: {
      LRESULT old = MAKELONG(static_cast<WORD>(d->low), static_cast<WORD>(d->high));
      d->low = static_cast<int>(static_cast<std::intptr_t>(wp));
      d->high = static_cast<int>(lp);
      d->pos = clamp(d->pos);
      return old;
    }
    case PBM_GETRANGE: {
      if (auto* r = reinterpret_cast<PBRANGE*>(lp)) {
        r->iLow = d->low;
        r->iHigh = d->high;
      }
      return wp ? d->low : d->high;
    }
    case PBM_SETPOS: {
      int old = d->pos;
      d->pos = clamp(static_cast<int>(static_cast<std::intptr_t>(wp)));
      InvalidateRect(h, nullptr, FALSE);
      return old;
    }
    case PBM_DELTAPOS: {
      int old = d->pos;
      d->pos =
          clamp(static_cast<long long>(d->pos) + static_cast<int>(static_cast<std::intptr_t>(wp)));
      return old;
    }
    case PBM_SETSTEP: {
      int old = d->step;
      d->step = static_cast<int>(static_cast<std::intptr_t>(wp));
      return old;
    }
    case PBM_GETSTEP: return d->step;
    case PBM_STEPIT: {
      int old = d->pos;
      long long next = static_cast<long long>(d->pos) + d->step;
      if (next > d->high) next = d->low + (next - d->high) % std::max(1, d->high - d->low);
      if (next < d->low) next = d->low;
      d->pos = static_cast<int>(next);
      InvalidateRect(h, nullptr, FALSE);
      return old;
    }
    case PBM_GETPOS: return d->pos;
    case PBM_SETBARCOLOR: return static_cast<LRESULT>(0xFF000000u);
    case PBM_SETMARQUEE: return TRUE;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterProgressClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ProgressProc;
  wc.lpszClassName = PROGRESS_CLASS;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
