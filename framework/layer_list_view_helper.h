// A list view with one check box per map layer: collects the focus map's layers (by interface,
// visibility, extent), shows one row per layer with its name, checks the rows of visible
// layers, and hands back the layers whose rows are checked. A click on the check box of a
// selected row (or the space bar on it) sets every selected row to that row's new state.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/data/set.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/window_impl.h"

namespace velk::corvane {

// Styles of the list: child, visible, report view; client edge; check boxes, one-click
// activation, border selection.
constexpr DWORD kLayerListStyle = 0x50000001;
constexpr DWORD kLayerListExStyle = 0x200;
constexpr DWORD kLayerListViewStyle = 0x8044;

// Collection mode of Populate: 1 leaves out hidden layers.
constexpr LONG kPopulateVisibleOnly = 1;

class LayerListViewHelper : public ATL::CWindowImpl<LayerListViewHelper, WTL::CListViewCtrl> {
 public:
  LayerListViewHelper(std::wstring columnTitle, HookStruct* hook);
  ~LayerListViewHelper() override;

  void SetHook(HookStruct* hook) { hook_ = hook; }
  void AddLayerTypeFilter(IID iid) { typeIds_.push_back(iid); }

  // Attaches to a list-view control of a dialog (and gives it the list-view style); or
  // creates a list window of its own.
  BOOL Attach(HWND listView);
  HWND CreateList(HWND parent, RECT rect, UINT id);

  void ResetColumns();
  // Collects the focus map's layers for each type id in order (a layer of two ids twice);
  // nothing when window is not a window or no hook is set. Creates no rows.
  void Populate(HWND window, LONG mode);
  // Keeps the layers whose area of interest is not disjoint from the geometry; a layer without
  // an area of interest is left out.
  void KeepLayersInExtent(const ComPtr<IGeometry>& geometry);
  void FillItems();
  void SetAllChecks(bool checked);
  // A new host set of the layers whose rows are checked (empty, never null).
  ComPtr<ISet> GetCheckedLayers();

  // The collected layers; row i shows layer i. The owner may fill it directly.
  std::vector<ComPtr<ILayer>>& Layers() { return layers_; }

  BEGIN_MSG_MAP(LayerListViewHelper)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnButtonDown)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  DEFAULT_REFLECTION_HANDLER()
  END_MSG_MAP()

  void OnFinalMessage(HWND) override {}

 private:
  LRESULT OnButtonDown(UINT msg, WPARAM wp, LPARAM lp, BOOL& handled);
  LRESULT OnKeyDown(UINT msg, WPARAM wp, LPARAM lp, BOOL& handled);
  void PropagateToggle(int row);

  HookStruct* hook_;
  std::vector<ComPtr<ILayer>> layers_;
  std::vector<IID> typeIds_;
  std::wstring columnTitle_;
};

}  // namespace velk::corvane
