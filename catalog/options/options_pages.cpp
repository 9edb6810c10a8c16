#include "catalog/options/options_pages.h"

#include <cmath>

#include "catalog/options/option_files.h"
#include "interfaces/zel_settings.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/dataset.h"
#include "platform/win/file_dialog_impl.h"
#include "platform/win/file_system.h"
#include "platform/win/responder.h"

namespace velk::corvane {
namespace {

const std::vector<ListEntry> kDistanceUnits = {{3260, 9},  {3261, 3}, {3262, 99},
                                               {3263, 10}, {3264, 5}, {3265, 6}};
const std::vector<ListEntry> kAzimuthUnits = {{3266, 11}, {3267, 1}, {3268, 2}, {3269, 3}};
const std::vector<ListEntry> kLineTypes = {{3257, 0}, {3259, 1}, {3258, 2}};
const std::vector<ListEntry> kWireframes = {{3838, 0}, {3860, 1}, {3836, 2}};

constexpr wchar_t kFilter[] = L"Zel Option Files (*.zelo)\0*.zelo\0";

std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// The option files' dialog: the windowing library's file dialog with hook, explorer and sizing.
class CSSFileDialog : public WTL::CFileDialogImpl<CSSFileDialog> {
 public:
  CSSFileDialog(BOOL open, LPCWSTR ext, DWORD flags, LPCWSTR filter, HWND owner, LPCWSTR title)
      : WTL::CFileDialogImpl<CSSFileDialog>(
            open, ext, nullptr, flags | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING, filter,
            owner) {
    m_ofn.lpstrTitle = title;
    m_ofn.hInstance = ResourceInstance();
  }
};

void Error(HWND owner, const wchar_t* text) {
  ::MessageBoxW(owner, text, L"Error", MB_ICONEXCLAMATION);
}

}  // namespace

// ---- General ----

void OptionsDlgGeneralTab::InitFromSettings() {
  auto general = Area<IGeneralSettings>();
  ComPtr<IUnknown> workspace;
  general->get_GeneralOutputWorkspace(workspace.put());
  m_workspacePath.clear();
  m_workspaceFactory.clear();
  if (auto dataset = QueryAs<IDataset>(workspace.get())) {
    ComPtr<IName> name;
    dataset->get_FullName(name.put());
    if (auto wsName = QueryAs<IWorkspaceName>(name.get())) {
      Bstr path, factory;
      wsName->get_PathName(&path);
      wsName->get_WorkspaceFactoryProgID(&factory);
      m_workspacePath = Text(path.get());
      m_workspaceFactory = Text(factory.get());
    }
  }
  if (m_workspacePath.empty()) {
    Bstr path;
    general->get_GeneralOutputWorkspacePath(&path);
    m_workspacePath = Text(path.get());
  }
  ShowText(3533, m_workspacePath);
  LONG azimuth = 0, distance = 0;
  general->get_GeneralAzimuthUnits(&azimuth);
  general->get_GeneralDistanceUnits(&distance);
  FillList(3750, kAzimuthUnits, azimuth);
  FillList(3751, kDistanceUnits, distance);
  general->get_GeneralLogOperations(&m_log);
  ShowBool(3509, m_log);
}

void OptionsDlgGeneralTab::ApplySettings() {
  auto general = Area<IGeneralSettings>();
  general->put_GeneralDistanceUnits(SelectedData(3751));
  general->put_GeneralAzimuthUnits(SelectedData(3750));
  m_log = ReadBool(3509);
  general->put_GeneralLogOperations(m_log);
  if (!m_workspacePath.empty()) {
    Bstr factory(m_workspaceFactory), path(m_workspacePath);
    general->SetGeneralOutputWorkspace(factory.get(), path.get());
  }
}

// The picked folder or database becomes the output workspace, with the factory of its own
// kind (a folder's and a database's differ); it reaches the settings when the page applies.
LRESULT OptionsDlgGeneralTab::OnBrowseWorkspace(WORD, WORD, HWND, BOOL&) {
  try {
    const BrowsePick picked = BrowseToOpen(m_hWnd, 3270, 3275, {host::CLSID_FilterWorkspaces});
    if (!picked.object) return 0;
    ComPtr<IName> name;
    picked.object->get_InternalObjectName(name.put());
    auto wsName = QueryAs<IWorkspaceName>(name.get());
    if (!wsName) return 0;  // a dataset, not a place outputs can go
    Bstr path, factory;
    wsName->get_PathName(&path);
    wsName->get_WorkspaceFactoryProgID(&factory);
    m_workspacePath = Text(path.get());
    m_workspaceFactory = Text(factory.get());
    ShowText(3533, m_workspacePath);
  } catch (const ComError&) {
    // No browse dialog: nothing changes.
  }
  return 0;
}

LRESULT OptionsDlgGeneralTab::SaveOptionsToFile(WORD, WORD, HWND, BOOL&) {
  std::wstring title = LoadResString(3278);
  CSSFileDialog dlg(FALSE, L"zelo",
                    OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    kFilter, m_hWnd, title.c_str());
  if (dlg.DoModal(::GetActiveWindow()) != IDOK) return 0;
  std::wstring path = dlg.m_szFileName;
  Apply();
  SendMessageToDescendants(::GetParent(m_hWnd), kApplyNowMessage, 0, 0, true);
  if (m_settings) m_settings->RegisterAllSettings();
  if (velk::corvane::SaveSettingsToFile(path) != OptionFileResult::Done)
    Error(m_hWnd, L"Cannot save settings to file.");
  return 0;
}

LRESULT OptionsDlgGeneralTab::LoadOptionsFromFile(WORD, WORD, HWND, BOOL&) {
  std::wstring title = LoadResString(3275);
  CSSFileDialog dlg(TRUE, L"zelo", OFN_EXPLORER | OFN_FILEMUSTEXIST, kFilter, m_hWnd,
                    title.c_str());
  if (dlg.DoModal(::GetActiveWindow()) != IDOK) return 0;
  std::wstring path = dlg.m_szFileName;
  std::wstring question = LoadResString(3279), caption = LoadResString(3280);
  if (::MessageBoxW(m_hWnd, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONEXCLAMATION) ==
      IDNO)
    return 0;
  if (!::PathFileExistsW(path.c_str())) {
    Error(m_hWnd, (L"Cannot load settings from file: \"" + path + L"\" does not exist.").c_str());
    return 0;
  }
  // Nothing is reloaded unless the key was replaced whole.
  std::wstring problem;
  if (LoadSettingsFromFile(path, &problem) != OptionFileResult::Done) {
    const std::wstring text = problem.empty() ? std::wstring(L"Cannot load settings from file.")
                                              : L"Cannot load settings from file: " + problem + L".";
    Error(m_hWnd, text.c_str());
    return 0;
  }
  if (m_settings) m_settings->LoadAllSettings();
  SendMessageToDescendants(::GetParent(m_hWnd), WM_INITDIALOG, 0, 0, true);
  return 0;
}

// ---- Coordinate Tool ----

void OptionsDlgCoordToolTab::InitFromSettings() {
  auto s = Area<ICoordToolSettings>();
  ComPtr<IUnknown> symbol;
  s->get_CoordToolSymbol(symbol.put());
  if (symbol) m_symbol = symbol;
  Bstr delimiter;
  s->get_CoordToolDMSDelimiter(&delimiter);
  ShowText(3535, Text(delimiter.get()));
  LONG hemi = 0, prec = 4;
  s->get_CoordToolDMSHemiNSEW(&hemi);
  HWND combo = GetDlgItem(3728);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"N/S/E/W"));
  ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"+/-"));
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(hemi), 0);
  s->get_CoordToolMGRSPrec(&prec);
  ShowText(3530, std::to_wstring(prec));
  VARIANT_BOOL spaces = 0, edit = 0, status = 0;
  s->get_CoordToolMGRSSpaces(&spaces);
  s->get_CoordToolEditSession(&edit);
  s->get_MGRSStatusBar(&status);
  ShowBool(3727, spaces);
  ShowBool(3507, edit);
  ShowBool(3519, status);
  if (!m_button.m_hWnd) m_button.Subclass(GetDlgItem(3726));
  m_button.SetSymbol(m_symbol.get());
  RememberShown({3535, 3728, 3530, 3727, 3507, 3519});
}

