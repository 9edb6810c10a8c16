#include "platform/host/data/table_objects.h"

#include "platform/com/text.h"

#include <algorithm>
#include <set>

#include <ogrsf_frmts.h>

#include "platform/com/enum_list.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/schema_locks.h"

namespace velk::host {

namespace {

using CorePtr = std::shared_ptr<TableCore>;

template <class Base, class Via, class Self>
bool Answer(Self* self, REFIID riid, void** ppv) {
  if (riid != IidOf<Base>()) return false;
  *ppv = static_cast<Base*>(static_cast<Via*>(self));
  static_cast<IUnknown*>(*ppv)->AddRef();
  return true;
}

// ---------------------------------------------------------------- rows

template <class Derived, class Primary, class... More>
class RowBase : public ComObjectRoot<Derived, Primary, IRowData, More...> {
 public:
  using Primary::QueryInterface;
  void Init(CorePtr core, IUnknown* table, std::int64_t fid, std::vector<Variant> values) {
    core_ = std::move(core);
    table_ = table;
    fid_ = fid;
    values_ = std::move(values);
  }

  // IRowBuffer
  HRESULT get_Value(LONG index, VARIANT* value) override {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (index < 0 || static_cast<std::size_t>(index) >= core_->Fields().size()) return E_INVALIDARG;
    if (static_cast<std::size_t>(index) >=
        values_.size()) {  // a field added after the row was read
      value->vt = VT_NULL;
      return S_OK;
    }
    return VariantCopy(value, &values_[index]);
  }
  HRESULT put_Value(LONG index, VARIANT value) override {
    Variant v;
    HRESULT hr = core_->Coerce(index, value, v);
    if (FAILED(hr)) return hr;
    if (values_.size() < core_->Fields().size()) Grow();
    values_[index] = std::move(v);
    return S_OK;
  }
  HRESULT get_Fields(IFields** fields) override { return core_->FieldsObject().CopyTo(fields); }

  // IRow
  HRESULT get_HasOID(VARIANT_BOOL* has) override {
    if (!has) return E_POINTER;
    *has = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_OID(LONG* oid) override {
    if (!oid) return E_POINTER;
    *oid = static_cast<LONG>(fid_);
    return S_OK;
  }
  HRESULT get_Table(ITable** table) override {
    if (!table) return E_POINTER;
    *table = nullptr;
    return table_ ? table_->QueryInterface(IidOf<ITable>(), reinterpret_cast<void**>(table))
                  : E_POINTER;
  }
  HRESULT Store() override {
    if (values_.size() < core_->Fields().size()) Grow();
    std::int64_t fid = fid_;
    HRESULT hr = core_->Write(fid, values_);
    if (FAILED(hr)) return hr;
    SetFid(fid);
    return S_OK;
  }
  HRESULT Delete() override {
    if (fid_ < 0) return E_DATA_NO_ROW;
    HRESULT hr = core_->DeleteRow(fid_);
    if (SUCCEEDED(hr)) fid_ = -1;
    return hr;
  }

  // IRowData
  TableCore* Core() override { return core_.get(); }
  std::vector<Variant>& Values() override {
    if (values_.size() < core_->Fields().size()) Grow();
    return values_;
  }
  std::int64_t Fid() override { return fid_; }
  void SetFid(std::int64_t fid) override {
    fid_ = fid;
    if (!values_.empty()) values_[0] = Variant(static_cast<LONG>(fid));
  }

 protected:
  void Grow() {
    std::size_t n = core_->Fields().size();
    while (values_.size() < n) {
      Variant v;
      v.vt = VT_NULL;
      values_.push_back(std::move(v));
    }
  }
  CorePtr core_;
  ComPtr<IUnknown> table_;
  std::int64_t fid_ = -1;
  std::vector<Variant> values_;
};

class TableRow : public RowBase<TableRow, IRow> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    return Answer<IRowBuffer, IRow>(this, riid, ppv) ? S_OK : E_NOINTERFACE;
  }
};

class FeatureRow : public RowBase<FeatureRow, IFeature, IFeatureBuffer> {
 public:
  using IFeature::QueryInterface;
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (Answer<IRow, IFeature>(this, riid, ppv) || Answer<IRowBuffer, IFeature>(this, riid, ppv))
      return S_OK;
    return E_NOINTERFACE;
  }
  HRESULT get_Shape(IGeometry** shape) override {
    if (!shape) return E_POINTER;
    *shape = nullptr;
    LONG i = core_->ShapeIndex();
    if (i < 0 || static_cast<std::size_t>(i) >= values_.size() || values_[i].vt != VT_UNKNOWN ||
        !values_[i].punkVal)
      return S_OK;
    return values_[i].punkVal->QueryInterface(IidOf<IGeometry>(), reinterpret_cast<void**>(shape));
  }
  HRESULT putref_Shape(IGeometry* shape) override {
    LONG i = core_->ShapeIndex();
    if (i < 0) return E_FAIL;
    if (values_.size() < core_->Fields().size()) Grow();
    if (shape) {
      values_[i] = Variant(static_cast<IUnknown*>(shape));
    } else {
      values_[i] = Variant();
      values_[i].vt = VT_NULL;
    }
    return S_OK;
  }
  HRESULT get_Extent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    ComPtr<IGeometry> shape;
    get_Shape(shape.put());
    if (!shape) {
      *extent = NewEnvelope().Detach();
      (*extent)->put_SpatialReference(core_->SpatialReference());
      return S_OK;
    }
    return shape->get_Envelope(extent);
  }
  HRESULT get_Class(IFeatureClass** featureClass) override {
    if (!featureClass) return E_POINTER;
    *featureClass = nullptr;
    return table_ ? table_->QueryInterface(IidOf<IFeatureClass>(),
                                           reinterpret_cast<void**>(featureClass))
                  : E_POINTER;
  }
};

