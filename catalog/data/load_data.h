// The load-data command of the catalog window: loads the data under a folder into the catalog
// selected in the catalog window, through the data manager, showing its events on the status
// bar, writing errors into the run log of the catalog kind and summing them up in one box.
#pragma once

#include <string>

#include "catalog/data/data_management.h"
#include "framework/class_catalogue.h"
#include "framework/basic_window_impl.h"
#include "framework/dlg_cmd_impl.h"

struct IZelLoadData : IUnknown {
  VELK_INTERFACE_ID("{2E9B5C17-64A3-4F0D-8B71-C5D9E2A3F640}")
};

namespace velk::corvane {

namespace ldd {
constexpr int kFolder = 3086;
constexpr int kBrowse = 3026;
}  // namespace ldd

// Dialog 3055: the folder to load.
class LoadDataDlg : public CBasicWindowImpl<LoadDataDlg> {
 public:
  enum { IDD = 3055 };

  BEGIN_MSG_MAP(LoadDataDlg)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(ldd::kBrowse, BN_CLICKED, OnBrowse)
  END_MSG_MAP()

  const std::wstring& Folder() const { return folder_; }

 private:
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowse(WORD, WORD, HWND, BOOL&);

  std::wstring folder_;
};

// The run log's file name of a catalog kind.
const wchar_t* RunLogName(velkZelCatalogTypeEnum kind);

// The catalog a selected catalog-window item holds, and its kind: a raster catalog (one that
// names its rasters in FULL_NAME) is tried as RPF, then DTED; a feature class as VPF, then RPF.
// False when the item is no catalog of those kinds.
bool CatalogToLoad(ICatalogItem* item, IDataManager* manager, ComPtr<ITable>* table,
                   velkZelCatalogTypeEnum* kind);

class LoadData : public CDlgBasedCmdNoBitmapImpl<LoadData, LoadDataDlg, 1, IZelLoadData,
                                                 IDataManagerEvents>,
                 public CatalogueIds<ClassId::LoadData> {
 public:
  HRESULT FinalConstruct();

  // The extension's state, then the selected item's catalog; the answer for an item is kept
  // until another item is selected (the host asks at every update of its interface).
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT Run() override;
  HRESULT OnEvent(BSTR message, LONG eventType) override;

  LONG Errors() const { return events_.Errors(); }

 private:
  bool TestSelectedItem();

  velkZelCatalogTypeEnum kind_ = velkZelCatalogVPF;
  ComPtr<IDataManager> manager_;
  ComPtr<ITable> table_;
  DataManagerEventCounter events_;
  DataManagementLogSettings log_;
  ComPtr<IUnknown> testedItem_;  // identity of the item the kept answer is for
  bool testedAnswer_ = false;
};

HRESULT CreateLoadData(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
