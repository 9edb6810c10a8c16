// The list view in report layout: columns, rows with sub-item texts, item states (selection,
// focus, check-box state images), hit tests by the fixed row layout of common_controls.h, and
// the LVN_* and NM_* notifications.
#include <algorithm>

#include "platform/win/common_controls.h"
#include "platform/win/message_queue.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct Column {
  std::wstring text;
  int width = 0;
  int fmt = LVCFMT_LEFT;
};

struct Row {
  std::vector<std::wstring> texts;  // by sub-item
  UINT state = 0;
  LPARAM param = 0;
  int image = 0;
};

struct ListViewData : WindowData {
  std::vector<Column> columns;
  std::vector<Row> rows;
  DWORD exStyle = 0;
  int anchor = -1;
};

DWORD StyleOf(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)); }
int HeaderHeight(HWND h) { return (StyleOf(h) & LVS_NOCOLUMNHEADER) ? 0 : kListViewHeaderHeight; }
int TotalWidth(const ListViewData& d) {
  int w = 0;
  for (auto& c : d.columns) w += c.width;
  return w;
}
int FirstColumnRight(const ListViewData& d) { return d.columns.empty() ? 0 : d.columns[0].width; }

const std::wstring& TextOf(const Row& r, int sub) {
  static const std::wstring empty;
  return sub >= 0 && sub < static_cast<int>(r.texts.size()) ? r.texts[static_cast<std::size_t>(sub)]
                                                            : empty;
}

// Changes the state bits of one row, with LVN_ITEMCHANGING (a TRUE answer refuses) and
// LVN_ITEMCHANGED around it.
bool SetState(HWND h, ListViewData& d, int i, UINT state, UINT mask) {
  Row& r = d.rows[static_cast<std::size_t>(i)];
  UINT next = (r.state & ~mask) | (state & mask);
  if (next == r.state) return true;
  NMLISTVIEW nm;
  nm.iItem = i;
  nm.uNewState = next;
  nm.uOldState = r.state;
  nm.uChanged = LVIF_STATE;
  nm.lParam = r.param;
  if (NotifyParent(h, &nm.hdr, static_cast<UINT>(LVN_ITEMCHANGING))) return false;
  if (i >= static_cast<int>(d.rows.size())) return false;
  d.rows[static_cast<std::size_t>(i)].state = next;
  if (state & mask & LVIS_FOCUSED)
    for (std::size_t k = 0; k < d.rows.size(); ++k)
      if (static_cast<int>(k) != i && (d.rows[k].state & LVIS_FOCUSED))
        SetState(h, d, static_cast<int>(k), 0, LVIS_FOCUSED);
  if ((state & mask & LVIS_SELECTED) && (StyleOf(h) & LVS_SINGLESEL))
    for (std::size_t k = 0; k < d.rows.size(); ++k)
      if (static_cast<int>(k) != i && (d.rows[k].state & LVIS_SELECTED))
        SetState(h, d, static_cast<int>(k), 0, LVIS_SELECTED);
  NotifyParent(h, &nm.hdr, static_cast<UINT>(LVN_ITEMCHANGED));
  InvalidateRect(h, nullptr, TRUE);
  return true;
}

void ToggleCheck(HWND h, ListViewData& d, int i) {
  UINT img = (d.rows[static_cast<std::size_t>(i)].state & LVIS_STATEIMAGEMASK) >> 12;
  SetState(h, d, i, INDEXTOSTATEIMAGEMASK(img == 2 ? 1 : 2), LVIS_STATEIMAGEMASK);
}

RECT RowRect(HWND h, const ListViewData& d, int i) {
  int top = HeaderHeight(h) + i * kListViewRowHeight;
  return RECT{0, top, TotalWidth(d), top + kListViewRowHeight};
}

