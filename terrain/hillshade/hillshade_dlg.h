// The hillshade dialog: the user picks a surface layer (or browses to one), the sun's azimuth
// and altitude, shadows and overlay, the z factor (computed from the surface's latitude unless
// typed) and the output; OK runs the hillshade and closes on success.
#pragma once

#include <string>

#include "framework/window_with_layers_impl.h"
#include "platform/host/geometry/geometry.h"
#include "terrain/hillshade/hillshade_run.h"

namespace velk::corvane {

// Control ids of dialog 3053.
namespace hsd {
constexpr int kInputLabel = 3590;
constexpr int kInput = 3542;
constexpr int kInputBrowse = 3025;
constexpr int kAzimuth = 3070;
constexpr int kAltitude = 3069;
constexpr int kShadows = 3523;
constexpr int kOverlay = 3521;
constexpr int kZFactor = 3111;
constexpr int kOutput = 3099;
constexpr int kOutputBrowse = 3036;
constexpr int kExtentLabel = 3645;
constexpr int kExtent = 3541;
}  // namespace hsd


class HillshadeDlg : public CWindowWithLayersImpl<HillshadeDlg, hsd::kInput> {
 public:
  enum { IDD = 3053 };

  HillshadeDlg();
  ~HillshadeDlg() override;

  BEGIN_MSG_MAP(HillshadeDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(hsd::kInput, CBN_SELCHANGE, OnInputChanged)
  COMMAND_HANDLER(hsd::kInputBrowse, BN_CLICKED, OnBrowseSurface)
  COMMAND_HANDLER(hsd::kOutputBrowse, BN_CLICKED, OnBrowseOutput)
  COMMAND_HANDLER(hsd::kZFactor, EN_CHANGE, OnZFactorChanged)
  COMMAND_HANDLER(hsd::kExtent, CBN_SELCHANGE, OnExtentChanged)
  END_MSG_MAP()

  // Presets the surface layer and the dragged area (the terrain tool, before showing it).
  void SetInputs(ILayer* layer, IEnvelope* area);

  // Fills the result layer's name from the input combo (empty without a selection).
  void MakeHillshadeLayerName();
  // Writes the automatic z factor unless the user typed one since the dialog opened.
  void UpdateZFactor();

  const std::wstring& LayerName() const { return m_layerName; }
  ILayer* InputLayer() const { return m_inputLayer.get(); }
  // What the last OK did (for the host program's log and tests).
  const HillshadeRunOutcome& LastOutcome() const { return m_lastOutcome; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowseSurface(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowseOutput(WORD, WORD, HWND, BOOL&);
  LRESULT OnZFactorChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnExtentChanged(WORD, WORD, HWND, BOOL&);

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void TakeSelectedInputLayer();
  void FillExtentChoices();
  void UpdateOkButton();
  void ClearStatus();
  // The edit's number in the user's locale; NaN for a text without a digit.
  // The edit's text as a typed number; NaN for a text that is none.
  double ReadNumber(int id) const;
  // False, after saying which, when a typed number is none.
  bool TypedNumbersAreValid(double azimuth, double altitude, double zFactor);
  ComPtr<IEnvelope> VisibleExtent();

  ComPtr<ILayer> m_inputLayer;
  ComPtr<IEnvelope> m_area;
  std::wstring m_layerName;
  HBITMAP m_browseBitmap = nullptr;
  bool m_zFactorEdited = false;
  bool m_writingZFactor = false;
  HillshadeRunOutcome m_lastOutcome;
};

}  // namespace velk::corvane
