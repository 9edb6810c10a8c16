// The mosaic dialog: the user picks a catalog layer, which of its datasets to join ("Mosaic:")
// and the output; OK runs the mosaic and closes on success. The terrain tools preset it with a
// layer and a region, and the mosaic is then of that region.
#pragma once

#include "catalog/mosaic/mosaic_run.h"
#include "framework/window_with_layers_impl.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

// Control ids of dialog 3059.
namespace msd {
constexpr int kInputLabel = 3595;
constexpr int kInput = 3542;
constexpr int kInputBrowse = 3025;
constexpr int kOutput = 3099;
constexpr int kOutputBrowse = 3036;
constexpr int kChoiceLabel = 3596;
constexpr int kChoice = 3553;
}  // namespace msd

class MosaicRastersDlg : public CWindowWithLayersImpl<MosaicRastersDlg, msd::kInput> {
 public:
  enum { IDD = 3059 };

  MosaicRastersDlg();
  ~MosaicRastersDlg() override;

  BEGIN_MSG_MAP(MosaicRastersDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(msd::kOutputBrowse, BN_CLICKED, OnBrowseOutput)
  COMMAND_HANDLER(msd::kInput, CBN_SELCHANGE, OnInputChanged)
  END_MSG_MAP()

  // Presets the layer and the region (each kept until OK succeeds or Cancel; null clears).
  void SetInputs(ILayer* layer, IEnvelope* region);

  ILayer* InputLayer() const { return m_inputLayer.get(); }
  IEnvelope* Region() const { return m_region.get(); }
  // What the last OK did (for the host program's log and tests).
  const MosaicRunOutcome& LastOutcome() const { return m_lastOutcome; }
  // Environment variables as the run reads them (tests put their own in).
  EnvironmentReader m_environment = ProcessEnvironment;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowseOutput(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputChanged(WORD, WORD, HWND, BOOL&);

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void FillChoices();
  // The output the edit names: the browse's answers when the edit shows what it chose.
  MosaicOutput Output(const std::wstring& text);

  ComPtr<ILayer> m_inputLayer;
  ComPtr<IEnvelope> m_region;
  ComPtr<IBrowseDialog> m_browse;
  std::wstring m_browsedPath;  // what the last confirmed browse wrote into the edit
  MosaicOutput m_browsed;
  HBITMAP m_browseBitmap = nullptr;
  std::wstring m_choiceTexts[4];
  MosaicRunOutcome m_lastOutcome;
};

}  // namespace velk::corvane
