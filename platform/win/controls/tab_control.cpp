// The tab control: tabs with text and item data; a user's choice of tab is announced with
// TCN_SELCHANGING (a TRUE answer refuses) and TCN_SELCHANGE.
#include <algorithm>

#include "platform/win/common_controls.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct Tab {
  std::wstring text;
  LPARAM param = 0;
  int image = -1;
};

struct TabData : WindowData {
  std::vector<Tab> tabs;
  int cur = -1;
};

LRESULT TabProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<TabData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<TabData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  int n = static_cast<int>(d->tabs.size());
  int iw = static_cast<int>(static_cast<std::intptr_t>(wp));
  bool valid = iw >= 0 && iw < n;
  switch (msg) {
    case TCM_INSERTITEMW: {
      auto* it = reinterpret_cast<const TCITEMW*>(lp);
      if (!it || iw < 0) return -1;
      Tab t;
      if ((it->mask & TCIF_TEXT) && it->pszText) t.text = it->pszText;
      if (it->mask & TCIF_PARAM) t.param = it->lParam;
      if (it->mask & TCIF_IMAGE) t.image = it->iImage;
      int at = std::min(iw, n);
      d->tabs.insert(d->tabs.begin() + at, t);
      if (d->cur < 0)
        d->cur = 0;
      else if (d->cur >= at && n > 0)
        ++d->cur;
      return at;
    }
    case TCM_DELETEITEM:
      if (!valid) return FALSE;
      d->tabs.erase(d->tabs.begin() + iw);
      if (d->cur == iw)
        d->cur = -1;
      else if (d->cur > iw)
        --d->cur;
      return TRUE;
    case TCM_DELETEALLITEMS:
      d->tabs.clear();
      d->cur = -1;
      return TRUE;
    case TCM_GETITEMCOUNT: return n;
    case TCM_GETCURSEL:
    case TCM_GETCURFOCUS: return d->cur;
    case TCM_SETCURSEL: {
      if (!valid) return -1;
      int old = d->cur;
      d->cur = iw;
      return old;
    }
    case TCM_SETCURFOCUS: {
      if (!valid || iw == d->cur) return 0;
      NMHDR nm;
      if (NotifyParent(h, &nm, static_cast<UINT>(TCN_SELCHANGING))) return 0;
      d->cur = iw;
      NotifyParent(h, &nm, static_cast<UINT>(TCN_SELCHANGE));
      return 0;
    }
    case TCM_GETITEMW: {
      auto* it = reinterpret_cast<TCITEMW*>(lp);
      if (!it || !valid) return FALSE;
      const Tab& t = d->tabs[static_cast<std::size_t>(iw)];
      if (it->mask & TCIF_TEXT) CopyToBuffer(t.text, it->pszText, it->cchTextMax);
      if (it->mask & TCIF_PARAM) it->lParam = t.param;
      if (it->mask & TCIF_IMAGE) it->iImage = t.image;
      return TRUE;
    }
    case TCM_SETITEMW: {
      auto* it = reinterpret_cast<const TCITEMW*>(lp);
      if (!it || !valid) return FALSE;
      Tab& t = d->tabs[static_cast<std::size_t>(iw)];
      if ((it->mask & TCIF_TEXT) && it->pszText) t.text = it->pszText;
      if (it->mask & TCIF_PARAM) t.param = it->lParam;
      if (it->mask & TCIF_IMAGE) t.image = it->iImage;
      return TRUE;
    }
    case TCM_ADJUSTRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return 0;
      // The tab row is 24 pixels high; the page has a 4-pixel margin.
      if (wp) {
        r->left -= 4;
        r->right += 4;
        r->top -= 28;
        r->bottom += 4;
      } else {
        r->left += 4;
        r->right -= 4;
        r->top += 28;
        r->bottom -= 4;
      }
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (wp == VK_RIGHT)
        SendMessageW(h, TCM_SETCURFOCUS, static_cast<WPARAM>(d->cur) + 1, 0);
      else if (wp == VK_LEFT && d->cur > 0)
        SendMessageW(h, TCM_SETCURFOCUS, static_cast<WPARAM>(d->cur - 1), 0);
      else
        return DefWindowProcW(h, msg, wp, lp);
      return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterTabClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = TabProc;
  wc.lpszClassName = WC_TABCONTROL;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