int HitTest(HWND h, const ListViewData& d, LVHITTESTINFO* info) {
  POINT p = info->pt;
  info->flags = LVHT_NOWHERE;
  info->iItem = -1;
  info->iSubItem = 0;
  int y = p.y - HeaderHeight(h);
  if (y < 0 || p.x < 0) return -1;
  int i = y / kListViewRowHeight;
  if (i >= static_cast<int>(d.rows.size())) return -1;
  bool checks = (d.exStyle & LVS_EX_CHECKBOXES) != 0;
  int labelLeft = checks ? kListViewLabelLeft : 2;
  if (checks && p.x >= kListViewStateIconLeft && p.x < kListViewStateIconRight) {
    info->flags = LVHT_ONITEMSTATEICON;
  } else if (p.x >= labelLeft && p.x < FirstColumnRight(d)) {
    info->flags = LVHT_ONITEMLABEL;
  } else if (p.x < labelLeft) {
    info->flags = LVHT_ONITEMICON;
  } else if (p.x < TotalWidth(d) && (d.exStyle & LVS_EX_FULLROWSELECT)) {
    info->flags = LVHT_ONITEMLABEL;
  } else {
    return -1;
  }
  int x = 0;
  for (std::size_t c = 0; c < d.columns.size(); ++c) {
    if (p.x >= x && p.x < x + d.columns[c].width) info->iSubItem = static_cast<int>(c);
    x += d.columns[c].width;
  }
  info->iItem = i;
  return i;
}

int AutoWidth(const ListViewData& d, int col, bool header) {
  int w = 0;
  for (auto& r : d.rows) w = std::max(w, 6 * static_cast<int>(TextOf(r, col).size()));
  if (col == 0 && (d.exStyle & LVS_EX_CHECKBOXES)) w += kListViewLabelLeft;
  w += 12;
  if (header && col < static_cast<int>(d.columns.size()))
    w = std::max(w,
                 6 * static_cast<int>(d.columns[static_cast<std::size_t>(col)].text.size()) + 12);
  return w;
}

