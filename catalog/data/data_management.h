// What the load-data and new-catalog commands share: the run log settings taken when the
// command is created, the catalog window's selected item, and the data manager's events shown
// on the status bar and counted.
#pragma once

#include <functional>
#include <string>

#include "framework/hook_struct.h"
#include "platform/host/shell/catalog_selection.h"
#include "platform/host/data/table.h"
#include "platform/productline/data_manager.h"

namespace velk::corvane {

inline constexpr UINT kIdsDataManagementErrors = 3724;  // "One or more errors occurred ..."
inline constexpr UINT kIdsInputFolderTitle = 3630;      // "Input Folder"

// Logging on when the general "log operations" setting is on or cannot be read; then the log
// folder is the scratch folder's "DataManagement" folder, made here, and the module's level-1
// switch is set (cleared when off).
struct DataManagementLogSettings {
  bool on = true;
  std::wstring folder;  // ends with a separator; empty while logging is off
  void Take();
};

// The catalog window's selected item; null without a catalog application or a selection.
ComPtr<ICatalogItem> SelectedCatalogItem(HookStruct& hook);
// Tells the selected item to read itself again (nothing without one).
void RefreshSelectedCatalogItem(HookStruct& hook);

// A folder picked in the host's browse dialog (title "Input Folder"); empty when cancelled.
std::wstring BrowseForFolder(HWND owner);
// The browse button of the catalog dialogs: the picked folder goes into the edit, a cancelled
// browse (or a host without the dialog) empties it.
void BrowseForFolderInto(HWND dialog, int editId);
// The text of a dialog's control.
std::wstring DialogItemText(HWND dialog, int id);

// The data manager's events: each shown on the status bar's pane 0; errors (type 100) are
// counted and handed to the run log.
class DataManagerEventCounter {
 public:
  HRESULT OnEvent(HookStruct& hook, BSTR message, LONG eventType);
  void Reset() { errors_ = 0; }
  LONG Errors() const { return errors_; }

 private:
  LONG errors_ = 0;
};

// Runs fn(manager) with sink advised to the manager's events.
HRESULT WithDataManagerEvents(IDataManager* manager, IUnknown* sink,
                              const std::function<HRESULT()>& fn);

}  // namespace velk::corvane
