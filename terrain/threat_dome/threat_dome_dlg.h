// The threat dome dialog (modeless, resource 3277): the base elevation layer, and observers from
// an existing observer layer or new points picked with the coordinate tool, each with a height
// offset, a dome radius and optionally an elevation, alone or gathered in the list that the
// lower part of the dialog shows. OK runs the domes (threat_dome_run.h).
#pragma once

#include <vector>

#include "framework/coord_tool_event_handler.h"
#include "framework/window_with_layers_impl.h"
#include "terrain/threat_dome/threat_dome_run.h"

namespace velk::corvane {

// Control ids of dialog 3277.
namespace tdd {
constexpr int kBaseLayer = 3796;
constexpr int kInputType = 3769;
constexpr int kExistingLabel = 3770;
constexpr int kObserverLayer = 3797;
constexpr int kNewLabel = 3772;
constexpr int kLatitudeLabel = 3798;
constexpr int kLatitude = 3804;
constexpr int kPick = 3813;
constexpr int kLongitudeLabel = 3799;
constexpr int kLongitude = 3805;
constexpr int kHeightOffsetLabel = 3800;
constexpr int kHeightOffset = 3783;
constexpr int kHeightOffsetUnit = 3814;
constexpr int kRadiusLabel = 3801;
constexpr int kRadius = 3815;
constexpr int kRadiusUnit = 3803;
constexpr int kUseElevation = 3810;
constexpr int kElevation = 3816;
constexpr int kElevationUnit = 3802;
constexpr int kToggleList = 3795;
constexpr int kListGroup = 3817;
constexpr int kAdd = 3806;
constexpr int kRemove = 3807;
constexpr int kRemoveAll = 3808;
constexpr int kList = 3809;
}  // namespace tdd

constexpr UINT kIdsShowObserverList = 3684;  // "Multiple Observers >>"
constexpr UINT kIdsHideObserverList = 3714;  // "<< Single Observer"
constexpr UINT kIdsObserverNumberColumn = 3705;
constexpr UINT kIdsUseExistingObservers = 3712;
constexpr UINT kIdsCreateNewObserver = 3713;

class ThreatDomeDlg : public CWindowWithLayersImpl<ThreatDomeDlg, tdd::kBaseLayer> {
 public:
  enum { IDD = 3277 };

  ThreatDomeDlg();
  ~ThreatDomeDlg() override;

  BEGIN_MSG_MAP(ThreatDomeDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(tdd::kPick, BN_CLICKED, OnPick)
  COMMAND_HANDLER(tdd::kAdd, BN_CLICKED, OnAdd)
  COMMAND_HANDLER(tdd::kRemove, BN_CLICKED, OnRemove)
  COMMAND_HANDLER(tdd::kRemoveAll, BN_CLICKED, OnRemoveAll)
  COMMAND_HANDLER(tdd::kToggleList, BN_CLICKED, OnToggleList)
  COMMAND_HANDLER(tdd::kUseElevation, BN_CLICKED, OnUseElevation)
  COMMAND_HANDLER(tdd::kBaseLayer, CBN_SELCHANGE, OnBaseLayerChanged)
  COMMAND_HANDLER(tdd::kInputType, CBN_SELCHANGE, OnInputTypeChanged)
  COMMAND_CODE_HANDLER(EN_KILLFOCUS, OnKillFocus)
  END_MSG_MAP()

  // The command's listener part (not owned).
  void SetListener(stCoordToolListener* listener) { m_listener = listener; }
  // Base layers: raster layers that give the globe its heights, and catalog DTED layers.
  bool AcceptLayer(IID, ComPtr<ILayer> layer) override;
  // A point of the coordinate tool, in WGS 84 (ignored while the window does not exist).
  void OnCoordToolPoint(IPoint* wgs84Point);

  int InputType() const { return m_inputType; }
  bool ListOpen() const { return m_listOpen; }
  const ThreatDomeObserverInput& CurrentObserver() const { return m_current; }
  const std::vector<ThreatDomeObserverInput>& ObserverList() const { return m_observerList; }
  const std::vector<ComPtr<ILayer>>& ObserverLayers() const { return m_observerLayers; }
  int CollapsedHeight() const { return m_collapsedHeight; }
  int FullHeight() const { return m_fullHeight; }
  // What the last OK did (for the host program's log and tests).
  const ThreatDomeRunOutcome& LastOutcome() const { return m_lastOutcome; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnPick(WORD, WORD, HWND, BOOL&);
  LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
  LRESULT OnRemove(WORD, WORD, HWND, BOOL&);
  LRESULT OnRemoveAll(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggleList(WORD, WORD, HWND, BOOL&);
  LRESULT OnUseElevation(WORD, WORD, HWND, BOOL&);
  LRESULT OnBaseLayerChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputTypeChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnKillFocus(WORD, WORD id, HWND, BOOL& handled);

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void FillObserverLayerCombo();
  void RememberDialogHeights();
  void CollapseObserverList();
  void ExpandObserverList();
  void EnableObserverList();
  void SetupObserverList();
  void ResetObserverFields();
  void UpdateInputControls();
  void UpdateElevationControls();
  void ReadObserverFields();
  // False, after a message naming the first, when a typed observer field holds no number.
  bool ObserverFieldsAreNumbers();
  void AddObserverRow(const ThreatDomeObserverInput& observer);
  void RenumberRows();
  void Close();

  stCoordToolListener* m_listener = nullptr;
  HBITMAP m_bitmaps[3] = {nullptr, nullptr, nullptr};
  int m_inputType = 0;
  std::vector<ComPtr<ILayer>> m_observerLayers;
  ThreatDomeObserverInput m_current;
  std::vector<ThreatDomeObserverInput> m_observerList;
  bool m_listOpen = false;
  int m_collapsedHeight = 0;
  int m_fullHeight = 0;
  ThreatDomeRunOutcome m_lastOutcome;
};

}  // namespace velk::corvane
