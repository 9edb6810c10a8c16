// The VPF export dialogs: "Convert VPF Features" (the check tree of the feature layers the map's
// vector catalog layers show, which features, which coordinate system, the output folder or
// geodatabase; OK converts them) and the inert "Export VPF Datasets".
#pragma once

#include "catalog/vpf_export/vpf_export_run.h"
#include "framework/window_with_layers_impl.h"
#include "platform/win/control_wrappers.h"

namespace velk::corvane {

// Control ids of dialog 3051.
namespace vxd {
constexpr int kLayers = 3542;
constexpr int kList = 3114;
constexpr int kTree = 3612;
constexpr int kFeatures = 3563;
constexpr int kSourceSystem = 3038;
constexpr int kMapSystem = 3037;
constexpr int kOutput = 3095;
constexpr int kOutputBrowse = 3034;
constexpr int kSelectAll = 3614;
constexpr int kAddToMap = 3874;
constexpr int kTreeLabel = 3565;
constexpr int kFeaturesLabel = 3569;
constexpr UINT kPropagate = WM_USER + 100;
}  // namespace vxd

class ExportVpfFeaturesDlg : public CWindowWithLayersImpl<ExportVpfFeaturesDlg, vxd::kLayers> {
 public:
  enum { IDD = 3051 };

  ExportVpfFeaturesDlg();
  ~ExportVpfFeaturesDlg() override;

  BEGIN_MSG_MAP(ExportVpfFeaturesDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  MESSAGE_HANDLER(vxd::kPropagate, OnPropagate)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(vxd::kOutputBrowse, BN_CLICKED, OnBrowseOutput)
  COMMAND_HANDLER(vxd::kSelectAll, BN_CLICKED, OnSelectAll)
  COMMAND_HANDLER(vxd::kAddToMap, BN_CLICKED, OnAddToMap)
  NOTIFY_HANDLER(vxd::kTree, NM_CLICK, OnTreeClick)
  NOTIFY_HANDLER(vxd::kTree, TVN_KEYDOWN, OnTreeKeyDown)
  END_MSG_MAP()

  const std::vector<VpfExportEntry>& Entries() const { return m_entries; }
  const VpfExportOutcome& LastOutcome() const { return m_lastOutcome; }
  // The check propagation for an item (what WM_USER+100 runs).
  void Propagate(HTREEITEM item);

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnPropagate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowseOutput(WORD, WORD, HWND, BOOL&);
  LRESULT OnSelectAll(WORD, WORD, HWND, BOOL&);
  LRESULT OnAddToMap(WORD, WORD, HWND, BOOL&);
  LRESULT OnTreeClick(int, LPNMHDR, BOOL&);
  LRESULT OnTreeKeyDown(int, LPNMHDR, BOOL&);

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void FillTree();
  void SetSubtree(HTREEITEM item, bool checked);
  bool AnyChecked(HTREEITEM item);

  std::vector<VpfExportEntry> m_entries;
  std::wstring m_location;  // the chosen output location; empty until the user browses
  bool m_locationIsFolder = true;
  bool m_addToMap = false;
  HBITMAP m_browseBitmap = nullptr;
  std::wstring m_featureTexts[3];
  VpfExportOutcome m_lastOutcome;
};

// Dialog 3050: two paths and browse buttons that do nothing; OK and Cancel close it.
class ExportVpfDatasetsDlg : public CBasicWindowImpl<ExportVpfDatasetsDlg> {
 public:
  enum { IDD = 3050 };
  ExportVpfDatasetsDlg();
  ~ExportVpfDatasetsDlg() override;

  BEGIN_MSG_MAP(ExportVpfDatasetsDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(WORD, WORD id, HWND, BOOL&);
  HBITMAP m_browseBitmap = nullptr;
};

}  // namespace velk::corvane