void OptionsDlgCoordToolTab::ApplySettings() {
  auto s = Area<ICoordToolSettings>();
  s->PutSymbol(m_symbol.get());
  if (Changed(3535)) s->put_CoordToolDMSDelimiter(Bstr(ReadText(3535)).get());
  if (Changed(3728)) s->put_CoordToolDMSHemiNSEW(SelectedIndex(3728));
  if (Changed(3530)) s->put_CoordToolMGRSPrec(ReadInt(3530));
  if (Changed(3727)) s->put_CoordToolMGRSSpaces(ReadBool(3727));
  if (Changed(3507)) s->put_CoordToolEditSession(ReadBool(3507));
  if (Changed(3519)) s->put_MGRSStatusBar(ReadBool(3519));
}

LRESULT OptionsDlgCoordToolTab::OnSymbol(WORD, WORD, HWND, BOOL&) {
  ChooseSymbol(m_hWnd, m_button, SymbolKind::Marker, m_symbol);
  return 0;
}

// ---- Geodesy Tools ----

namespace {
constexpr int kGeodesyButtons[] = {3730, 3731, 3732, 3733};
constexpr SymbolKind kGeodesyKinds[] = {SymbolKind::Line, SymbolKind::Fill, SymbolKind::Line,
                                        SymbolKind::Text};
}  // namespace

