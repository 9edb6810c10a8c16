// GeoPackage workspaces, standing in for the host's database kinds.
#include "platform/host/data/workspace_internal.h"

#include "platform/com/plain_text.h"
#include "platform/host/data/raster_collection.h"
#include "platform/host/data/raster_storage.h"

namespace velk::host {

namespace {
using namespace workspace_detail;

// A GeoPackage file standing in for the host's database kinds.
class DatabaseWorkspace : public LayerWorkspace<DatabaseWorkspace, IRasterWorkspaceEx> {
  friend class LayerWorkspace<DatabaseWorkspace, IRasterWorkspaceEx>;

 public:
  HRESULT CreateRasterDataset(BSTR name, IUnknown* rasters, IUnknown* storage, BSTR keyword,
                              IUnknown*, VARIANT* options, IRasterDataset** dataset) override {
    if (!dataset) return E_POINTER;
    *dataset = nullptr;
    auto collection = QueryAs<IRasterCollection>(rasters);
    if (!collection) return E_INVALIDARG;
    if (options && options->vt != VT_EMPTY && options->vt != VT_ERROR) return E_INVALIDARG;
    const std::wstring k = BstrToWstring(keyword);
    if (!k.empty() && k != L"DEFAULTS") return E_INVALIDARG;
    const std::wstring table = BstrToWstring(name);
    if (!ValidDatabaseDatasetName(table)) return E_DATA_INVALID_NAME;
    if (LayerIndex(table) >= 0) return E_DATA_EXISTS;
    VELK_TRY
    analysis::MosaicOptions o;
    o.format = "GPKG";
    o.table = ToUtf8(table);
    o.storage = StorageOf(storage);
    VARIANT_BOOL replace = VARIANT_FALSE;
    if (auto props = collection.As<IRasterMosaicProps>()) props->get_Replace(&replace);
    if (!replace && analysis::GeoPackageHasRaster(path_, o.table)) return E_DATA_EXISTS;
    std::string why;
    HRESULT hr = WriteCollectionMosaic(collection.get(), path_, o, &why);
    if (FAILED(hr)) return hr;
    return OpenRasterDataset(name, dataset);
    VELK_CATCH
  }
  HRESULT OpenRasterDataset(BSTR name, IRasterDataset** dataset) override {
    if (!dataset) return E_POINTER;
    *dataset = nullptr;
    const std::string table = ToUtf8(BstrToWstring(name));
    if (table.empty() || !analysis::GeoPackageHasRaster(path_, table)) return E_DATA_NOT_FOUND;
    return OpenRasterFile("GPKG:" + path_ + ":" + table, this, dataset);
  }
  HRESULT DeleteRasterDataset(BSTR name) override {
    const std::string table = ToUtf8(BstrToWstring(name));
    if (!analysis::GeoPackageHasRaster(path_, table)) return S_FALSE;
    return analysis::DeleteGeoPackageRaster(path_, table).empty() ? S_OK : E_DATA_WRITE_FAILED;
  }

  void Init(std::string path, DatasetPtr db) {
    InitBase(FactoryKind::kDatabase, std::move(path));
    db_ = std::move(db);
  }

