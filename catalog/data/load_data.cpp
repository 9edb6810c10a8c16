#include "catalog/data/load_data.h"

#include <memory>

#include "catalog/data/run_log.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "platform/com/out_param.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"

namespace velk::corvane {

LRESULT LoadDataDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  folder_ = DialogItemText(m_hWnd, ldd::kFolder);
  CloseDialog(IDOK);
  return 0;
}

LRESULT LoadDataDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  CloseDialog(IDCANCEL);
  return 0;
}

LRESULT LoadDataDlg::OnBrowse(WORD, WORD, HWND, BOOL&) {
  BrowseForFolderInto(m_hWnd, ldd::kFolder);
  return 0;
}

const wchar_t* RunLogName(velkZelCatalogTypeEnum kind) {
  switch (kind) {
    case velkZelCatalogDTED: return L"DtedError.log";
    case velkZelCatalogRPF: return L"RpfError.log";
    default: return L"VpfError.log";
  }
}

bool CatalogToLoad(ICatalogItem* item, IDataManager* manager, ComPtr<ITable>* table,
                   velkZelCatalogTypeEnum* kind) {
  if (!item || !manager) return false;
  ComPtr<IName> name;
  if (FAILED(item->get_InternalObjectName(name.put())) || !name) return false;
  ComPtr<IUnknown> opened;
  if (FAILED(name->Open(opened.put())) || !opened) return false;
  auto found = QueryAs<ITable>(opened.get());
  auto dataset = QueryAs<IDataset>(found.get());
  if (!found || !dataset) return false;
  ComPtr<IWorkspace> ws;
  if (FAILED(dataset->get_Workspace(ws.put())) || !ws) return false;
  LONG fullName = -1;
  const bool rasterCatalog =
      SUCCEEDED(found->FindField(Bstr(L"FULL_NAME"), &fullName)) && fullName >= 0;
  const bool featureClass = QueryAs<IFeatureClass>(found.get()) != nullptr;
  static constexpr velkZelCatalogTypeEnum kRasterOrder[] = {velkZelCatalogRPF,
                                                             velkZelCatalogDTED};
  static constexpr velkZelCatalogTypeEnum kFeatureOrder[] = {velkZelCatalogVPF, velkZelCatalogRPF};
  if (!rasterCatalog && !featureClass) return false;
  for (velkZelCatalogTypeEnum k : rasterCatalog ? kRasterOrder : kFeatureOrder) {
    VARIANT_BOOL valid = VARIANT_FALSE;
    manager->IsCatalogValid(k, found.get(), &valid);
    if ((static_cast<unsigned>(valid) & 0xFFFFu) == 0xFFFFu) {
      *table = found;
      *kind = k;
      return true;
    }
  }
  return false;
}

HRESULT LoadData::FinalConstruct() {
  return CoCreateInstance(productline::CLSID_DataManager, nullptr, kHostCreationContext,
                          IidOf<IDataManager>(), manager_.put_void());
}

bool LoadData::TestSelectedItem() {
  ComPtr<ICatalogItem> item = SelectedCatalogItem(*this);
  ComPtr<IUnknown> identity = QueryAs<IUnknown>(item.get());
  if (identity && testedItem_ && IsSameObject(identity.get(), testedItem_.get()))
    return testedAnswer_;
  ComPtr<ITable> table;
  testedItem_ = identity;
  testedAnswer_ = CatalogToLoad(item.get(), manager_.get(), std::addressof(table), &kind_);
  table_ = testedAnswer_ ? table : nullptr;
  return testedAnswer_;
}

HRESULT LoadData::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  if (!IsZelExtensionEnabled()) return S_OK;
  *enabled = ToVariantBool(TestSelectedItem());
  return S_OK;
  VELK_CATCH
}

HRESULT LoadData::OnCreate(IUnknown* hook) {
  HRESULT hr = CDlgBasedCmdNoBitmapImpl::OnCreate(hook);
  if (FAILED(hr)) return hr;
  log_.Take();
  return S_OK;
}

HRESULT LoadData::OnEvent(BSTR message, LONG eventType) {
  return events_.OnEvent(*this, message, eventType);
}

HRESULT LoadData::Run() {
  VELK_TRY
  if (m_dialog.DoModal(::GetActiveWindow(), 0) != IDOK) return S_OK;
  if (!TestSelectedItem() || !table_) return S_OK;
  auto cancel = CreateHostObject<ITrackCancel>(host::CLSID_CancelTracker);
  cancel->put_CancelOnClick(VARIANT_FALSE);
  cancel->put_CancelOnKeyPress(VARIANT_TRUE);
  events_.Reset();
  const std::wstring logPath = log_.folder + RunLogName(kind_);
  bool logWritten = false;
  if (log_.on) logWritten = OpenRunLog(logPath);
  SetRunLogTimeStamps(true);
  LogRunMessage(L"Starting the operation ...");
  const std::wstring folder = m_dialog.Folder();
  WithDataManagerEvents(manager_.get(), static_cast<IDataManagerEvents*>(this), [&] {
    return manager_->LoadCatalog(table_.get(), Bstr(folder), kind_, cancel.get());
  });
  LogRunMessage(L"Operation complete ...\n");
  CloseRunLog();
  if (events_.Errors() > 0) {
    if (log_.on) {
      // A log that could not be opened is not named as if it had been written.
      const std::wstring text = logWritten ? L"Log File Available at : " + logPath
                                           : L"No log file was written: " + logPath +
                                                 L" could not be opened";
      ShowStatusText(*this, 0, Bstr(text));
    }
    ShowHostMessageBox(*this, kIdsDataManagementErrors, kErrorCaptionId, kStopOk);
  }
  RefreshSelectedCatalogItem(*this);
  return S_OK;
  VELK_CATCH
}

HRESULT CreateLoadData(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<LoadData>(outer, riid, ppv);
}

}  // namespace velk::corvane
