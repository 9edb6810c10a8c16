// The dialog of the convert-coordinates command: the user picks a table or feature class (a
// file, or a point layer of the map), says in which notation and fields its coordinates are
// stored, picks the input and output datums, the output fields to fill and whether they go
// into a new dataset or into the input itself; OK runs the conversion of every record.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "coordinates/conversion_output.h"
#include "coordinates/conversion_transaction.h"
#include "coordinates/record_layout_choice.h"
#include "coordinates/table_conversion_run.h"
#include "coordinates/validated_edit_ctrl.h"
#include "framework/basic_window_impl.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/display/layer.h"
#include "platform/productline/coordinate_tool.h"

namespace velk::corvane {

// Control ids of dialog 3046.
namespace cnv {
constexpr int kInputFromFile = 3755;
constexpr int kInputPath = 3084;
constexpr int kInputBrowse = 3023;
constexpr int kInputFromMap = 3560;
constexpr int kMapSources = 3754;
constexpr int kUseSelection = 3756;
constexpr int kShapeField = 3524;
constexpr int kNotationLabel = 3567;
constexpr int kNotation = 3544;
constexpr int kFieldsHeading = 3579;
constexpr int kFirstFieldLabel = 3581;
constexpr int kFirstField = 3547;
constexpr int kSecondFieldLabel = 3582;
constexpr int kSecondField = 3548;
constexpr int kInputDatumLabel = 3569;
constexpr int kInputDatum = 3543;
constexpr int kOutputDatumLabel = 3571;
constexpr int kOutputDatum = 3556;
constexpr int kOutputFieldsGroup = 3577;
constexpr int kXYCheck = 3527;
constexpr int kXLabel = 3573;
constexpr int kYLabel = 3575;
constexpr int kXName = 3109;
constexpr int kYName = 3110;
constexpr int kDmsCheck = 3514;
constexpr int kDms1Label = 3584;
constexpr int kDms1Name = 3074;
constexpr int kDms2Label = 3587;
constexpr int kDms2Name = 3676;
constexpr int kUtmCheck = 3526;
constexpr int kUtmName = 3106;
constexpr int kMgrsCheck = 3519;
constexpr int kMgrsName = 3089;
constexpr int kOutputGroup = 3723;
constexpr int kNewFile = 3720;
constexpr int kOutputPath = 3721;
constexpr int kOutputBrowse = 3032;
}  // namespace cnv

class CnvCoordsDlg : public CBasicWindowImpl<CnvCoordsDlg> {
 public:
  enum { IDD = 3046 };

  CnvCoordsDlg();
  ~CnvCoordsDlg() override;

