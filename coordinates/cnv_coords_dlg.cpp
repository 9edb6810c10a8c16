#include "coordinates/cnv_coords_dlg.h"

#include <set>
#include <utility>

#include "framework/corvane_module.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "framework/window_with_layers_impl.h"
#include "interfaces/zel_settings.h"
#include "platform/com/safearray.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/data_errors.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/dataset_files.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/win/format_message.h"
#include "platform/win/gdi.h"
#include "platform/win/responder.h"
#include "platform/com/plain_text.h"

namespace velk::corvane {

namespace {

constexpr UINT kBrowseBitmapId = 3005;
constexpr UINT kInputBrowseTitle = 3271;
constexpr UINT kOpenCaption = 3275;
constexpr UINT kOutputBrowseTitle = 3887;
constexpr UINT kSpecifyField = 3272;
constexpr UINT kNamesRepeated = 3274;
constexpr UINT kNoOutput = 3251;
constexpr UINT kCannotOpenInput = 3282;
constexpr UINT kConverted = 3566;
constexpr UINT kNothingWritten = 3890;
constexpr UINT kRunIncomplete = 3891;
constexpr UINT kRunStopped = 3892;
constexpr UINT kNotSaved = 3893;
constexpr UINT kOutputIncomplete = 3894;
constexpr UINT kInputUnreadable = 3896;
constexpr UINT kCannotPrepare = 3897;
constexpr UINT kSchemaLockRefused = 3273;
constexpr UINT kInputNotADataset = 3898;
constexpr UINT kConvertingRecords =
    3984;  // "Converting records: %1!d! done ... Press Esc To Cancel"
constexpr UINT kOperationCancelled = 3707;

// The five notations: entry text (also the item data), heading, first and second field label.
struct Notation {
  LPARAM id;
  UINT heading;
  UINT firstLabel;
  UINT secondLabel;
};
constexpr Notation kNotations[] = {
    {kNotationItemDecimalDegrees, 3161, 3243, 3244},
    {kNotationItemDms, 3167, 0, 0},
    {kNotationItemUtm, 3233, 0, 0},
    {kNotationItemMgrs, 3205, 0, 0},
    {kNotationItemDmsTwoFields, 3672, 3673, 3674},
};

constexpr int kInputGroup[] = {cnv::kShapeField,     cnv::kNotation,        cnv::kInputDatum,
                               cnv::kFieldsHeading,  cnv::kFirstFieldLabel, cnv::kSecondFieldLabel,
                               cnv::kFirstField,     cnv::kSecondField,     cnv::kNotationLabel,
                               cnv::kInputDatumLabel};
constexpr int kOutputGroupIds[] = {cnv::kOutputDatum,       cnv::kXYCheck,   cnv::kDmsCheck,
                                   cnv::kUtmCheck,          cnv::kMgrsCheck, cnv::kNewFile,
                                   cnv::kOutputDatumLabel,  cnv::kXLabel,    cnv::kYLabel,
                                   cnv::kOutputFieldsGroup, cnv::kDms1Label, cnv::kDms2Label,
                                   cnv::kOutputGroup};

LRESULT Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
  return ::SendMessageW(h, msg, wp, lp);
}

ComPtr<IWorkspace> WorkspaceOfName(IName* name) {
  auto asName = QueryAs<IName>(name);
  if (!asName) return nullptr;
  ComPtr<IUnknown> opened;
  if (FAILED(asName->Open(opened.put())) || !opened) return nullptr;
  return QueryAs<IWorkspace>(opened.get());
}

// The table or feature class a browse pick stands for; null when it does not open as one. A
// name that does not open as what it says (a database table named like a feature class) is
// looked up in its workspace.
ComPtr<ITable> OpenTableOf(IBrowseObject* object) {
  if (!object) return nullptr;
  ComPtr<IName> name;
  if (FAILED(object->get_InternalObjectName(name.put())) || !name) return nullptr;
  auto datasetName = QueryAs<IDatasetName>(name.get());
  if (!datasetName) return nullptr;
  ComPtr<IUnknown> opened;
  if (SUCCEEDED(name->Open(opened.put())) && opened)
    if (auto table = QueryAs<ITable>(opened.get())) return table;
  ComPtr<IWorkspaceName> wsName;
  datasetName->get_WorkspaceName(wsName.put());
  auto features = QueryAs<IFeatureWorkspace>(WorkspaceOfName(wsName.As<IName>().get()).get());
  Bstr tableName;
  datasetName->get_Name(&tableName);
  ComPtr<ITable> table;
  if (!features || FAILED(features->OpenTable(tableName.get(), table.put()))) return nullptr;
  return table;
}

ComPtr<IWorkspace> WorkspaceOfTable(ITable* table) {
  ComPtr<IWorkspace> ws;
  if (auto ds = QueryAs<IDataset>(table)) ds->get_Workspace(ws.put());
  return ws;
}

ComPtr<IBrowseFilter> Filter(REFCLSID clsid) { return CreateHostObject<IBrowseFilter>(clsid); }

}  // namespace

