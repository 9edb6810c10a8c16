// The fly-through dialog (modeless, in the globe host): the user chooses where the camera
// animation comes from (an existing path or observer layer, a new flight path picked point by
// point on the globe, or a new observer point), sets the flight's parameters and presses OK,
// which builds the track, closes the dialog and says so in the status bar.
#pragma once

#include "framework/coord_tool_event_handler.h"
#include "framework/window_with_layers_impl.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/graphics.h"
#include "terrain/fly_through/fly_through_builders.h"

namespace velk::corvane {

// Control ids of dialog 3275.
namespace ftd {
constexpr int kAddPathGraphic = 3768;
constexpr int kInputType = 3769;
constexpr int kLayerLabel = 3770;
constexpr int kLayers = 3771;
constexpr int kNewLabel = 3772;
constexpr int kLongitudeLabel = 3773;
constexpr int kLatitudeLabel = 3774;
constexpr int kRowLabel = 3775;
constexpr int kLongitude = 3777;
constexpr int kLatitude = 3778;
constexpr int kPick = 3781;
constexpr int kHeightOffset = 3783;
constexpr int kInclination = 3784;
constexpr int kTargetDistance = 3793;
constexpr int kStartAzimuth = 3794;
}  // namespace ftd

// Input types (the item data of combo 3769).
constexpr LONG kInputExisting = 0;
constexpr LONG kInputNewPath = 1;
constexpr LONG kInputNewObserver = 2;

// Kinds of listed layers (the item data of combo 3771).
constexpr LONG kLayerOther = 0;
constexpr LONG kLayerVisibility = 1;
constexpr LONG kLayerObserver = 2;

class FlyThroughDlg : public CWindowWithLayersImpl<FlyThroughDlg, ftd::kLayers> {
 public:
  enum { IDD = 3275 };

  FlyThroughDlg();
  ~FlyThroughDlg() override;

  BEGIN_MSG_MAP(FlyThroughDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(ftd::kPick, BN_CLICKED, OnPickButton)
  COMMAND_HANDLER(ftd::kLayers, CBN_SELCHANGE, OnLayerChange)
  COMMAND_HANDLER(ftd::kInputType, CBN_SELCHANGE, OnInputTypeChange)
  END_MSG_MAP()

  void SetListener(stCoordToolListener* listener) { m_listener = listener; }

  // The layer list with each item's kind; nothing while the window does not exist.
  void FillLayerCombo() override;
  bool AcceptLayer(IID iid, ComPtr<ILayer> layer) override;
  // The globe of the host's document in the globe host; null elsewhere.
  ComPtr<IGlobe> DocumentGlobe();
  // A point from the coordinate tool (WGS 84).
  void OnPointPicked(IPoint* wgs84);
  void UpdateControls();

  LONG InputType() const { return m_inputType; }
  int PickState() const { return m_pickState; }
  IPointCollection* Path() const { return m_path.get(); }
  LONG PathElementIndex() const { return m_pathElementIndex; }
  // What the last OK built or why it built nothing.
  const FlyThroughOutcome& LastOutcome() const { return m_lastOutcome; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnPickButton(WORD, WORD, HWND, BOOL&);
  LRESULT OnLayerChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputTypeChange(WORD, WORD, HWND, BOOL&);

  void Close();
  // Tells the host's animation controls to read the globe's tracks anew.
  void RefreshAnimationControls();
  void RedrawPathGraphic();
  void DeletePathGraphic();
  FlyThroughOutcome Build(bool& readFailed);
  void ShowFlyMessage(UINT textId);
  void ShowError(const std::exception_ptr& error);

  stCoordToolListener* m_listener = nullptr;
  ComPtr<IPointCollection> m_path;
  ComPtr<IElement> m_pathElement;
  ComPtr<ILayer> m_graphicsLayer;
  LONG m_pathElementIndex = -1;
  int m_pickState = 0;
  HBITMAP m_pickBitmap = nullptr;
  LONG m_inputType = kInputExisting;
  LONG m_defaultHeight = 0;
  LONG m_defaultInclination = 0;
  FlyThroughOutcome m_lastOutcome;
};

}  // namespace velk::corvane
