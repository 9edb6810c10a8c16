#include "coordinates/conversion_output.h"

#include <cwctype>
#include <vector>

#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/host/display/contents_view.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/shell/result_settings.h"
#include "platform/win/messages.h"

namespace velk::corvane {

namespace {

constexpr UINT kInvalidOutputWorkspace = 3281;
constexpr UINT kCannotOpenInput = 3282;
constexpr UINT kExportFailed = 3283;
constexpr UINT kOverwriteQuestion = 3888;
constexpr UINT kSchemaLockRefused = 3273;
constexpr UINT kCannotAddField = 3886;
constexpr UINT kOutputIncomplete = 3894;
constexpr UINT kOldDataLeft = 3895;

bool EndsWith(const std::wstring& s, const std::wstring& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Names of the workspace's datasets of a kind (kDatasetAny: all).
std::vector<std::wstring> DatasetNames(IWorkspace* ws, LONG kind) {
  std::vector<std::wstring> out;
  ComPtr<IEnumDatasetName> names;
  if (FAILED(ws->get_DatasetNames(kind, names.put())) || !names) return out;
  for (;;) {
    ComPtr<IDatasetName> n;
    if (names->Next(n.put()) != S_OK || !n) break;
    Bstr name;
    n->get_Name(&name);
    out.push_back(name.str());
  }
  return out;
}

bool NameTaken(const std::vector<std::wstring>& names, const std::wstring& name) {
  const std::wstring want = ToLower(name);
  for (const auto& n : names)
    if (ToLower(n) == want) return true;
  return false;
}

ComPtr<IWorkspace> OpenWorkspaceName(IWorkspaceName* name) {
  auto asName = QueryAs<IName>(name);
  if (!asName) return nullptr;
  ComPtr<IUnknown> opened;
  if (FAILED(asName->Open(opened.put())) || !opened) return nullptr;
  return QueryAs<IWorkspace>(opened.get());
}

// The fields of the input with names fixed for the output workspace, and the fixed name of each
// input field by index.
ComPtr<IFields> FixedFields(IWorkspace* inputWorkspace, IWorkspace* outputWorkspace,
                            IFields* inputFields, std::vector<std::wstring>& names) {
  auto checker = CreateHostObject<IFieldChecker>(host::CLSID_FieldChecker);
  checker->putref_InputWorkspace(inputWorkspace);
  checker->putref_ValidateWorkspace(outputWorkspace);
  ComPtr<IEnumFieldError> errors;
  ComPtr<IFields> fixed;
  Check(checker->Validate(inputFields, errors.put(), fixed.put()));
  if (!fixed) ThrowComError(E_POINTER);
  LONG count = 0;
  inputFields->get_FieldCount(&count);
  names.assign(static_cast<std::size_t>(count), std::wstring());
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IField> f;
    Check(inputFields->get_Field(i, f.put()));
    Bstr n;
    f->get_Name(&n);
    names[static_cast<std::size_t>(i)] = n.str();
  }
  if (errors) {
    for (;;) {
      ComPtr<IFieldError> e;
      if (errors->Next(e.put()) != S_OK || !e) break;
      LONG index = -1;
      e->get_FieldIndex(&index);
      if (index < 0 || index >= count) continue;
      ComPtr<IField> f;
      Check(fixed->get_Field(index, f.put()));
      Bstr n;
      f->get_Name(&n);
      names[static_cast<std::size_t>(index)] = n.str();
    }
  }
  return fixed;
}

// The fixed fields for the output kind: a table keeps no geometry field; the shape field's
// name for a feature class.
ComPtr<IFields> FieldsForKind(IFields* fixed, bool featureClass, std::wstring& shapeName) {
  auto out = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
  LONG count = 0;
  fixed->get_FieldCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IField> f;
    Check(fixed->get_Field(i, f.put()));
    LONG type = 0;
    f->get_Type(&type);
    if (type == kFieldGeometry) {
      if (!featureClass) continue;
      Bstr n;
      f->get_Name(&n);
      shapeName = n.str();
    }
    Check(out->AddField(f.get()));
  }
  return out.As<IFields>();
}

// A name beside the final one that no dataset of the workspace has.
std::wstring WorkingName(IWorkspace* ws, const std::wstring& finalName) {
  const std::vector<std::wstring> taken = DatasetNames(ws, kDatasetAny);
  std::wstring base = finalName + L"_partial";
  std::wstring name = base;
  for (int k = 2; NameTaken(taken, name); ++k) name = base + std::to_wstring(k);
  return name;
}

// The workspace name behind the chosen location (a database, or a folder of shapefiles and
// dBASE tables: folder tells which); null when the location is no workspace.
ComPtr<IWorkspaceName> LocationWorkspace(IBrowseObject* location, bool& folder) {
  folder = false;
  if (!location) return nullptr;
  ComPtr<IName> internal;
  location->get_InternalObjectName(internal.put());
  auto wsName = QueryAs<IWorkspaceName>(internal.get());
  if (wsName) {
    Bstr progId;
    wsName->get_WorkspaceFactoryProgID(&progId);
    folder = progId.str() == host::kShapefileWorkspaceFactoryProgId;
  }
  return wsName;
}

}  // namespace

