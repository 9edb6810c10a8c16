// The combo box: an unsorted or sorted list of texts with item data, a current selection,
// prefix and exact-string searches (letter case ignored), and the CBN_* notifications.
#include <algorithm>

#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct Item {
  std::wstring text;
  LPARAM data = 0;
};

struct ComboData : WindowData {
  std::vector<Item> items;
  int cur = -1;
  bool dropped = false;
};

DWORD StyleOf(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)); }
bool IsDropList(HWND h) { return (StyleOf(h) & 0x3) == CBS_DROPDOWNLIST; }

// Searches from the item after start, wrapping; start -1 searches from the top.
LRESULT Search(const ComboData& d, int start, const std::wstring& text, bool exact) {
  int n = static_cast<int>(d.items.size());
  if (n == 0) return CB_ERR;
  int from = (start < -1 || start >= n) ? 0 : start + 1;
  for (int k = 0; k < n; ++k) {
    int i = (from + k) % n;
    const std::wstring& t = d.items[static_cast<std::size_t>(i)].text;
    if (exact ? EqualsNoCase(t, text) : StartsWithNoCase(t, text)) return i;
  }
  return CB_ERR;
}

void SyncText(HWND h, ComboData& d) {
  WindowPtr w = Find(h);
  if (!w) return;
  if (d.cur >= 0 && d.cur < static_cast<int>(d.items.size()))
    w->text = d.items[static_cast<std::size_t>(d.cur)].text;
  else if (IsDropList(h))
    w->text.clear();
}

LRESULT Insert(HWND h, ComboData& d, int index, const std::wstring& text) {
  int n = static_cast<int>(d.items.size());
  if (index < 0 || index > n) index = n;
  d.items.insert(d.items.begin() + index, Item{text, 0});
  if (d.cur >= index) ++d.cur;
  InvalidateRect(h, nullptr, TRUE);
  return index;
}

void SelectByUser(HWND h, ComboData& d, int index) {
  if (index < 0 || index >= static_cast<int>(d.items.size()) || index == d.cur) return;
  d.cur = index;
  SyncText(h, d);
  NotifyParentCommand(h, CBN_SELCHANGE);
}

