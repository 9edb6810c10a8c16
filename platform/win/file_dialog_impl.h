// The windowing library's file dialog object over GetOpenFileNameW and GetSaveFileNameW.
#pragma once

#include <cwchar>

#include "platform/win/responder.h"

namespace WTL {

template <class T>
class CFileDialogImpl {
 public:
  OPENFILENAMEW m_ofn;
  BOOL m_bOpenFileDialog;
  wchar_t m_szFileTitle[MAX_PATH] = L"";
  wchar_t m_szFileName[MAX_PATH] = L"";

  explicit CFileDialogImpl(BOOL openFileDialog, LPCWSTR defExt = nullptr,
                           LPCWSTR fileName = nullptr,
                           DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           LPCWSTR filter = nullptr, HWND parent = nullptr)
      : m_bOpenFileDialog(openFileDialog) {
    m_ofn.hwndOwner = parent;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = MAX_PATH;
    m_ofn.lpstrDefExt = defExt;
    m_ofn.Flags = flags | OFN_EXPLORER;
    m_ofn.lpstrFilter = filter;
    if (fileName) {
      std::wcsncpy(m_szFileName, fileName, MAX_PATH - 1);
      m_szFileName[MAX_PATH - 1] = L'\0';
    }
  }
  virtual ~CFileDialogImpl() = default;

  INT_PTR DoModal(HWND parent = ::GetActiveWindow()) {
    if (!m_ofn.hwndOwner) m_ofn.hwndOwner = parent;
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return ok ? IDOK : IDCANCEL;
  }
};

}  // namespace WTL