void Click(HWND h, ListViewData& d, WPARAM keys, POINT p, UINT notifyCode) {
  SetFocus(h);
  LVHITTESTINFO hit;
  hit.pt = p;
  int i = HitTest(h, d, &hit);
  bool ctrl = (keys & MK_CONTROL) != 0;
  bool shift = (keys & MK_SHIFT) != 0;
  if (i >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
    ToggleCheck(h, d, i);
  } else if (i >= 0) {
    if (ctrl && !(StyleOf(h) & LVS_SINGLESEL)) {
      UINT sel = d.rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED;
      SetState(h, d, i, (sel ? 0 : LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      d.anchor = i;
    } else if (shift && d.anchor >= 0 && !(StyleOf(h) & LVS_SINGLESEL)) {
      int a = std::min(d.anchor, i), b = std::max(d.anchor, i);
      for (int k = 0; k < static_cast<int>(d.rows.size()); ++k)
        SetState(h, d, k, (k >= a && k <= b) ? LVIS_SELECTED : 0, LVIS_SELECTED);
      SetState(h, d, i, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
      for (int k = 0; k < static_cast<int>(d.rows.size()); ++k)
        if (k != i) SetState(h, d, k, 0, LVIS_SELECTED);
      SetState(h, d, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      d.anchor = i;
    }
  } else if (!ctrl) {
    for (int k = 0; k < static_cast<int>(d.rows.size()); ++k) SetState(h, d, k, 0, LVIS_SELECTED);
  }
  NMITEMACTIVATE nm;
  nm.iItem = i;
  nm.iSubItem = hit.iSubItem;
  nm.ptAction = p;
  nm.uKeyFlags = (ctrl ? 0x0002u : 0u) | (shift ? 0x0004u : 0u);
  NotifyParent(h, &nm.hdr, notifyCode);
}

int Focused(const ListViewData& d) {
  for (std::size_t k = 0; k < d.rows.size(); ++k)
    if (d.rows[k].state & LVIS_FOCUSED) return static_cast<int>(k);
  return -1;
}

LRESULT ListViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<ListViewData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<ListViewData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  int n = static_cast<int>(d->rows.size());
  int iw = static_cast<int>(static_cast<std::intptr_t>(wp));
  switch (msg) {
    case LVM_GETITEMCOUNT: return n;
    case LVM_INSERTCOLUMNW: {
      auto* c = reinterpret_cast<const LVCOLUMNW*>(lp);
      if (!c) return -1;
      Column col;
      if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
      if (c->mask & LVCF_WIDTH) col.width = c->cx;
      if (c->mask & LVCF_FMT) col.fmt = c->fmt;
      int at = std::clamp(iw, 0, static_cast<int>(d->columns.size()));
      d->columns.insert(d->columns.begin() + at, col);
      return at;
    }
    case LVM_DELETECOLUMN:
      if (iw < 0 || iw >= static_cast<int>(d->columns.size())) return FALSE;
      d->columns.erase(d->columns.begin() + iw);
      for (auto& r : d->rows)
        if (iw < static_cast<int>(r.texts.size())) r.texts.erase(r.texts.begin() + iw);
      return TRUE;
    case LVM_GETCOLUMNW: {
      auto* c = reinterpret_cast<LVCOLUMNW*>(lp);
      if (!c || iw < 0 || iw >= static_cast<int>(d->columns.size())) return FALSE;
      const Column& col = d->columns[static_cast<std::size_t>(iw)];
      if (c->mask & LVCF_WIDTH) c->cx = col.width;
      if (c->mask & LVCF_FMT) c->fmt = col.fmt;
      if (c->mask & LVCF_TEXT) CopyToBuffer(col.text, c->pszText, c->cchTextMax);
      if (c->mask & LVCF_SUBITEM) c->iSubItem = iw;
      return TRUE;
    }
    case LVM_SETCOLUMNW: {
      auto* c = reinterpret_cast<const LVCOLUMNW*>(lp);
      if (!c || iw < 0 || iw >= static_cast<int>(d->columns.size())) return FALSE;
      Column& col = d->columns[static_cast<std::size_t>(iw)];
      if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
      if (c->mask & LVCF_WIDTH) col.width = c->cx;
      if (c->mask & LVCF_FMT) col.fmt = c->fmt;
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
      return (iw >= 0 && iw < static_cast<int>(d->columns.size()))
                 ? d->columns[static_cast<std::size_t>(iw)].width
                 : 0;
    case LVM_SETCOLUMNWIDTH: {
      if (iw < 0 || iw >= static_cast<int>(d->columns.size())) return FALSE;
      int cx = static_cast<int>(static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lp))));
      if (cx == LVSCW_AUTOSIZE)
        cx = AutoWidth(*d, iw, false);
      else if (cx == LVSCW_AUTOSIZE_USEHEADER)
        cx = AutoWidth(*d, iw, true);
      d->columns[static_cast<std::size_t>(iw)].width = cx;
      return TRUE;
    }
    case LVM_GETSTRINGWIDTHW:
      return lp ? 6 * static_cast<LRESULT>(std::wcslen(reinterpret_cast<LPCWSTR>(lp))) : 0;
    case LVM_INSERTITEMW: {
      auto* it = reinterpret_cast<const LVITEMW*>(lp);
      if (!it || it->iSubItem != 0) return -1;
      Row r;
      r.texts.resize(std::max<std::size_t>(1, d->columns.size()));
      if ((it->mask & LVIF_TEXT) && it->pszText && it->pszText != LPSTR_TEXTCALLBACKW)
        r.texts[0] = it->pszText;
      if (it->mask & LVIF_PARAM) r.param = it->lParam;
      if (it->mask & LVIF_IMAGE) r.image = it->iImage;
      if (it->mask & LVIF_STATE) r.state = it->state & it->stateMask;
      if ((d->exStyle & LVS_EX_CHECKBOXES) && !(r.state & LVIS_STATEIMAGEMASK))
        r.state |= INDEXTOSTATEIMAGEMASK(1);
      int at = std::clamp(it->iItem, 0, n);
      if (StyleOf(h) & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool asc = (StyleOf(h) & LVS_SORTASCENDING) != 0;
        at = 0;
        while (at < n) {
          int c = CompareNoCase(d->rows[static_cast<std::size_t>(at)].texts[0], r.texts[0]);
          if (asc ? c > 0 : c < 0) break;
          ++at;
        }
      }
      d->rows.insert(d->rows.begin() + at, r);
      if (d->anchor >= at) ++d->anchor;
      NMLISTVIEW nm;
      nm.iItem = at;
      nm.lParam = r.param;
      NotifyParent(h, &nm.hdr, static_cast<UINT>(LVN_INSERTITEM));
      InvalidateRect(h, nullptr, TRUE);
      return at;
    }
    case LVM_DELETEITEM: {
      if (iw < 0 || iw >= n) return FALSE;
      NMLISTVIEW nm;
      nm.iItem = iw;
      nm.lParam = d->rows[static_cast<std::size_t>(iw)].param;
      NotifyParent(h, &nm.hdr, static_cast<UINT>(LVN_DELETEITEM));
      if (iw < static_cast<int>(d->rows.size())) d->rows.erase(d->rows.begin() + iw);
      if (d->anchor == iw)
        d->anchor = -1;
      else if (d->anchor > iw)
        --d->anchor;
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case LVM_DELETEALLITEMS: {
      NMLISTVIEW nm;
      nm.iItem = -1;
      if (!NotifyParent(h, &nm.hdr, static_cast<UINT>(LVN_DELETEALLITEMS))) {
        for (int k = 0; k < static_cast<int>(d->rows.size()); ++k) {
          NMLISTVIEW one;
          one.iItem = k;
          one.lParam = d->rows[static_cast<std::size_t>(k)].param;
          NotifyParent(h, &one.hdr, static_cast<UINT>(LVN_DELETEITEM));
        }
      }
      d->rows.clear();
      d->anchor = -1;
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case LVM_SETITEMTEXTW: {
      auto* it = reinterpret_cast<const LVITEMW*>(lp);
      if (!it || iw < 0 || iw >= n || it->iSubItem < 0) return FALSE;
      Row& r = d->rows[static_cast<std::size_t>(iw)];
      if (static_cast<int>(r.texts.size()) <= it->iSubItem)
        r.texts.resize(static_cast<std::size_t>(it->iSubItem) + 1);
      r.texts[static_cast<std::size_t>(it->iSubItem)] = it->pszText ? it->pszText : L"";
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETITEMTEXTW: {
      auto* it = reinterpret_cast<LVITEMW*>(lp);
      if (!it || iw < 0 || iw >= n) return 0;
      return CopyToBuffer(TextOf(d->rows[static_cast<std::size_t>(iw)], it->iSubItem), it->pszText,
                          it->cchTextMax);
    }
    case LVM_SETITEMW: {
      auto* it = reinterpret_cast<const LVITEMW*>(lp);
      if (!it || it->iItem < 0 || it->iItem >= n) return FALSE;
      Row& r = d->rows[static_cast<std::size_t>(it->iItem)];
      if ((it->mask & LVIF_TEXT) && it->iSubItem >= 0) {
        if (static_cast<int>(r.texts.size()) <= it->iSubItem)
          r.texts.resize(static_cast<std::size_t>(it->iSubItem) + 1);
        r.texts[static_cast<std::size_t>(it->iSubItem)] = it->pszText ? it->pszText : L"";
      }
      if (it->mask & LVIF_PARAM) r.param = it->lParam;
      if (it->mask & LVIF_IMAGE) r.image = it->iImage;
      if (it->mask & LVIF_STATE) SetState(h, *d, it->iItem, it->state, it->stateMask);
      return TRUE;
    }
    case LVM_GETITEMW: {
      auto* it = reinterpret_cast<LVITEMW*>(lp);
      if (!it || it->iItem < 0 || it->iItem >= n) return FALSE;
      const Row& r = d->rows[static_cast<std::size_t>(it->iItem)];
      if (it->mask & LVIF_TEXT) CopyToBuffer(TextOf(r, it->iSubItem), it->pszText, it->cchTextMax);
      if (it->mask & LVIF_PARAM) it->lParam = r.param;
      if (it->mask & LVIF_IMAGE) it->iImage = r.image;
      if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
      return TRUE;
    }
    case LVM_SETITEMSTATE: {
      auto* it = reinterpret_cast<const LVITEMW*>(lp);
      if (!it) return FALSE;
      if (iw == -1) {
        for (int k = 0; k < n; ++k) SetState(h, *d, k, it->state, it->stateMask);
        return TRUE;
      }
      if (iw < 0 || iw >= n) return FALSE;
      return SetState(h, *d, iw, it->state, it->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETITEMSTATE:
      return (iw >= 0 && iw < n)
                 ? static_cast<LRESULT>(d->rows[static_cast<std::size_t>(iw)].state &
                                        static_cast<UINT>(lp))
                 : 0;
    case LVM_GETNEXTITEM: {
      UINT flags = LOWORD(static_cast<std::uintptr_t>(lp));
      for (int k = std::max(0, iw + 1); k < n; ++k) {
        UINT st = d->rows[static_cast<std::size_t>(k)].state;
        if ((flags & LVNI_SELECTED) && !(st & LVIS_SELECTED)) continue;
        if ((flags & LVNI_FOCUSED) && !(st & LVIS_FOCUSED)) continue;
        return k;
      }
      return -1;
    }
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(d->rows.begin(), d->rows.end(),
                           [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; });
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = d->exStyle;
      DWORD mask = wp ? static_cast<DWORD>(wp) : 0xFFFFFFFFu;
      d->exStyle = (old & ~mask) | (static_cast<DWORD>(lp) & mask);
      bool had = (old & LVS_EX_CHECKBOXES) != 0, has = (d->exStyle & LVS_EX_CHECKBOXES) != 0;
      for (auto& r : d->rows) {
        if (has && !had && !(r.state & LVIS_STATEIMAGEMASK)) r.state |= INDEXTOSTATEIMAGEMASK(1);
        if (!has && had) r.state &= ~LVIS_STATEIMAGEMASK;
      }
      return static_cast<LRESULT>(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return static_cast<LRESULT>(d->exStyle);
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r || iw < 0 || iw >= n) return FALSE;
      int code = r->left;
      RECT row = RowRect(h, *d, iw);
      bool checks = (d->exStyle & LVS_EX_CHECKBOXES) != 0;
      if (code == LVIR_ICON)
        row.left = row.right = checks ? kListViewStateIconRight : 2;
      else if (code == LVIR_LABEL) {
        row.left = checks ? kListViewLabelLeft : 2;
        row.right = FirstColumnRight(*d);
      }
      *r = row;
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lp);
      return info ? HitTest(h, *d, info) : -1;
    }
    case LVM_FINDITEMW: {
      auto* f = reinterpret_cast<const LVFINDINFOW*>(lp);
      if (!f) return -1;
      for (int k = std::max(0, iw + 1); k < n; ++k) {
        const Row& r = d->rows[static_cast<std::size_t>(k)];
        if ((f->flags & LVFI_PARAM) && r.param == f->lParam) return k;
        if ((f->flags & LVFI_STRING) && f->psz) {
          bool hit = (f->flags & LVFI_PARTIAL) ? StartsWithNoCase(TextOf(r, 0), f->psz)
                                               : EqualsNoCase(TextOf(r, 0), f->psz);
          if (hit) return k;
        }
      }
      return -1;
    }
    case LVM_ENSUREVISIBLE: return (iw >= 0 && iw < n) ? TRUE : FALSE;
    case LVM_SETIMAGELIST: return 0;
    case LVM_GETHEADER: return 0;
    case LVM_SETBKCOLOR: return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Click(h, *d, wp, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)},
            static_cast<UINT>(msg == WM_LBUTTONDOWN ? NM_CLICK : NM_DBLCLK));
      return 0;
    case WM_RBUTTONDOWN: {
      SetFocus(h);
      NMITEMACTIVATE nm;
      LVHITTESTINFO hit;
      hit.pt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      nm.iItem = HitTest(h, *d, &hit);
      nm.ptAction = hit.pt;
      NotifyParent(h, &nm.hdr, static_cast<UINT>(NM_RCLICK));
      return 0;
    }
    case WM_KEYDOWN: {
      NMLVKEYDOWN kd;
      kd.wVKey = static_cast<WORD>(wp);
      NotifyParent(h, &kd.hdr, static_cast<UINT>(LVN_KEYDOWN));
      int f = Focused(*d);
      if (wp == VK_SPACE) {
        if (f >= 0 && (d->exStyle & LVS_EX_CHECKBOXES)) ToggleCheck(h, *d, f);
        return 0;
      }
      int next = -2;
      if (wp == VK_DOWN)
        next = f + 1;
      else if (wp == VK_UP)
        next = f - 1;
      else if (wp == VK_HOME)
        next = 0;
      else if (wp == VK_END)
        next = n - 1;
      if (next == -2) return DefWindowProcW(h, msg, wp, lp);
      if (next < 0 || next >= n) return 0;
      bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
      if (!ctrl)
        for (int k = 0; k < n; ++k)
          if (k != next) SetState(h, *d, k, 0, LVIS_SELECTED);
      SetState(h, *d, next, ctrl ? LVIS_FOCUSED : (LVIS_SELECTED | LVIS_FOCUSED),
               ctrl ? LVIS_FOCUSED : (LVIS_SELECTED | LVIS_FOCUSED));
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS: {
      NMHDR nm;
      NotifyParent(h, &nm, static_cast<UINT>(NM_SETFOCUS));
      return 0;
    }
    case WM_KILLFOCUS: {
      NMHDR nm;
      NotifyParent(h, &nm, static_cast<UINT>(NM_KILLFOCUS));
      return 0;
    }
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterListViewClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ListViewProc;
  wc.lpszClassName = WC_LISTVIEW;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