CnvCoordsDlg::CnvCoordsDlg() {
  m_browseBitmap = static_cast<HBITMAP>(
      ::LoadImageW(DeliverableInstance(), MAKEINTRESOURCEW(kBrowseBitmapId), IMAGE_BITMAP, 0, 0,
                   LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT));
  if (FAILED(CoCreateInstance(productline::CLSID_CoordinateTool, nullptr, CLSCTX_ALL,
                              IidOf<ICoordinateTool>(), m_coordinateTool.put_void())))
    m_coordinateTool = nullptr;
}

CnvCoordsDlg::~CnvCoordsDlg() {
  if (m_browseBitmap) ::DeleteObject(m_browseBitmap);
}

LRESULT CnvCoordsDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  // Each run starts afresh; only the kept objects (input pick, its workspace, the checker, the
  // engine) carry over.
  m_inputTable = nullptr;
  m_outputLocation = nullptr;
  m_outputWorkspace = nullptr;
  m_outputName.clear();
  m_counts = RunCounts{};

  ::CheckDlgButton(m_hWnd, cnv::kInputFromFile, BST_CHECKED);
  Send(Item(cnv::kInputBrowse), BM_SETIMAGE, IMAGE_BITMAP,
       reinterpret_cast<LPARAM>(m_browseBitmap));
  Send(Item(cnv::kOutputBrowse), BM_SETIMAGE, IMAGE_BITMAP,
       reinterpret_cast<LPARAM>(m_browseBitmap));

  FillMapSources();
  if (Send(Item(cnv::kMapSources), CB_GETCOUNT) > 0)
    Send(Item(cnv::kMapSources), CB_SETCURSEL, 0);
  else
    Enable(cnv::kInputFromMap, false);

  FillNotations();
  FillDatums();

  for (int id : {cnv::kXName, cnv::kYName, cnv::kDms1Name, cnv::kDms2Name, cnv::kUtmName,
                 cnv::kMgrsName, cnv::kNewFile, cnv::kOutputBrowse})
    Enable(id, false);
  EnableInputGroup(false);
  EnableOutputGroup(false);
  Enable(cnv::kMapSources, false);
  Enable(cnv::kUseSelection, false);

  m_xEdit.SubclassWindow(Item(cnv::kXName));
  m_yEdit.SubclassWindow(Item(cnv::kYName));
  m_dms1Edit.SubclassWindow(Item(cnv::kDms1Name));
  m_dms2Edit.SubclassWindow(Item(cnv::kDms2Name));
  m_mgrsEdit.SubclassWindow(Item(cnv::kMgrsName));
  m_utmEdit.SubclassWindow(Item(cnv::kUtmName));

  Enable(IDOK, false);
  if (!m_coordinateTool) Enable(cnv::kInputBrowse, false);

  try {
    ComPtr<IZelExtension> extension = FindZelExtension();
    ComPtr<IZelSettings> settings;
    if (extension) extension->get_Settings(settings.put());
    if (auto names = QueryAs<IConversionFieldsSettings>(settings.get())) {
      auto put = [&](int id, HRESULT (IConversionFieldsSettings::*get)(BSTR*)) {
        Bstr value;
        if (SUCCEEDED((names.get()->*get)(&value)))
          ::SetDlgItemTextW(m_hWnd, id, value.str().c_str());
      };
      put(cnv::kXName, &IConversionFieldsSettings::get_ConversionFieldsXField);
      put(cnv::kYName, &IConversionFieldsSettings::get_ConversionFieldsYField);
      put(cnv::kDms1Name, &IConversionFieldsSettings::get_ConversionFieldsDMSField);
      put(cnv::kUtmName, &IConversionFieldsSettings::get_ConversionFieldsUTMField);
      put(cnv::kMgrsName, &IConversionFieldsSettings::get_ConversionFieldsMGRSField);
    }
  } catch (const ComError&) {
    // Without the settings the names start empty.
  }
  return TRUE;
}

