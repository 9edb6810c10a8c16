// Window geometry: rectangles, moves and sizes, coordinate mapping, system metrics and rectangle
// arithmetic.
#include "platform/win/window.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {

POINT ScreenOrigin(const Window& w) {
  POINT p{w.rect.left, w.rect.top};
  HWND parent = w.parent;
  while (parent) {
    WindowPtr pw = Find(parent);
    if (!pw) break;
    p.x += pw->rect.left;
    p.y += pw->rect.top;
    parent = pw->parent;
  }
  return p;
}

}  // namespace velk::win::detail

using namespace velk::win::detail;

BOOL GetWindowRect(HWND h, RECT* r) {
  WindowPtr w = Find(h);
  if (!w || !r) return FALSE;
  POINT o = ScreenOrigin(*w);
  *r = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND h, RECT* r) {
  WindowPtr w = Find(h);
  if (!w || !r) return FALSE;
  *r = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(h, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowPtr w = Find(h);
  if (!w) return FALSE;
  RECT r = w->rect;
  if (!(flags & SWP_NOMOVE)) {
    int wd = r.right - r.left, ht = r.bottom - r.top;
    r = {x, y, x + wd, y + ht};
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + cx;
    r.bottom = r.top + cy;
  }
  bool moved = r.left != w->rect.left || r.top != w->rect.top;
  bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
               (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
  w->rect = r;
  if (moved)
    SendMessageW(h, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(r.left), static_cast<WORD>(r.top)));
  if (sized)
    SendMessageW(
        h, WM_SIZE, 0,
        MAKELPARAM(static_cast<WORD>(r.right - r.left), static_cast<WORD>(r.bottom - r.top)));
  if (!(flags & SWP_NOZORDER) && !w->parent) {
    if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
  }
  if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST))
    BringWindowToTop(h);
  if (flags & SWP_SHOWWINDOW) ShowWindow(h, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(h, SW_HIDE);
  return TRUE;
}

BOOL ScreenToClient(HWND h, POINT* p) {
  WindowPtr w = Find(h);
  if (!w || !p) return FALSE;
  POINT o = ScreenOrigin(*w);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND h, POINT* p) {
  WindowPtr w = Find(h);
  if (!w || !p) return FALSE;
  POINT o = ScreenOrigin(*w);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

namespace {
thread_local POINT g_lastMessagePos{};
}  // namespace

namespace velk::win::detail {
void SetLastMessagePos(POINT screen) { g_lastMessagePos = screen; }
}  // namespace velk::win::detail

DWORD GetMessagePos() {
  return static_cast<DWORD>(static_cast<WORD>(g_lastMessagePos.x)) |
         (static_cast<DWORD>(static_cast<WORD>(g_lastMessagePos.y)) << 16);
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{}, b{};
  if (from) ClientToScreen(from, &a);
  if (to) ClientToScreen(to, &b);
  for (UINT i = 0; i < count; ++i) {
    points[i].x += a.x - b.x;
    points[i].y += a.y - b.y;
  }
  return MAKELONG(static_cast<WORD>(a.x - b.x), static_cast<WORD>(a.y - b.y));
}

namespace {

constexpr RECT kDefaultWorkArea{0, 0, 1920, 1040};
RECT g_workArea = kDefaultWorkArea;
POINT g_cursor{};

// The deepest visible, enabled-or-not child of a window under a point in its client area.
HWND DeepestChild(HWND h, POINT client) {
  WindowPtr w = Find(h);
  if (!w) return h;
  for (HWND c : w->children) {
    WindowPtr cw = Find(c);
    if (!cw || !(cw->style & WS_VISIBLE) || !PtInRect(&cw->rect, client)) continue;
    return DeepestChild(c, {client.x - cw->rect.left, client.y - cw->rect.top});
  }
  return h;
}

}  // namespace

namespace velk::win::detail {

void ResetScreen() {
  g_workArea = kDefaultWorkArea;
  g_cursor = {};
}

}  // namespace velk::win::detail

HWND WindowFromPoint(POINT p) {
  std::vector<HWND> tops = S().topLevels;
  // Topmost windows lie over the others.
  std::stable_partition(tops.begin(), tops.end(), [](HWND t) {
    WindowPtr w = Find(t);
    return w && (w->exStyle & WS_EX_TOPMOST);
  });
  for (HWND t : tops) {
    WindowPtr w = Find(t);
    if (!w || !(w->style & WS_VISIBLE) || !PtInRect(&w->rect, p)) continue;
    return DeepestChild(t, {p.x - w->rect.left, p.y - w->rect.top});
  }
  return nullptr;
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  *p = g_cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  g_cursor = {x, y};
  return TRUE;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return 1920;
  if (index == SM_CYSCREEN) return 1080;
  if (index == SM_CYMENU) return 20;
  if (index == SM_CYCAPTION) return kCaptionHeight;
  return 0;
}

BOOL SystemParametersInfoW(UINT action, UINT, void* out, UINT) {
  if (action == SPI_GETWORKAREA && out) {
    *static_cast<RECT*>(out) = g_workArea;
    return TRUE;
  }
  if (action == SPI_SETWORKAREA) {
    const RECT* r = static_cast<const RECT*>(out);
    g_workArea = r ? *r : kDefaultWorkArea;
    return TRUE;
  }
  return FALSE;
}

BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }

BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right &&
         a->bottom == b->bottom;
}

BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    SetRectEmpty(out);
    return FALSE;
  }
  *out = r;
  return TRUE;
}

BOOL SubtractRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r = *a;
  RECT common{};
  if (IntersectRect(&common, a, b)) {
    if (common.left <= r.left && common.right >= r.right) {  // b spans a's width
      if (common.top <= r.top)
        r.top = std::min(common.bottom, r.bottom);
      else if (common.bottom >= r.bottom)
        r.bottom = common.top;
    } else if (common.top <= r.top && common.bottom >= r.bottom) {  // b spans a's height
      if (common.left <= r.left)
        r.left = std::min(common.right, r.right);
      else if (common.right >= r.right)
        r.right = common.left;
    }
  }
  if (IsRectEmpty(&r)) {
    SetRectEmpty(out);
    return FALSE;
  }
  *out = r;
  return TRUE;
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = {left, top, right, bottom};
  return TRUE;
}

BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long p = static_cast<long long>(number) * numerator;
  long long d = denominator;
  bool neg = (p < 0) != (d < 0);
  long long ap = p < 0 ? -p : p, ad = d < 0 ? -d : d;
  long long q = (ap + ad / 2) / ad;
  return static_cast<int>(neg ? -q : q);
}