bool CreateOutput(HWND owner, IBrowseObject* location, std::wstring& outputName, ITable* input,
                  bool shapeField, NewOutput& out) {
  out = NewOutput{};
  out.featureClass = shapeField;

  bool folder = false;
  ComPtr<IWorkspaceName> wsName = LocationWorkspace(location, folder);
  if (!wsName) {
    ShowMessageBox(owner, kInvalidOutputWorkspace, kErrorCaptionId, kExclamationOk);
    return false;
  }

  // A typed extension of the kind being made is dropped in a folder.
  if (folder) {
    const std::wstring ext = shapeField ? L".shp" : L".dbf";
    if (EndsWith(outputName, ext)) outputName.resize(outputName.size() - ext.size());
  }

  // The input's dataset, fields and workspace; the output workspace.
  auto inputDataset = QueryAs<IDataset>(input);
  ComPtr<IWorkspace> inputWorkspace;
  if (inputDataset) inputDataset->get_Workspace(inputWorkspace.put());
  if (!inputDataset || !inputWorkspace) {
    ShowMessageBox(owner, kCannotOpenInput, kErrorCaptionId, kExclamationOk);
    return false;
  }
  ComPtr<IWorkspace> outputWorkspace = OpenWorkspaceName(wsName.get());
  if (!outputWorkspace || outputName.empty()) {
    ShowMessageBox(owner, kInvalidOutputWorkspace, kErrorCaptionId, kExclamationOk);
    return false;
  }

  // A dataset of that name and kind: the user may have it replaced by the finished output.
  const LONG kind = shapeField ? kDatasetFeatureClass : kDatasetTable;
  for (const std::wstring& name : DatasetNames(outputWorkspace.get(), kind)) {
    if (name != outputName) continue;
    if (AskMessageBox(owner, kOverwriteQuestion, kErrorCaptionId, kQuestionYesNoDefaultNo) != IDYES)
      return false;
    out.replaceExisting = true;
    break;
  }
  // Any other dataset that the name would clash with (another kind, another letter case) keeps
  // the output from taking its name.
  if (!out.replaceExisting &&
      NameTaken(DatasetNames(outputWorkspace.get(), kDatasetAny), outputName)) {
    ShowMessageBox(owner, kExportFailed, kErrorCaptionId, kExclamationOk);
    return false;
  }

  // The input's fields, named for the output workspace, in a new empty dataset.
  try {
    ComPtr<IFields> inputFields;
    Check(input->get_Fields(inputFields.put()));
    std::vector<std::wstring> fixedNames;
    ComPtr<IFields> fixed =
        FixedFields(inputWorkspace.get(), outputWorkspace.get(), inputFields.get(), fixedNames);
    std::wstring shapeName;
    ComPtr<IFields> fields = FieldsForKind(fixed.get(), shapeField, shapeName);

    auto features = outputWorkspace.As<IFeatureWorkspace>();
    if (!features) ThrowComError(E_POINTER);
    const std::wstring working = WorkingName(outputWorkspace.get(), outputName);
    HRESULT hr = E_FAIL;
    if (shapeField) {
      ComPtr<IFeatureClass> fc;
      hr = features->CreateFeatureClass(Bstr(working), fields.get(), nullptr, nullptr,
                                        kFeatureTypeSimple, Bstr(shapeName), Bstr(L""), fc.put());
      if (SUCCEEDED(hr)) out.table = fc.As<ITable>();
    } else {
      hr = features->CreateTable(Bstr(working), fields.get(), nullptr, nullptr, Bstr(L""),
                                 out.table.put());
    }
    if (FAILED(hr) || !out.table) {
      out.table = nullptr;
      ShowMessageBox(owner, kExportFailed, kErrorCaptionId, kExclamationOk);
      return false;
    }
    out.workspace = outputWorkspace;
    out.finalName = outputName;
    out.workingName = working;

    // Where each input field's values go; the object-id field is the output's own.
    LONG count = static_cast<LONG>(fixedNames.size());
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IField> f;
      Check(inputFields->get_Field(i, f.put()));
      LONG type = 0;
      f->get_Type(&type);
      LONG index = -1;
      if (type != kFieldOID)
        out.table->FindField(Bstr(fixedNames[static_cast<std::size_t>(i)]), &index);
      if (index >= 0) {
        ComPtr<IFields> outFields;
        out.table->get_Fields(outFields.put());
        ComPtr<IField> of;
        if (outFields) outFields->get_Field(index, of.put());
        LONG outType = -1;
        if (of) of->get_Type(&outType);
        if (outType == kFieldOID) index = -1;
      }
      out.fieldMap[i] = index;
    }
  } catch (const ComError&) {
    DiscardOutput(out);
    ShowMessageBox(owner, kExportFailed, kErrorCaptionId, kExclamationOk);
    return false;
  }
  return true;
}

