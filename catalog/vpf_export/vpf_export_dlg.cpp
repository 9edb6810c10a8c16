#include "catalog/vpf_export/vpf_export_dlg.h"

#include "catalog/vpf_export/export_names.h"

#include "framework/dataset_helpers.h"
#include "framework/extension_lookup.h"
#include "framework/message_helpers.h"
#include "interfaces/zel_extension.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_settings.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/dataset.h"
#include "platform/registry/host_object_creation.h"
#include "platform/win/gdi.h"

namespace velk::corvane {

namespace {

constexpr UINT kBrowseBitmapId = 3005;

HBITMAP LoadBrowseBitmap() {
  return static_cast<HBITMAP>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(kBrowseBitmapId),
                                           IMAGE_BITMAP, 0, 0,
                                           LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT));
}

// The child of parent (null: the roots) with the text, or null.
HTREEITEM FindChild(WTL::CTreeViewCtrl& tree, HTREEITEM parent, const std::wstring& text) {
  HTREEITEM item = parent ? tree.GetChildItem(parent) : tree.GetRootItem();
  for (; item; item = tree.GetNextSiblingItem(item))
    if (tree.GetItemText(item) == text) return item;
  return nullptr;
}

}  // namespace

ExportVpfFeaturesDlg::ExportVpfFeaturesDlg() {
  m_interfaceIds = {IidOf<IZelVectorLayer>()};
  m_browseBitmap = LoadBrowseBitmap();
  const UINT ids[] = {kIdsVpfAllFeatures, kIdsVpfSelectedFeatures, kIdsVpfFeaturesInView};
  for (int i = 0; i < 3; ++i) m_featureTexts[i] = LoadResString(ids[i]);
}

ExportVpfFeaturesDlg::~ExportVpfFeaturesDlg() {
  if (m_browseBitmap) ::DeleteObject(m_browseBitmap);
}

LRESULT ExportVpfFeaturesDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  FillLayerCombo();
  ::ShowWindow(Item(vxd::kLayers), SW_HIDE);
  ::ShowWindow(Item(vxd::kList), SW_HIDE);
  m_addToMap = false;
  try {
    if (auto zel = FindZelExtension()) {
      ComPtr<IZelSettings> settings;
      zel->get_Settings(settings.put());
      if (auto conversion = QueryAs<IConversionFieldsSettings>(settings.get())) {
        VARIANT_BOOL add = VARIANT_FALSE;
        conversion->get_AddExportedVPFDataToMap(&add);
        m_addToMap = add != VARIANT_FALSE;
      }
    }
  } catch (...) {
    // Without the extension's settings nothing is added to the map unless the user asks.
  }
  ::CheckDlgButton(m_hWnd, vxd::kAddToMap, m_addToMap ? BST_CHECKED : BST_UNCHECKED);
  m_location.clear();
  ::SetDlgItemTextW(m_hWnd, vxd::kOutput, L"");
  ::SendMessageW(Item(vxd::kOutputBrowse), BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(m_browseBitmap));
  HWND features = Item(vxd::kFeatures);
  ::SendMessageW(features, CB_RESETCONTENT, 0, 0);
  const LPARAM data[] = {0, 1, 2};
  for (int i = 0; i < 3; ++i) {
    const LRESULT at = ::SendMessageW(features, CB_ADDSTRING, 0,
                                      reinterpret_cast<LPARAM>(m_featureTexts[i].c_str()));
    ::SendMessageW(features, CB_SETITEMDATA, static_cast<WPARAM>(at), data[i]);
  }
  ::SendMessageW(features, CB_SETCURSEL, 0, 0);
  ::CheckRadioButton(m_hWnd, vxd::kMapSystem, vxd::kSourceSystem, vxd::kSourceSystem);
  ::SetWindowLongPtrW(Item(vxd::kTree), GWL_STYLE,
                      ::GetWindowLongPtrW(Item(vxd::kTree), GWL_STYLE) | TVS_CHECKBOXES);
  FillTree();
  const BOOL any = m_entries.empty() ? FALSE : TRUE;
  for (int id : {vxd::kTreeLabel, vxd::kFeaturesLabel, vxd::kSelectAll, vxd::kTree, vxd::kLayers,
                 vxd::kFeatures, vxd::kSourceSystem, vxd::kMapSystem, vxd::kOutput,
                 vxd::kOutputBrowse, IDOK, vxd::kAddToMap})
    ::EnableWindow(Item(id), any);
  return TRUE;
}

