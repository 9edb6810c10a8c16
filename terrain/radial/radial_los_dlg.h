// The radial line-of-sight dialog (modeless): the surface, one observer or a list of observers
// with their heights and ranges, each previewed on the map as a marker and its range polygon.
// Observer locations come from the coordinate tool while Start is pressed; Ok runs the
// analysis over the listed observers, or the current one when the list is empty.
#pragma once

#include <optional>
#include <vector>

#include "framework/coord_tool_event_handler.h"
#include "framework/window_with_layers_impl.h"
#include "interfaces/zel_settings.h"
#include "terrain/radial/radial_los_observer.h"
#include "terrain/radial/radial_los_run.h"

namespace velk::corvane {

// Control ids of dialog 3064.
namespace rld {
constexpr int kSurface = 3550;
constexpr int kBrowse = 3025;
constexpr int kLatitude = 3087;
constexpr int kLongitude = 3088;
constexpr int kStart = 3011;
constexpr int kCentreOffset = 3092;
constexpr int kTerrainOffset = 3103;
constexpr int kDistanceNear = 3072;
constexpr int kDistanceFar = 3073;
constexpr int kAzimuthFrom = 3066;
constexpr int kAzimuthTo = 3067;
constexpr int kElevationFrom = 3075;
constexpr int kElevationTo = 3079;
constexpr int kUseElevation = 3520;
constexpr int kObserverElevation = 3091;
constexpr int kElevationUnit = 3604;
constexpr int kMode = 3029;
constexpr int kOk = 3003;
constexpr int kClear = 3040;
constexpr int kAdd = 3000;
constexpr int kRemove = 3039;
constexpr int kRemoveAll = 3008;
constexpr int kList = 3115;
}  // namespace rld

constexpr UINT kIdsElevationRange = 3871;
constexpr UINT kIdsNearBeyondFar = 3992;  // "The near distance must be less than the far ..."
constexpr UINT kIdsMultipleObservers = 3656;
constexpr UINT kIdsSingleObserver = 3657;
constexpr UINT kIdsFirstColumn = 3632;

class RadialLosDlg : public CWindowWithLayersImpl<RadialLosDlg, rld::kSurface> {
 public:
  enum { IDD = 3064 };

  RadialLosDlg();
  ~RadialLosDlg() override;

  BEGIN_MSG_MAP(RadialLosDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_HANDLER(rld::kSurface, CBN_SELCHANGE, OnSurfaceChanged)
  COMMAND_HANDLER(rld::kStart, BN_CLICKED, OnStart)
  COMMAND_HANDLER(rld::kOk, BN_CLICKED, OnOK)
  COMMAND_HANDLER(rld::kClear, BN_CLICKED, OnClear)
  COMMAND_HANDLER(rld::kRemoveAll, BN_CLICKED, OnClear)
  COMMAND_HANDLER(rld::kMode, BN_CLICKED, OnMode)
  COMMAND_HANDLER(rld::kRemove, BN_CLICKED, OnRemove)
  COMMAND_HANDLER(rld::kAdd, BN_CLICKED, OnAdd)
  COMMAND_HANDLER(rld::kUseElevation, BN_CLICKED, OnUseElevation)
  COMMAND_CODE_HANDLER(EN_KILLFOCUS, OnKillFocus)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_ID_HANDLER(IDOK, OnCloseCmd)
  NOTIFY_HANDLER(rld::kList, NM_CLICK, OnListClick)
  END_MSG_MAP()

  // The command's listener part (not owned).
  void SetListener(stCoordToolListener* listener) { m_listener = listener; }
  // The refill after the window is made and on a new or opened document.
  void FillLayerCombo() override { Refill(); }
  void Refill();
  void UpdateControlStates();
  // A point of the coordinate tool, in WGS 84.
  void OnObserverPoint(IPoint* wgs84Point);

  const RadialLosObserver& CurrentObserver() const { return m_current; }
  const std::vector<RadialLosObserver>& Observers() const { return m_observers; }
  bool MultipleMode() const { return m_multipleMode; }
  // What the last Ok did (for the host program's log and tests).
  const RadialLosRunOutcome& LastOutcome() const { return m_lastOutcome; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSurfaceChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnStart(WORD, WORD, HWND, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnClear(WORD, WORD, HWND, BOOL&);
  LRESULT OnMode(WORD, WORD, HWND, BOOL&);
  LRESULT OnRemove(WORD, WORD, HWND, BOOL&);
  LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
  LRESULT OnUseElevation(WORD, WORD, HWND, BOOL&);
  LRESULT OnKillFocus(WORD, WORD id, HWND, BOOL& handled);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnCloseCmd(WORD, WORD, HWND, BOOL&);
  LRESULT OnListClick(int, LPNMHDR, BOOL&);

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void TakeSelectedSurface();
  void ResetObserverControls();
  void MeasureModeHeights();
  void ShowSingleObserver();
  void ShowMultipleObservers();
  void SetUpObserverColumns();
  void UpdateObserverElevationControls();
  RadialLosObserver ReadObserverFromControls(int focusId);
  // Every typed number of the observer edits; false, after a message naming the first field
  // that holds none, when one does not.
  bool ObserverFieldsAreNumbers();
  void OnRangeEditKillFocus(int id);
  RadialLosObserver NewObserver();

  // Preview graphics.
  ComPtr<IPolygon> BuildObserverGraphics(RadialLosObserver& observer);
  void EraseObserverGraphics(RadialLosObserver& observer);
  void EraseAllObserverGraphics(bool withCurrent);
  void ShowAllObserverGraphics();
  void SetObserverColour(RadialLosObserver& observer, LONG rgb);
  void RefreshGraphics(IPolygon* area);
  ComPtr<IEnvelope> GetObserverGraphicsExtent();

  // The list.
  void AddObserverRow(const RadialLosObserver& observer);
  void RemoveObserverRow(int row);
  void RemoveAllObservers();
  int RowCount() const;
  void Renumber();

  stCoordToolListener* m_listener = nullptr;
  ComPtr<ITerrainSettings> m_settings;
  ComPtr<ISpatialReference> m_wgs84;
  ComPtr<ILayer> m_surfaceLayer;
  RadialLosObserver m_current;
  std::vector<RadialLosObserver> m_observers;
  bool m_multipleMode = false;
  int m_collapsedHeight = -1;
  int m_expandedHeight = -1;
  int m_selectedRow = -999;
  // While the dialog itself moves the focus back to a distance edit, the focus lost by the
  // other edit is not read again (each would send the focus back to itself, without end).
  bool m_movingFocus = false;
  // The near and far distances last said to be the wrong way round: said once per pair.
  double m_saidNear = 0.0, m_saidFar = -1.0;
  HBITMAP m_bitmaps[4] = {};
  RadialLosRunOutcome m_lastOutcome;
};

}  // namespace velk::corvane
