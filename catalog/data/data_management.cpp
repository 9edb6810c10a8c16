#include "catalog/data/data_management.h"

#include "catalog/data/run_log.h"
#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/scratch_folder.h"
#include "platform/com/connection_point.h"
#include "platform/com/text.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/shell/status_bar.h"
#include "platform/win/dialog.h"

namespace velk::corvane {

void DataManagementLogSettings::Take() {
  on = true;
  folder.clear();
  try {
    if (ComPtr<IZelExtension> extension = FindZelExtension()) {
      ComPtr<IZelSettings> settings;
      extension->get_Settings(settings.put());
      if (auto general = QueryAs<IGeneralSettings>(settings.get())) {
        VARIANT_BOOL value = VARIANT_TRUE;
        if (SUCCEEDED(general->get_GeneralLogOperations(&value))) on = value == VARIANT_TRUE;
      }
    }
  } catch (...) {
    // Without the extension the default holds.
  }
  if (on) {
    try {
      folder = ScratchWorkFolder(L"DataManagement") + L"/";
    } catch (const ComError&) {
      // Without a folder for the log the run goes on unlogged.
      on = false;
    }
  }
  SetRunLogLevel1(on);
}

ComPtr<ICatalogItem> SelectedCatalogItem(HookStruct& hook) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  auto catalog = QueryAs<ICatalogApplication>(app.get());
  if (!catalog) return nullptr;
  ComPtr<ICatalogItem> item;
  catalog->get_SelectedItem(item.put());
  return item;
}

void RefreshSelectedCatalogItem(HookStruct& hook) {
  if (ComPtr<ICatalogItem> item = SelectedCatalogItem(hook)) item->Refresh();
}

std::wstring BrowseForFolder(HWND owner) {
  return BrowseToOpen(owner, kIdsInputFolderTitle, 0, {host::CLSID_FilterWorkspaces}).path;
}

void BrowseForFolderInto(HWND dialog, int editId) {
  std::wstring folder;
  try {
    folder = BrowseForFolder(dialog);
  } catch (...) {
    // No browse dialog: as if cancelled.
  }
  ::SetDlgItemTextW(dialog, editId, folder.c_str());
}

std::wstring DialogItemText(HWND dialog, int id) {
  std::wstring text(32768, L'\0');
  const UINT n = ::GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()));
  text.resize(n);
  return text;
}

HRESULT DataManagerEventCounter::OnEvent(HookStruct& hook, BSTR message, LONG eventType) {
  if (eventType == kDataManagerEventError) {
    LogRunMessage(message ? message : L"");
    ++errors_;
  }
  ComPtr<IStatusBar> bar;
  hook.GetApplicationObject(bar.put());
  if (!bar) return E_POINTER;
  return bar->put_Message(0, message);
}

HRESULT WithDataManagerEvents(IDataManager* manager, IUnknown* sink,
                              const std::function<HRESULT()>& fn) {
  DWORD cookie = 0;
  ConnectSink(manager, sink, IidOf<IDataManagerEvents>(), &cookie);
  HRESULT hr = E_FAIL;
  try {
    hr = fn();
  } catch (...) {
    if (cookie) DisconnectSink(manager, IidOf<IDataManagerEvents>(), cookie);
    throw;
  }
  if (cookie) DisconnectSink(manager, IidOf<IDataManagerEvents>(), cookie);
  return hr;
}

}  // namespace velk::corvane
