#include "catalog/data/new_catalog.h"

#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "platform/com/out_param.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/track_cancel.h"

namespace velk::corvane {
LRESULT NewZelLayerDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  HWND combo = ::GetDlgItem(m_hWnd, ncd::kKind);
  for (const wchar_t* text : {L"VPF Catalog", L"DTED Catalog", L"RPF Catalog"})
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
  kind_ = 0;
  separateRpf_ = false;
  managed_ = false;
  workspace_.Reset();
  try {
    if (ComPtr<ICatalogItem> item = SelectedCatalogItem(Hook())) {
      ComPtr<IName> name;
      ComPtr<IUnknown> opened;
      if (SUCCEEDED(item->get_InternalObjectName(name.put())) && name &&
          SUCCEEDED(name->Open(opened.put())))
        workspace_ = QueryAs<IWorkspace>(opened.get());
    }
  } catch (...) {
    // No catalog application: nothing can be made.
  }
  const BOOL canMake = workspace_ ? TRUE : FALSE;
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), canMake);
  ::EnableWindow(::GetDlgItem(m_hWnd, ncd::kBrowse), canMake);
  return TRUE;
}

LRESULT NewZelLayerDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  name_ = DialogItemText(m_hWnd, ncd::kName);
  folder_ = DialogItemText(m_hWnd, ncd::kFolder);
  kind_ = static_cast<LONG>(::SendMessageW(::GetDlgItem(m_hWnd, ncd::kKind), CB_GETCURSEL, 0, 0));
  separateRpf_ = false;
  managed_ = true;
  CloseDialog(IDOK);
  return 0;
}

LRESULT NewZelLayerDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  CloseDialog(IDCANCEL);
  return 0;
}

LRESULT NewZelLayerDlg::OnBrowse(WORD, WORD, HWND, BOOL&) {
  BrowseForFolderInto(m_hWnd, ncd::kFolder);
  return 0;
}

LRESULT NewZelLayerDlg::OnKindChanged(WORD, WORD, HWND, BOOL&) {
  kind_ = static_cast<LONG>(::SendMessageW(::GetDlgItem(m_hWnd, ncd::kKind), CB_GETCURSEL, 0, 0));
  return 0;
}

HRESULT CreateZelLayer::OnCreate(IUnknown* hook) {
  HRESULT hr = CDlgBasedCmdImpl::OnCreate(hook);
  if (FAILED(hr)) return hr;
  log_.Take();
  return S_OK;
}

HRESULT CreateZelLayer::OnEvent(BSTR message, LONG eventType) {
  return events_.OnEvent(*this, message, eventType);
}

HRESULT CreateZelLayer::Run() {
  VELK_TRY
  if (m_dialog.DoModal(::GetActiveWindow(), 0) != IDOK) return S_OK;
  auto manager = CreateHostObject<IDataManager>(productline::CLSID_DataManager);
  auto cancel = CreateHostObject<ITrackCancel>(host::CLSID_CancelTracker);
  cancel->put_CancelOnClick(VARIANT_FALSE);
  cancel->put_CancelOnKeyPress(VARIANT_TRUE);
  events_.Reset();
  const std::wstring folder = m_dialog.Folder();
  WithDataManagerEvents(manager.get(), static_cast<IDataManagerEvents*>(this), [&] {
    return manager->CreateCatalog(
        m_dialog.Workspace(), m_dialog.Kind(), folder.empty() ? nullptr : Bstr(folder).get(),
        Bstr(m_dialog.Name()), ToVariantBool(m_dialog.SeparateRpfCatalogs()),
        ToVariantBool(m_dialog.ManagedCatalogs()), cancel.get());
  });
  if (events_.Errors() > 0)
    ShowHostMessageBox(*this, kIdsDataManagementErrors, kErrorCaptionId, kStopOk);
  RefreshSelectedCatalogItem(*this);
  return S_OK;
  VELK_CATCH
}

HRESULT CreateCreateZelLayer(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CreateZelLayer>(outer, riid, ppv);
}

}  // namespace velk::corvane