ComPtr<IRow> MakeRow(const CorePtr& core, IUnknown* table, std::int64_t fid,
                     std::vector<Variant> values) {
  ComPtr<IRow> row;
  if (core->HasShape()) {
    ComObject<FeatureRow>* r = nullptr;
    Check(ComObject<FeatureRow>::Create(&r));
    r->Init(core, table, fid, std::move(values));
    row.Assign(static_cast<IFeature*>(r));
    r->Release();
  } else {
    ComObject<TableRow>* r = nullptr;
    Check(ComObject<TableRow>::Create(&r));
    r->Init(core, table, fid, std::move(values));
    row.Assign(static_cast<IRow*>(r));
    r->Release();
  }
  return row;
}

// ---------------------------------------------------------------- cursors

enum class CursorMode { kSearch, kUpdate, kInsert };

template <class Derived, class... Ifaces>
class CursorBase : public ComObjectRoot<Derived, Ifaces...> {
 public:
  void Init(CorePtr core, IUnknown* table, CursorMode mode, FidList fids,
            ISpatialReference* outputSr) {
    core_ = std::move(core);
    table_ = table;
    mode_ = mode;
    fids_ = std::move(fids);
    next_ = fids_.begin();
    outputSr_ = outputSr;
    if (mode_ == CursorMode::kInsert) core_->BeginBatch();
  }
  void FinalRelease() {
    if (mode_ == CursorMode::kInsert && core_) core_->EndBatch();
  }

  HRESULT get_Fields(IFields** fields) override { return core_->FieldsObject().CopyTo(fields); }
  HRESULT FindField(BSTR name, LONG* index) override {
    if (!index) return E_POINTER;
    *index = core_->FindField(BstrToWstring(name));
    return S_OK;
  }
  HRESULT Flush() override {
    if (mode_ == CursorMode::kInsert) {
      core_->EndBatch();
      core_->BeginBatch();
    } else {
      core_->Sync();
    }
    return S_OK;
  }