  std::vector<std::pair<std::wstring, LONG>> List() const {
    std::vector<std::pair<std::wstring, LONG>> out;
    GDALDataset* ds = db_->get();
    for (int i = 0; ds && i < ds->GetLayerCount(); ++i) {
      OGRLayer* l = ds->GetLayer(i);
      out.emplace_back(FromUtf8(l->GetName()),
                       l->GetGeomType() == wkbNone ? kDatasetTable : kDatasetFeatureClass);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  HRESULT OpenFeatureDataset(BSTR name, IFeatureDataset** dataset) override;
  HRESULT CreateTable(BSTR name, IFields* fields, const GUID*, const GUID*, BSTR,
                      ITable** table) override {
    if (!table) return E_POINTER;
    *table = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = CreateLayer(BstrToWstring(name), fields, false, L"", obj);
    return FAILED(hr) ? hr : HandOut(obj, table, E_FAIL);
  }
  HRESULT CreateFeatureClass(BSTR name, IFields* fields, const GUID*, const GUID*, LONG,
                             BSTR shapeFieldName, BSTR, IFeatureClass** fc) override {
    if (!fc) return E_POINTER;
    *fc = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = CreateLayer(BstrToWstring(name), fields, true, BstrToWstring(shapeFieldName), obj);
    return FAILED(hr) ? hr : HandOut(obj, fc, E_FAIL);
  }

  HRESULT DeleteDataset(TableCore& core) override {
    if (!db_->writable()) return E_DATA_WRITE_FAILED;
    int index = LayerIndex(core.Name());
    if (index < 0) return E_DATA_NOT_FOUND;
    QuietErrors quiet;
    if (db_->get()->DeleteLayer(index) != OGRERR_NONE) return E_DATA_WRITE_FAILED;
    core.Invalidate();
    return S_OK;
  }
  HRESULT RenameDataset(TableCore& core, const std::wstring& newName) override {
    if (!ValidDatabaseDatasetName(newName)) return E_DATA_INVALID_NAME;
    if (LayerIndex(newName) >= 0) return E_DATA_EXISTS;
    if (!db_->writable() || !core.Layer()->TestCapability(OLCRename)) return E_DATA_WRITE_FAILED;
    QuietErrors quiet;
    if (core.Layer()->Rename(ToUtf8(newName).c_str()) != OGRERR_NONE) return E_DATA_WRITE_FAILED;
    core.Rebind(core.Source(), core.Layer(), newName, LockKey(newName));
    return S_OK;
  }
  std::string WriteProblem() override { return WriteFailureText(0, fs::path(path_).parent_path()); }
  // An edit of a database table is one transaction.
  HRESULT StartEdit(TableCore& core, DatasetEdit& edit, std::string& why) override {
    if (!db_->writable()) {
      why = "the database cannot be written";
      return E_DATA_WRITE_FAILED;
    }
    core.BeginBatch();
    edit.object = nullptr;
    return S_OK;
  }
  HRESULT StopEdit(TableCore& core, DatasetEdit&, bool save, std::string& why) override {
    if (!save) {
      core.AbandonBatch();
      return S_OK;
    }
    HRESULT hr = core.CommitBatch();
    if (FAILED(hr)) why = WriteFailureText(0, fs::path(path_).parent_path());
    return hr;
  }
  // The new table is renamed into place; a table it replaces is renamed aside first and dropped
  // last.
  HRESULT TakeName(TableCore& core, const std::wstring& name, bool replace,
                   std::string& why) override {
    if (!ValidDatabaseDatasetName(name)) {
      why = "the name is not allowed in a database";
      return E_DATA_INVALID_NAME;
    }
    core.Sync();
    int existing = LayerIndex(name);
    if (existing >= 0 && !replace) {
      why = "a dataset of that name exists";
      return E_DATA_EXISTS;
    }
    QuietErrors quiet;
    std::string asideName;
    if (existing >= 0) {
      OGRLayer* old = db_->get()->GetLayer(existing);
      asideName = ToUtf8(name) + "_replaced";
      for (int k = 2; LayerIndex(FromUtf8(asideName)) >= 0; ++k)
        asideName = ToUtf8(name) + "_replaced" + std::to_string(k);
      if (!old->TestCapability(OLCRename) || old->Rename(asideName.c_str()) != OGRERR_NONE) {
        why = "could not move away the existing table";
        return E_DATA_WRITE_FAILED;
      }
    }
    if (FAILED(RenameDataset(core, name))) {
      why = "could not rename the new table";
      if (!asideName.empty() &&
          db_->get()->GetLayer(LayerIndex(FromUtf8(asideName)))->Rename(ToUtf8(name).c_str()) !=
              OGRERR_NONE)
        why += "; the existing one is now named " + asideName;
      return E_DATA_WRITE_FAILED;
    }
    if (!asideName.empty()) {
      int index = LayerIndex(FromUtf8(asideName));
      if (index >= 0 && db_->get()->DeleteLayer(index) != OGRERR_NONE) {
        why = "could not delete the replaced table " + asideName;
        return S_FALSE;
      }
    }
    return S_OK;
  }

 private:
  std::string LockKey(const std::wstring& name) const { return ToLower(path_ + "|" + ToUtf8(name)); }
  int LayerIndex(const std::wstring& name) const {
    std::string n = ToLower(ToUtf8(name));
    for (int i = 0; i < db_->get()->GetLayerCount(); ++i)
      if (ToLower(db_->get()->GetLayer(i)->GetName()) == n) return i;
    return -1;
  }

  HRESULT OpenLayer(const std::wstring& name, ComPtr<IUnknown>& out) {
    return Cached(
        name,
        [&](ComPtr<IUnknown>& made) -> HRESULT {
          int index = LayerIndex(name);
          if (index < 0) return E_DATA_NOT_FOUND;
          OGRLayer* layer = db_->get()->GetLayer(index);
          std::wstring actual = FromUtf8(layer->GetName());
          auto core = std::make_shared<TableCore>(db_, layer, actual, LockKey(actual), false);
          made = MakeTableObject(core, this, this, ToLower(actual));
          return S_OK;
        },
        out);
  }

  // Whether the database file holds a table of the name now, though this connection's list of
  // layers may be older (another process made it since): a new layer must not take its name,
  // nor its clean-up drop that table.
  bool TableInFile(const std::wstring& name) {
    const std::string sql = "SELECT COUNT(*) FROM sqlite_master WHERE lower(name) = lower(" +
                            SqlQuotedText(ToUtf8(name)) + ")";
    QuietErrors quiet;
    OGRLayer* result = db_->get()->ExecuteSQL(sql.c_str(), nullptr, nullptr);
    if (!result) return false;
    OGRFeatureUniquePtr row(result->GetNextFeature());
    const bool there = row && row->GetFieldAsInteger64(0) > 0;
    db_->get()->ReleaseResultSet(result);
    return there;
  }

  HRESULT CreateLayer(const std::wstring& name, IFields* fields, bool withShape,
                      const std::wstring& shapeName, ComPtr<IUnknown>& out) {
    if (!ValidDatabaseDatasetName(name)) return E_DATA_INVALID_NAME;
    Schema schema;
    HRESULT hr = ReadSchema(fields, shapeName, withShape, false, schema);
    if (FAILED(hr)) return hr;
    if (LayerIndex(name) >= 0 || TableInFile(name)) return E_DATA_EXISTS;
    if (!db_->writable()) return E_DATA_WRITE_FAILED;
    std::string fid = "FID=" + ToUtf8(schema.oidName.empty() ? L"OBJECTID" : schema.oidName);
    std::string geomName =
        "GEOMETRY_NAME=" + ToUtf8(schema.shape.name.empty() ? L"Shape" : schema.shape.name);
    std::vector<const char*> options = {fid.c_str()};
    if (withShape) options.push_back(geomName.c_str());
    options.push_back(nullptr);
    std::unique_ptr<OGRSpatialReference> srs;
    if (const OGRSpatialReference* s = SrsOf(schema.shape.sr.get())) srs.reset(s->Clone());
    OGRwkbGeometryType type = withShape ? LayerTypeFor(schema.shape.geometryType, schema.shape.hasZ,
                                                       schema.shape.hasM, true)
                                        : wkbNone;
    {
      QuietErrors quiet;
      OGRLayer* layer = db_->get()->CreateLayer(ToUtf8(name).c_str(), srs.get(), type,
                                                const_cast<char**>(options.data()));
      if (!layer) return E_DATA_WRITE_FAILED;
      for (std::size_t i = 0; SUCCEEDED(hr) && i < schema.attributes.size(); ++i)
        hr = CreateOgrField(layer, schema.attributes[i], false);
      if (SUCCEEDED(hr) && layer->SyncToDisk() != OGRERR_NONE) hr = E_DATA_WRITE_FAILED;
      if (FAILED(hr)) {
        int index = LayerIndex(name);
        if (index >= 0) db_->get()->DeleteLayer(index);
        return hr;
      }
    }
    return OpenLayer(name, out);
  }

  DatasetPtr db_;
};

// The name of a feature class of feature dataset `group`: it begins with the group's name and
// "_", letter case aside.
bool InFeatureDataset(const std::wstring& group, const std::wstring& name) {
  return name.size() > group.size() + 1 && name[group.size()] == L'_' &&
         ToLower(name.substr(0, group.size())) == ToLower(group);
}

class FeatureDatasetObject
    : public ComObjectRoot<FeatureDatasetObject, IFeatureDataset, IDataset> {
 public:
  using IFeatureDataset::QueryInterface;
  void Init(DatabaseWorkspace* ws, std::wstring name) {
    ws_ = ComPtr<IWorkspace>(static_cast<IWorkspace*>(ws));
    db_ = ws;
    name_ = std::move(name);
  }

  HRESULT get_Subsets(IEnumDataset** datasets) override {
    if (!datasets) return E_POINTER;
    *datasets = nullptr;
    VELK_TRY
    std::vector<ComPtr<IDataset>> items;
    for (const auto& [name, type] : db_->List()) {
      if (type != kDatasetFeatureClass || !InFeatureDataset(name_, name)) continue;
      if (auto ds = QueryAs<IDataset>(db_->OpenByName(name, type).get())) items.push_back(ds);
    }
    *datasets = MakeListEnum<IEnumDataset, IDataset>(std::move(items)).Detach();
    return S_OK;
    VELK_CATCH
  }

  HRESULT get_Name(BSTR* name) override { return OutText(name, name_); }
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kDatasetFeatureDataset;
    return S_OK;
  }
  HRESULT get_Workspace(IWorkspace** workspace) override { return ws_.CopyTo(workspace); }
  HRESULT get_FullName(IName** name) override {
    if (!name) return E_POINTER;
    *name = db_->DatasetFullName(name_, kDatasetFeatureDataset).Detach();
    return S_OK;
  }
  // Its feature classes are datasets of their own; the group is not deleted or renamed as one.
  HRESULT CanDelete(VARIANT_BOOL* can) override {
    if (!can) return E_POINTER;
    *can = VARIANT_FALSE;
    return S_OK;
  }
  HRESULT Delete() override { return E_FAIL; }
  HRESULT CanRename(VARIANT_BOOL* can) override { return CanDelete(can); }
  HRESULT Rename(BSTR) override { return E_FAIL; }

 private:
  ComPtr<IWorkspace> ws_;
  DatabaseWorkspace* db_ = nullptr;  // held through ws_
  std::wstring name_;
};

HRESULT DatabaseWorkspace::OpenFeatureDataset(BSTR name, IFeatureDataset** dataset) {
  if (!dataset) return E_POINTER;
  *dataset = nullptr;
  VELK_TRY
  const std::wstring group = BstrToWstring(name);
  bool any = false;
  for (const auto& [n, type] : List()) any = any || (type == kDatasetFeatureClass && InFeatureDataset(group, n));
  if (group.empty() || !any) return E_DATA_NOT_FOUND;
  ComObject<FeatureDatasetObject>* object = nullptr;
  HRESULT hr = ComObject<FeatureDatasetObject>::Create(&object);
  if (FAILED(hr)) return hr;
  object->Init(this, group);
  *dataset = static_cast<IFeatureDataset*>(object);
  return S_OK;
  VELK_CATCH
}

}  // namespace

namespace workspace_detail {

HRESULT NewDatabaseWorkspace(const std::string& path, DatasetPtr db, IWorkspace** workspace) {
  ComObject<DatabaseWorkspace>* w = nullptr;
  HRESULT hr = ComObject<DatabaseWorkspace>::Create(&w);
  if (FAILED(hr)) return hr;
  w->Init(path, std::move(db));
  *workspace = static_cast<IWorkspace*>(w);
  return S_OK;
}

}  // namespace workspace_detail

}  // namespace velk::host
