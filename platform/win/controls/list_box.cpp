// The list box: texts with item data, single or multiple selection, searches, and the LBN_*
// notifications (with LBS_NOTIFY).
#include <algorithm>

#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct Item {
  std::wstring text;
  LPARAM data = 0;
  bool selected = false;
};

struct ListBoxData : WindowData {
  std::vector<Item> items;
  int cur = -1;  // single selection; the caret in multiple selection
  int top = 0;
};

DWORD StyleOf(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)); }
bool IsMulti(HWND h) { return (StyleOf(h) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

LRESULT Search(const ListBoxData& d, int start, const std::wstring& text, bool exact) {
  int n = static_cast<int>(d.items.size());
  if (n == 0) return LB_ERR;
  int from = (start < -1 || start >= n) ? 0 : start + 1;
  for (int k = 0; k < n; ++k) {
    int i = (from + k) % n;
    const std::wstring& t = d.items[static_cast<std::size_t>(i)].text;
    if (exact ? EqualsNoCase(t, text) : StartsWithNoCase(t, text)) return i;
  }
  return LB_ERR;
}

LRESULT Insert(ListBoxData& d, int index, const std::wstring& text) {
  int n = static_cast<int>(d.items.size());
  if (index < 0 || index > n) index = n;
  d.items.insert(d.items.begin() + index, Item{text, 0, false});
  if (d.cur >= index) ++d.cur;
  return index;
}

LRESULT ListBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<ListBoxData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<ListBoxData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  int n = static_cast<int>(d->items.size());
  int iw = static_cast<int>(static_cast<std::intptr_t>(wp));
  bool valid = iw >= 0 && iw < n;
  switch (msg) {
    case LB_ADDSTRING: {
      std::wstring text = lp ? reinterpret_cast<LPCWSTR>(lp) : L"";
      int at = n;
      if (StyleOf(h) & LBS_SORT) {
        at = 0;
        while (at < n && CompareNoCase(d->items[static_cast<std::size_t>(at)].text, text) <= 0)
          ++at;
      }
      return Insert(*d, at, text);
    }
    case LB_INSERTSTRING: return Insert(*d, iw, lp ? reinterpret_cast<LPCWSTR>(lp) : L"");
    case LB_DELETESTRING:
      if (!valid) return LB_ERR;
      d->items.erase(d->items.begin() + iw);
      if (d->cur == iw)
        d->cur = -1;
      else if (d->cur > iw)
        --d->cur;
      return static_cast<LRESULT>(d->items.size());
    case LB_RESETCONTENT:
      d->items.clear();
      d->cur = -1;
      return 0;
    case LB_GETCOUNT: return n;
    case LB_GETCURSEL:
      if (IsMulti(h)) return d->cur;
      return d->cur;
    case LB_SETCURSEL:
      if (IsMulti(h)) return LB_ERR;
      d->cur = valid ? iw : -1;
      for (std::size_t i = 0; i < d->items.size(); ++i)
        d->items[i].selected = static_cast<int>(i) == d->cur;
      return valid ? iw : LB_ERR;
    case LB_GETSEL: {
      int i = static_cast<int>(static_cast<std::intptr_t>(wp));
      if (i < 0 || i >= n) return LB_ERR;
      return IsMulti(h) ? (d->items[static_cast<std::size_t>(i)].selected ? 1 : 0)
                        : (d->cur == i ? 1 : 0);
    }
    case LB_SETSEL: {
      if (!IsMulti(h)) return LB_ERR;
      int i = static_cast<int>(lp);
      if (i == -1) {
        for (auto& it : d->items) it.selected = wp != 0;
        return 0;
      }
      if (i < 0 || i >= n) return LB_ERR;
      d->items[static_cast<std::size_t>(i)].selected = wp != 0;
      d->cur = i;
      return 0;
    }
    case LB_GETSELCOUNT: {
      if (!IsMulti(h)) return LB_ERR;
      return std::count_if(d->items.begin(), d->items.end(),
                           [](const Item& it) { return it.selected; });
    }
    case LB_GETSELITEMS: {
      if (!IsMulti(h) || !lp) return LB_ERR;
      int* out = reinterpret_cast<int*>(lp);
      int k = 0;
      for (int i = 0; i < n && k < iw; ++i)
        if (d->items[static_cast<std::size_t>(i)].selected) out[k++] = i;
      return k;
    }
    case LB_GETTEXT: {
      if (!valid || !lp) return LB_ERR;
      const std::wstring& t = d->items[static_cast<std::size_t>(iw)].text;
      std::wmemcpy(reinterpret_cast<LPWSTR>(lp), t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case LB_GETTEXTLEN:
      return valid ? static_cast<LRESULT>(d->items[static_cast<std::size_t>(iw)].text.size())
                   : LB_ERR;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return Search(*d, iw, lp ? reinterpret_cast<LPCWSTR>(lp) : L"", msg == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
      if (IsMulti(h)) return LB_ERR;
      LRESULT i = Search(*d, iw, lp ? reinterpret_cast<LPCWSTR>(lp) : L"", false);
      if (i != LB_ERR) SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return i;
    }
    case LB_GETITEMDATA: return valid ? d->items[static_cast<std::size_t>(iw)].data : LB_ERR;
    case LB_SETITEMDATA:
      if (!valid) return LB_ERR;
      d->items[static_cast<std::size_t>(iw)].data = lp;
      return LB_OKAY;
    case LB_GETTOPINDEX: return d->top;
    case LB_SETTOPINDEX:
      if (!valid) return LB_ERR;
      d->top = iw;
      return LB_OKAY;
    case LB_GETCARETINDEX: return d->cur;
    case LB_SETCARETINDEX:
      if (!valid) return LB_ERR;
      d->cur = iw;
      return LB_OKAY;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      if (StyleOf(h) & LBS_NOTIFY) NotifyParentCommand(h, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (StyleOf(h) & LBS_NOTIFY) NotifyParentCommand(h, LBN_KILLFOCUS);
      return 0;
    case WM_KEYDOWN: {
      int next = d->cur;
      if (wp == VK_DOWN)
        next = d->cur + 1;
      else if (wp == VK_UP)
        next = d->cur - 1;
      else if (wp == VK_HOME)
        next = 0;
      else if (wp == VK_END)
        next = n - 1;
      else
        return DefWindowProcW(h, msg, wp, lp);
      if (next < 0 || next >= n || next == d->cur) return 0;
      if (IsMulti(h))
        d->cur = next;
      else
        SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
      if (StyleOf(h) & LBS_NOTIFY) NotifyParentCommand(h, LBN_SELCHANGE);
      return 0;
    }
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterListBoxClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ListBoxProc;
  wc.lpszClassName = WC_LISTBOX;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