 protected:
  HRESULT Next(IRow** row) {
    if (!row) return E_POINTER;
    *row = nullptr;
    if (mode_ == CursorMode::kInsert) return E_FAIL;
    while (next_ != fids_.end()) {
      std::int64_t fid = *next_++;
      std::vector<Variant> values;
      HRESULT hr = core_->Read(fid, outputSr_.get(), values);
      if (hr == E_DATA_NO_ROW) continue;  // deleted since the cursor was opened
      if (FAILED(hr)) return hr;
      current_ = fid;
      *row = MakeRow(core_, table_.get(), fid, std::move(values)).Detach();
      return S_OK;
    }
    current_ = -1;
    return S_OK;  // the end: no row
  }
  HRESULT Update(IUnknown* row) {
    if (mode_ != CursorMode::kUpdate) return E_FAIL;
    auto data = QueryAs<IRowData>(row);
    if (!data) return E_POINTER;
    if (data->Core() != core_.get()) return E_INVALIDARG;
    std::int64_t fid = data->Fid() >= 0 ? data->Fid() : current_;
    if (fid < 0) return E_DATA_NO_ROW;
    return core_->Write(fid, data->Values());
  }
  HRESULT DeleteCurrent() {
    if (mode_ != CursorMode::kUpdate) return E_FAIL;
    if (current_ < 0) return E_DATA_NO_ROW;
    HRESULT hr = core_->DeleteRow(current_);
    current_ = -1;
    return hr;
  }
  HRESULT Insert(IUnknown* buffer, VARIANT* oid) {
    if (mode_ != CursorMode::kInsert) return E_FAIL;
    auto data = QueryAs<IRowData>(buffer);
    if (!data) return E_POINTER;
    if (data->Core() != core_.get()) return E_INVALIDARG;
    std::int64_t fid = -1;
    HRESULT hr = core_->Write(fid, data->Values());
    if (FAILED(hr)) return hr;
    if (oid) {
      VariantClear(oid);
      oid->vt = VT_I4;
      oid->lVal = static_cast<LONG>(fid);
    }
    return S_OK;
  }

  CorePtr core_;
  ComPtr<IUnknown> table_;
  CursorMode mode_ = CursorMode::kSearch;
  FidList fids_;
  FidList::const_iterator next_;
  std::int64_t current_ = -1;
  ComPtr<ISpatialReference> outputSr_;
};

class TableCursor : public CursorBase<TableCursor, ICursor> {
 public:
  HRESULT NextRow(IRow** row) override { return Next(row); }
  HRESULT UpdateRow(IRow* row) override { return Update(row); }
  HRESULT DeleteRow() override { return DeleteCurrent(); }
  HRESULT InsertRow(IRowBuffer* buffer, VARIANT* oid) override { return Insert(buffer, oid); }
};

class FeatureCursor : public CursorBase<FeatureCursor, IFeatureCursor, ICursor> {
 public:
  using IFeatureCursor::QueryInterface;
  HRESULT NextRow(IRow** row) override { return Next(row); }
  HRESULT UpdateRow(IRow* row) override { return Update(row); }
  HRESULT DeleteRow() override { return DeleteCurrent(); }
  HRESULT InsertRow(IRowBuffer* buffer, VARIANT* oid) override { return Insert(buffer, oid); }
  HRESULT NextFeature(IFeature** feature) override {
    if (!feature) return E_POINTER;
    *feature = nullptr;
    ComPtr<IRow> row;
    HRESULT hr = Next(row.put());
    if (FAILED(hr) || !row) return hr;
    return row->QueryInterface(IidOf<IFeature>(), reinterpret_cast<void**>(feature));
  }
  HRESULT UpdateFeature(IFeature* feature) override { return Update(feature); }
  HRESULT DeleteFeature() override { return DeleteCurrent(); }
  HRESULT InsertFeature(IFeatureBuffer* buffer, VARIANT* oid) override {
    return Insert(buffer, oid);
  }
};

template <class I>
ComPtr<I> MakeCursor(const CorePtr& core, IUnknown* table, CursorMode mode, FidList fids,
                     ISpatialReference* outputSr) {
  ComPtr<I> r;
  if (core->HasShape()) {
    ComObject<FeatureCursor>* c = nullptr;
    Check(ComObject<FeatureCursor>::Create(&c));
    c->Init(core, table, mode, std::move(fids), outputSr);
    r.Assign(static_cast<IFeatureCursor*>(c));
    c->Release();
  } else {
    ComObject<TableCursor>* c = nullptr;
    Check(ComObject<TableCursor>::Create(&c));
    c->Init(core, table, mode, std::move(fids), outputSr);
    r.Assign(static_cast<ICursor*>(c));
    c->Release();
  }
  if (!r) ThrowComError(E_NOINTERFACE);
  return r;
}

