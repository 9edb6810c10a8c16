// "3D Viewer Layers": the layers in the dragged rectangle in three check-box lists (layers to
// show, threat-dome observers, flight paths); "Launch Viewer" extracts them into a new viewer
// and shows it.
#pragma once

#include <memory>

#include "framework/basic_window_impl.h"
#include "framework/layer_list_view_helper.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

namespace dvs {
constexpr int kAvailable = 3550;
constexpr int kAvailableAll = 3518;
constexpr int kObservers = 3583;
constexpr int kObserversAll = 3525;
constexpr int kFlightPaths = 3540;
constexpr int kFlightPathsAll = 3516;
}  // namespace dvs

class DDDViewerDlg;

class DDDViewSelectDlg : public CBasicWindowImpl<DDDViewSelectDlg> {
 public:
  enum { IDD = 3049 };

  DDDViewSelectDlg();
  ~DDDViewSelectDlg() override;

  BEGIN_MSG_MAP(DDDViewSelectDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnLaunch)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(dvs::kAvailableAll, BN_CLICKED, OnSelectAll)
  COMMAND_HANDLER(dvs::kObserversAll, BN_CLICKED, OnSelectAll)
  COMMAND_HANDLER(dvs::kFlightPathsAll, BN_CLICKED, OnSelectAll)
  END_MSG_MAP()

  // The dragged rectangle, set before each showing.
  void SetExtent(IGeometry* extent) { extent_ = ComPtr<IGeometry>(extent); }
  IGeometry* Extent() const { return extent_.get(); }

  // What the last launch left: its work folder (empty before any) and whether it was
  // cancelled.
  const std::wstring& LastWorkFolder() const { return lastWorkFolder_; }
  bool LastLaunchCancelled() const { return lastCancelled_; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnLaunch(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnSelectAll(WORD, WORD id, HWND, BOOL&);
  void Launch();
  ComPtr<ILayer> SelectedLayer();

  std::unique_ptr<LayerListViewHelper> available_, observers_, flightPaths_;
  ComPtr<IGeometry> extent_;
  ComPtr<IUnknown> selectedLayerSource_;
  std::wstring lastWorkFolder_;
  bool lastCancelled_ = false;
};

}  // namespace velk::corvane