void ExportVpfFeaturesDlg::FillTree() {
  m_entries.clear();
  for (const auto& layer : m_layers)
    for (auto& e : CollectVpfEntries(layer.get())) m_entries.push_back(std::move(e));
  WTL::CTreeViewCtrl tree(Item(vxd::kTree));
  tree.DeleteAllItems();
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    HTREEITEM parent = nullptr;
    for (std::size_t k = 0;; ++k) {
      const std::wstring field = SplitField(m_entries[i].path, L'|', k);
      if (field.empty()) break;
      HTREEITEM item = FindChild(tree, parent, field);
      if (!item) {
        item = tree.InsertItem(field.c_str(), parent ? parent : TVI_ROOT, TVI_LAST);
        tree.SetItemData(item, i);
        tree.SetCheckState(item, m_entries[i].checked ? TRUE : FALSE);
        if (m_entries[i].checked)
          for (HTREEITEM up = parent; up; up = tree.GetParentItem(up)) tree.SetCheckState(up, TRUE);
      }
      parent = item;
    }
  }
  for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root))
    if (tree.GetChildItem(root)) tree.Expand(root);
}

void ExportVpfFeaturesDlg::SetSubtree(HTREEITEM item, bool checked) {
  WTL::CTreeViewCtrl tree(Item(vxd::kTree));
  tree.SetCheckState(item, checked ? TRUE : FALSE);
  for (HTREEITEM c = tree.GetChildItem(item); c; c = tree.GetNextSiblingItem(c)) SetSubtree(c, checked);
}

bool ExportVpfFeaturesDlg::AnyChecked(HTREEITEM item) {
  WTL::CTreeViewCtrl tree(Item(vxd::kTree));
  for (HTREEITEM c = tree.GetChildItem(item); c; c = tree.GetNextSiblingItem(c))
    if (tree.GetCheckState(c) || AnyChecked(c)) return true;
  return false;
}

void ExportVpfFeaturesDlg::Propagate(HTREEITEM item) {
  if (!item) return;
  WTL::CTreeViewCtrl tree(Item(vxd::kTree));
  if (tree.GetCheckState(item)) {
    SetSubtree(item, true);
    for (HTREEITEM up = tree.GetParentItem(item); up; up = tree.GetParentItem(up))
      tree.SetCheckState(up, TRUE);
    return;
  }
  SetSubtree(item, false);
  for (HTREEITEM up = tree.GetParentItem(item); up; up = tree.GetParentItem(up))
    if (!AnyChecked(up)) tree.SetCheckState(up, FALSE);
}

