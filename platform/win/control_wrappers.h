// Wrappers of the standard controls: a window handle with the control's messages as members.
#pragma once

#include <string>

#include "platform/win/atl_window.h"
#include "platform/win/common_controls.h"

namespace WTL {

template <class TBase = ATL::CWindow>
class CStaticT : public TBase {
 public:
  CStaticT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_STATIC; }
};
using CStatic = CStaticT<>;

template <class TBase = ATL::CWindow>
class CButtonT : public TBase {
 public:
  CButtonT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_BUTTON; }
  int GetCheck() const { return static_cast<int>(this->SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { this->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  void Click() { this->SendMessage(BM_CLICK); }
};
using CButton = CButtonT<>;

template <class TBase = ATL::CWindow>
class CEditT : public TBase {
 public:
  CEditT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_EDIT; }
  void SetSel(int start, int end, BOOL = FALSE) {
    this->SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
  }
  BOOL SetReadOnly(BOOL readOnly = TRUE) {
    return static_cast<BOOL>(this->SendMessage(EM_SETREADONLY, readOnly));
  }
  void Clear() { this->SendMessage(WM_CLEAR); }
};
using CEdit = CEditT<>;

template <class TBase = ATL::CWindow>
class CComboBoxT : public TBase {
 public:
  CComboBoxT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_COMBOBOX; }
  int AddString(LPCWSTR s) {
    return static_cast<int>(this->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)));
  }
  int InsertString(int index, LPCWSTR s) {
    return static_cast<int>(this->SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT index) {
    return static_cast<int>(this->SendMessage(CB_DELETESTRING, index));
  }
  int GetCount() const { return static_cast<int>(this->SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(this->SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) {
    return static_cast<int>(this->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
  }
  int GetLBTextLen(int index) const {
    return static_cast<int>(this->SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
  }
  // The item's text; false for an index out of range.
  bool GetLBText(int index, std::wstring& out) const {
    int n = GetLBTextLen(index);
    if (n < 0) return false;
    out.assign(static_cast<std::size_t>(n) + 1, L'\0');
    this->SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(out.data()));
    out.resize(static_cast<std::size_t>(n));
    return true;
  }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(this->SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(
        this->SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int FindString(int start, LPCWSTR s) const {
    return static_cast<int>(
        this->SendMessage(CB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s)));
  }
  int FindStringExact(int start, LPCWSTR s) const {
    return static_cast<int>(this->SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start),
                                              reinterpret_cast<LPARAM>(s)));
  }
};
using CComboBox = CComboBoxT<>;

template <class TBase = ATL::CWindow>
class CListBoxT : public TBase {
 public:
  CListBoxT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_LISTBOX; }
  int AddString(LPCWSTR s) {
    return static_cast<int>(this->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)));
  }
  int InsertString(int index, LPCWSTR s) {
    return static_cast<int>(this->SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT index) {
    return static_cast<int>(this->SendMessage(LB_DELETESTRING, index));
  }
  int GetCount() const { return static_cast<int>(this->SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(this->SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int index) {
    return static_cast<int>(this->SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index)));
  }
  bool GetText(int index, std::wstring& out) const {
    int n = static_cast<int>(this->SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index)));
    if (n < 0) return false;
    out.assign(static_cast<std::size_t>(n) + 1, L'\0');
    this->SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out.data()));
    out.resize(static_cast<std::size_t>(n));
    return true;
  }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(this->SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(
        this->SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int SetSel(int index, BOOL select = TRUE) {
    return static_cast<int>(this->SendMessage(LB_SETSEL, select, index));
  }
  int GetSelCount() const { return static_cast<int>(this->SendMessage(LB_GETSELCOUNT)); }
  int FindStringExact(int start, LPCWSTR s) const {
    return static_cast<int>(this->SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(start),
                                              reinterpret_cast<LPARAM>(s)));
  }
};
using CListBox = CListBoxT<>;