std::wstring DatasetFailure(IUnknown* dataset) {
  Bstr text;
  if (auto swap = QueryAs<IDatasetSwap>(dataset)) swap->get_LastFailure(&text);
  return text.str().empty() ? L"the data could not be written" : text.str();
}

bool FinishOutput(HWND owner, NewOutput& out) {
  if (!out.table) return false;
  auto swap = out.table.As<IDatasetSwap>();
  HRESULT hr = swap ? swap->TakeName(Bstr(out.finalName), ToVariantBool(out.replaceExisting))
                    : E_NOINTERFACE;
  if (FAILED(hr)) {
    std::wstring why = DatasetFailure(out.table.get());
    DiscardOutput(out);
    ShowFormattedMessageBox(owner, kOutputIncomplete, why);
    return false;
  }
  if (hr == S_FALSE) ShowFormattedMessageBox(owner, kOldDataLeft, DatasetFailure(out.table.get()));
  return true;
}

ComPtr<ISelectionSet> SameRowsIn(ISelectionSet* selection, ITable* table) {
  auto none = CreateHostObject<IQueryFilter>(host::CLSID_QueryFilter);
  Check(none->put_WhereClause(Bstr(L"1 = 2")));
  ComPtr<ISelectionSet> out;
  Check(table->Select(none.get(), kSelectionTypeIDSet, kSelectionOptionNormal, nullptr, out.put()));
  if (!out) ThrowComError(E_POINTER);
  ComPtr<IEnumIDs> ids;
  Check(selection->get_IDs(ids.put()));
  if (!ids) ThrowComError(E_POINTER);
  for (LONG id = -1; ids->Next(&id) == S_OK && id >= 0;) Check(out->Add(id));
  return out;
}

void DiscardOutput(NewOutput& out) {
  if (auto dataset = QueryAs<IDataset>(out.table.get())) dataset->Delete();
  out.table = nullptr;
}