LRESULT ExportVpfFeaturesDlg::OnPropagate(UINT, WPARAM, LPARAM lParam, BOOL&) {
  Propagate(reinterpret_cast<HTREEITEM>(lParam));
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnTreeClick(int, LPNMHDR, BOOL&) {
  TVHITTESTINFO hit{};
  DWORD pos = ::GetMessagePos();
  hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ::ScreenToClient(Item(vxd::kTree), &hit.pt);
  auto item = reinterpret_cast<HTREEITEM>(
      ::SendMessageW(Item(vxd::kTree), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (item && (hit.flags & TVHT_ONITEMSTATEICON))
    ::PostMessageW(m_hWnd, vxd::kPropagate, vxd::kTree, reinterpret_cast<LPARAM>(item));
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnTreeKeyDown(int, LPNMHDR header, BOOL&) {
  auto* key = reinterpret_cast<NMTVKEYDOWN*>(header);
  if (key->wVKey == VK_SPACE) {
    WTL::CTreeViewCtrl tree(Item(vxd::kTree));
    ::PostMessageW(m_hWnd, vxd::kPropagate, vxd::kTree,
                   reinterpret_cast<LPARAM>(tree.GetSelectedItem()));
  }
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnSelectAll(WORD, WORD, HWND, BOOL&) {
  const bool on = ::IsDlgButtonChecked(m_hWnd, vxd::kSelectAll) == BST_CHECKED;
  WTL::CTreeViewCtrl tree(Item(vxd::kTree));
  for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root))
    SetSubtree(root, on);
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnAddToMap(WORD, WORD, HWND, BOOL&) {
  m_addToMap = ::IsDlgButtonChecked(m_hWnd, vxd::kAddToMap) == BST_CHECKED;
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnBrowseOutput(WORD, WORD, HWND, BOOL&) {
  try {
    const BrowsePick picked =
        BrowseToOpen(m_hWnd, kIdsVpfChooseOutput, kIdsVpfSave,
                     {host::CLSID_FilterWorkspaces, host::CLSID_FilterDatabaseClasses});
    if (!picked.object) return 0;
    ComPtr<IName> name;
    picked.object->get_InternalObjectName(name.put());
    Bstr progId;
    if (auto ws = QueryAs<IWorkspaceName>(name.get())) ws->get_WorkspaceFactoryProgID(&progId);
    // A folder (its category "Folder") takes shapefiles; anything else is a geodatabase.
    m_locationIsFolder = progId.str().find(L"Shapefile") != std::wstring::npos;
    m_location = picked.path;
    ::SetDlgItemTextW(m_hWnd, vxd::kOutput, m_location.c_str());
  } catch (...) {
    // No browse dialog: the output stays as it was.
  }
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  VpfExportParameters p;
  // Each entry's check state is that of the leaf item carrying its index.
  WTL::CTreeViewCtrl tree(Item(vxd::kTree));
  p.entries = m_entries;
  for (auto& e : p.entries) e.checked = false;
  std::vector<HTREEITEM> stack;
  for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root))
    stack.push_back(root);
  while (!stack.empty()) {
    HTREEITEM item = stack.back();
    stack.pop_back();
    HTREEITEM child = tree.GetChildItem(item);
    if (!child) {
      const auto index = static_cast<std::size_t>(tree.GetItemData(item));
      if (index < p.entries.size()) p.entries[index].checked = tree.GetCheckState(item) != FALSE;
    }
    for (; child; child = tree.GetNextSiblingItem(child)) stack.push_back(child);
  }
  HWND features = Item(vxd::kFeatures);
  const LRESULT sel = ::SendMessageW(features, CB_GETCURSEL, 0, 0);
  p.features = static_cast<VpfExportFeatures>(
      sel < 0 ? 0 : ::SendMessageW(features, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
  p.mapCoordinateSystem = ::IsDlgButtonChecked(m_hWnd, vxd::kMapSystem) == BST_CHECKED;
  p.location = m_location;
  p.folder = m_locationIsFolder;
  p.addToMap = m_addToMap;
  try {
    m_lastOutcome = RunVpfExport(Hook(), p);
  } catch (...) {
    m_lastOutcome = VpfExportOutcome();
    m_lastOutcome.messages.push_back({kIdsVpfCannotConvert, MB_ICONEXCLAMATION});
  }
  for (const auto& m : m_lastOutcome.messages)
    ShowMessageBox(m_hWnd, m.textId, kErrorCaptionId, m.type);
  if (!m_lastOutcome.problem.empty())
    ::MessageBoxW(m_hWnd, m_lastOutcome.problem.c_str(), LoadResString(kErrorCaptionId).c_str(),
                  MB_ICONEXCLAMATION);
  if (m_lastOutcome.done) CloseDialog(IDOK);
  return 0;
}

LRESULT ExportVpfFeaturesDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  CloseDialog(IDCANCEL);
  return 0;
}

ExportVpfDatasetsDlg::ExportVpfDatasetsDlg() { m_browseBitmap = LoadBrowseBitmap(); }

ExportVpfDatasetsDlg::~ExportVpfDatasetsDlg() {
  if (m_browseBitmap) ::DeleteObject(m_browseBitmap);
}

LRESULT ExportVpfDatasetsDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  for (int id : {3026, 3034})
    ::SendDlgItemMessageW(m_hWnd, id, BM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(m_browseBitmap));
  return TRUE;
}

LRESULT ExportVpfDatasetsDlg::OnClose(WORD, WORD id, HWND, BOOL&) {
  CloseDialog(id);
  return 0;
}

}  // namespace velk::corvane
