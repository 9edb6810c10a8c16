// The windowing library's property sheet and page objects: a sheet object subclasses the sheet
// window once it exists, so its message map sees the sheet's messages first; a page object is a
// dialog object whose window the sheet makes on first show, and whose OnApply, OnSetActive and
// OnReset (the derived class's, found statically) answer the sheet's notifications.
#pragma once

#include <vector>

#include "platform/win/property_sheet.h"
#include "platform/win/window_impl.h"

namespace WTL {

template <class T, class TBase = ATL::CWindow>
class CPropertyPageImpl : public ATL::CDialogImplBaseT<TBase> {
 public:
  PROPSHEETPAGEW m_psp;

  explicit CPropertyPageImpl(LPCWSTR title = nullptr) {
    m_psp.dwFlags = PSP_USECALLBACK;
    m_psp.pszTemplate = MAKEINTRESOURCEW(static_cast<UINT>(T::IDD));
    m_psp.pfnDlgProc = ATL::CDialogImplBaseT<TBase>::StartDialogProc;
    m_psp.pfnCallback = PropPageCallback;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    if (title) {
      m_psp.pszTitle = title;
      m_psp.dwFlags |= PSP_USETITLE;
    }
  }
  operator PROPSHEETPAGEW*() {
    if (!m_psp.hInstance) m_psp.hInstance = this->ResourceInstance();
    return &m_psp;
  }

  static UINT PropPageCallback(HWND, UINT msg, PROPSHEETPAGEW* page) {
    if (msg == PSPCB_CREATE && page)
      velk::win::SetPendingDialogObject(static_cast<ATL::CDialogImplBaseT<TBase>*>(
          reinterpret_cast<CPropertyPageImpl*>(page->lParam)));
    return 1;
  }

  BEGIN_MSG_MAP(CPropertyPageImpl)
  MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
  END_MSG_MAP()

  LRESULT OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
    if (!hdr || hdr->hwndFrom != ::GetParent(this->m_hWnd)) {
      bHandled = FALSE;
      return 0;
    }
    T* self = static_cast<T*>(this);
    switch (static_cast<int>(hdr->code)) {
      case PSN_APPLY: return self->OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
      case PSN_SETACTIVE: return self->OnSetActive() ? 0 : -1;
      case PSN_RESET: self->OnReset(); return 0;
      default: bHandled = FALSE; return 0;
    }
  }

  int OnApply() { return TRUE; }
  int OnSetActive() { return TRUE; }
  void OnReset() {}
};

template <class T, class TBase = ATL::CWindow>
class CPropertySheetImpl : public ATL::CWindowImplBaseT<TBase, ATL::CNullTraits> {
 public:
  PROPSHEETHEADERW m_psh;
  std::vector<HPROPSHEETPAGE> m_pages;

  explicit CPropertySheetImpl(LPCWSTR title = nullptr, UINT startPage = 0, HWND parent = nullptr) {
    m_psh.dwFlags = PSH_USECALLBACK;
    m_psh.pfnCallback = PropSheetCallback;
    m_psh.pszCaption = title;
    m_psh.nStartPage = startPage;
    m_psh.hwndParent = parent;
  }
  ~CPropertySheetImpl() override {
    for (HPROPSHEETPAGE p : m_pages) ::DestroyPropertySheetPage(p);
  }
  CPropertySheetImpl(const CPropertySheetImpl&) = delete;
  CPropertySheetImpl& operator=(const CPropertySheetImpl&) = delete;

  BOOL AddPage(PROPSHEETPAGEW* page) {
    HPROPSHEETPAGE h = ::CreatePropertySheetPageW(page);
    if (!h) return FALSE;
    m_pages.push_back(h);
    return TRUE;
  }

  INT_PTR DoModal(HWND parent = ::GetActiveWindow()) {
    if (this->m_hWnd) return -1;
    m_psh.hwndParent = parent;
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    m_psh.phpage = m_pages.data();
    if (!m_psh.hInstance) m_psh.hInstance = velk::win::DefaultResourceInstance();
    PendingSheet() = this;
    INT_PTR r = ::PropertySheetW(&m_psh);
    PendingSheet() = nullptr;
    return r;
  }

  static int PropSheetCallback(HWND h, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && PendingSheet()) {
      PendingSheet()->SubclassWindow(h);
      PendingSheet() = nullptr;
    }
    return 0;
  }

 private:
  static CPropertySheetImpl*& PendingSheet() {
    thread_local CPropertySheetImpl* pending = nullptr;
    return pending;
  }
};

}  // namespace WTL