ComPtr<ISpatialReference> OutputReference(IQueryFilter* filter) {
  ComPtr<ISpatialReference> sr;
  if (filter) filter->get_OutputSpatialReference(sr.put());
  return sr;
}

// ---------------------------------------------------------------- selection sets

class SelectionSetObject : public ComObjectRoot<SelectionSetObject, ISelectionSet> {
 public:
  void Init(CorePtr core, IUnknown* table, const FidList& fids) {
    core_ = std::move(core);
    table_ = table;
    ids_.insert(fids.begin(), fids.end());
  }
  HRESULT get_Count(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(ids_.size());
    return S_OK;
  }
  HRESULT Add(LONG oid) override {
    ids_.insert(oid);
    return S_OK;
  }
  HRESULT Remove(LONG oid) override {
    ids_.erase(oid);
    return S_OK;
  }
  HRESULT get_IDs(IEnumIDs** ids) override;
  HRESULT get_Target(ITable** table) override {
    if (!table) return E_POINTER;
    *table = nullptr;
    return table_->QueryInterface(IidOf<ITable>(), reinterpret_cast<void**>(table));
  }
  HRESULT Search(IQueryFilter* filter, VARIANT_BOOL, ICursor** cursor) override {
    return Open(filter, CursorMode::kSearch, cursor);
  }
  HRESULT Update(IQueryFilter* filter, VARIANT_BOOL, ICursor** cursor) override {
    return Open(filter, CursorMode::kUpdate, cursor);
  }

 private:
  HRESULT Open(IQueryFilter* filter, CursorMode mode, ICursor** cursor) {
    if (!cursor) return E_POINTER;
    *cursor = nullptr;
    VELK_TRY
    FidList fids;
    if (filter) {
      FidList selected;
      HRESULT hr = core_->Select(filter, selected);
      if (FAILED(hr)) return hr;
      std::vector<std::int64_t> found(selected.begin(), selected.end());
      std::sort(found.begin(), found.end());
      std::set_intersection(ids_.begin(), ids_.end(), found.begin(), found.end(),
                            std::back_inserter(fids));
    } else {
      for (std::int64_t id : ids_) fids.push_back(id);
    }
    *cursor = MakeCursor<ICursor>(core_, table_.get(), mode, std::move(fids),
                                  OutputReference(filter).get())
                  .Detach();
    return S_OK;
    VELK_CATCH
  }
  CorePtr core_;
  ComPtr<IUnknown> table_;
  std::set<std::int64_t> ids_;
};

HRESULT SelectionSetObject::get_IDs(IEnumIDs** ids) {
  if (!ids) return E_POINTER;
  *ids = nullptr;
  VELK_TRY
  std::vector<LONG> v;
  for (auto id : ids_) v.push_back(static_cast<LONG>(id));
  // Past the last id, Next gives -1.
  *ids = MakeListEnum<IEnumIDs, LONG>(std::move(v), -1).Detach();
  return S_OK;
  VELK_CATCH
}

// ---------------------------------------------------------------- tables