void CnvCoordsDlg::FillMapSources() {
  HWND combo = Item(cnv::kMapSources);
  Send(combo, CB_RESETCONTENT);
  m_mapSources.clear();
  m_mapLayerCount = 0;
  try {
    ComPtr<IEnumLayer> layers = GetLayersByInterface(Hook(), IidOf<IFeatureLayer>());
    for (; layers;) {
      ComPtr<ILayer> layer;
      if (layers->Next(layer.put()) != S_OK || !layer) break;
      auto featureLayer = layer.As<IFeatureLayer>();
      ComPtr<IFeatureClass> fc;
      if (featureLayer) featureLayer->get_FeatureClass(fc.put());
      LONG shapeType = kGeometryNull;
      if (!fc || FAILED(fc->get_ShapeType(&shapeType)) || shapeType != kGeometryPoint) continue;
      Bstr name;
      layer->get_Name(&name);
      std::wstring text = name.str();
      Send(combo, CB_INSERTSTRING, m_mapSources.size(), reinterpret_cast<LPARAM>(text.c_str()));
      m_mapSources.push_back(layer.As<IUnknown>());
    }
  } catch (const ComError&) {
    // A map that cannot be reached offers no layers.
  }
  m_mapLayerCount = m_mapSources.size();
}

void CnvCoordsDlg::FillNotations() {
  HWND combo = Item(cnv::kNotation);
  Send(combo, CB_RESETCONTENT);
  for (const Notation& n : kNotations) {
    std::wstring text = LoadResString(static_cast<UINT>(n.id));
    LRESULT i = Send(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Send(combo, CB_SETITEMDATA, static_cast<WPARAM>(i), n.id);
  }
  Send(combo, CB_SETCURSEL, 0);
  ApplyNotation();
}

void CnvCoordsDlg::FillDatums() {
  m_datumNames.clear();
  HWND in = Item(cnv::kInputDatum), out = Item(cnv::kOutputDatum);
  Send(in, CB_RESETCONTENT);
  Send(out, CB_RESETCONTENT);
  if (!m_coordinateTool) return;
  SAFEARRAY* list = nullptr;
  if (FAILED(m_coordinateTool->GetDatumList(&list)) || !list) return;
  LONG lower = 0, upper = -1;
  if (SUCCEEDED(SafeArrayGetLBound(list, 1, &lower)) &&
      SUCCEEDED(SafeArrayGetUBound(list, 1, &upper))) {
    for (LONG i = lower; i <= upper; ++i) {
      BSTR name = nullptr;
      if (SUCCEEDED(SafeArrayGetElement(list, &i, &name))) {
        m_datumNames.push_back(BstrToWstring(name));
        SysFreeString(name);
      }
    }
  }
  SafeArrayDestroy(list);
  for (const std::wstring& name : m_datumNames) {
    Send(in, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    Send(out, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  Send(in, CB_SETCURSEL, 0);
  Send(out, CB_SETCURSEL, 0);
}

void CnvCoordsDlg::EnableInputGroup(bool on) {
  for (int id : kInputGroup) Enable(id, on);
}

void CnvCoordsDlg::EnableOutputGroup(bool on) {
  for (int id : kOutputGroupIds) Enable(id, on);
  FollowChecks();
}

// Each output-name edit follows its check box (while the check box itself can be used).
void CnvCoordsDlg::FollowChecks() {
  auto follow = [&](int check, std::initializer_list<int> edits) {
    bool on = Checked(check) && ::IsWindowEnabled(Item(check));
    for (int id : edits) Enable(id, on);
  };
  follow(cnv::kXYCheck, {cnv::kXName, cnv::kYName});
  follow(cnv::kDmsCheck, {cnv::kDms1Name, cnv::kDms2Name});
  follow(cnv::kUtmCheck, {cnv::kUtmName});
  follow(cnv::kMgrsCheck, {cnv::kMgrsName});
  follow(cnv::kNewFile, {cnv::kOutputBrowse});
}

void CnvCoordsDlg::ApplyNotation() {
  HWND combo = Item(cnv::kNotation);
  LRESULT i = Send(combo, CB_GETCURSEL);
  if (i < 0 || static_cast<std::size_t>(i) >= std::size(kNotations)) return;
  const Notation& n = kNotations[i];
  ::SetDlgItemTextW(m_hWnd, cnv::kFieldsHeading, LoadResString(n.heading).c_str());
  LPARAM id = Send(combo, CB_GETITEMDATA, static_cast<WPARAM>(i));
  if (id == kNotationItemDecimalDegrees || id == kNotationItemDmsTwoFields) {
    ::SetDlgItemTextW(m_hWnd, cnv::kFirstFieldLabel, LoadResString(n.firstLabel).c_str());
    ::SetDlgItemTextW(m_hWnd, cnv::kSecondFieldLabel, LoadResString(n.secondLabel).c_str());
    for (int c : {cnv::kFirstFieldLabel, cnv::kSecondFieldLabel, cnv::kSecondField})
      ::ShowWindow(Item(c), SW_SHOW);
    if (m_inputTable) {
      FillFieldCombo(cnv::kFirstField, id == kNotationItemDecimalDegrees);
      FillFieldCombo(cnv::kSecondField, id == kNotationItemDecimalDegrees);
    }
  } else {
    if (m_inputTable) FillFieldCombo(cnv::kFirstField, false);
    for (int c : {cnv::kSecondFieldLabel, cnv::kSecondField, cnv::kFirstFieldLabel})
      ::ShowWindow(Item(c), SW_HIDE);
  }
}

void CnvCoordsDlg::FillFieldCombo(int comboId, bool numeric) {
  HWND combo = Item(comboId);
  Send(combo, CB_RESETCONTENT);
  ComPtr<IFields> fields;
  if (!m_inputTable || FAILED(m_inputTable->get_Fields(fields.put())) || !fields) return;
  LONG count = 0;
  fields->get_FieldCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IField> f;
    if (FAILED(fields->get_Field(i, f.put())) || !f) continue;
    LONG type = -1;
    f->get_Type(&type);
    bool accepted =
        type == kFieldString || (numeric && type >= kFieldSmallInteger && type <= kFieldDouble);
    if (!accepted) continue;
    Bstr name;
    f->get_Name(&name);
    std::wstring text = name.str();
    LRESULT at = Send(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Send(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
  }
  if (Send(combo, CB_GETCOUNT) > 0) Send(combo, CB_SETCURSEL, 0);
}

bool CnvCoordsDlg::SetInput(const ComPtr<ITable>& input) {
  EnableInputGroup(true);
  if (!input) return false;
  m_inputTable = input;
  ::CheckDlgButton(m_hWnd, cnv::kShapeField, BST_UNCHECKED);
  Enable(cnv::kShapeField, false);
  if (auto fc = QueryAs<IFeatureClass>(input.get())) {
    LONG shapeType = kGeometryNull;
    fc->get_ShapeType(&shapeType);
    if (shapeType == kGeometryNull) return false;
    Enable(cnv::kShapeField, shapeType == kGeometryPoint);
  }
  Send(Item(cnv::kNotation), CB_SETCURSEL,
       0);  // the shape-field box is cleared: decimal degrees again
  ApplyNotation();
  return true;
}

void CnvCoordsDlg::InputChosen() {
  EnableOutputGroup(true);
  ReevaluateOK();
}

void CnvCoordsDlg::TakeMapSource() {
  LRESULT i = Send(Item(cnv::kMapSources), CB_GETCURSEL);
  if (i < 0 || static_cast<std::size_t>(i) >= m_mapSources.size()) return;
  ComPtr<ITable> input;
  if (static_cast<std::size_t>(i) < m_mapLayerCount) {
    ComPtr<IFeatureClass> fc;
    if (auto layer = QueryAs<IFeatureLayer>(m_mapSources[i].get()))
      layer->get_FeatureClass(fc.put());
    input = fc.As<ITable>();
  } else {
    input = QueryAs<ITable>(m_mapSources[i].get());
  }
  if (SetInput(input)) InputChosen();
  if (auto checker = Checker())
    checker->putref_InputWorkspace(WorkspaceOfTable(m_inputTable.get()).get());
  ReevaluateOK();
}

ComPtr<IFieldChecker> CnvCoordsDlg::Checker() {
  if (!m_fieldChecker) {
    CoCreateInstance(host::CLSID_FieldChecker, nullptr, kHostCreationContext,
                     IidOf<IFieldChecker>(), m_fieldChecker.put_void());
  }
  return m_fieldChecker;
}

// The checker judges names for the workspace the fields will be added to: the new output's
// when one is made, else the input's.
void CnvCoordsDlg::UpdateCheckerWorkspace() {
  if (!m_fieldChecker) return;
  ComPtr<IWorkspace> target;
  if (Checked(cnv::kNewFile) && m_outputWorkspace)
    target = m_outputWorkspace;
  else if (m_inputTable)
    target = WorkspaceOfTable(m_inputTable.get());
  else
    target = m_inputWorkspace;
  m_fieldChecker->putref_ValidateWorkspace(target.get());
}

bool CnvCoordsDlg::CheckOutputName(ValidatedEditCtrl& edit) {
  std::wstring text = velk::win::WindowText(edit.m_hWnd);
  if (text.empty()) return false;
  if (!m_fieldChecker) return true;
  bool valid = false;
  try {
    auto field = CreateHostObject<IFieldEdit>(host::CLSID_Field);
    field->put_Name(Bstr(text));
    field->put_Type(kFieldDouble);
    auto fields = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
    Check(fields->AddField(field.As<IField>().get()));
    UpdateCheckerWorkspace();
    ComPtr<IEnumFieldError> errors;
    ComPtr<IFields> fixed;
    if (SUCCEEDED(
            m_fieldChecker->Validate(fields.As<IFields>().get(), errors.put(), fixed.put())) &&
        fixed) {
      ComPtr<IField> f;
      fixed->get_Field(0, f.put());
      Bstr fixedName;
      if (f) f->get_Name(&fixedName);
      valid = !errors && fixedName.str() == text;
    }
  } catch (const ComError&) {
    valid = false;
  }
  if (valid)
    edit.SetNormalColors(kDefaultColor, kDefaultColor);
  else
    edit.SetNormalColors(kInvalidTextColor, kDefaultColor);
  return valid;
}

void CnvCoordsDlg::ReevaluateOK() {
  auto decide = [&]() {
    if (Checked(cnv::kXYCheck) && !(CheckOutputName(m_xEdit) && CheckOutputName(m_yEdit)))
      return false;
    if (Checked(cnv::kDmsCheck) && !CheckOutputName(m_dms1Edit)) {
      if (velk::win::WindowText(m_dms2Edit.m_hWnd).empty() || !CheckOutputName(m_dms2Edit))
        return false;
    }
    if (Checked(cnv::kUtmCheck) && !CheckOutputName(m_utmEdit)) return false;
    if (Checked(cnv::kMgrsCheck) && !CheckOutputName(m_mgrsEdit)) return false;
    if (!Checked(cnv::kXYCheck) && !Checked(cnv::kDmsCheck) && !Checked(cnv::kUtmCheck) &&
        !Checked(cnv::kMgrsCheck))
      return false;
    if (Checked(cnv::kNewFile) && Trim(velk::win::WindowText(Item(cnv::kOutputPath))).empty())
      return false;
    return true;
  };
  Enable(IDOK, decide());
}

LRESULT CnvCoordsDlg::OnShapeFieldClicked(WORD, WORD, HWND, BOOL&) {
  bool shape = Checked(cnv::kShapeField);
  for (int id : {cnv::kNotation, cnv::kNotationLabel, cnv::kFieldsHeading, cnv::kFirstFieldLabel,
                 cnv::kSecondFieldLabel, cnv::kFirstField, cnv::kSecondField})
    Enable(id, !shape);
  Send(Item(cnv::kNotation), CB_SETCURSEL, 0);
  ApplyNotation();
  return 0;
}

LRESULT CnvCoordsDlg::OnOutputCheckClicked(WORD, WORD, HWND, BOOL&) {
  FollowChecks();
  ReevaluateOK();
  return 0;
}

LRESULT CnvCoordsDlg::OnInputFromMapClicked(WORD, WORD, HWND, BOOL&) {
  TakeMapSource();
  Enable(cnv::kMapSources, true);
  Enable(cnv::kUseSelection, true);
  Enable(cnv::kInputPath, false);
  Enable(cnv::kInputBrowse, false);
  return 0;
}

LRESULT CnvCoordsDlg::OnInputFromFileClicked(WORD, WORD, HWND, BOOL&) {
  Enable(cnv::kMapSources, false);
  Enable(cnv::kUseSelection, false);
  Enable(cnv::kInputPath, true);
  Enable(cnv::kInputBrowse, m_coordinateTool != nullptr);
  if (m_inputWorkspace)
    if (auto checker = Checker()) checker->putref_InputWorkspace(m_inputWorkspace.get());
  if (m_inputLocation && SetInput(OpenTableOf(m_inputLocation.get()))) {
    InputChosen();
  } else {
    m_inputTable = nullptr;
    EnableOutputGroup(false);
    Enable(IDOK, false);
  }
  return 0;
}

LRESULT CnvCoordsDlg::OnInputBrowse(WORD, WORD, HWND, BOOL&) {
  try {
    auto dialog = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
    dialog->put_Title(Bstr(LoadResString(kInputBrowseTitle)));
    dialog->put_ButtonCaption(Bstr(LoadResString(kOpenCaption)));
    ComPtr<IBrowseFilterCollection> filters;
    Check(dialog->get_ObjectFilters(filters.put()));
    if (!filters) ThrowComError(E_POINTER);
    filters->AddFilter(Filter(host::CLSID_FilterFeatureClasses).get(), VARIANT_TRUE);
    filters->AddFilter(Filter(host::CLSID_FilterTables).get(), VARIANT_FALSE);
    ComPtr<IEnumBrowseObject> selection;
    VARIANT_BOOL ok = VARIANT_FALSE;
    Check(dialog->DoModalOpen(m_hWnd, selection.put(), &ok));
    if (ok != VARIANT_TRUE || !selection) return 0;
    ComPtr<IBrowseObject> picked;
    if (selection->Next(picked.put()) != S_OK || !picked) return 0;

    // A path that cannot be a dataset is named as such, and never opened (a pipe would block).
    Bstr chosenPath;
    picked->get_FullName(&chosenPath);
    std::string why = host::WhyNotADataset(ToUtf8(chosenPath.str()));
    if (!why.empty()) {
      ShowFormattedMessage(kInputNotADataset, FromUtf8(why));
      return 0;
    }
    // The pick must be a table or feature class whose workspace opens.
    ComPtr<IName> name;
    picked->get_InternalObjectName(name.put());
    ComPtr<IWorkspaceName> wsName;
    if (auto datasetName = QueryAs<IDatasetName>(name.get()))
      datasetName->get_WorkspaceName(wsName.put());
    ComPtr<IWorkspace> workspace = WorkspaceOfName(wsName.As<IName>().get());
    ComPtr<ITable> input = workspace ? OpenTableOf(picked.get()) : nullptr;
    if (!input) {
      ShowMessageBox(m_hWnd, kCannotOpenInput, kErrorCaptionId, kExclamationOk);
      return 0;
    }
    m_inputLocation = picked;
    m_inputWorkspace = workspace;
    if (auto checker = Checker()) checker->putref_InputWorkspace(workspace.get());
    Bstr fullName;
    picked->get_FullName(&fullName);
    ::SetDlgItemTextW(m_hWnd, cnv::kInputPath, fullName.str().c_str());
    if (SetInput(input)) InputChosen();
  } catch (const ComError&) {
    // Without the host's browse dialog no input can be chosen from a file.
  }
  return 0;
}

LRESULT CnvCoordsDlg::OnOutputBrowse(WORD, WORD, HWND, BOOL&) {
  try {
    auto dialog = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
    dialog->put_Title(Bstr(LoadResString(kOutputBrowseTitle)));
    ComPtr<IBrowseFilterCollection> filters;
    Check(dialog->get_ObjectFilters(filters.put()));
    if (!filters) ThrowComError(E_POINTER);
    filters->AddFilter(Filter(Checked(cnv::kShapeField) ? host::CLSID_FilterFeatureClasses
                                                        : host::CLSID_FilterTables)
                           .get(),
                       VARIANT_TRUE);
    VARIANT_BOOL ok = VARIANT_FALSE;
    Check(dialog->DoModalSave(m_hWnd, &ok));
    if (ok != VARIANT_TRUE) return 0;
    ComPtr<IBrowseObject> location;
    dialog->get_FinalLocation(location.put());
    Bstr name;
    dialog->get_Name(&name);
    m_outputLocation = location;
    m_outputName = name.str();
    m_outputWorkspace = nullptr;
    Bstr locationName;
    if (location) {
      location->get_FullName(&locationName);
      ComPtr<IName> internal;
      location->get_InternalObjectName(internal.put());
      if (QueryAs<IWorkspaceName>(internal.get()))
        m_outputWorkspace = WorkspaceOfName(internal.get());
    }
    std::wstring shown = locationName.str() + L"/" + m_outputName;
    ::SetDlgItemTextW(m_hWnd, cnv::kOutputPath, shown.c_str());
  } catch (const ComError&) {
    // Without the host's browse dialog the output location stays as it was.
  }
  ReevaluateOK();
  return 0;
}

LRESULT CnvCoordsDlg::OnNotationChanged(WORD, WORD, HWND, BOOL&) {
  ApplyNotation();
  return 0;
}

LRESULT CnvCoordsDlg::OnMapSourceChanged(WORD, WORD, HWND, BOOL&) {
  TakeMapSource();
  return 0;
}

LRESULT CnvCoordsDlg::OnNameChanged(WORD, WORD, HWND, BOOL&) {
  ReevaluateOK();
  return 0;
}

void CnvCoordsDlg::ShowFormattedMessage(UINT textId, const std::wstring& insert) {
  ShowFormattedMessageBox(m_hWnd, textId, insert);
}

bool CnvCoordsDlg::ReadOutputNames(OutputFieldNames& names) {
  names = OutputFieldNames{};
  struct Slot {
    int check, edit;
    const wchar_t* label;
    std::wstring* name;
  };
  const Slot slots[] = {{cnv::kXYCheck, cnv::kXName, L"X", &names.x},
                        {cnv::kXYCheck, cnv::kYName, L"Y", &names.y},
                        {cnv::kDmsCheck, cnv::kDms1Name, L"DMS", &names.dms1},
                        {cnv::kUtmCheck, cnv::kUtmName, L"UTM", &names.utm},
                        {cnv::kMgrsCheck, cnv::kMgrsName, L"MGRS", &names.mgrs}};
  for (const Slot& s : slots) {
    if (!Checked(s.check)) continue;
    // The whole name, as the field checker judged it.
    *s.name = Trim(velk::win::WindowText(Item(s.edit)));
    if (s.name->empty()) {
      ShowFormattedMessage(kSpecifyField, s.label);
      ::SetFocus(Item(s.edit));
      return false;
    }
    if (s.edit == cnv::kDms1Name) names.dms2 = velk::win::WindowText(Item(cnv::kDms2Name));
  }
  std::vector<std::wstring> requested = names.Requested();
  std::set<std::wstring> distinct(requested.begin(), requested.end());
  if (distinct.size() < requested.size()) {
    ShowMessageBox(m_hWnd, kNamesRepeated, kErrorCaptionId, kExclamationOk);
    return false;
  }
  if (requested.empty()) {
    ShowMessageBox(m_hWnd, kNoOutput, kErrorCaptionId, kExclamationOk);
    return false;
  }
  return true;
}

bool CnvCoordsDlg::ReadConversionRequest(ConversionRequest& request) {
  const bool shapeField = Checked(cnv::kShapeField);
  HWND notation = Item(cnv::kNotation);
  LRESULT sel = Send(notation, CB_GETCURSEL);
  const LPARAM n = sel >= 0 ? Send(notation, CB_GETITEMDATA, static_cast<WPARAM>(sel))
                            : kNotationItemDecimalDegrees;
  // The names are read and checked before anything is made.
  OutputFieldNames names;
  if (!ReadOutputNames(names)) return false;
  m_names = names;

  // The record layout.
  auto itemData = [&](int combo) -> LONG {
    LRESULT i = Send(Item(combo), CB_GETCURSEL);
    return i < 0 ? -1
                 : static_cast<LONG>(Send(Item(combo), CB_GETITEMDATA, static_cast<WPARAM>(i)));
  };
  LayoutChoices choices;
  choices.notation = n;
  choices.shapeField = shapeField;
  choices.firstField = itemData(cnv::kFirstField);
  choices.secondField = itemData(cnv::kSecondField);
  RecordLayout layout;
  std::wstring missingField;
  if (!ReadRecordLayout(choices, m_inputTable.get(), layout, missingField)) {
    ShowFormattedMessage(kSpecifyField, missingField);
    return false;
  }

  request.input = m_inputTable;
  request.newFile = Checked(cnv::kNewFile);
  request.shapeField = shapeField;
  request.outputLocation = m_outputLocation;
  request.outputName = m_outputName;
  request.names = names;
  request.layout = layout;
  if (Checked(cnv::kInputFromMap) && Checked(cnv::kUseSelection)) {
    LRESULT i = Send(Item(cnv::kMapSources), CB_GETCURSEL);
    if (i >= 0 && static_cast<std::size_t>(i) < m_mapSources.size())
      if (auto selection = QueryAs<IFeatureSelection>(m_mapSources[i].get()))
        selection->get_SelectionSet(request.selection.put());
  }
  request.fromDatum =
      static_cast<LONG>(std::max<LRESULT>(0, Send(Item(cnv::kInputDatum), CB_GETCURSEL)));
  request.toDatum =
      static_cast<LONG>(std::max<LRESULT>(0, Send(Item(cnv::kOutputDatum), CB_GETCURSEL)));
  return true;
}

RunOutcome CnvCoordsDlg::RunRecordsWithProgress(ConversionTransaction& conversion) {
  HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  m_counts = RunCounts{};
  // Progress in the host's status bar; Esc stops the run through the host's cancel tracker.
  auto tracker = CreateHostObject<ITrackCancel>(host::CLSID_CancelTracker);
  tracker->put_CancelOnClick(VARIANT_FALSE);
  tracker->put_CancelOnKeyPress(VARIANT_TRUE);
  RunOptions options;
  const std::wstring progress = LoadResString(kConvertingRecords);
  options.keepGoing = [&](LONG records) {
    std::wstring text;
    if (!velk::win::FormatInserts(progress, {static_cast<long long>(records)}, &text))
      text = progress;
    ShowStatusText(Hook(), 0, Bstr(text));
    VARIANT_BOOL go = VARIANT_TRUE;
    tracker->Continue(&go);
    return go != VARIANT_FALSE;
  };
  RunOutcome outcome = conversion.Run(m_coordinateTool.get(), m_parsers, m_counts, options);
  ShowStatusText(Hook(), 0,
                 Bstr(outcome == RunOutcome::kCancelled ? LoadResString(kOperationCancelled)
                                                        : std::wstring()));
  ::SetCursor(previous);
  return outcome;
}

void CnvCoordsDlg::ShowClosingMessage() {
  std::wstring text;
  velk::win::FormatInserts(LoadResString(kConverted),
                           {static_cast<long long>(m_counts.total - m_counts.failed),
                            static_cast<long long>(m_counts.total)},
                           &text);
  std::wstring caption = velk::win::WindowText(m_hWnd);
  // The same closing text either way; a run that converted none of its records warns.
  ::MessageBoxW(m_hWnd, text.c_str(), caption.c_str(),
                MB_OK | (m_counts.NoneConverted() ? MB_ICONEXCLAMATION : 0U));
}

LRESULT CnvCoordsDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  if (!m_inputTable) return 0;
  ConversionRequest request;
  if (!ReadConversionRequest(request)) return 0;
  const bool newFile = request.newFile, shapeField = request.shapeField;

  ConversionTransaction conversion(m_hWnd, std::move(request));
  ConversionStepResult begun = conversion.Begin();
  if (newFile) m_outputName = conversion.OutputName();
  if (!begun.ok) {
    ShowConversionMessage(begun);
    return 0;
  }
  const RunOutcome outcome = RunRecordsWithProgress(conversion);
  ConversionStepResult ended = conversion.End(outcome);
  if (!ended.ok) {
    ShowConversionMessage(ended);
    return 0;
  }
  m_lastOutput = conversion.Output();

  CloseDialog(IDOK);
  ShowClosingMessage();
  if (newFile) {
    try {
      AddOutputToMap(Hook(), conversion.Output().get(), shapeField);
    } catch (const ComError&) {
      // The output is complete on disk; a host that cannot show it leaves the map as it was.
    }
  }
  return 0;
}

void CnvCoordsDlg::ShowConversionMessage(const ConversionStepResult& result) {
  // Each message's text; those with the host's cause insert it.
  struct Text {
    ConversionMessage message;
    UINT id;
    bool withCause;
  };
  static constexpr Text kTexts[] = {
      {ConversionMessage::kSchemaLockRefused, kSchemaLockRefused, false},
      {ConversionMessage::kCannotPrepare, kCannotPrepare, true},
      {ConversionMessage::kNothingWritten, kNothingWritten, false},
      {ConversionMessage::kInputUnreadable, kInputUnreadable, false},
      {ConversionMessage::kOutputIncomplete, kOutputIncomplete, true},
      {ConversionMessage::kNotSaved, kNotSaved, true},
      {ConversionMessage::kRunIncomplete, kRunIncomplete, false},
      {ConversionMessage::kRunStopped, kRunStopped, false},
  };
  for (const Text& t : kTexts) {
    if (t.message != result.message) continue;
    if (t.withCause)
      ShowFormattedMessage(t.id, result.detail);
    else
      ShowMessageBox(m_hWnd, t.id, kErrorCaptionId, kExclamationOk);
  }
}

LRESULT CnvCoordsDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  CloseDialog(IDCANCEL);
  return 0;
}

}  // namespace velk::corvane