template <class TBase = ATL::CWindow>
class CListViewCtrlT : public TBase {
 public:
  CListViewCtrlT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_LISTVIEW; }
  int InsertColumn(int index, LPCWSTR title, int format = LVCFMT_LEFT, int width = -1,
                   int subItem = -1) {
    LVCOLUMNW c;
    c.mask = LVCF_TEXT | LVCF_FMT;
    c.pszText = const_cast<LPWSTR>(title);
    c.fmt = format;
    if (width != -1) {
      c.mask |= LVCF_WIDTH;
      c.cx = width;
    }
    if (subItem != -1) {
      c.mask |= LVCF_SUBITEM;
      c.iSubItem = subItem;
    }
    return static_cast<int>(this->SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(&c)));
  }
  BOOL SetColumnWidth(int col, int cx) {
    return static_cast<BOOL>(this->SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col),
                                               MAKELPARAM(static_cast<WORD>(cx), 0)));
  }
  int GetColumnWidth(int col) const {
    return static_cast<int>(this->SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col)));
  }
  int GetStringWidth(LPCWSTR s) const {
    return static_cast<int>(this->SendMessage(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(s)));
  }
  int InsertItem(int index, LPCWSTR text) {
    LVITEMW it;
    it.mask = LVIF_TEXT;
    it.iItem = index;
    it.pszText = const_cast<LPWSTR>(text);
    return InsertItem(&it);
  }
  int InsertItem(const LVITEMW* item) {
    return static_cast<int>(this->SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item)));
  }
  std::wstring GetItemText(int index, int subItem) const {
    wchar_t buf[1024];
    LVITEMW it;
    it.iSubItem = subItem;
    it.pszText = buf;
    it.cchTextMax = 1024;
    int n = static_cast<int>(this->SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                               reinterpret_cast<LPARAM>(&it)));
    return std::wstring(buf, static_cast<std::size_t>(n));
  }
  int GetItemCount() const { return static_cast<int>(this->SendMessage(LVM_GETITEMCOUNT)); }
  BOOL DeleteItem(int index) {
    return static_cast<BOOL>(this->SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(this->SendMessage(LVM_DELETEALLITEMS)); }
  BOOL SetItemState(int index, UINT state, UINT mask) {
    LVITEMW it;
    it.state = state;
    it.stateMask = mask;
    return static_cast<BOOL>(this->SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                                               reinterpret_cast<LPARAM>(&it)));
  }
  UINT GetItemState(int index, UINT mask) const {
    return static_cast<UINT>(
        this->SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), static_cast<LPARAM>(mask)));
  }
  BOOL SetCheckState(int index, BOOL check) {
    return SetItemState(index, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK);
  }
  BOOL GetCheckState(int index) const {
    return ((GetItemState(index, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1;
  }
  int GetNextItem(int start, UINT flags) const {
    return static_cast<int>(this->SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start),
                                              MAKELPARAM(static_cast<WORD>(flags), 0)));
  }
  UINT GetSelectedCount() const {
    return static_cast<UINT>(this->SendMessage(LVM_GETSELECTEDCOUNT));
  }
  DWORD SetExtendedListViewStyle(DWORD style, DWORD mask = 0) {
    return static_cast<DWORD>(
        this->SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, static_cast<LPARAM>(style)));
  }
  DWORD GetExtendedListViewStyle() const {
    return static_cast<DWORD>(this->SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
  }
  int HitTest(LVHITTESTINFO* info) const {
    return static_cast<int>(this->SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
  }
  BOOL SetItemData(int index, DWORD_PTR data) {
    LVITEMW it;
    it.mask = LVIF_PARAM;
    it.iItem = index;
    it.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(this->SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  }
  DWORD_PTR GetItemData(int index) const {
    LVITEMW it;
    it.mask = LVIF_PARAM;
    it.iItem = index;
    this->SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return static_cast<DWORD_PTR>(it.lParam);
  }
};
using CListViewCtrl = CListViewCtrlT<>;

template <class TBase = ATL::CWindow>
class CTreeViewCtrlT : public TBase {
 public:
  CTreeViewCtrlT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_TREEVIEW; }
  HTREEITEM InsertItem(LPCWSTR text, HTREEITEM parent, HTREEITEM after) {
    TVINSERTSTRUCTW ins;
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<LPWSTR>(text);
    return InsertItem(&ins);
  }
  HTREEITEM InsertItem(const TVINSERTSTRUCTW* ins) {
    return reinterpret_cast<HTREEITEM>(
        this->SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(ins)));
  }
  BOOL DeleteItem(HTREEITEM item) {
    return static_cast<BOOL>(this->SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  BOOL DeleteAllItems() {
    return static_cast<BOOL>(
        this->SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
  }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return reinterpret_cast<HTREEITEM>(
        this->SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  BOOL SelectItem(HTREEITEM item) {
    return static_cast<BOOL>(
        this->SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
  }
  UINT GetCount() const { return static_cast<UINT>(this->SendMessage(TVM_GETCOUNT)); }
  BOOL Expand(HTREEITEM item, UINT code = TVE_EXPAND) {
    return static_cast<BOOL>(this->SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
  }
  std::wstring GetItemText(HTREEITEM item) const {
    wchar_t buf[1024] = L"";
    TVITEMW it;
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = 1024;
    this->SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
  }
  DWORD_PTR GetItemData(HTREEITEM item) const {
    TVITEMW it;
    it.mask = TVIF_PARAM;
    it.hItem = item;
    this->SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return static_cast<DWORD_PTR>(it.lParam);
  }
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data) {
    TVITEMW it;
    it.mask = TVIF_PARAM;
    it.hItem = item;
    it.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(this->SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  }
  BOOL GetCheckState(HTREEITEM item) const {
    UINT s = static_cast<UINT>(
        this->SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    return (s >> 12) == 2;
  }
  BOOL SetCheckState(HTREEITEM item, BOOL check) {
    TVITEMW it;
    it.mask = TVIF_STATE;
    it.hItem = item;
    it.state = INDEXTOSTATEIMAGEMASK(check ? 2 : 1);
    it.stateMask = TVIS_STATEIMAGEMASK;
    return static_cast<BOOL>(this->SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  }
};
using CTreeViewCtrl = CTreeViewCtrlT<>;

template <class TBase = ATL::CWindow>
class CTabCtrlT : public TBase {
 public:
  CTabCtrlT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return WC_TABCONTROL; }
  int InsertItem(int index, LPCWSTR text) {
    TCITEMW it;
    it.mask = TCIF_TEXT;
    it.pszText = const_cast<LPWSTR>(text);
    return static_cast<int>(this->SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(&it)));
  }
  int GetItemCount() const { return static_cast<int>(this->SendMessage(TCM_GETITEMCOUNT)); }
  int GetCurSel() const { return static_cast<int>(this->SendMessage(TCM_GETCURSEL)); }
  int SetCurSel(int index) {
    return static_cast<int>(this->SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(this->SendMessage(TCM_DELETEALLITEMS)); }
};
using CTabCtrl = CTabCtrlT<>;

template <class TBase = ATL::CWindow>
class CProgressBarCtrlT : public TBase {
 public:
  CProgressBarCtrlT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return PROGRESS_CLASS; }
  DWORD SetRange(int low, int high) {
    return static_cast<DWORD>(this->SendMessage(
        PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high))));
  }
  DWORD SetRange32(int low, int high) {
    return static_cast<DWORD>(this->SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(low), high));
  }
  int SetPos(int pos) {
    return static_cast<int>(this->SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos)));
  }
  int GetPos() const { return static_cast<int>(this->SendMessage(PBM_GETPOS)); }
  int OffsetPos(int delta) {
    return static_cast<int>(this->SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(delta)));
  }
  int SetStep(int step) {
    return static_cast<int>(this->SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step)));
  }
  int StepIt() { return static_cast<int>(this->SendMessage(PBM_STEPIT)); }
};
using CProgressBarCtrl = CProgressBarCtrlT<>;

