#include "platform/productline/data_manager.h"

#include <string>

#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/host/data_errors.h"
#include "platform/host/dataset.h"
#include "platform/host/feature_class.h"
#include "platform/host/field.h"
#include "platform/host/table.h"
#include "platform/host/workspace.h"
#include "platform/registry/activation.h"

namespace velk::productline {
namespace {

enum class FieldKind { kMissing, kText, kNumber, kOther };

// What the table's fields say about a catalog.
struct CatalogFields {
  FieldKind product = FieldKind::kMissing;
  FieldKind scale = FieldKind::kMissing;
  FieldKind series = FieldKind::kMissing;
  FieldKind dtedType = FieldKind::kMissing;
  FieldKind name = FieldKind::kMissing;
  FieldKind fullName = FieldKind::kMissing;
  FieldKind library = FieldKind::kMissing;
};

HRESULT KindOf(IFields* fields, const wchar_t* fieldName, FieldKind* kind) {
  *kind = FieldKind::kMissing;
  LONG index = -1;
  HRESULT hr = fields->FindField(Bstr(fieldName), &index);
  if (FAILED(hr)) return hr;
  if (index < 0) return S_OK;
  ComPtr<IField> field;
  hr = fields->get_Field(index, field.put());
  if (FAILED(hr)) return hr;
  if (!field) return E_UNEXPECTED;
  LONG type = -1;
  hr = field->get_Type(&type);
  if (FAILED(hr)) return hr;
  switch (type) {
    case kFieldString: *kind = FieldKind::kText; break;
    case kFieldSmallInteger:
    case kFieldInteger:
    case kFieldSingle:
    case kFieldDouble: *kind = FieldKind::kNumber; break;
    default: *kind = FieldKind::kOther; break;
  }
  return S_OK;
}

HRESULT ReadCatalogFields(ITable* table, CatalogFields* out) {
  ComPtr<IFields> fields;
  HRESULT hr = table->get_Fields(fields.put());
  if (FAILED(hr)) return hr;
  if (!fields) return E_UNEXPECTED;
  const struct {
    const wchar_t* name;
    FieldKind* kind;
  } wanted[] = {{L"PRODUCT", &out->product}, {L"SCALE", &out->scale},     {L"SERIES", &out->series},
                {L"DTED_TYPE", &out->dtedType}, {L"NAME", &out->name}, {L"FULL_NAME", &out->fullName},
                {L"LIBRARY", &out->library}};
  for (const auto& w : wanted) {
    hr = KindOf(fields.get(), w.name, w.kind);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

bool IsRpf(const CatalogFields& f) {
  return f.product == FieldKind::kText && f.series == FieldKind::kText && f.scale == FieldKind::kNumber &&
         f.dtedType == FieldKind::kMissing && f.library == FieldKind::kMissing;
}

bool HasVpfFields(const CatalogFields& f) {
  return f.product == FieldKind::kText && f.library == FieldKind::kText && f.dtedType == FieldKind::kMissing &&
         f.series == FieldKind::kMissing;
}

// Where a VPF catalog lies: whether its workspace holds its "_features" table, and the
// workspace's kind.
HRESULT ReadVpfSetting(ITable* table, bool* hasFeatureTable, LONG* workspaceType) {
  ComPtr<IDataset> dataset;
  HRESULT hr = table->QueryInterface(IidOf<IDataset>(), dataset.put_void());
  if (FAILED(hr)) return hr;
  Bstr name;
  hr = dataset->get_Name(&name);
  if (FAILED(hr)) return hr;
  ComPtr<IWorkspace> workspace;
  hr = dataset->get_Workspace(workspace.put());
  if (FAILED(hr)) return hr;
  if (!workspace) return E_UNEXPECTED;
  hr = workspace->get_Type(workspaceType);
  if (FAILED(hr)) return hr;
  ComPtr<IFeatureWorkspace> features = workspace.As<IFeatureWorkspace>();
  if (!features) return E_NOINTERFACE;
  ComPtr<ITable> featureTable;
  hr = features->OpenTable(Bstr(name.str() + L"_features"), featureTable.put());
  if (hr == host::E_DATA_NOT_FOUND) {
    *hasFeatureTable = false;
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  *hasFeatureTable = featureTable != nullptr;
  return S_OK;
}

HRESULT TestCatalog(velkZelCatalogTypeEnum kind, ITable* table, bool* valid) {
  *valid = false;
  switch (kind) {
    case velkZelCatalogVPF:
    case velkZelCatalogDTED:
    case velkZelCatalogRPF:
    case velkZelCatalogGDBVPF:
    case velkZelCatalogReferencedRPF: break;
    default: return E_INVALIDARG;
  }
  CatalogFields f;
  HRESULT hr = ReadCatalogFields(table, &f);
  if (FAILED(hr)) return hr;
  switch (kind) {
    case velkZelCatalogDTED: *valid = f.dtedType == FieldKind::kText; return S_OK;
    case velkZelCatalogRPF: *valid = IsRpf(f); return S_OK;
    case velkZelCatalogReferencedRPF:
      *valid = IsRpf(f) && f.name == FieldKind::kText && f.fullName == FieldKind::kText;
      return S_OK;
    default: break;
  }
  // The two VPF kinds: a feature class with the VPF fields, told apart by where it lies.
  if (!HasVpfFields(f)) return S_OK;
  ComPtr<IFeatureClass> featureClass;
  if (FAILED(table->QueryInterface(IidOf<IFeatureClass>(), featureClass.put_void())) || !featureClass) return S_OK;
  bool hasFeatureTable = false;
  LONG workspaceType = -1;
  hr = ReadVpfSetting(table, &hasFeatureTable, &workspaceType);
  if (FAILED(hr)) return hr;
  *valid = kind == velkZelCatalogVPF ? hasFeatureTable
                                     : (!hasFeatureTable && workspaceType == kWorkspaceLocalDatabase);
  return S_OK;
}

class DataManager : public ComObjectRoot<DataManager, IDataManager, ConnectionPointContainerImpl<IDataManagerEvents>> {
 public:
  HRESULT CreateCatalog(IWorkspace*, velkZelCatalogTypeEnum, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL,
                        ITrackCancel*) override {
    VELK_TRY
    return NotBuilt(L"Creating catalogs is not available.");
    VELK_CATCH
  }

  HRESULT IsCatalogValid(velkZelCatalogTypeEnum catalogType, ITable* table, VARIANT_BOOL* isValid) override {
    if (!isValid) return E_POINTER;
    *isValid = VARIANT_FALSE;
    if (!table) return E_INVALIDARG;
    VELK_TRY
    bool valid = false;
    const HRESULT hr = TestCatalog(catalogType, table, &valid);
    if (FAILED(hr)) return hr;
    *isValid = valid ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
    VELK_CATCH
  }

  HRESULT LoadCatalog(ITable*, BSTR, velkZelCatalogTypeEnum, ITrackCancel*) override {
    VELK_TRY
    return NotBuilt(L"Loading data into catalogs is not available.");
    VELK_CATCH
  }

 private:
  // An operation this data manager does not offer: the callers count error events, so the
  // refusal is reported as one rather than passing for a run without errors.
  HRESULT NotBuilt(const wchar_t* text) {
    Bstr message(text);
    Fire<IDataManagerEvents>(
        [&](IDataManagerEvents* sink) { return sink->OnEvent(message.get(), kDataManagerEventError); });
    return E_NOTIMPL;
  }
};

}  // namespace

HRESULT CreateDataManagerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<DataManager>(outer, riid, ppv);
}

DWORD RegisterDataManagerClass() {
  return RegisterProcessClass(CLSID_DataManager, &CreateDataManagerObject);
}

}  // namespace velk::productline