  BEGIN_MSG_MAP(CnvCoordsDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  COMMAND_HANDLER(cnv::kShapeField, BN_CLICKED, OnShapeFieldClicked)
  COMMAND_HANDLER(cnv::kXYCheck, BN_CLICKED, OnOutputCheckClicked)
  COMMAND_HANDLER(cnv::kDmsCheck, BN_CLICKED, OnOutputCheckClicked)
  COMMAND_HANDLER(cnv::kMgrsCheck, BN_CLICKED, OnOutputCheckClicked)
  COMMAND_HANDLER(cnv::kUtmCheck, BN_CLICKED, OnOutputCheckClicked)
  COMMAND_HANDLER(cnv::kNewFile, BN_CLICKED, OnOutputCheckClicked)
  COMMAND_HANDLER(cnv::kInputFromFile, BN_CLICKED, OnInputFromFileClicked)
  COMMAND_HANDLER(cnv::kInputFromMap, BN_CLICKED, OnInputFromMapClicked)
  COMMAND_HANDLER(cnv::kInputBrowse, BN_CLICKED, OnInputBrowse)
  COMMAND_HANDLER(cnv::kOutputBrowse, BN_CLICKED, OnOutputBrowse)
  COMMAND_HANDLER(cnv::kNotation, CBN_SELCHANGE, OnNotationChanged)
  COMMAND_HANDLER(cnv::kMapSources, CBN_SELCHANGE, OnMapSourceChanged)
  COMMAND_HANDLER(cnv::kXName, EN_CHANGE, OnNameChanged)
  COMMAND_HANDLER(cnv::kYName, EN_CHANGE, OnNameChanged)
  COMMAND_HANDLER(cnv::kDms1Name, EN_CHANGE, OnNameChanged)
  COMMAND_HANDLER(cnv::kUtmName, EN_CHANGE, OnNameChanged)
  COMMAND_HANDLER(cnv::kMgrsName, EN_CHANGE, OnNameChanged)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  // The last conversion's counters (for the host program's log and tests).
  const RunCounts& LastCounts() const { return m_counts; }
  // The output of the last conversion that finished (null before one did).
  ITable* LastOutput() const { return m_lastOutput.get(); }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  LRESULT OnShapeFieldClicked(WORD, WORD, HWND, BOOL&);
  LRESULT OnOutputCheckClicked(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputFromFileClicked(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputFromMapClicked(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputBrowse(WORD, WORD, HWND, BOOL&);
  LRESULT OnOutputBrowse(WORD, WORD, HWND, BOOL&);
  LRESULT OnNotationChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnMapSourceChanged(WORD, WORD, HWND, BOOL&);
  LRESULT OnNameChanged(WORD, WORD, HWND, BOOL&);

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  bool Checked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
  void Enable(int id, bool on) { ::EnableWindow(Item(id), on ? TRUE : FALSE); }

  void FillMapSources();
  void FillNotations();
  void FillDatums();
  void EnableInputGroup(bool on);
  void EnableOutputGroup(bool on);
  void FollowChecks();
  void ApplyNotation();
  void FillFieldCombo(int comboId, bool numeric);
  // Opens the object's dataset (null: the current input stays) and makes it the input.
  bool SetInput(const ComPtr<ITable>& input);
  void TakeMapSource();
  void InputChosen();
  ComPtr<IFieldChecker> Checker();
  void UpdateCheckerWorkspace();
  bool CheckOutputName(ValidatedEditCtrl& edit);
  void ReevaluateOK();

  // Reads the checked output names (whole, trimmed) and checks them; false after a message.
  bool ReadOutputNames(OutputFieldNames& names);
  void ShowFormattedMessage(UINT textId, const std::wstring& insert);
  // The message a conversion step names, if any.
  void ShowConversionMessage(const ConversionStepResult& result);
  // The conversion the controls ask for (names, record layout, selection, datums); false after
  // a message when a name or field is missing.
  bool ReadConversionRequest(ConversionRequest& request);
  // Runs the records with progress in the status bar and Esc through the host's tracker.
  RunOutcome RunRecordsWithProgress(ConversionTransaction& conversion);
  // The closing box: how many records of how many were converted.
  void ShowClosingMessage();

  // Members, in the order the dialog builds them.
  ComPtr<IBrowseObject> m_inputLocation;
  ComPtr<IBrowseObject> m_outputLocation;
  ComPtr<ITable> m_inputTable;
  OutputFieldNames m_names;
  std::wstring m_outputName;
  ValidatedEditCtrl m_xEdit, m_yEdit, m_dms1Edit, m_dms2Edit, m_mgrsEdit, m_utmEdit;
  ConversionParsers m_parsers;
  HBITMAP m_browseBitmap = nullptr;
  ComPtr<ICoordinateTool> m_coordinateTool;
  std::vector<std::wstring> m_datumNames;
  ComPtr<IFieldChecker> m_fieldChecker;
  ComPtr<IWorkspace> m_inputWorkspace;
  ComPtr<IWorkspace> m_outputWorkspace;  // the chosen output location's workspace
  std::vector<ComPtr<IUnknown>> m_mapSources;
  std::size_t m_mapLayerCount = 0;
  RunCounts m_counts;
  ComPtr<ITable> m_lastOutput;
};

}  // namespace velk::corvane