bool AddOutputFields(HWND owner, ITable* output, bool lockSchema, const OutputFieldNames& names) {
  if (!output) return false;
  // A field the table has already would keep its values from being told apart: nothing is
  // added then.
  for (const std::wstring& name : names.Requested()) {
    LONG index = -1;
    output->FindField(Bstr(name), &index);
    if (index >= 0) {
      ShowMessageBox(owner, kCannotAddField, kErrorCaptionId, kExclamationOk);
      return false;
    }
  }
  ComPtr<ISchemaLock> lock;
  if (lockSchema) {
    lock = QueryAs<ISchemaLock>(output);
    if (!lock || FAILED(lock->ChangeSchemaLock(kSchemaLockExclusive))) {
      ShowMessageBox(owner, kSchemaLockRefused, kErrorCaptionId, kExclamationOk);
      return false;
    }
  }
  struct Wanted {
    const std::wstring* name;
    LONG type, length, precision, scale;
  };
  const Wanted wanted[] = {
      {&names.x, kFieldDouble, 18, 18, 8},   {&names.y, kFieldDouble, 18, 18, 8},
      {&names.dms1, kFieldString, 50, 0, 0}, {&names.dms2, kFieldString, 50, 0, 0},
      {&names.utm, kFieldString, 50, 0, 0},  {&names.mgrs, kFieldString, 50, 0, 0},
  };
  OutputFieldNames added;
  std::wstring* addedSlots[] = {&added.x,    &added.y,   &added.dms1,
                                &added.dms2, &added.utm, &added.mgrs};
  bool ok = true;
  for (std::size_t i = 0; i < std::size(wanted) && ok; ++i) {
    if (wanted[i].name->empty()) continue;
    HRESULT hr = E_FAIL;
    try {
      hr = AddFieldToTable(ComPtr<IUnknown>(static_cast<IUnknown*>(output)), Bstr(*wanted[i].name),
                           -1, wanted[i].type, wanted[i].length, wanted[i].precision,
                           wanted[i].scale);
    } catch (const ComError& e) {
      hr = e.Error();
    }
    if (FAILED(hr))
      ok = false;
    else
      *addedSlots[i] = *wanted[i].name;
  }
  if (!ok) RemoveOutputFields(output, added);
  if (lock) lock->ChangeSchemaLock(kSchemaLockShared);
  if (!ok) ShowMessageBox(owner, kCannotAddField, kErrorCaptionId, kExclamationOk);
  return ok;
}

void RemoveOutputFields(ITable* output, const OutputFieldNames& names) {
  if (!output) return;
  for (const std::wstring& name : names.Requested()) {
    ComPtr<IFields> fields;
    if (FAILED(output->get_Fields(fields.put())) || !fields) return;
    LONG index = -1;
    fields->FindField(Bstr(name), &index);
    if (index < 0) continue;
    ComPtr<IField> field;
    if (SUCCEEDED(fields->get_Field(index, field.put())) && field) output->DeleteField(field.get());
  }
}

void AddOutputToMap(HookStruct& hook, ITable* output, bool shapeField) {
  if (!output) return;
  // The user's preference first: results may be kept off the map.
  VARIANT_BOOL add = VARIANT_TRUE;
  CreateHostObject<IResultSettings>(host::CLSID_ResultSettings)->get_AddResultsToMap(&add);
  if (!add) return;
  ComPtr<IBasicMap> map;
  if (FAILED(hook.GetBasicFocusMap(map.put())) || !map) return;
  if (shapeField) {
    auto featureClass = QueryAs<IFeatureClass>(output);
    auto dataset = QueryAs<IDataset>(output);
    if (!featureClass || !dataset) return;
    auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    Check(layer->putref_FeatureClass(featureClass.get()));
    Bstr name;
    dataset->get_Name(&name);
    auto general = layer.As<ILayer>();
    if (!general) ThrowComError(E_POINTER);
    general->put_Name(name.get());
    Check(map->AddLayer(general.get()));
  } else {
    auto tables = QueryAs<IStandaloneTableCollection>(map.get());
    if (!tables) ThrowComError(E_POINTER);
    auto table = CreateHostObject<IStandaloneTable>(host::CLSID_StandaloneTable);
    Check(table->putref_Table(output));
    Check(tables->AddStandaloneTable(table.get()));
  }
  // The new entry shows in the document's table of contents.
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  ComPtr<IDocument> document;
  if (app) app->get_Document(document.put());
  ComPtr<IContentsView> contents;
  if (auto host = QueryAs<IContentsViewHost>(document.get()))
    host->get_CurrentContentsView(contents.put());
  if (contents) contents->Refresh();
}

}  // namespace velk::corvane
