// The new-catalog command of the catalog window: makes an empty VPF, DTED or RPF catalog in
// the workspace selected in the catalog window, through the data manager, showing its events
// on the status bar and summing up errors in one box.
#pragma once

#include <string>

#include "catalog/data/data_management.h"
#include "framework/class_catalogue.h"
#include "framework/basic_window_impl.h"
#include "framework/dlg_cmd_impl.h"
#include "platform/host/data/workspace.h"

struct ICreateZelLayer : IUnknown {
  VELK_INTERFACE_ID("{9A4F2C63-1B7E-4D58-A0C9-E6F3B2D18754}")
};

namespace velk::corvane {

namespace ncd {
constexpr int kName = 3090;
constexpr int kFolder = 3086;
constexpr int kBrowse = 3026;
constexpr int kKind = 3549;
}  // namespace ncd

// Dialog 3061: name, folder and kind of the new catalog.
class NewZelLayerDlg : public CBasicWindowImpl<NewZelLayerDlg> {
 public:
  enum { IDD = 3061 };

  BEGIN_MSG_MAP(NewZelLayerDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(ncd::kBrowse, BN_CLICKED, OnBrowse)
  COMMAND_HANDLER(ncd::kKind, CBN_SELCHANGE, OnKindChanged)
  END_MSG_MAP()

  const std::wstring& Name() const { return name_; }
  const std::wstring& Folder() const { return folder_; }
  IWorkspace* Workspace() const { return workspace_.get(); }
  bool SeparateRpfCatalogs() const { return separateRpf_; }
  bool ManagedCatalogs() const { return managed_; }
  velkZelCatalogTypeEnum Kind() const { return static_cast<velkZelCatalogTypeEnum>(kind_); }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowse(WORD, WORD, HWND, BOOL&);
  LRESULT OnKindChanged(WORD, WORD, HWND, BOOL&);

  std::wstring name_;
  std::wstring folder_;
  ComPtr<IWorkspace> workspace_;
  bool separateRpf_ = false;
  bool managed_ = false;
  LONG kind_ = 0;
};

class CreateZelLayer : public CDlgBasedCmdImpl<CreateZelLayer, NewZelLayerDlg, 1, ICreateZelLayer,
                                               IDataManagerEvents>,
                       public CatalogueIds<ClassId::CreateZelLayer> {
 public:
  CreateZelLayer() : CDlgBasedCmdImpl(kBitmapId) {}

  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT Run() override;
  HRESULT OnEvent(BSTR message, LONG eventType) override;

  LONG Errors() const { return events_.Errors(); }

 private:
  DataManagerEventCounter events_;
  DataManagementLogSettings log_;
};

HRESULT CreateCreateZelLayer(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
