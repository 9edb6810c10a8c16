// The linear line-of-sight dialog (modeless): the user picks a surface layer, an observer
// ("Start") and a target ("End") on the map through the coordinate tool, types a height
// offset for each and presses Ok, which runs the line of sight; the dialog stays open. The
// picked points and the sight line between them are shown as graphics on the map.
#pragma once

#include <array>

#include "framework/coord_tool_event_handler.h"
#include "framework/window_with_layers_impl.h"
#include "interfaces/zel_settings.h"
#include "platform/host/display/graphics.h"
#include "terrain/linear_los/linear_los_run.h"

namespace velk::corvane {

// Control ids of dialog 3054.
namespace lld {
constexpr int kSurface = 3550;
constexpr int kBrowse = 3025;
constexpr int kStartLatitude = 3100;
constexpr int kStartLongitude = 3101;
constexpr int kStartOffset = 3102;
constexpr int kPickStart = 3011;
constexpr int kEndLatitude = 3076;
constexpr int kEndLongitude = 3077;
constexpr int kEndOffset = 3078;
constexpr int kPickEnd = 3010;
constexpr int kOk = 3003;
constexpr int kClear = 3006;
}  // namespace lld

constexpr UINT kIdsEnableSorrelin = 3558;      // "Please enable the Sorrelin extension"
constexpr UINT kIdsOffsetNotANumber = 3945;    // "The offset is not a number."

class LinearLosDlg : public CWindowWithLayersImpl<LinearLosDlg, lld::kSurface> {
 public:
  enum { IDD = 3054 };

  LinearLosDlg();
  ~LinearLosDlg() override;

  BEGIN_MSG_MAP(LinearLosDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnCloseCmd)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(lld::kSurface, CBN_SELCHANGE, OnLayerSelChange)
  COMMAND_HANDLER(lld::kPickEnd, BN_CLICKED, OnPickEnd)
  COMMAND_HANDLER(lld::kPickStart, BN_CLICKED, OnPickStart)
  COMMAND_HANDLER(lld::kOk, BN_CLICKED, OnOK)
  COMMAND_HANDLER(lld::kClear, BN_CLICKED, OnClear)
  MESSAGE_HANDLER(WM_CLOSE, OnClose)
  END_MSG_MAP()

  void SetListener(stCoordToolListener* listener) { m_listener = listener; }

  // The dialog's initialisation entry: the layer list, the graphics, the selected surface and
  // cleared points. Nothing when the window does not exist.
  void FillLayerCombo() override { Init(); }
  void Init();
  // A point from the coordinate tool (WGS 1984).
  void OnPointPicked(IPoint* wgs84);
  void UpdateControls();
  void ClearPoints();

  // The surface, the graphics and their extent.
  void SelectSurfaceLayer();
  void UpdateLineOfSightGraphics();
  void RemoveLineOfSightGraphics();
  ComPtr<IEnvelope> GetGraphicsEnvelope();

  int PickMode() const { return m_pickMode; }
  ILayer* SurfaceLayer() const { return m_surfaceLayer.get(); }
  // What the last Ok did (for the host program's log and tests).
  const LinearLosRunOutcome& LastOutcome() const { return m_lastOutcome; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnLayerSelChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnPickEnd(WORD, WORD, HWND, BOOL&);
  LRESULT OnPickStart(WORD, WORD, HWND, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnClear(WORD, WORD, HWND, BOOL&);
  LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCloseCmd(WORD, WORD, HWND, BOOL&);

  void TogglePicking(int mode);
  void Run();
  // The offset edit as a number: empty flashes it and gives 0 (as the first empty edit);
  // text that is no number flashes it and gives NaN.
  double ReadOffset(int id, bool& errorShown);
  void ShowError(const std::exception_ptr& error);
  ComPtr<IActiveView> View();

  stCoordToolListener* m_listener = nullptr;
  ComPtr<IZelSettings> m_settings;
  bool m_initialised = false;
  bool m_analysisExtension = false;
  bool m_startPicked = false;
  bool m_endPicked = false;
  int m_pickMode = 0;
  ComPtr<ILayer> m_surfaceLayer;
  ComPtr<IUnknown> m_surfaceDataset;
  ComPtr<ISpatialReference> m_wgs84;
  // Start marker, end marker, sight line: element, its geometry, whether it is off the map.
  std::array<ComPtr<IElement>, 3> m_elements;
  std::array<ComPtr<IGeometry>, 3> m_geometries;
  std::array<bool, 3> m_offMap{true, true, true};
  HBITMAP m_browseBitmap = nullptr;
  HBITMAP m_pickBitmap = nullptr;
  LinearLosRunOutcome m_lastOutcome;
};

}  // namespace velk::corvane
