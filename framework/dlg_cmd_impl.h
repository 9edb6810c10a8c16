// The dialog-command templates: a command joined to one dialog member, shown on a click either
// modally (owned by the active window) or modelessly (created once under the host's main
// window, filled and shown; raised on later clicks).
#pragma once

#include "framework/command_impl.h"
#include "platform/host/shell/application.h"
#include "platform/win/window.h"

namespace velk::corvane {

// TDialog: a dialog on CBasicWindowImpl; N: 1 modal, 0 modeless.
template <class TDialog, int N>
class CDlgCmdImpl {
 public:
  CDlgCmdImpl() { m_dialog.m_bModal = N != 0; }
  // A live modeless window is destroyed before the dialog member.
  virtual ~CDlgCmdImpl() {
    if (N == 0 && ::IsWindow(m_dialog.m_hWnd)) ::DestroyWindow(m_dialog.m_hWnd);
  }
  CDlgCmdImpl(const CDlgCmdImpl&) = delete;
  CDlgCmdImpl& operator=(const CDlgCmdImpl&) = delete;

  // What a click does; a class may replace it.
  virtual HRESULT Run() { return N ? RunModal() : RunModeless(); }

  // The dialog runs owned by the thread's active window; its result is not reported.
  HRESULT RunModal() {
    m_dialog.DoModal(::GetActiveWindow(), 0);
    return S_OK;
  }

  // Creates the dialog once under the host's main window, fills its layer combo and shows it;
  // while the window exists a click raises it (a hidden one is shown again) and nothing else.
  HRESULT RunModeless() {
    if (m_dialog.m_hWnd) {
      if (!::IsWindowVisible(m_dialog.m_hWnd)) ::ShowWindow(m_dialog.m_hWnd, SW_SHOWNORMAL);
      ::BringWindowToTop(m_dialog.m_hWnd);
      return S_OK;
    }
    ComPtr<IApplication> app;
    m_dialog.GetApplication(app.put());
    HWND parent = nullptr;
    if (app) app->get_hWnd(&parent);
    m_dialog.Create(parent, 0);
    m_dialog.FillLayerCombo();
    if (m_dialog.m_hWnd) ::ShowWindow(m_dialog.m_hWnd, SW_SHOWNORMAL);
    return S_OK;
  }

  TDialog m_dialog;
};

// A dialog command with a bitmap: the command's own hook handling first, then the dialog's.
template <class T, class TDialog, int N, class... Extra>
class CDlgBasedCmdImpl : public CDlgCmdImpl<TDialog, N>, public CCommandImpl<T, Extra...> {
 public:
  explicit CDlgBasedCmdImpl(UINT bitmapId) : CCommandImpl<T, Extra...>(bitmapId) {}

  HRESULT OnCreate(IUnknown* hook) override {
    HRESULT hr = CCommandImpl<T, Extra...>::OnCreate(hook);
    if (FAILED(hr)) return hr;
    return this->m_dialog.SetHook(hook);
  }
  HRESULT OnClick() override { return this->Run(); }
};

// The same without a bitmap.
template <class T, class TDialog, int N, class... Extra>
class CDlgBasedCmdNoBitmapImpl : public CDlgCmdImpl<TDialog, N>,
                                 public CCommandNoBitmapImpl<T, Extra...> {
 public:
  HRESULT OnCreate(IUnknown* hook) override {
    HRESULT hr = CCommandNoBitmapImpl<T, Extra...>::OnCreate(hook);
    if (FAILED(hr)) return hr;
    return this->m_dialog.SetHook(hook);
  }
  HRESULT OnClick() override { return this->Run(); }
};

}  // namespace velk::corvane
