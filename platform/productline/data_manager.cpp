#include "platform/productline/data_manager.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include <ogrsf_frmts.h>

#include "platform/com/connection_point.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/com/object.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/data/field_objects.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_core.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"
#include "platform/productline/catalog_scan.h"
#include "platform/productline/catalog_table_writer.h"
#include "platform/registry/activation.h"
#include "platform/registry/file_io.h"

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
  } wanted[] = {{L"PRODUCT", &out->product}, {L"SCALE", &out->scale},
                {L"SERIES", &out->series},   {L"DTED_TYPE", &out->dtedType},
                {L"NAME", &out->name},       {L"FULL_NAME", &out->fullName},
                {L"LIBRARY", &out->library}};
  for (const auto& w : wanted) {
    hr = KindOf(fields.get(), w.name, w.kind);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

bool IsRpf(const CatalogFields& f) {
  return f.product == FieldKind::kText && f.series == FieldKind::kText &&
         f.scale == FieldKind::kNumber && f.dtedType == FieldKind::kMissing &&
         f.library == FieldKind::kMissing;
}

bool HasVpfFields(const CatalogFields& f) {
  return f.product == FieldKind::kText && f.library == FieldKind::kText &&
         f.dtedType == FieldKind::kMissing && f.series == FieldKind::kMissing;
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
  if (FAILED(table->QueryInterface(IidOf<IFeatureClass>(), featureClass.put_void())) ||
      !featureClass)
    return S_OK;
  bool hasFeatureTable = false;
  LONG workspaceType = -1;
  hr = ReadVpfSetting(table, &hasFeatureTable, &workspaceType);
  if (FAILED(hr)) return hr;
  *valid = kind == velkZelCatalogVPF
               ? hasFeatureTable
               : (!hasFeatureTable && workspaceType == kWorkspaceLocalDatabase);
  return S_OK;
}

host::FieldSpec Text(const wchar_t* name, LONG length) {
  host::FieldSpec s;
  s.name = name;
  s.type = kFieldString;
  s.length = length;
  return s;
}

host::FieldSpec Number(const wchar_t* name, LONG type) {
  host::FieldSpec s;
  s.name = name;
  s.type = type;
  return s;
}

// The fields of a new catalog of the kind: an object id, the footprint polygon in geographic
// WGS 84 coordinates, and the kind's fields.
std::vector<host::FieldSpec> CatalogSchema(velkZelCatalogTypeEnum kind) {
  host::FieldSpec oid = Number(L"OBJECTID", kFieldOID);
  oid.nullable = false;
  host::FieldSpec shape = Number(L"Shape", kFieldGeometry);
  shape.geometryType = kGeometryPolygon;
  shape.sr = host::SpatialReferenceFromCode(4326);
  switch (kind) {
    case velkZelCatalogDTED:
      // The elevation statistics of each cell, read once when it is loaded.
      return {oid,
              shape,
              Text(L"DTED_TYPE", 20),
              Text(L"NAME", 100),
              Text(L"FULL_NAME", 254),
              Number(L"ELEV_MIN", kFieldDouble),
              Number(L"ELEV_MAX", kFieldDouble),
              Number(L"ELEV_MEAN", kFieldDouble),
              Number(L"ELEV_STD", kFieldDouble)};
    case velkZelCatalogRPF:
    case velkZelCatalogReferencedRPF:
      return {oid,
              shape,
              Text(L"PRODUCT", 60),
              Number(L"SCALE", kFieldInteger),
              Text(L"SERIES", 10),
              Text(L"NAME", 100),
              Text(L"FULL_NAME", 254)};
    default: return {oid, shape, Text(L"PRODUCT", 60), Text(L"LIBRARY", 20)};
  }
}

// The VPF feature table: one row per feature class of a coverage of a library.
std::vector<host::FieldSpec> FeatureTableSchema() {
  host::FieldSpec oid = Number(L"OBJECTID", kFieldOID);
  oid.nullable = false;
  return {oid,
          Text(L"PRODUCT", 60),
          Text(L"COVERAGE", 20),
          Text(L"FEAT_CLS", 40),
          Text(L"COV_DESC", 100),
          Text(L"FC_DESC", 100),
          Text(L"FC_TYPE", 20),
          Text(L"PATH", 254),
          Text(L"LIBRARY", 20),
          Number(L"GEOSYM_PID", kFieldInteger)};
}

// The companion table of a referenced RPF catalog: one row per product series it holds.
std::vector<host::FieldSpec> UidsTableSchema() {
  host::FieldSpec oid = Number(L"OBJECTID", kFieldOID);
  oid.nullable = false;
  return {oid, Text(L"PRODUCT", 60), Text(L"SERIES", 10), Number(L"SCALE", kFieldInteger)};
}

// What the host's table object is underneath (its GDAL layer); null for another table.
host::TableCore* CoreOf(ITable* table) {
  ComPtr<IRowBuffer> buffer;
  if (!table || FAILED(table->CreateRowBuffer(buffer.put())) || !buffer) return nullptr;
  auto data = buffer.As<host::IRowData>();
  return data ? data->Core() : nullptr;
}

// The indexes of the fields the layers query, on a database table (dBASE files have none).
void IndexCatalogTable(IUnknown* table) {
  ComPtr<ITable> t;
  if (!table || FAILED(table->QueryInterface(IidOf<ITable>(), t.put_void()))) return;
  host::TableCore* core = CoreOf(t.get());
  if (core && core->Valid() && !core->IsDbase() && core->Writable())
    EnsureCatalogIndexes(core->Source()->get(), core->Layer());
}

// Makes the empty catalog; nothing is left behind on failure.
HRESULT MakeCatalog(IWorkspace* workspace, velkZelCatalogTypeEnum kind, const std::wstring& name) {
  ComPtr<IFeatureWorkspace> features = ComPtr<IWorkspace>(workspace).As<IFeatureWorkspace>();
  if (!features) return E_NOINTERFACE;
  if (kind == velkZelCatalogGDBVPF) {
    LONG type = -1;
    HRESULT hr = workspace->get_Type(&type);
    if (FAILED(hr)) return hr;
    if (type != kWorkspaceLocalDatabase) return E_INVALIDARG;
  }
  ComPtr<IFeatureClass> catalog;
  HRESULT hr = features->CreateFeatureClass(Bstr(name), host::MakeFields(CatalogSchema(kind)).get(),
                                            nullptr, nullptr, kFeatureTypeSimple, Bstr(L"Shape"),
                                            Bstr(L""), catalog.put());
  if (FAILED(hr)) return hr;
  IndexCatalogTable(catalog.get());
  if (kind != velkZelCatalogVPF && kind != velkZelCatalogReferencedRPF) return S_OK;
  const bool vpf = kind == velkZelCatalogVPF;
  ComPtr<ITable> featureTable;
  hr = features->CreateTable(Bstr(name + (vpf ? L"_features" : L"_uids")),
                             host::MakeFields(vpf ? FeatureTableSchema() : UidsTableSchema()).get(),
                             nullptr, nullptr, Bstr(L""), featureTable.put());
  if (FAILED(hr)) {
    if (auto dataset = catalog.As<IDataset>()) dataset->Delete();
    return hr;
  }
  IndexCatalogTable(featureTable.get());
  return hr;
}

std::wstring HexCode(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(hr));
  return text;
}