template <class TBase = ATL::CWindow>
class CTrackBarCtrlT : public TBase {
 public:
  CTrackBarCtrlT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return TRACKBAR_CLASS; }
  int GetPos() const { return static_cast<int>(this->SendMessage(TBM_GETPOS)); }
  void SetPos(int pos) { this->SendMessage(TBM_SETPOS, TRUE, pos); }
  void SetRange(int low, int high, BOOL redraw = TRUE) {
    this->SendMessage(TBM_SETRANGE, redraw,
                      MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high)));
  }
};
using CTrackBarCtrl = CTrackBarCtrlT<>;

template <class TBase = ATL::CWindow>
class CToolTipCtrlT : public TBase {
 public:
  CToolTipCtrlT(HWND h = nullptr) : TBase(h) {}
  static LPCWSTR GetWndClassName() { return TOOLTIPS_CLASS; }
  HWND Create(HWND parent, DWORD style = WS_POPUP | TTS_ALWAYSTIP) {
    this->m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASS, nullptr, style, 0, 0, 0, 0, parent, nullptr,
                                     nullptr, nullptr);
    return this->m_hWnd;
  }
  BOOL AddTool(const TOOLINFOW* ti) {
    return static_cast<BOOL>(this->SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(ti)));
  }
  BOOL AddTool(HWND tool, LPCWSTR text, HINSTANCE inst = nullptr) {
    TOOLINFOW ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = ::GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.hinst = inst;
    ti.lpszText = const_cast<LPWSTR>(text);
    return AddTool(&ti);
  }
  void DelTool(HWND tool) {
    TOOLINFOW ti;
    ti.hwnd = ::GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    this->SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  void UpdateTipText(LPCWSTR text, HWND tool) {
    TOOLINFOW ti;
    ti.hwnd = ::GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<LPWSTR>(text);
    this->SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  std::wstring GetText(HWND tool) const {
    wchar_t buf[1024] = L"";
    TOOLINFOW ti;
    ti.hwnd = ::GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = buf;
    this->SendMessage(TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&ti));
    return buf;
  }
  int GetToolCount() const { return static_cast<int>(this->SendMessage(TTM_GETTOOLCOUNT)); }
  void Activate(BOOL active) { this->SendMessage(TTM_ACTIVATE, active); }
};
using CToolTipCtrl = CToolTipCtrlT<>;

}  // namespace WTL