template <class Derived, class... More>
class TableBase
    : public ComObjectRoot<Derived, ITable, IDataset, ISchemaLock, IDatasetSwap, ITableSource,
                           More...> {
 public:
  using ITable::QueryInterface;
  TableCore* Core() override { return core_.get(); }
  void Init(CorePtr core, IWorkspace* workspace, DatasetHost* host, std::wstring cacheKey) {
    core_ = std::move(core);
    workspace_ = workspace;
    host_ = host;
    cacheKey_ = std::move(cacheKey);
    lockKey_ = core_->LockKey();
    AcquireSharedLock(lockKey_, this);
  }
  void FinalRelease() {
    if (edit_.active && host_) {
      std::string why;
      host_->StopEdit(*core_, edit_, false, why);  // an edit never saved is thrown away
    }
    ReleaseLocks(lockKey_, this);
    if (host_) host_->ForgetDataset(cacheKey_, static_cast<ITable*>(this));
  }

  // ITable (and the same-named IFeatureClass methods)
  HRESULT get_Fields(IFields** fields) override { return core_->FieldsObject().CopyTo(fields); }
  HRESULT FindField(BSTR name, LONG* index) override {
    if (!index) return E_POINTER;
    *index = core_->FindField(BstrToWstring(name));
    return S_OK;
  }
  HRESULT get_HasOID(VARIANT_BOOL* has) override {
    if (!has) return E_POINTER;
    *has = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_OIDFieldName(BSTR* name) override { return OutText(name, core_->OidName()); }
  HRESULT AddField(IField* field) override {
    if (!field) return E_POINTER;
    if (!core_->Valid()) return E_DATA_NO_ROW;
    return core_->AddField(ReadFieldSpec(field), this);
  }
  HRESULT DeleteField(IField* field) override {
    if (!field) return E_POINTER;
    if (!core_->Valid()) return E_DATA_NO_ROW;
    Bstr name;
    field->get_Name(&name);
    return core_->DeleteField(name.str(), this);
  }
  HRESULT CreateRow(IRow** row) override {
    if (!row) return E_POINTER;
    *row = nullptr;
    VELK_TRY
    std::int64_t fid = -1;
    auto values = core_->NullValues();
    HRESULT hr = core_->Write(fid, values);
    if (FAILED(hr)) return hr;
    values[0] = Variant(static_cast<LONG>(fid));
    *row = MakeRow(core_, Self(), fid, std::move(values)).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT CreateRowBuffer(IRowBuffer** buffer) override {
    if (!buffer) return E_POINTER;
    *buffer = nullptr;
    VELK_TRY
    auto row = MakeRow(core_, Self(), -1, core_->NullValues());
    return row->QueryInterface(IidOf<IRowBuffer>(), reinterpret_cast<void**>(buffer));
    VELK_CATCH
  }
  HRESULT GetRow(LONG oid, IRow** row) override {
    if (!row) return E_POINTER;
    *row = nullptr;
    VELK_TRY
    std::vector<Variant> values;
    HRESULT hr = core_->Read(oid, nullptr, values);
    if (FAILED(hr)) return hr;
    *row = MakeRow(core_, Self(), oid, std::move(values)).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT RowCount(IQueryFilter* filter, LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    FidList fids;
    HRESULT hr = core_->Select(filter, fids);
    if (FAILED(hr)) return hr;
    *count = static_cast<LONG>(fids.size());
    return S_OK;
  }
  // A feature class answers these beside its own Search, Update and Insert, each through its
  // interface: the overloads are meant to stand side by side.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
  HRESULT Search(IQueryFilter* filter, VARIANT_BOOL, ICursor** cursor) override {
    return OpenCursor(filter, CursorMode::kSearch, cursor);
  }
  HRESULT Update(IQueryFilter* filter, VARIANT_BOOL, ICursor** cursor) override {
    return OpenCursor(filter, CursorMode::kUpdate, cursor);
  }
  HRESULT Insert(VARIANT_BOOL, ICursor** cursor) override {
    return OpenCursor(nullptr, CursorMode::kInsert, cursor);
  }
#ifdef __clang__
#pragma clang diagnostic pop
#endif
  HRESULT DeleteSearchedRows(IQueryFilter* filter) override {
    FidList fids;
    HRESULT hr = core_->Select(filter, fids);
    if (FAILED(hr)) return hr;
    core_->BeginBatch();
    for (auto fid : fids) {
      hr = core_->DeleteRow(fid);
      if (FAILED(hr) && hr != E_DATA_NO_ROW) break;
      hr = S_OK;
    }
    core_->EndBatch();
    return hr;
  }
  HRESULT Select(IQueryFilter* filter, LONG, LONG, IWorkspace*,
                 ISelectionSet** selection) override {
    if (!selection) return E_POINTER;
    *selection = nullptr;
    VELK_TRY
    FidList fids;
    HRESULT hr = core_->Select(filter, fids);
    if (FAILED(hr)) return hr;
    ComObject<SelectionSetObject>* s = nullptr;
    hr = ComObject<SelectionSetObject>::Create(&s);
    if (FAILED(hr)) return hr;
    s->Init(core_, Self(), fids);
    *selection = s;
    return S_OK;
    VELK_CATCH
  }

  // IDataset
  HRESULT get_Name(BSTR* name) override { return OutText(name, core_->Name()); }
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = core_->HasShape() ? kDatasetFeatureClass : kDatasetTable;
    return S_OK;
  }
  HRESULT get_Workspace(IWorkspace** workspace) override { return workspace_.CopyTo(workspace); }
  HRESULT get_FullName(IName** name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    VELK_TRY
    *name = host_
                ->DatasetFullName(core_->Name(),
                                  core_->HasShape() ? kDatasetFeatureClass : kDatasetTable)
                .Detach();
    return *name ? S_OK : E_FAIL;
    VELK_CATCH
  }
  HRESULT CanDelete(VARIANT_BOOL* can) override {
    if (!can) return E_POINTER;
    *can = ToVariantBool(core_->Valid() && core_->Writable());
    return S_OK;
  }
  HRESULT Delete() override {
    if (!core_->Valid()) return E_DATA_NOT_FOUND;
    if (LockedByOther(lockKey_, this)) return E_DATA_SCHEMA_LOCKED;
    return host_->DeleteDataset(*core_);
  }
  HRESULT CanRename(VARIANT_BOOL* can) override { return CanDelete(can); }
  HRESULT Rename(BSTR name) override {
    if (!core_->Valid()) return E_DATA_NOT_FOUND;
    if (LockedByOther(lockKey_, this)) return E_DATA_SCHEMA_LOCKED;
    HRESULT hr = host_->RenameDataset(*core_, BstrToWstring(name));
    if (SUCCEEDED(hr) && core_->LockKey() != lockKey_) {
      ReleaseLocks(lockKey_, this);
      lockKey_ = core_->LockKey();
      AcquireSharedLock(lockKey_, this);
    }
    return hr;
  }

  // IDatasetSwap
  HRESULT StartEdit(ITable** working) override {
    if (!working) return E_POINTER;
    *working = nullptr;
    failure_.clear();
    if (!core_->Valid()) return E_DATA_NOT_FOUND;
    if (edit_.active) return E_FAIL;
    if (!core_->Writable()) {
      failure_ = "the data cannot be written";
      return E_DATA_WRITE_FAILED;
    }
    // The copy replaces the dataset: only one that nobody else has open may be edited.
    const LONG held = CurrentLock(lockKey_, this);
    if (!ChangeLock(lockKey_, this, kSchemaLockExclusive)) {
      failure_ = "the data is in use";
      return E_DATA_SCHEMA_LOCKED;
    }
    ChangeLock(lockKey_, this, held == kSchemaLockExclusive ? held : kSchemaLockShared);
    VELK_TRY
    HRESULT hr = host_->StartEdit(*core_, edit_, failure_);
    if (FAILED(hr)) return hr;
    edit_.active = true;
    if (!edit_.object)
      return Self()->QueryInterface(IidOf<ITable>(), reinterpret_cast<void**>(working));
    return edit_.object->QueryInterface(IidOf<ITable>(), reinterpret_cast<void**>(working));
    VELK_CATCH
  }
  HRESULT StopEdit(VARIANT_BOOL save) override {
    failure_.clear();
    if (!edit_.active) return E_FAIL;
    VELK_TRY
    edit_.active = false;
    return host_->StopEdit(*core_, edit_, save != VARIANT_FALSE, failure_);
    VELK_CATCH
  }
  HRESULT TakeName(BSTR name, VARIANT_BOOL replace) override {
    failure_.clear();
    if (!core_->Valid()) return E_DATA_NOT_FOUND;
    if (LockedByOther(lockKey_, this)) return E_DATA_SCHEMA_LOCKED;
    VELK_TRY
    HRESULT hr = host_->TakeName(*core_, BstrToWstring(name), replace != VARIANT_FALSE, failure_);
    if (SUCCEEDED(hr) && core_->LockKey() != lockKey_) {
      ReleaseLocks(lockKey_, this);
      lockKey_ = core_->LockKey();
      AcquireSharedLock(lockKey_, this);
    }
    return hr;
    VELK_CATCH
  }
  HRESULT get_LastFailure(BSTR* text) override {
    if (!text) return E_POINTER;
    *text = AllocBstr(velk::FromUtf8(failure_.empty() && host_ ? host_->WriteProblem() : failure_));
    return S_OK;
  }

  // ISchemaLock
  HRESULT ChangeSchemaLock(LONG kind) override {
    if (kind != kSchemaLockShared && kind != kSchemaLockExclusive) return E_INVALIDARG;
    if (kind == kSchemaLockExclusive && (!core_->Valid() || !core_->Writable()))
      return E_DATA_SCHEMA_LOCKED;
    return ChangeLock(lockKey_, this, kind) ? S_OK : E_DATA_SCHEMA_LOCKED;
  }
  HRESULT get_CurrentSchemaLock(LONG* kind) override {
    if (!kind) return E_POINTER;
    *kind = CurrentLock(lockKey_, this);
    return S_OK;
  }

 protected:
  IUnknown* Self() { return static_cast<ITable*>(this); }
  template <class I>
  HRESULT OpenCursor(IQueryFilter* filter, CursorMode mode, I** cursor) {
    if (!cursor) return E_POINTER;
    *cursor = nullptr;
    if (!core_->Valid()) return E_DATA_NOT_FOUND;
    if (mode != CursorMode::kSearch && !core_->Writable()) return E_DATA_WRITE_FAILED;
    VELK_TRY
    FidList fids;
    if (mode != CursorMode::kInsert) {
      HRESULT hr = core_->Select(filter, fids);
      if (FAILED(hr)) return hr;
    }
    *cursor =
        MakeCursor<I>(core_, Self(), mode, std::move(fids), OutputReference(filter).get()).Detach();
    return S_OK;
    VELK_CATCH
  }

  CorePtr core_;
  ComPtr<IWorkspace> workspace_;
  DatasetHost* host_ = nullptr;
  std::wstring cacheKey_;
  std::string lockKey_;
  DatasetEdit edit_;
  std::string failure_;
};

class TableObject : public TableBase<TableObject> {};

class FeatureClassObject : public TableBase<FeatureClassObject, IFeatureClass, IGeoDataset> {
 public:
  using TableBase::Insert;
  using TableBase::Search;
  using TableBase::Update;
  HRESULT get_ShapeType(LONG* type) override {
    if (!type) return E_POINTER;
    *type = core_->ShapeType();
    return S_OK;
  }
  HRESULT get_ShapeFieldName(BSTR* name) override { return OutText(name, core_->ShapeName()); }
  HRESULT get_FeatureType(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kFeatureTypeSimple;
    return S_OK;
  }
  HRESULT CreateFeature(IFeature** feature) override {
    if (!feature) return E_POINTER;
    *feature = nullptr;
    ComPtr<IRow> row;
    HRESULT hr = CreateRow(row.put());
    if (FAILED(hr)) return hr;
    return row->QueryInterface(IidOf<IFeature>(), reinterpret_cast<void**>(feature));
  }
  HRESULT CreateFeatureBuffer(IFeatureBuffer** buffer) override {
    if (!buffer) return E_POINTER;
    *buffer = nullptr;
    ComPtr<IRowBuffer> b;
    HRESULT hr = CreateRowBuffer(b.put());
    if (FAILED(hr)) return hr;
    return b->QueryInterface(IidOf<IFeatureBuffer>(), reinterpret_cast<void**>(buffer));
  }
  HRESULT GetFeature(LONG oid, IFeature** feature) override {
    if (!feature) return E_POINTER;
    *feature = nullptr;
    ComPtr<IRow> row;
    HRESULT hr = GetRow(oid, row.put());
    if (FAILED(hr)) return hr;
    return row->QueryInterface(IidOf<IFeature>(), reinterpret_cast<void**>(feature));
  }
  HRESULT FeatureCount(IQueryFilter* filter, LONG* count) override {
    return RowCount(filter, count);
  }
  HRESULT Search(IQueryFilter* filter, VARIANT_BOOL, IFeatureCursor** cursor) override {
    return OpenCursor(filter, CursorMode::kSearch, cursor);
  }
  HRESULT Update(IQueryFilter* filter, VARIANT_BOOL, IFeatureCursor** cursor) override {
    return OpenCursor(filter, CursorMode::kUpdate, cursor);
  }
  HRESULT Insert(VARIANT_BOOL, IFeatureCursor** cursor) override {
    return OpenCursor(nullptr, CursorMode::kInsert, cursor);
  }

  // IGeoDataset
  HRESULT get_SpatialReference(ISpatialReference** sr) override {
    if (!sr) return E_POINTER;
    *sr = core_->SpatialReference();
    if (*sr) (*sr)->AddRef();
    return S_OK;
  }
  HRESULT get_Extent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    VELK_TRY
    auto env = NewEnvelope();
    env->put_SpatialReference(core_->SpatialReference());
    OGREnvelope e;
    // The extent of the shapes themselves: a shapefile's header also counts rows stored
    // before they had a shape as lying at the origin.
    if (core_->Valid() && core_->Layer()->OGRLayer::GetExtent(&e, TRUE) == OGRERR_NONE)
      env->PutCoords(e.MinX, e.MinY, e.MaxX, e.MaxY);
    *extent = env.Detach();
    return S_OK;
    VELK_CATCH
  }
};

// ---------------------------------------------------------------- filters

template <class Derived, class Leaf>
class FilterBase : public ComObjectRoot<Derived, Leaf> {
 public:
  HRESULT get_WhereClause(BSTR* clause) override { return OutText(clause, where_); }
  HRESULT put_WhereClause(BSTR clause) override {
    where_ = BstrToWstring(clause);
    return S_OK;
  }
  HRESULT get_SubFields(BSTR* fields) override { return OutText(fields, subFields_); }
  HRESULT put_SubFields(BSTR fields) override {
    subFields_ = BstrToWstring(fields);
    return S_OK;
  }
  HRESULT get_OutputSpatialReference(ISpatialReference** sr) override {
    return outputSr_.CopyTo(sr);
  }
  HRESULT putref_OutputSpatialReference(ISpatialReference* sr) override {
    outputSr_ = sr;
    return S_OK;
  }

 protected:
  std::wstring where_;
  std::wstring subFields_ = L"*";
  ComPtr<ISpatialReference> outputSr_;
};

class QueryFilterObject : public FilterBase<QueryFilterObject, IQueryFilter> {};

class SpatialFilterObject : public FilterBase<SpatialFilterObject, ISpatialFilter> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    return Answer<IQueryFilter, ISpatialFilter>(this, riid, ppv) ? S_OK : E_NOINTERFACE;
  }
  HRESULT get_Geometry(IGeometry** g) override { return geometry_.CopyTo(g); }
  HRESULT putref_Geometry(IGeometry* g) override {
    geometry_ = g;
    return S_OK;
  }
  HRESULT get_GeometryField(BSTR* name) override { return OutText(name, field_); }
  HRESULT put_GeometryField(BSTR name) override {
    field_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_SpatialRel(LONG* rel) override {
    if (!rel) return E_POINTER;
    *rel = rel_;
    return S_OK;
  }
  HRESULT put_SpatialRel(LONG rel) override {
    rel_ = rel;
    return S_OK;
  }

 private:
  ComPtr<IGeometry> geometry_;
  std::wstring field_;
  LONG rel_ = kSpatialRelIntersects;
};

}  // namespace

ComPtr<IUnknown> MakeTableObject(std::shared_ptr<TableCore> core, IWorkspace* workspace,
                                 DatasetHost* host, std::wstring cacheKey) {
  ComPtr<IUnknown> r;
  if (core->HasShape()) {
    ComObject<FeatureClassObject>* t = nullptr;
    Check(ComObject<FeatureClassObject>::Create(&t));
    t->Init(std::move(core), workspace, host, std::move(cacheKey));
    r.Assign(static_cast<ITable*>(t));
    t->Release();
  } else {
    ComObject<TableObject>* t = nullptr;
    Check(ComObject<TableObject>::Create(&t));
    t->Init(std::move(core), workspace, host, std::move(cacheKey));
    r.Assign(static_cast<ITable*>(t));
    t->Release();
  }
  return r;
}

HRESULT CreateQueryFilterObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<QueryFilterObject>(outer, riid, ppv);
}
HRESULT CreateSpatialFilterObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<SpatialFilterObject>(outer, riid, ppv);
}

}  // namespace velk::host
