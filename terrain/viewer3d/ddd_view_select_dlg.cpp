#include "terrain/viewer3d/ddd_view_select_dlg.h"

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "framework/wait_cursor.h"
#include "interfaces/catalog_layer_ids.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/com/hresult_text.h"
#include "platform/host/shell/command.h"
#include "platform/host/data/track_cancel.h"
#include "terrain/viewer3d/ddd_viewer_dlg.h"
#include "terrain/viewer3d/viewer_text_ids.h"

namespace velk::corvane {
namespace {

// Layers of the focus map that pass the test, in map order.
void Collect(HookStruct& hook, LayerListViewHelper& list, bool (*test)(ILayer*)) {
  list.ResetColumns();
  ComPtr<IEnumLayer> all = GetMapLayersByInterface(hook, IidOf<IFeatureLayer>());
  if (!all) return;
  ComPtr<ILayer> layer;
  while (all->Next(layer.put()) == S_OK && layer)
    if (test(layer.get())) list.Layers().push_back(layer);
}

}  // namespace

DDDViewSelectDlg::DDDViewSelectDlg() { m_bModal = true; }

DDDViewSelectDlg::~DDDViewSelectDlg() = default;

ComPtr<ILayer> DDDViewSelectDlg::SelectedLayer() {
  return CurrentSelectedLayer(*this, selectedLayerSource_);
}

LRESULT DDDViewSelectDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  try {
    available_ = std::make_unique<LayerListViewHelper>(LoadResString(kIdsAvailableLayers), this);
    observers_ = std::make_unique<LayerListViewHelper>(LoadResString(kIdsObserverLayers), this);
    flightPaths_ = std::make_unique<LayerListViewHelper>(LoadResString(kIdsFlightPathLayers), this);
    available_->AddLayerTypeFilter(ids::IID_IZelRasterLayer);
    available_->AddLayerTypeFilter(IidOf<IRasterLayer>());
    available_->AddLayerTypeFilter(ids::IID_IZelVectorLayer);
    struct List {
      LayerListViewHelper* list;
      int view, selectAll;
    };
    const List lists[] = {{available_.get(), dvs::kAvailable, dvs::kAvailableAll},
                          {observers_.get(), dvs::kObservers, dvs::kObserversAll},
                          {flightPaths_.get(), dvs::kFlightPaths, dvs::kFlightPathsAll}};
    for (const List& l : lists) {
      l.list->Attach(GetDlgItem(l.view));
      if (l.list == available_.get())
        l.list->Populate(l.list->m_hWnd, 0);
      else
        Collect(*this, *l.list, l.list == observers_.get() ? &IsObserverPointLayer
                                                           : &IsVisibilityLayer);
      if (extent_) l.list->KeepLayersInExtent(extent_);
      l.list->FillItems();
      if (l.list->Layers().empty()) {
        ::EnableWindow(GetDlgItem(l.selectAll), FALSE);
        if (l.list == available_.get()) ::EnableWindow(GetDlgItem(IDOK), FALSE);
      }
    }
  } catch (...) {
    ::MessageBoxW(m_hWnd, HresultText(HresultFromCurrentException()).c_str(),
                  LoadResString(kIdsErrorCaption).c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  return TRUE;
}

LRESULT DDDViewSelectDlg::OnSelectAll(WORD code, WORD id, HWND, BOOL&) {
  if (code != 0) return 0;
  LayerListViewHelper* list = id == dvs::kAvailableAll   ? available_.get()
                              : id == dvs::kObserversAll ? observers_.get()
                                                         : flightPaths_.get();
  if (list) list->SetAllChecks(IsDlgButtonChecked(id) == BST_CHECKED);
  return 0;
}

LRESULT DDDViewSelectDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  CloseDialog(IDCANCEL);
  return 0;
}

LRESULT DDDViewSelectDlg::OnLaunch(WORD, WORD, HWND, BOOL&) {
  try {
    Launch();
  } catch (...) {
    ::MessageBoxW(m_hWnd, HresultText(HresultFromCurrentException()).c_str(),
                  LoadResString(kIdsErrorCaption).c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  return 0;
}

void DDDViewSelectDlg::Launch() {
  WaitCursor wait;
  auto tracker = CreateHostObject<ITrackCancel>(host::CLSID_CancelTracker);
  tracker->put_CancelOnKeyPress(VARIANT_TRUE);
  DDDViewerDlg viewer(*this, tracker.get());
  viewer.m_bModal = true;
  lastWorkFolder_ = viewer.WorkFolder();
  lastCancelled_ = false;
  ComPtr<IEnvelope> extent = QueryAs<IEnvelope>(extent_.get());
  if (!extent && extent_) extent_->get_Envelope(extent.put());
  viewer.SetExtent(extent.get());
  viewer.ExtractViewerSurface(SelectedLayer().get());
  viewer.ExtractLayersToShapefiles(kExtractMapLayers, available_->GetCheckedLayers().get());
  viewer.ExtractLayersToShapefiles(kExtractObservers, observers_->GetCheckedLayers().get());
  viewer.ExtractLayersToShapefiles(kExtractFlightPaths, flightPaths_->GetCheckedLayers().get());
  if (!viewer.KeepGoing()) {
    lastCancelled_ = true;
    return;
  }
  if (!viewer.LeftOutLayers().empty()) {
    std::wstring names;
    for (const auto& name : viewer.LeftOutLayers()) names += (names.empty() ? L"" : L", ") + name;
    ShowFormattedMessageBox(m_hWnd, kIdsLayersLeftOut, names);
  }
  CloseDialog(IDOK);
  ShowStatusTextById(*this, 0, kIdsLaunchingViewer);
  viewer.DoModal(::GetActiveWindow(), 0);
}

}  // namespace velk::corvane