OptionsDlgGeodesyTab::OptionsDlgGeodesyTab() {
  for (int i = 0; i < 4; ++i) m_symbols[i] = NewDefaultSymbol(kGeodesyKinds[i]);
}

void OptionsDlgGeodesyTab::InitFromSettings() {
  auto s = Area<IGeodesySettings>();
  ComPtr<IUnknown> read[4];
  s->get_GeodesyLineSymbol(read[0].put());
  s->get_GeodesyRangeRingSymbol(read[1].put());
  s->get_GeodesyRadialLineSymbol(read[2].put());
  s->get_GeodesyLabelSymbol(read[3].put());
  for (int i = 0; i < 4; ++i)
    if (read[i]) m_symbols[i] = read[i];
  for (int i = 0; i < 4; ++i) {
    if (!m_buttons[i].m_hWnd) m_buttons[i].Subclass(GetDlgItem(kGeodesyButtons[i]));
    m_buttons[i].SetSymbol(m_symbols[i].get());
  }
  LONG type = 0;
  s->get_GeodesyLineType(&type);
  FillList(3729, kLineTypes, type);
  RememberShown({3729});
  ::InvalidateRect(GetDlgItem(3730), nullptr, TRUE);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void OptionsDlgGeodesyTab::ApplySettings() {
  auto s = Area<IGeodesySettings>();
  if (Changed(3729)) s->put_GeodesyLineType(SelectedData(3729));
  s->PutSymbol(velkZelGeodesyLineSymbol, m_symbols[0].get());
  s->PutSymbol(velkZelGeodesyRingsSymbol, m_symbols[1].get());
  s->PutSymbol(velkZelGeodesyRadialLineSymbol, m_symbols[2].get());
  s->PutSymbol(velkZelGeodesyTextSymbol, m_symbols[3].get());
}

LRESULT OptionsDlgGeodesyTab::OnSymbol(WORD, WORD id, HWND, BOOL& bHandled) {
  for (int i = 0; i < 4; ++i)
    if (kGeodesyButtons[i] == id) {
      ChooseSymbol(m_hWnd, m_buttons[i], kGeodesyKinds[i], m_symbols[i]);
      return 0;
    }
  bHandled = FALSE;
  return 0;
}

// ---- Data Management ----

void OptionsDlgDataManTab::InitFromSettings() {
  auto s = Area<IDataManSettings>();
  LONG dted = 0, rpf = 0, vpf = 0;
  VARIANT_BOOL dtedRasters = 0, uniform = 0, rpfRasters = 0, best = 0, geosym = 0, scale = 0,
               show = 0;
  s->get_DataManDTEDWireframe(&dted);
  s->get_DataManDTEDDisplayRasters(&dtedRasters);
  s->get_DataManDTEDUseUniformRenderer(&uniform);
  s->get_DataManRPFWireframe(&rpf);
  s->get_DataManRPFDisplayRasters(&rpfRasters);
  s->get_DataManRPFUseBestMapSet(&best);
  s->get_DataManVPFWireframe(&vpf);
  s->get_DataManVPFUseGeosym(&geosym);
  s->get_DataManVPFUseScaleDependency(&scale);
  s->get_DataManVPFShowData(&show);
  ShowBool(2148, dtedRasters);
  ShowBool(2161, uniform);
  ShowBool(2149, rpfRasters);
  ShowBool(3761, geosym);
  ShowBool(3762, scale);
  ShowBool(3763, show);
  ::CheckRadioButton(m_hWnd, 2101, 2136, best ? 2101 : 2136);
  const std::pair<int, LONG> combos[] = {{3764, dted}, {3765, rpf}, {3766, vpf}};
  for (const auto& [id, mode] : combos) {
    FillList(id, kWireframes, -1);
    SendDlgItemMessage(id, CB_SETCURSEL, static_cast<WPARAM>(mode), 0);
  }
  RememberShown({3764, 2148, 2161, 3765, 2149, 2101, 3766, 3761, 3762, 3763});
}

void OptionsDlgDataManTab::ApplySettings() {
  auto s = Area<IDataManSettings>();
  if (Changed(3764)) s->put_DataManDTEDWireframe(SelectedIndex(3764));
  if (Changed(2148)) s->put_DataManDTEDDisplayRasters(ReadBool(2148));
  if (Changed(2161)) s->put_DataManDTEDUseUniformRenderer(ReadBool(2161));
  if (Changed(3765)) s->put_DataManRPFWireframe(SelectedIndex(3765));
  if (Changed(2149)) s->put_DataManRPFDisplayRasters(ReadBool(2149));
  if (Changed(2101)) s->put_DataManRPFUseBestMapSet(ReadBool(2101));
  if (Changed(3766)) s->put_DataManVPFWireframe(SelectedIndex(3766));
  if (Changed(3761)) s->put_DataManVPFUseGeosym(ReadBool(3761));
  if (Changed(3762)) s->put_DataManVPFUseScaleDependency(ReadBool(3762));
  if (Changed(3763)) s->put_DataManVPFShowData(ReadBool(3763));
}

// ---- Terrain Analysis ----

namespace {
constexpr int kTerrainButtons[] = {3740, 3741, 3742, 3743, 4757, 3746, 3753, 3745};
constexpr SymbolKind kTerrainKinds[] = {SymbolKind::Marker, SymbolKind::Fill,   SymbolKind::Fill,
                                        SymbolKind::Fill,   SymbolKind::Marker, SymbolKind::Marker,
                                        SymbolKind::Line,   SymbolKind::Line};
// The settings' kind of each button's symbol, then of the two start-point symbols that have no
// button (each is written back to the kind it was read from).
constexpr LONG kTerrainSymbolKinds[] = {velkZelTerrainRLOSObserverSym,
                                        velkZelTerrainRLOSExtentSym,
                                        velkZelTerrainRLOSVisSym,
                                        velkZelTerrainRLOSInVisSym,
                                        velkZelTerrainLLOSStartPointSymbol,
                                        velkZelTerrainLLOSEndPointSymbol,
                                        velkZelTerrainLLOSVisibleSymbol,
                                        velkZelTerrainLLOSInVisibleSymbol,
                                        velkZelTerrainLLOSStartPointSymbol2,
                                        velkZelTerrainLLOSStartPointSymbol1};
}  // namespace

void OptionsDlgTerrainTab::InitFromSettings() {
  auto s = Area<ITerrainSettings>();
  VARIANT_BOOL z = -1, profile = -1, curve = -1;
  s->get_TerrainCalculateZ(&z);
  s->get_TerrainDisplayLOSProfile(&profile);
  s->get_TerrainUseCurveRefraction(&curve);
  ShowBool(3508, z);
  ShowBool(3737, profile);
  ShowBool(3738, curve);
  s->get_TerrainRefraction(&m_refraction);
  SendDlgItemMessage(3739, TBM_SETRANGE, TRUE, MAKELONG(0, 1000));
  SendDlgItemMessage(3739, TBM_SETPOS, TRUE, static_cast<LPARAM>(m_refraction * 1000));
  ShowFormatted(3531, L"%.4f", m_refraction);
  for (std::size_t i = 0; i < m_symbols.size(); ++i) {
    ComPtr<IUnknown> symbol;
    s->GetSymbol(kTerrainSymbolKinds[i], symbol.put());
    if (symbol) m_symbols[i] = symbol;
  }
  for (int i = 0; i < 8; ++i) {
    if (!m_buttons[i].m_hWnd) m_buttons[i].Subclass(GetDlgItem(kTerrainButtons[i]));
    m_buttons[i].SetSymbol(m_symbols[i].get());
  }
}

void OptionsDlgTerrainTab::ApplySettings() {
  auto s = Area<ITerrainSettings>();
  s->put_TerrainCalculateZ(ReadBool(3508));
  s->put_TerrainDisplayLOSProfile(ReadBool(3737));
  s->put_TerrainUseCurveRefraction(ReadBool(3738));
  s->put_TerrainRefraction(m_refraction);
  for (std::size_t i = 0; i < m_symbols.size(); ++i)
    if (m_symbols[i]) s->PutSymbol(kTerrainSymbolKinds[i], m_symbols[i].get());
}

LRESULT OptionsDlgTerrainTab::OnRefractionTyped(WORD, WORD, HWND, BOOL&) {
  double v = ReadReal(3531);
  if (v >= 0 && v <= 1) {
    m_refraction = v;
    SendDlgItemMessage(3739, TBM_SETPOS, TRUE, static_cast<LPARAM>(v * 1000));
  }
  return 0;
}

LRESULT OptionsDlgTerrainTab::OnSlider(UINT, WPARAM, LPARAM, BOOL&) {
  LRESULT pos = SendDlgItemMessage(3739, TBM_GETPOS, 0, 0);
  ShowFormatted(3531, L"%.4f", static_cast<double>(pos) / 1000);
  return 0;
}

LRESULT OptionsDlgTerrainTab::OnSymbol(WORD, WORD id, HWND, BOOL& bHandled) {
  for (int i = 0; i < 8; ++i)
    if (kTerrainButtons[i] == id) {
      ChooseSymbol(m_hWnd, m_buttons[i], kTerrainKinds[i], m_symbols[i]);
      return 0;
    }
  bHandled = FALSE;
  return 0;
}

// ---- 3D ----

namespace {
constexpr int k3DButtons[] = {3747, 3876, 3885};
constexpr LONG k3DKinds[] = {9, 3, 13};
constexpr SymbolKind k3DDefaults[] = {SymbolKind::Fill, SymbolKind::ThreeD, SymbolKind::ThreeD};
}  // namespace

void OptionsDlg3DTab::InitFromSettings() {
  auto s = Area<IDDDSettings>();
  for (int i = 0; i < 3; ++i) {
    ComPtr<IUnknown> symbol;
    s->DDDGetSymbol(k3DKinds[i], symbol.put());
    if (symbol) m_symbols[i] = symbol;
    if (!m_buttons[i].m_hWnd) m_buttons[i].Subclass(GetDlgItem(k3DButtons[i]));
    m_buttons[i].SetSymbol(m_symbols[i].get());
  }
  s->get_DDDRadials(&m_radials);
  SendDlgItemMessage(3879, TBM_SETRANGE, TRUE, MAKELONG(0, 90));
  SendDlgItemMessage(3879, TBM_SETPOS, TRUE, static_cast<LPARAM>(m_radials));
  ShowFormatted(3884, L"%.4f", m_radials);
  s->get_DDDWireframe(&m_wireframe);
  SendDlgItemMessage(3880, TBM_SETRANGE, TRUE, MAKELONG(0, 360));
  SendDlgItemMessage(3880, TBM_SETPOS, TRUE, static_cast<LPARAM>(m_wireframe));
  ShowFormatted(3883, L"%.4f", m_wireframe);
  LONG height = 0, incl = 0;
  s->get_DDDFlyThruDefaultHt(&height);
  s->get_DDDFlyThruDefaultIncl(&incl);
  ShowText(3529, std::to_wstring(height));
  ShowText(3531, std::to_wstring(incl));
}

void OptionsDlg3DTab::ApplySettings() {
  auto s = Area<IDDDSettings>();
  for (int i = 0; i < 3; ++i)
    if (m_symbols[i]) s->DDDPutSymbol(k3DKinds[i], m_symbols[i].get());
  s->put_DDDWireframe(m_wireframe);
  s->put_DDDRadials(m_radials);
  s->put_DDDFlyThruDefaultHt(ReadInt(3529));
  s->put_DDDFlyThruDefaultIncl(ReadInt(3531));
}

LRESULT OptionsDlg3DTab::OnWireframeTyped(WORD, WORD, HWND, BOOL&) {
  double v = ReadReal(3883);
  if (v >= 0 && v < 360) {
    m_wireframe = v;
    SendDlgItemMessage(3880, TBM_SETPOS, TRUE, static_cast<LPARAM>(v));
  }
  return 0;
}

LRESULT OptionsDlg3DTab::OnRadialsTyped(WORD, WORD, HWND, BOOL&) {
  double v = ReadReal(3884);
  if (v >= 0 && v < 90) {
    m_radials = v;
    SendDlgItemMessage(3879, TBM_SETPOS, TRUE, static_cast<LPARAM>(v));
  }
  return 0;
}

LRESULT OptionsDlg3DTab::OnSlider(UINT, WPARAM, LPARAM, BOOL&) {
  m_wireframe = static_cast<double>(SendDlgItemMessage(3880, TBM_GETPOS, 0, 0));
  m_radials = static_cast<double>(SendDlgItemMessage(3879, TBM_GETPOS, 0, 0));
  ShowFormatted(3883, L"%.4f", m_wireframe);
  ShowFormatted(3884, L"%.4f", m_radials);
  return 0;
}

LRESULT OptionsDlg3DTab::OnSymbol(WORD, WORD id, HWND, BOOL& bHandled) {
  for (int i = 0; i < 3; ++i)
    if (k3DButtons[i] == id) {
      ChooseSymbol(m_hWnd, m_buttons[i], k3DDefaults[i], m_symbols[i]);
      return 0;
    }
  bHandled = FALSE;
  return 0;
}

// ---- Conversion ----

void OptionsDlgConversionTab::InitFromSettings() {
  auto s = Area<IConversionFieldsSettings>();
  Bstr x, y, dms, utm, mgrs;
  s->get_ConversionFieldsXField(&x);
  s->get_ConversionFieldsYField(&y);
  s->get_ConversionFieldsDMSField(&dms);
  s->get_ConversionFieldsUTMField(&utm);
  s->get_ConversionFieldsMGRSField(&mgrs);
  ShowText(3532, Text(x.get()));
  ShowText(3748, Text(y.get()));
  ShowText(3536, Text(dms.get()));
  ShowText(3538, Text(utm.get()));
  ShowText(3749, Text(mgrs.get()));
  VARIANT_BOOL add = 0;
  s->get_AddExportedVPFDataToMap(&add);
  ShowBool(3510, add);
  RememberShown({3532, 3748, 3536, 3538, 3749, 3510});
}

void OptionsDlgConversionTab::ApplySettings() {
  auto s = Area<IConversionFieldsSettings>();
  if (Changed(3532)) s->put_ConversionFieldsXField(Bstr(ReadText(3532)).get());
  if (Changed(3748)) s->put_ConversionFieldsYField(Bstr(ReadText(3748)).get());
  if (Changed(3536)) s->put_ConversionFieldsDMSField(Bstr(ReadText(3536)).get());
  if (Changed(3538)) s->put_ConversionFieldsUTMField(Bstr(ReadText(3538)).get());
  if (Changed(3749)) s->put_ConversionFieldsMGRSField(Bstr(ReadText(3749)).get());
  if (Changed(3510)) s->put_AddExportedVPFDataToMap(ReadBool(3510));
}

}  // namespace velk::corvane