LRESULT ComboProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<ComboData>();
    DefWindowProcW(h, msg, wp, lp);
    if (IsDropList(h))
      if (WindowPtr w = Find(h)) w->text.clear();
    return TRUE;
  }
  auto* d = DataOf<ComboData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  int n = static_cast<int>(d->items.size());
  auto valid = [&](WPARAM i) {
    return static_cast<std::intptr_t>(wp) >= 0 && static_cast<int>(i) < n;
  };
  switch (msg) {
    case CB_ADDSTRING: {
      std::wstring text = lp ? reinterpret_cast<LPCWSTR>(lp) : L"";
      int at = n;
      if (StyleOf(h) & CBS_SORT) {
        at = 0;
        while (at < n && CompareNoCase(d->items[static_cast<std::size_t>(at)].text, text) <= 0)
          ++at;
      }
      return Insert(h, *d, at, text);
    }
    case CB_INSERTSTRING:
      return Insert(h, *d, static_cast<int>(static_cast<std::intptr_t>(wp)),
                    lp ? reinterpret_cast<LPCWSTR>(lp) : L"");
    case CB_DELETESTRING: {
      if (!valid(wp)) return CB_ERR;
      int i = static_cast<int>(wp);
      d->items.erase(d->items.begin() + i);
      if (d->cur == i)
        d->cur = -1;
      else if (d->cur > i)
        --d->cur;
      SyncText(h, *d);
      return static_cast<LRESULT>(d->items.size());
    }
    case CB_RESETCONTENT:
      d->items.clear();
      d->cur = -1;
      if (IsDropList(h))
        if (WindowPtr w = Find(h)) w->text.clear();
      InvalidateRect(h, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT: return n;
    case CB_GETCURSEL: return d->cur;
    case CB_SETCURSEL: {
      int i = static_cast<int>(static_cast<std::intptr_t>(wp));
      if (i < 0 || i >= n) {
        d->cur = -1;
        SyncText(h, *d);
        return CB_ERR;
      }
      d->cur = i;
      SyncText(h, *d);
      InvalidateRect(h, nullptr, TRUE);
      return i;
    }
    case CB_GETLBTEXT: {
      if (!valid(wp)) return CB_ERR;
      const std::wstring& t = d->items[wp].text;
      if (!lp) return CB_ERR;
      std::wmemcpy(reinterpret_cast<LPWSTR>(lp), t.c_str(),
                   t.size() + 1);  // caller sized it by CB_GETLBTEXTLEN
      return static_cast<LRESULT>(t.size());
    }
    case CB_GETLBTEXTLEN:
      return valid(wp) ? static_cast<LRESULT>(d->items[wp].text.size()) : CB_ERR;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return Search(*d, static_cast<int>(static_cast<std::intptr_t>(wp)),
                    lp ? reinterpret_cast<LPCWSTR>(lp) : L"", msg == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      LRESULT i = Search(*d, static_cast<int>(static_cast<std::intptr_t>(wp)),
                         lp ? reinterpret_cast<LPCWSTR>(lp) : L"", false);
      if (i == CB_ERR) return CB_ERR;
      d->cur = static_cast<int>(i);
      SyncText(h, *d);
      return i;
    }
    case CB_GETITEMDATA: return valid(wp) ? d->items[wp].data : CB_ERR;
    case CB_SETITEMDATA:
      if (!valid(wp)) return CB_ERR;
      d->items[wp].data = lp;
      return CB_OKAY;
    case CB_SHOWDROPDOWN:
      if ((wp != 0) != d->dropped) {
        d->dropped = wp != 0;
        NotifyParentCommand(h, d->dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE: return d->dropped ? TRUE : FALSE;
    case CB_LIMITTEXT:
    case CB_SETITEMHEIGHT:
    case CB_SETDROPPEDWIDTH: return CB_OKAY;
    case CB_GETITEMHEIGHT: return 15;
    case WM_SETTEXT: {
      std::wstring text = lp ? reinterpret_cast<LPCWSTR>(lp) : L"";
      if (IsDropList(h)) {
        LRESULT i = Search(*d, -1, text, true);
        if (i == CB_ERR) return CB_ERR;
        d->cur = static_cast<int>(i);
        SyncText(h, *d);
        return TRUE;
      }
      if (WindowPtr w = Find(h)) w->text = text;
      return TRUE;
    }
    case WM_CHAR: {
      wchar_t c = static_cast<wchar_t>(wp);
      if (c < 0x20) return 0;
      if (IsDropList(h)) {
        LRESULT i = Search(*d, d->cur, std::wstring(1, c), false);
        if (i != CB_ERR) SelectByUser(h, *d, static_cast<int>(i));
        return 0;
      }
      if (WindowPtr w = Find(h)) w->text.push_back(c);
      NotifyParentCommand(h, CBN_EDITUPDATE);
      NotifyParentCommand(h, CBN_EDITCHANGE);
      return 0;
    }
    case WM_KEYDOWN:
      switch (wp) {
        case VK_DOWN: SelectByUser(h, *d, d->cur < 0 ? 0 : d->cur + 1); return 0;
        case VK_UP: SelectByUser(h, *d, d->cur - 1); return 0;
        case VK_HOME: SelectByUser(h, *d, 0); return 0;
        case VK_END: SelectByUser(h, *d, n - 1); return 0;
        default: return DefWindowProcW(h, msg, wp, lp);
      }
    case WM_LBUTTONDOWN: SetFocus(h); return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_SETFOCUS: NotifyParentCommand(h, CBN_SETFOCUS); return 0;
    case WM_KILLFOCUS:
      if (d->dropped) {
        d->dropped = false;
        NotifyParentCommand(h, CBN_CLOSEUP);
      }
      NotifyParentCommand(h, CBN_KILLFOCUS);
      return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterComboBoxClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ComboProc;
  wc.lpszClassName = WC_COMBOBOX;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
