#include "terrain/threat_dome/threat_dome_dlg.h"

#include "framework/dialog_field_helpers.h"
#include "framework/numeric_field_helpers.h"
#include "framework/corvane_module.h"
#include "framework/layer_queries.h"
#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "framework/modeless_dialog_set.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/win/common_controls.h"
#include "platform/win/gdi.h"
#include "terrain/threat_dome/threat_dome.h"

namespace velk::corvane {

namespace {

constexpr UINT kBitmapIds[3] = {3009, 3002, 3013};
constexpr int kBitmapButtons[3] = {tdd::kPick, tdd::kAdd, tdd::kRemove};
// The controls of a new observer, enabled with input type 1.
constexpr int kNewObserverControls[] = {tdd::kNewLabel,
                                        tdd::kLatitudeLabel,
                                        tdd::kLongitudeLabel,
                                        tdd::kPick,
                                        tdd::kHeightOffsetLabel,
                                        tdd::kHeightOffset,
                                        tdd::kHeightOffsetUnit,
                                        tdd::kRadiusLabel,
                                        tdd::kRadius,
                                        tdd::kRadiusUnit,
                                        tdd::kUseElevation,
                                        tdd::kToggleList,
                                        tdd::kAdd,
                                        tdd::kRemove,
                                        tdd::kRemoveAll,
                                        tdd::kList,
                                        tdd::kListGroup};

std::wstring NumberText(double value) {
  std::wstring text;
  FormatDoubleAsText(text, value);
  return text;
}

}  // namespace

ThreatDomeDlg::ThreatDomeDlg() {
  m_interfaceIds = {IidOf<ILayer>()};
  for (int i = 0; i < 3; ++i)
    m_bitmaps[i] = static_cast<HBITMAP>(
        ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(kBitmapIds[i]), IMAGE_BITMAP, 0, 0,
                     LR_DEFAULTSIZE | LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
}

ThreatDomeDlg::~ThreatDomeDlg() {
  for (HBITMAP b : m_bitmaps)
    if (b) ::DeleteObject(b);
  if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

bool ThreatDomeDlg::AcceptLayer(IID, ComPtr<ILayer> layer) {
  return IsSurfaceLayerOfKind(layer.get(), 1) || QueryAs<IZelDtedLayer>(layer.get());
}

LRESULT ThreatDomeDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CWindowWithLayersImpl::FillLayerCombo();
  try {
    FillObserverLayerCombo();
  } catch (...) {
    // Without the host's layers the combo stays empty.
  }
  RememberDialogHeights();
  SetupObserverList();
  for (int i = 0; i < 3; ++i)
    ::SendMessageW(Item(kBitmapButtons[i]), BM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(m_bitmaps[i]));
  m_inputType = 0;
  HWND type = Item(tdd::kInputType);
  ::SendMessageW(type, CB_RESETCONTENT, 0, 0);
  const UINT texts[2] = {kIdsUseExistingObservers, kIdsCreateNewObserver};
  for (int i = 0; i < 2; ++i) {
    const std::wstring text = LoadResString(texts[i]);
    const LRESULT at =
        ::SendMessageW(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(type, CB_SETITEMDATA, at, i);
  }
  ::SendMessageW(type, CB_SETCURSEL, 0, 0);
  ResetObserverFields();
  m_observerList.clear();
  UpdateInputControls();
  const bool ready =
      ::SendMessageW(Item(tdd::kObserverLayer), CB_GETCOUNT, 0, 0) > 0 && !m_layers.empty();
  ::EnableWindow(Item(IDOK), ready);
  RegisterModelessDialog(m_hWnd);
  return TRUE;
}

void ThreatDomeDlg::FillObserverLayerCombo() {
  HWND combo = Item(tdd::kObserverLayer);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  m_observerLayers.clear();
  if (ComPtr<IEnumLayer> found = GetLayersByInterface(Hook(), IidOf<IFeatureLayer>())) {
    for (;;) {
      ComPtr<ILayer> layer;
      if (found->Next(layer.put()) != S_OK || !layer) break;
      if (!IsObserverPointLayer(layer.get())) continue;
      Bstr name;
      layer->get_Name(&name);
      ::SendMessageW(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(name.get() ? name.get() : L""));
      m_observerLayers.push_back(layer);
    }
  }
  ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

void ThreatDomeDlg::RememberDialogHeights() {
  RECT window{}, button{};
  ::GetWindowRect(m_hWnd, &window);
  ::GetWindowRect(Item(tdd::kToggleList), &button);
  m_fullHeight = window.bottom - window.top;
  m_collapsedHeight = button.bottom - window.top + 10;
  CollapseObserverList();
}

void ThreatDomeDlg::CollapseObserverList() {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, m_collapsedHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
  m_listOpen = false;
  EnableObserverList();
  ::SetDlgItemTextW(m_hWnd, tdd::kToggleList, LoadResString(kIdsShowObserverList).c_str());
  ::SetFocus(Item(tdd::kToggleList));
}

void ThreatDomeDlg::ExpandObserverList() {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, m_fullHeight, SWP_NOMOVE | SWP_NOZORDER);
  m_listOpen = true;
  EnableObserverList();
  ::SetDlgItemTextW(m_hWnd, tdd::kToggleList, LoadResString(kIdsHideObserverList).c_str());
}

void ThreatDomeDlg::EnableObserverList() {
  for (int id : {tdd::kListGroup, tdd::kAdd, tdd::kRemove, tdd::kRemoveAll, tdd::kList})
    ::EnableWindow(Item(id), m_listOpen);
}

void ThreatDomeDlg::SetupObserverList() {
  HWND list = Item(tdd::kList);
  ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW probe;
  probe.mask = LVCF_WIDTH;
  if (::SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&probe))) return;
  RECT client{};
  ::GetClientRect(list, &client);
  const int width = client.right - client.left;
  std::vector<std::wstring> titles{LoadResString(kIdsObserverNumberColumn)};
  for (int id : {tdd::kLatitudeLabel, tdd::kLongitudeLabel, tdd::kHeightOffsetLabel,
                 tdd::kRadiusLabel, tdd::kUseElevation}) {
    wchar_t text[64] = {};
    ::GetDlgItemTextW(m_hWnd, id, text, 64);
    titles.emplace_back(text);
  }
  for (int i = 0; i < 6; ++i) {
    LVCOLUMNW column;
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = i == 0 ? width / 10 : width / 4;
    column.pszText = titles[static_cast<std::size_t>(i)].data();
    column.iSubItem = i;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void ThreatDomeDlg::ResetObserverFields() {
  SetDlgItemDouble(m_hWnd, tdd::kLatitude, 0.0, 6, L"");
  SetDlgItemDouble(m_hWnd, tdd::kLongitude, 0.0, 6, L"");
  SetDlgItemDouble(m_hWnd, tdd::kHeightOffset, 200.0, 0, L"");
  SetDlgItemDouble(m_hWnd, tdd::kRadius, 10.0, 0, L"");
  SetDlgItemDouble(m_hWnd, tdd::kElevation, 0.0, 0, L"");
  ::CheckDlgButton(m_hWnd, tdd::kUseElevation, BST_UNCHECKED);
}

void ThreatDomeDlg::UpdateInputControls() {
  const bool existing = m_inputType == 0;
  ::EnableWindow(Item(tdd::kExistingLabel), existing);
  ::EnableWindow(Item(tdd::kObserverLayer), existing);
  for (int id : kNewObserverControls) ::EnableWindow(Item(id), !existing);
  // The latitude and longitude come from the coordinate tool only.
  ::EnableWindow(Item(tdd::kLatitude), FALSE);
  ::EnableWindow(Item(tdd::kLongitude), FALSE);
  if (!existing) EnableObserverList();
  UpdateElevationControls();
}

void ThreatDomeDlg::UpdateElevationControls() {
  const BOOL on =
      m_inputType == 1 && ::IsDlgButtonChecked(m_hWnd, tdd::kUseElevation) == BST_CHECKED;
  ::EnableWindow(Item(tdd::kElevation), on);
  ::EnableWindow(Item(tdd::kElevationUnit), on);
}

void ThreatDomeDlg::ReadObserverFields() {
  bool shown = false;
  shown = ReadDlgItemDouble(m_hWnd, tdd::kLatitude, &m_current.latitude, shown);
  shown = ReadDlgItemDouble(m_hWnd, tdd::kLongitude, &m_current.longitude, shown);
  shown = ReadDlgItemDouble(m_hWnd, tdd::kHeightOffset, &m_current.heightOffset, shown);
  shown = ReadDlgItemDouble(m_hWnd, tdd::kRadius, &m_current.domeRadius, shown);
  if (::IsDlgButtonChecked(m_hWnd, tdd::kUseElevation) == BST_CHECKED) {
    ReadDlgItemDouble(m_hWnd, tdd::kElevation, &m_current.elevation, shown);
    m_current.elevationGiven = true;
  } else {
    m_current.elevation = 0.0;
    m_current.elevationGiven = false;
  }
}

void ThreatDomeDlg::OnCoordToolPoint(IPoint* point) {
  if (!::IsWindow(m_hWnd) || !point) return;
  double x = 0, y = 0;
  point->get_X(&x);
  point->get_Y(&y);
  ::SetDlgItemTextW(m_hWnd, tdd::kLongitude, NumberText(x).c_str());
  ::SetDlgItemTextW(m_hWnd, tdd::kLatitude, NumberText(y).c_str());
  ::EnableWindow(Item(IDOK), TRUE);
}

void ThreatDomeDlg::AddObserverRow(const ThreatDomeObserverInput& o) {
  m_observerList.push_back(o);
  HWND list = Item(tdd::kList);
  const int row = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::wstring number = NumberText(row + 1);
  LVITEMW item;
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = number.data();
  const int at =
      static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  const double values[5] = {o.latitude, o.longitude, o.heightOffset, o.domeRadius, o.elevation};
  for (int c = 0; c < 5; ++c) {
    std::wstring text = NumberText(values[c]);
    LVITEMW sub;
    sub.iSubItem = c + 1;
    sub.pszText = text.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
  }
}

void ThreatDomeDlg::RenumberRows() {
  HWND list = Item(tdd::kList);
  const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < rows; ++i) {
    std::wstring number = NumberText(i + 1);
    LVITEMW sub;
    sub.iSubItem = 0;
    sub.pszText = number.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
  }
}

bool ThreatDomeDlg::ObserverFieldsAreNumbers() {
  if (!CheckDlgItemNumbers(
          m_hWnd, {{tdd::kHeightOffset, L"Height Offset"}, {tdd::kRadius, L"Dome Radius"}}))
    return false;
  // The elevation counts only while its box is checked.
  return ::IsDlgButtonChecked(m_hWnd, tdd::kUseElevation) != BST_CHECKED ||
         CheckDlgItemNumbers(m_hWnd, {{tdd::kElevation, L"Elevation"}});
}

LRESULT ThreatDomeDlg::OnAdd(WORD, WORD, HWND, BOOL&) {
  // A text that is no number would be listed as 0.
  if (!ObserverFieldsAreNumbers()) return 0;
  ReadObserverFields();
  AddObserverRow(m_current);
  return 0;
}

LRESULT ThreatDomeDlg::OnRemove(WORD, WORD, HWND, BOOL&) {
  HWND list = Item(tdd::kList);
  if (::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return 0;
  const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = rows - 1; i >= 0; --i)
    if (::SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) {
      ::SendMessageW(list, LVM_DELETEITEM, i, 0);
      if (static_cast<std::size_t>(i) < m_observerList.size())
        m_observerList.erase(m_observerList.begin() + i);
    }
  RenumberRows();
  return 0;
}

LRESULT ThreatDomeDlg::OnRemoveAll(WORD, WORD, HWND, BOOL&) {
  HWND list = Item(tdd::kList);
  for (int i = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1; i >= 0; --i)
    ::SendMessageW(list, LVM_DELETEITEM, i, 0);
  m_observerList.clear();
  return 0;
}

LRESULT ThreatDomeDlg::OnToggleList(WORD, WORD, HWND, BOOL&) {
  if (m_listOpen)
    CollapseObserverList();
  else
    ExpandObserverList();
  return 0;
}

LRESULT ThreatDomeDlg::OnUseElevation(WORD, WORD, HWND, BOOL&) {
  UpdateElevationControls();
  return 0;
}

LRESULT ThreatDomeDlg::OnBaseLayerChanged(WORD, WORD, HWND, BOOL&) {
  m_selectedIndex = static_cast<LONG>(::SendMessageW(Item(tdd::kBaseLayer), CB_GETCURSEL, 0, 0));
  return 0;
}

LRESULT ThreatDomeDlg::OnInputTypeChanged(WORD, WORD, HWND, BOOL&) {
  HWND type = Item(tdd::kInputType);
  const LRESULT sel = ::SendMessageW(type, CB_GETCURSEL, 0, 0);
  m_inputType = static_cast<int>(::SendMessageW(type, CB_GETITEMDATA, sel, 0));
  UpdateInputControls();
  return 0;
}

LRESULT ThreatDomeDlg::OnKillFocus(WORD, WORD id, HWND, BOOL& handled) {
  switch (id) {
    case tdd::kLatitude:
    case tdd::kLongitude:
    case tdd::kHeightOffset:
    case tdd::kRadius:
    case tdd::kElevation: ReadObserverFields(); return 0;
    default: handled = FALSE; return 0;
  }
}

LRESULT ThreatDomeDlg::OnPick(WORD, WORD, HWND, BOOL&) {
  try {
    if (::IsDlgButtonChecked(m_hWnd, tdd::kPick) == BST_CHECKED) {
      FindCoordToolCommand(Hook());
      if (m_listener) m_listener->StartListening(false);
    } else if (m_listener) {
      m_listener->StopListening(false);
    }
  } catch (...) {
    // Without the coordinate tool there are no points to take; the dialog stays usable.
  }
  return 0;
}

LRESULT ThreatDomeDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  ThreatDomeRunParameters p;
  const LRESULT base = ::SendMessageW(Item(tdd::kBaseLayer), CB_GETCURSEL, 0, 0);
  if (base >= 0 && static_cast<std::size_t>(base) < m_layers.size())
    p.baseLayer = m_layers[static_cast<std::size_t>(base)];
  p.inputType = m_inputType;
  const LRESULT observer = ::SendMessageW(Item(tdd::kObserverLayer), CB_GETCURSEL, 0, 0);
  if (observer >= 0 && static_cast<std::size_t>(observer) < m_observerLayers.size())
    p.observerLayer = m_observerLayers[static_cast<std::size_t>(observer)];
  p.listOpen = m_listOpen;
  p.observerList = m_observerList;
  if (m_inputType == 1 && !m_listOpen) {
    // A text that is no number would run as 0.
    if (!ObserverFieldsAreNumbers()) return 0;
    ReadObserverFields();
  }
  p.current = m_current;
  HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  try {
    m_lastOutcome = RunThreatDome(Hook(), p);
  } catch (...) {
    m_lastOutcome = {};
    m_lastOutcome.messages.push_back({kIdsNoBaseSurface, MB_ICONEXCLAMATION});
  }
  ::SetCursor(previous);
  // A refused or failed run does not leave a step's "Press Esc To Cancel" in the status bar.
  if (!m_lastOutcome.done && !m_lastOutcome.cancelled) {
    if (m_lastOutcome.messages.empty())
      ShowStatusText(Hook(), 0, Bstr(L""));
    else
      ShowStatusTextById(Hook(), 0, m_lastOutcome.messages.front().textId);
  }
  for (const RunMessage& m : m_lastOutcome.messages)
    ShowMessageBox(m_hWnd, m.textId, kErrorCaptionId, m.type);
  if (m_lastOutcome.done) Close();
  return 0;
}

void ThreatDomeDlg::Close() {
  if (m_listener) {
    try {
      m_listener->StopListening(true);
    } catch (...) {
      // A host without a current tool has nothing to clear.
    }
  }
  ::ShowWindow(m_hWnd, SW_HIDE);
  UnregisterModelessDialog(m_hWnd);
  ::DestroyWindow(m_hWnd);
}

LRESULT ThreatDomeDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  Close();
  return 0;
}

}  // namespace velk::corvane
