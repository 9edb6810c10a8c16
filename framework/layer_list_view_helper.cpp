#include "framework/layer_list_view_helper.h"

#include "framework/host_object_creation.h"
#include "framework/map_lookups.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/win/message_queue.h"

namespace velk::corvane {

namespace {
constexpr int kColumnMargin = 15;
constexpr UINT kCheckedImage = 2;
}  // namespace

LayerListViewHelper::LayerListViewHelper(std::wstring columnTitle, HookStruct* hook)
    : hook_(hook), columnTitle_(std::move(columnTitle)) {}

LayerListViewHelper::~LayerListViewHelper() = default;

BOOL LayerListViewHelper::Attach(HWND listView) {
  if (!SubclassWindow(listView)) return FALSE;
  SetExtendedListViewStyle(kLayerListViewStyle);
  return TRUE;
}

HWND LayerListViewHelper::CreateList(HWND parent, RECT rect, UINT id) {
  HWND h = Create(parent, rect, nullptr, kLayerListStyle, kLayerListExStyle, id);
  if (h) SetExtendedListViewStyle(kLayerListViewStyle);
  return h;
}

void LayerListViewHelper::ResetColumns() {
  InsertColumn(0, columnTitle_.c_str(), LVCFMT_LEFT,
               GetStringWidth(columnTitle_.c_str()) + kColumnMargin);
  RECT r{};
  GetWindowRect(&r);
  SetColumnWidth(0, (r.right - r.left) - kColumnMargin);
  DeleteAllItems();
  layers_.clear();
}

void LayerListViewHelper::Populate(HWND window, LONG mode) {
  if (!::IsWindow(window) || !hook_) return;
  ResetColumns();
  for (const IID& iid : typeIds_) {
    ComPtr<IEnumLayer> found = GetMapLayersByInterface(*hook_, iid);
    if (!found) continue;
    ComPtr<ILayer> layer;
    while (found->Next(layer.put()) == S_OK && layer) {
      if (mode == kPopulateVisibleOnly) {
        VARIANT_BOOL visible = VARIANT_FALSE;
        layer->get_Visible(&visible);
        if (!visible) continue;
      }
      layers_.push_back(layer);
    }
  }
}

void LayerListViewHelper::KeepLayersInExtent(const ComPtr<IGeometry>& geometry) {
  std::vector<ComPtr<ILayer>> kept;
  for (const auto& layer : layers_) {
    // A layer that cannot say where it lies is nowhere, as one without data.
    auto extent = QueryAs<ILayerExtent>(layer.get());
    if (!extent) continue;
    ComPtr<IEnvelope> area;
    extent->get_AreaOfInterest(area.put());
    auto relation = QueryAs<IRelationalOperator>(area.get());
    if (!relation) continue;
    VARIANT_BOOL disjoint = VARIANT_TRUE;
    relation->Disjoint(geometry.get(), &disjoint);
    if (!disjoint) kept.push_back(layer);
  }
  layers_ = std::move(kept);
}

void LayerListViewHelper::FillItems() {
  for (std::size_t i = 0; i < layers_.size(); ++i) {
    if (!layers_[i]) ThrowComError(E_POINTER);
    Bstr name;
    layers_[i]->get_Name(&name);
    int row = InsertItem(static_cast<int>(i), name.str().c_str());
    VARIANT_BOOL visible = VARIANT_FALSE;
    layers_[i]->get_Visible(&visible);
    SetCheckState(row, visible == VARIANT_TRUE);
  }
}

void LayerListViewHelper::SetAllChecks(bool checked) {
  int n = GetItemCount();
  for (int i = 0; i < n; ++i) SetCheckState(i, checked ? TRUE : FALSE);
}

ComPtr<ISet> LayerListViewHelper::GetCheckedLayers() {
  auto set = CreateHostObject<ISet>(host::CLSID_Set);
  int n = GetItemCount();
  for (int i = 0; i < n; ++i) {
    UINT image = (GetItemState(i, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12;
    if (image != kCheckedImage) continue;
    if (static_cast<std::size_t>(i) >= layers_.size()) ThrowComError(E_POINTER);
    set->Add(layers_[i].get());
  }
  return set;
}

void LayerListViewHelper::PropagateToggle(int row) {
  if (!(GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)) return;
  BOOL newState = GetCheckState(row) ? FALSE : TRUE;
  int n = GetItemCount();
  for (int i = 0; i < n; ++i)
    if (i != row && (GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED)) SetCheckState(i, newState);
}

LRESULT LayerListViewHelper::OnButtonDown(UINT, WPARAM, LPARAM lp, BOOL& handled) {
  handled = FALSE;  // the control's own handling follows and toggles the clicked row
  LVHITTESTINFO hit;
  hit.pt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  int row = HitTest(&hit);
  bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) && !ctrl) PropagateToggle(row);
  return 0;
}

LRESULT LayerListViewHelper::OnKeyDown(UINT, WPARAM wp, LPARAM, BOOL& handled) {
  handled = FALSE;
  if (wp != VK_SPACE) return 0;
  int row = GetNextItem(-1, LVNI_FOCUSED);
  bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (row >= 0 && !ctrl) PropagateToggle(row);
  return 0;
}

}  // namespace velk::corvane
