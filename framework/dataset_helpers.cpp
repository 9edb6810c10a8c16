#include "framework/dataset_helpers.h"

#include <cwctype>
#include <filesystem>

#include "framework/corvane_module.h"
#include "framework/file_path.h"
#include "framework/host_object_creation.h"
#include "framework/last_error_record.h"
#include "platform/com/hresult_text.h"
#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/property_set.h"
#include "platform/host/shell/browse_dialog.h"

namespace velk::corvane {

namespace {

constexpr UINT kGridNameTooLong = 3595;
constexpr UINT kGridNameHasSpace = 3644;
constexpr UINT kSaveTinTitle = 3601;
constexpr UINT kSaveRasterTitle = 3603;
constexpr UINT kSaveFileTitle = 3605;
constexpr UINT kSaveFeaturesTitle = 3646;
constexpr std::size_t kMaxGridName = 13;

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

void AddFilter(IBrowseFilterCollection* filters, const CLSID& clsid, bool isDefault) {
  auto filter = CreateHostObject<IBrowseFilter>(clsid);
  filters->AddFilter(filter.get(), ToVariantBool(isDefault));
}

}  // namespace

bool IsDatabasePath(const Bstr& path) { return Contains(path.str(), L"Database"); }

bool IsPersonalGeodatabasePath(const Bstr& path) { return Contains(ToUpper(path.str()), L".MDB"); }

bool IsTemporaryDatasetName(const Bstr& path) { return Contains(ToUpper(path.str()), L"<TEMPORARY"); }

bool ValidateOutputGridName(const Bstr& path, BSTR* folder, BSTR* name, bool* isTemporary) {
  if (IsTemporaryDatasetName(path)) {
    if (isTemporary) *isTemporary = true;
    return true;
  }
  if (isTemporary) *isTemporary = false;
  CFilePath file(path.str());
  std::wstring folderText = file.GetFolder(true);
  std::wstring nameText = file.GetFileName();
  if (nameText.size() > kMaxGridName) {
    SetLastErrorInfo(kGridNameRefused, Bstr(LoadResString(kGridNameTooLong)));
    return false;
  }
  if (nameText.find(L' ') != std::wstring::npos) {
    SetLastErrorInfo(kGridNameRefused, Bstr(LoadResString(kGridNameHasSpace)));
    return false;
  }
  if (folder) {
    SysFreeString(*folder);
    *folder = AllocBstr(folderText);
  }
  if (name) {
    SysFreeString(*name);
    *name = AllocBstr(nameText);
  }
  return true;
}

BrowsePick BrowseToOpen(HWND owner, UINT titleId, UINT captionId,
                        std::initializer_list<CLSID> filters) {
  auto dialog = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
  dialog->put_Title(Bstr(LoadResString(titleId)));
  if (captionId != 0) dialog->put_ButtonCaption(Bstr(LoadResString(captionId)));
  ComPtr<IBrowseFilterCollection> offered;
  Check(dialog->get_ObjectFilters(offered.put()));
  if (!offered) ThrowComError(E_POINTER);
  bool first = true;
  for (const CLSID& clsid : filters) {
    AddFilter(offered.get(), clsid, first);
    first = false;
  }
  ComPtr<IEnumBrowseObject> selection;
  VARIANT_BOOL ok = VARIANT_FALSE;
  Check(dialog->DoModalOpen(owner, selection.put(), &ok));
  BrowsePick pick;
  if (ok != VARIANT_TRUE || !selection) return pick;
  if (selection->Next(pick.object.put()) != S_OK || !pick.object) return {};
  Bstr path;
  pick.object->get_FullName(&path);
  pick.path = path.str();
  return pick;
}

bool ShowSaveDatasetDialog(BSTR* path, BSTR* location, LONG kind, HWND owner) {
  auto dialog = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
  ComPtr<IBrowseFilterCollection> filters;
  dialog->get_ObjectFilters(filters.put());
  if (!filters) ThrowComError(E_POINTER);
  std::wstring where = location ? BstrToWstring(*location) : std::wstring();
  switch (kind) {
    case kSaveTin:
      dialog->put_Title(Bstr(LoadResString(kSaveTinTitle)));
      AddFilter(filters.get(), host::CLSID_FilterTinDatasets, true);
      break;
    case kSaveRaster:
      dialog->put_Title(Bstr(LoadResString(kSaveRasterTitle)));
      AddFilter(filters.get(), host::CLSID_FilterRasterDatasets, true);
      break;
    case kSaveFile:
      dialog->put_Title(Bstr(LoadResString(kSaveFileTitle)));
      AddFilter(filters.get(), host::CLSID_FilterFiles, true);
      break;
    case kSaveFeatures: {
      dialog->put_Title(Bstr(LoadResString(kSaveFeaturesTitle)));
      // Exactly one filter is the default: the one for where the user starts, shapefiles in a
      // plain folder.
      bool personal = IsPersonalGeodatabasePath(Bstr(where));
      bool database = !personal && IsDatabasePath(Bstr(where));
      AddFilter(filters.get(), host::CLSID_FilterShapefiles, !personal && !database);
      AddFilter(filters.get(), host::CLSID_FilterPersonalDatabaseClasses, personal);
      AddFilter(filters.get(), host::CLSID_FilterDatabaseClasses, database);
      break;
    }
    default: break;
  }
  dialog->put_StartingLocation(Variant(where));
  VARIANT_BOOL ok = VARIANT_FALSE;
  dialog->DoModalSave(owner, &ok);
  if (!ok) return false;
  ComPtr<IBrowseObject> final;
  dialog->get_FinalLocation(final.put());
  if (!final) ThrowComError(E_POINTER);
  Bstr folder, typed;
  final->get_FullName(&folder);
  dialog->get_Name(&typed);
  if (location) {
    SysFreeString(*location);
    *location = folder.Copy();
  }
  if (path) {
    SysFreeString(*path);
    *path = AllocBstr(folder.str() + L"/" + typed.str());
  }
  return true;
}

ComPtr<IWorkspace> OpenOrCreateDatabase(const std::wstring& path, std::wstring* why,
                                        bool* made) {
  namespace fs = std::filesystem;
  if (made) *made = false;
  auto say = [&](const std::wstring& reason) {
    if (why) *why = reason;
    return ComPtr<IWorkspace>();
  };
  const fs::path file(ToUtf8(path));
  std::error_code ec;
  ComPtr<IWorkspaceFactory> factory;
  if (FAILED(CoCreateInstance(host::CLSID_DatabaseWorkspaceFactory, nullptr,
                              kHostCreationContext, IidOf<IWorkspaceFactory>(),
                              factory.put_void())) ||
      !factory)
    return say(L"the host cannot open databases");
  ComPtr<IWorkspace> ws;
  if (fs::exists(file, ec)) {
    const HRESULT hr = factory->OpenFromFile(Bstr(path), nullptr, ws.put());
    if (FAILED(hr) || !ws)
      return say(L"\"" + path + L"\" cannot be opened as a GeoPackage: " + HresultText(hr));
    return ws;
  }
  const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  if (!fs::is_directory(folder, ec))
    return say(L"the folder of the new GeoPackage \"" + path + L"\" does not exist");
  const HRESULT hr = factory->Create(Bstr(FromUtf8(folder.string())),
                                     Bstr(FromUtf8(file.filename().string())), nullptr, nullptr,
                                     ws.put());
  if (FAILED(hr) || !ws) {
    fs::remove(file, ec);
    return say(L"the GeoPackage \"" + path + L"\" cannot be created: " + HresultText(hr));
  }
  if (made) *made = true;
  return ws;
}

ComPtr<IRasterWorkspace> OpenWorkspaceFromFolder(const Bstr& folder) {
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_RasterWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  factory->OpenFromFile(folder, nullptr, ws.put());
  return ws.As<IRasterWorkspace>();
}

ComPtr<IRasterDataset> OpenDatasetInFolder(const Bstr& folder, const Bstr& name) {
  ComPtr<IRasterWorkspace> ws = OpenWorkspaceFromFolder(folder);
  if (!ws) ThrowComError(E_POINTER);
  ComPtr<IRasterDataset> ds;
  ws->OpenRasterDataset(name, ds.put());
  return ds;
}

void AddObjectIdField(IFieldsEdit* fields, BSTR name) {
  if (!fields) ThrowComError(E_POINTER);
  auto field = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  field->put_Name(name);
  field->put_Type(kHostFieldOid);
  fields->AddField(field.As<IField>().get());
}

void AddShapeField(IFieldsEdit* fields, BSTR name, const ComPtr<ISpatialReference>& sr) {
  if (!fields) ThrowComError(E_POINTER);
  auto def = CreateHostObject<IGeometryDefEdit>(host::CLSID_GeometryDef);
  def->put_GeometryType(4);
  def->put_AvgNumPoints(4);
  def->put_GridCount(1);
  def->put_GridSize(0, 1000.0);
  def->put_HasZ(VARIANT_FALSE);
  def->put_HasM(VARIANT_FALSE);
  def->putref_SpatialReference(sr.get());
  auto field = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  field->put_Name(name);
  field->put_Type(kHostFieldGeometry);
  field->putref_GeometryDef(def.As<IGeometryDef>().get());
  fields->AddField(field.As<IField>().get());
}

ComPtr<IFields> BuildFeatureClassFields(LONG geometryType, LONG hasZ, LONG hasM,
                                        const ComPtr<ISpatialReference>& sr) {
  auto fields = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
  auto def = CreateHostObject<IGeometryDefEdit>(host::CLSID_GeometryDef);
  def->put_GeometryType(geometryType);
  def->put_HasZ(ToVariantBool(hasZ));
  def->put_HasM(ToVariantBool(hasM));
  def->putref_SpatialReference(sr.get());
  auto oid = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  oid->put_Name(Bstr(L"OID"));
  oid->put_Type(kHostFieldOid);
  fields->AddField(oid.As<IField>().get());
  auto shape = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  shape->put_Name(Bstr(L"Shape"));
  shape->put_IsNullable(VARIANT_TRUE);
  shape->put_Type(kHostFieldGeometry);
  shape->putref_GeometryDef(def.As<IGeometryDef>().get());
  fields->AddField(shape.As<IField>().get());
  return fields.As<IFields>();
}

HRESULT AddFieldToTable(const ComPtr<IUnknown>& table, const Bstr& name, LONG nullable, LONG type,
                        LONG length, LONG precision, LONG scale) {
  auto t = table.As<ITable>();
  if (!t) return E_POINTER;
  auto field = CreateHostObject<IFieldEdit>(host::CLSID_Field);
  field->put_Name(name);
  field->put_IsNullable(ToVariantBool(nullable));
  field->put_Type(type);
  field->put_Length(length);
  if (precision > 0) field->put_Precision(precision);
  if (scale > 0) field->put_Scale(scale);
  return t->AddField(field.As<IField>().get());
}

ComPtr<IFeatureClass> CreateFeatureClassInDatabase(const Bstr& databasePath, const Bstr& className,
                                                   LONG geometryType, LONG hasZ, LONG hasM,
                                                   const ComPtr<ISpatialReference>& sr) {
  auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
  props->SetProperty(Bstr(L"DATABASE"), Variant(databasePath));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_DatabaseWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  factory->Open(props.get(), nullptr, ws.put());
  auto features = ws.As<IFeatureWorkspace>();
  if (!features) return nullptr;
  ComPtr<IFields> fields = BuildFeatureClassFields(geometryType, hasZ, hasM, sr);
  ComPtr<IFeatureClass> fc;
  features->CreateFeatureClass(className, fields.get(), nullptr, nullptr, kFeatureTypeSimple,
                               Bstr(L"Shape"), Bstr(L""), fc.put());
  return fc;
}

}  // namespace velk::corvane
