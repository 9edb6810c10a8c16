#include "catalog/options/options_sheet.h"

#include "framework/basic_window_impl.h"
#include "platform/win/responder.h"

namespace velk::corvane {

OptionsDlgSheet::OptionsDlgSheet() : CPropertySheetImpl<OptionsDlgSheet>(L"Tarvos Options", 0) {
  AddPage(m_general);
  AddPage(m_coordTool);
  AddPage(m_geodesy);
  AddPage(m_dataMan);
  AddPage(m_terrain);
  AddPage(m_3d);
  AddPage(m_conversion);
}

LRESULT OptionsDlgSheet::OnHelp(UINT, WPARAM, LPARAM lParam, BOOL&) {
  std::wstring file = LoadResString(kDialogHelpFileId).substr(0, 260);
  auto* info = reinterpret_cast<const HELPINFO*>(lParam);
  ::WinHelpW(m_hWnd, file.c_str(), HELP_CONTEXTPOPUP,
             info ? static_cast<ULONG_PTR>(info->iCtrlId) : 0);
  return TRUE;
}

HRESULT Options2::OnClick() {
  OptionsDlgSheet sheet;
  sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
  sheet.DoModal(::GetActiveWindow());
  return S_OK;
}

HRESULT CreateOptions2(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Options2>(outer, riid, ppv);
}

}  // namespace velk::corvane