class DataManager : public ComObjectRoot<DataManager, IDataManager,
                                         ConnectionPointContainerImpl<IDataManagerEvents>> {
 public:
  HRESULT CreateCatalog(IWorkspace* workspace, velkZelCatalogTypeEnum catalogType, BSTR folder,
                        BSTR name, VARIANT_BOOL, VARIANT_BOOL,
                        ITrackCancel* cancelTracker) override {
    VELK_TRY
    const std::wstring catalogName = name ? name : L"";
    if (!workspace) return Error(L"No workspace to create the catalog in.", E_INVALIDARG);
    if (catalogName.empty()) return Error(L"The new catalog has no name.", E_INVALIDARG);
    if (catalogType < velkZelCatalogVPF || catalogType > velkZelCatalogReferencedRPF)
      return Error(L"Unknown catalog kind for \"" + catalogName + L"\".", E_INVALIDARG);
    HRESULT hr = S_OK;
    {
      // Another session making the same catalog in the same database waits for this one.
      reg::detail::FileLock lock;
      Bstr databasePath;
      LONG type = -1;
      if (SUCCEEDED(workspace->get_Type(&type)) && type == kWorkspaceLocalDatabase &&
          SUCCEEDED(workspace->get_PathName(&databasePath)))
        lock.Acquire(ToUtf8(databasePath.str()), false);
      hr = MakeCatalog(workspace, catalogType, catalogName);
    }
    if (FAILED(hr))
      return Error(L"Could not create the catalog \"" + catalogName + L"\" (" + HexCode(hr) + L").",
                   hr);
    Event(L"Created the catalog \"" + catalogName + L"\".", kDataManagerEventInfo);
    if (!folder || !*folder) return S_OK;
    // A folder given: its data goes into the new catalog, as a load would put it there.
    ComPtr<ITable> table;
    auto features = ComPtr<IWorkspace>(workspace).As<IFeatureWorkspace>();
    if (!features || FAILED(features->OpenTable(Bstr(catalogName), table.put())) || !table)
      return Error(L"Could not open the new catalog \"" + catalogName + L"\".", E_FAIL);
    const velkZelCatalogTypeEnum loadKind =
        catalogType == velkZelCatalogReferencedRPF ? velkZelCatalogRPF : catalogType;
    return LoadCatalog(table.get(), folder, loadKind, cancelTracker);
    VELK_CATCH
  }

  HRESULT IsCatalogValid(velkZelCatalogTypeEnum catalogType, ITable* table,
                         VARIANT_BOOL* isValid) override {
    if (!isValid) return E_POINTER;
    *isValid = VARIANT_FALSE;
    if (!table) return E_INVALIDARG;
    VELK_TRY
    bool valid = false;
    const HRESULT hr = TestCatalog(catalogType, table, &valid);
    if (FAILED(hr)) return hr;
    *isValid = ToVariantBool(valid);
    return S_OK;
    VELK_CATCH
  }

  HRESULT LoadCatalog(ITable* table, BSTR folder, velkZelCatalogTypeEnum catalogType,
                      ITrackCancel* cancelTracker) override {
    VELK_TRY
    if (!table) return Error(L"No catalog to load data into.", E_INVALIDARG);
    const std::wstring folderText = folder ? folder : L"";
    std::error_code ec;
    if (folderText.empty() || !std::filesystem::is_directory(ToUtf8(folderText), ec))
      return Error(L"The folder \"" + folderText + L"\" is not there.", E_INVALIDARG);
    std::wstring catalogName = L"the catalog";
    if (auto dataset = ComPtr<ITable>(table).As<IDataset>()) {
      Bstr name;
      if (SUCCEEDED(dataset->get_Name(&name))) catalogName = L"\"" + name.str() + L"\"";
    }
    bool valid = false;
    const HRESULT tested = TestCatalog(catalogType, table, &valid);
    if (FAILED(tested) || !valid)
      return Error(catalogName + L" is not a catalog of the kind asked for.", E_INVALIDARG);
    host::TableCore* core = CoreOf(table);
    if (!core || !core->Valid() || core->IsDbase() || !core->Writable())
      return Error(catalogName + L" is not a catalog table that can be written.",
                   host::E_DATA_WRITE_FAILED);
    // Rows name their files by full path, whatever folder the load was given.
    const std::string root =
        std::filesystem::absolute(ToUtf8(folderText), ec).lexically_normal().string();
    switch (catalogType) {
      case velkZelCatalogDTED:
        return LoadTree<DtedCellRow>(*core, root, catalogName, L"DTED cells", cancelTracker);
      case velkZelCatalogVPF:
      case velkZelCatalogGDBVPF:
        copyVpfFeatures_ = catalogType == velkZelCatalogGDBVPF;
        return LoadTree<VpfLibraryRow>(*core, root, catalogName, L"VPF libraries", cancelTracker);
      default:
        return LoadTree<RpfFrameRow>(*core, root, catalogName, L"RPF frames", cancelTracker);
    }
    VELK_CATCH
  }

 private:
  static ScanResult<DtedCellRow> Scan(const std::string& folder, const ScanOptions& options,
                                      DtedCellRow*) {
    return ScanDtedTree(folder, options);
  }
  static ScanResult<RpfFrameRow> Scan(const std::string& folder, const ScanOptions& options,
                                      RpfFrameRow*) {
    return ScanRpfTree(folder, options);
  }
  static bool Write(host::TableCore& core, const std::vector<DtedCellRow>& rows,
                    CatalogWriteResult& result, std::string& reason) {
    return WriteDtedRows(core.Source()->get(), core.Layer(), rows, result, reason);
  }
  static ScanResult<VpfLibraryRow> Scan(const std::string& folder, const ScanOptions& options,
                                        VpfLibraryRow*) {
    return ScanVpfTree(folder, options);
  }
  // A VPF catalog keeps its feature classes in its "_features" table; a geodatabase VPF
  // catalog takes the features themselves.
  bool Write(host::TableCore& core, const std::vector<VpfLibraryRow>& rows,
             CatalogWriteResult& result, std::string& reason) const {
    GDALDataset* ds = core.Source()->get();
    OGRLayer* features =
        copyVpfFeatures_
            ? nullptr
            : ds->GetLayerByName((std::string(core.Layer()->GetName()) + "_features").c_str());
    if (!WriteVpfRows(ds, core.Layer(), features, rows, copyVpfFeatures_, result, reason))
      return false;
    if (features) EnsureCatalogIndexes(ds, features);
    return true;
  }
  static bool Write(host::TableCore& core, const std::vector<RpfFrameRow>& rows,
                    CatalogWriteResult& result, std::string& reason) {
    // A referenced catalog keeps its series in the companion table.
    GDALDataset* ds = core.Source()->get();
    OGRLayer* uids = ds->GetLayerByName((std::string(core.Layer()->GetName()) + "_uids").c_str());
    return WriteRpfRows(ds, core.Layer(), uids, rows, result, reason);
  }

  // Reads the products under the folder on all cores, reporting progress and every file that
  // could not be read as events on this thread, then adds the rows in one transaction.
  template <typename Row>
  HRESULT LoadTree(host::TableCore& core, const std::string& folder,
                   const std::wstring& catalogName, const std::wstring& what,
                   ITrackCancel* cancelTracker) {
    Event(L"Loading " + what + L" from \"" + FromUtf8(folder) + L"\" into " + catalogName + L".",
          kDataManagerEventInfo);
    std::size_t reported = 0;
    ScanOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
      if (done != reported &&
          (done == total || done - reported >= std::max<std::size_t>(1, total / 10))) {
        reported = done;
        Event(L"Read " + std::to_wstring(done) + L" of " + std::to_wstring(total) + L" files.",
              kDataManagerEventInfo);
      }
      VARIANT_BOOL keepGoing = VARIANT_TRUE;
      if (cancelTracker && SUCCEEDED(cancelTracker->Continue(&keepGoing)) &&
          keepGoing == VARIANT_FALSE)
        return false;
      return true;
    };
    ScanResult<Row> scan = Scan(folder, options, static_cast<Row*>(nullptr));
    for (const ScanProblem& p : scan.skipped)
      Event(L"\"" + FromUtf8(p.path) + L"\" was " + FromUtf8(p.reason) + L".",
            kDataManagerEventInfo);
    for (const ScanProblem& p : scan.problems)
      Event(L"\"" + FromUtf8(p.path) + L"\" was not loaded: " + FromUtf8(p.reason) + L".",
            kDataManagerEventError);
    if (scan.cancelled)
      Event(L"Loading was cancelled; the files read so far are added.", kDataManagerEventInfo);
    CatalogWriteResult written;
    std::string reason;
    {
      // Loads into one catalog file take turns between sessions and processes: each reads the
      // rows there already after the one before it wrote, so no file goes in twice.
      reg::detail::FileLock lock;
      lock.Acquire(core.Source()->path(), false);
      if (!Write(core, scan.rows, written, reason))
        return Error(L"Could not add rows to " + catalogName + L": " + FromUtf8(reason) + L".",
                     host::E_DATA_WRITE_FAILED);
      EnsureCatalogIndexes(core.Source()->get(), core.Layer());
    }
    // The last word of a cancelled load says so.
    Event(std::wstring(scan.cancelled ? L"Cancelled: added " : L"Added ") +
              std::to_wstring(written.added) + L" " + what + L" to " + catalogName + L"; " +
              std::to_wstring(written.alreadyThere) + L" were in it already.",
          kDataManagerEventInfo);
    return scan.problems.empty() ? S_OK : S_FALSE;
  }

  bool copyVpfFeatures_ = false;

  void Event(const std::wstring& text, LONG type) {
    Bstr message(text);
    Fire<IDataManagerEvents>(
        [&](IDataManagerEvents* sink) { return sink->OnEvent(message.get(), type); });
  }

  // Callers count error events, so every failure is reported as one as well as returned.
  HRESULT Error(const std::wstring& text, HRESULT hr) {
    Event(text, kDataManagerEventError);
    return hr;
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
