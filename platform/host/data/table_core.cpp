#include "platform/host/data/table_core.h"

#include "platform/host/data/query_log.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <fstream>
#include <functional>
#include <iterator>

#include <ogrsf_frmts.h>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset_files.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/multipatch.h"
#include "platform/host/data/multipatch_records.h"
#include "platform/host/data/schema_locks.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {

std::string FileWithExtension(GDALDataset* ds, const char* ext) {
  std::string found;
  if (char** list = ds->GetFileList()) {
    for (char** f = list; *f; ++f) {
      std::string name = *f;
      if (name.size() > 4 && EQUAL(name.c_str() + name.size() - 4, ext)) found = name;
    }
    CSLDestroy(list);
  }
  return found;
}

TableCore::TableCore(DatasetPtr source, OGRLayer* layer, std::wstring name, std::string lockKey,
                     bool dbase)
    : source_(std::move(source)),
      layer_(layer),
      name_(std::move(name)),
      lockKey_(std::move(lockKey)),
      dbase_(dbase) {
  Reload();
}

TableCore::~TableCore() {
  EndBatch();
  RepairExtent();
}

void TableCore::RepairExtent() {
  Settle();
  if (!extentSuspect_ || !layer_ || !Writable()) return;
  OGREnvelope e;
  if (layer_->OGRLayer::GetExtent(&e, TRUE) != OGRERR_NONE) return;  // still no shape
  std::string sql = "RECOMPUTE EXTENT ON " + std::string(layer_->GetName());
  CPLPushErrorHandler(CPLQuietErrorHandler);
  source_->get()->ExecuteSQL(sql.c_str(), nullptr, nullptr);
  CPLPopErrorHandler();
  extentSuspect_ = false;
}

void TableCore::Reload() {
  if (writer_) writer_->Release();
  fields_.clear();
  shapeIndex_ = -1;
  if (!layer_) return;
  dbaseFile_ = dbase_ && source_ && source_->get() ? FileWithExtension(source_->get(), ".dbf")
                                                   : std::string();
  OGRFeatureDefn* defn = layer_->GetLayerDefn();
  const char* fidColumn = layer_->GetFIDColumn();
  oidName_ = fidColumn && *fidColumn ? FromUtf8(fidColumn) : L"FID";
  TableField oid;
  oid.role = TableField::Role::kOid;
  oid.spec.name = oidName_;
  oid.spec.type = kFieldOID;
  oid.spec.length = 4;
  oid.spec.nullable = false;
  fields_.push_back(oid);

  OGRwkbGeometryType gtype = layer_->GetGeomType();
  if (gtype != wkbNone && defn->GetGeomFieldCount() > 0) {
    const char* gcol = layer_->GetGeometryColumn();
    shapeName_ = gcol && *gcol ? FromUtf8(gcol) : L"Shape";
    shapeType_ = ShapeTypeOf(gtype);
    hasZ_ = OGR_GT_HasZ(gtype) != 0;
    hasM_ = OGR_GT_HasM(gtype) != 0;
    // GDAL reports a multipatch shapefile as of any kind; its header tells.
    if (dbase_ && shapeType_ == kGeometryAny && source_ && source_->get() &&
        ShapefileHeaderType(FileWithExtension(source_->get(), ".shp")) == kShpMultiPatch) {
      shapeType_ = kGeometryMultiPatch;
      hasZ_ = hasM_ = true;
    }
    sr_ = WrapSrs(layer_->GetSpatialRef());
    TableField shape;
    shape.role = TableField::Role::kShape;
    shape.spec.name = shapeName_;
    shape.spec.type = kFieldGeometry;
    shape.spec.geometryType = shapeType_;
    shape.spec.hasZ = hasZ_;
    shape.spec.hasM = hasM_;
    shape.spec.sr = sr_;
    shapeIndex_ = static_cast<LONG>(fields_.size());
    fields_.push_back(shape);
  } else {
    shapeType_ = kGeometryNull;
  }

  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    OGRFieldDefn* fd = defn->GetFieldDefn(i);
    TableField f;
    f.ogrIndex = i;
    f.spec.name = FromUtf8(fd->GetNameRef());
    f.spec.nullable = fd->IsNullable() != 0;
    switch (fd->GetType()) {
      case OFTInteger:
        f.spec.type = fd->GetSubType() == OFSTInt16 ? kFieldSmallInteger : kFieldInteger;
        f.spec.length = f.spec.type == kFieldSmallInteger ? 2 : 4;
        f.spec.precision = fd->GetWidth();
        break;
      case OFTInteger64:
        f.spec.type = kFieldDouble;  // wider than the host's 32-bit integers
        f.spec.length = 8;
        f.spec.precision = fd->GetWidth();
        break;
      case OFTReal:
        f.spec.type = fd->GetSubType() == OFSTFloat32 ? kFieldSingle : kFieldDouble;
        f.spec.length = f.spec.type == kFieldSingle ? 4 : 8;
        f.spec.precision = fd->GetWidth();
        f.spec.scale = fd->GetPrecision();
        break;
      case OFTDate:
      case OFTDateTime:
      case OFTTime:
        f.spec.type = kFieldDate;
        f.spec.length = 8;
        break;
      case OFTBinary: f.spec.type = kFieldBlob; break;
      default:
        f.spec.type = kFieldString;
        f.spec.length = fd->GetWidth() > 0 ? fd->GetWidth() : 0;
        break;
    }
    fields_.push_back(f);
  }
  std::vector<FieldSpec> specs;
  for (const auto& f : fields_) specs.push_back(f.spec);
  fieldsObject_ = MakeFields(specs);
}

LONG TableCore::FindField(std::wstring_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (SameFieldName(fields_[i].spec.name, name)) return static_cast<LONG>(i);
  return -1;
}

std::vector<Variant> TableCore::NullValues() const {
  std::vector<Variant> v(fields_.size());
  for (auto& x : v) x.vt = VT_NULL;
  return v;
}

namespace {

ComPtr<IGeometry> ShapeFromOgr(const OGRGeometry* g, const TableCore& core) {
  if (!g) return nullptr;
  GeomData d;
  LONG want = core.ShapeType() >= kGeometryPoint && core.ShapeType() <= kGeometryPolygon
                  ? core.ShapeType()
                  : kGeometryNull;
  if (!FromOgr(*g, want, d)) return nullptr;
  d.sr = core.SpatialReference();
  d.zAware = core.HasZ();
  d.mAware = core.HasM();
  return MakeGeometry(std::move(d));
}

}  // namespace

HRESULT TableCore::Read(std::int64_t fid, ISpatialReference* outputSr,
                        std::vector<Variant>& values) const {
  // Rows queued for the files are read once there; the others are on file as they are.
  if (writer_ && writer_->Waiting(fid)) const_cast<TableCore*>(this)->Settle();
  if (!layer_) return E_DATA_NO_ROW;
  CPLErrorReset();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<OGRFeature> f(layer_->GetFeature(fid));
  CPLPopErrorHandler();
  // A row the file cannot give back (cut short, unreadable) is not a missing row.
  if (!f) return CPLGetLastErrorType() >= CE_Failure ? E_DATA_UNREADABLE : E_DATA_NO_ROW;
  values = NullValues();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const TableField& tf = fields_[i];
    Variant& v = values[i];
    switch (tf.role) {
      case TableField::Role::kOid: v = Variant(static_cast<LONG>(f->GetFID())); break;
      case TableField::Role::kShape: {
        ComPtr<IGeometry> shape = IsPatchFile() ? ReadPatch(fid) : ShapeFromOgr(f->GetGeometryRef(), *this);
        if (shape) {
          if (outputSr && SrsOf(outputSr) && SrsOf(sr_.get()))
            shape->Project(outputSr);  // kept as stored on failure
          v = Variant(static_cast<IUnknown*>(shape.get()));
        }
        break;
      }
      case TableField::Role::kAttribute: {
        int k = tf.ogrIndex;
        if (!f->IsFieldSetAndNotNull(k)) break;
        switch (tf.spec.type) {
          case kFieldSmallInteger: v = Variant(static_cast<SHORT>(f->GetFieldAsInteger(k))); break;
          case kFieldInteger: v = Variant(static_cast<LONG>(f->GetFieldAsInteger(k))); break;
          case kFieldSingle: v = Variant(static_cast<float>(f->GetFieldAsDouble(k))); break;
          case kFieldDouble: v = Variant(f->GetFieldAsDouble(k)); break;
          case kFieldDate: {
            int y = 0, mo = 0, d = 0, h = 0, mi = 0, tz = 0;
            float s = 0;
            if (f->GetFieldAsDateTime(k, &y, &mo, &d, &h, &mi, &s, &tz)) {
              v.vt = VT_DATE;
              v.date = DateFromParts(y, mo, d, h, mi, s);
            }
            break;
          }
          case kFieldBlob: break;  // not carried in row values here
          default: v = Variant(FromUtf8(f->GetFieldAsString(k))); break;
        }
        break;
      }
    }
  }
  return S_OK;
}

HRESULT TableCore::Coerce(LONG index, const VARIANT& in, Variant& out) const {
  if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
  const TableField& tf = fields_[index];
  if (tf.role == TableField::Role::kOid) return E_DATA_FIELD_NOT_EDITABLE;
  VARTYPE vt = in.vt & ~VT_BYREF;
  if (vt == VT_NULL || vt == VT_EMPTY) {
    out = Variant();
    out.vt = VT_NULL;
    return S_OK;
  }
  if (tf.role == TableField::Role::kShape) {
    if (vt != VT_UNKNOWN && vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    Variant copy;
    HRESULT hr = VariantCopyInd(&copy, &in);
    if (FAILED(hr)) return hr;
    if (!QueryAs<IGeometry>(copy.punkVal)) return DISP_E_TYPEMISMATCH;
    out = std::move(copy);
    return S_OK;
  }
  VARTYPE target = VT_BSTR;
  switch (tf.spec.type) {
    case kFieldSmallInteger: target = VT_I2; break;
    case kFieldInteger: target = VT_I4; break;
    case kFieldSingle: target = VT_R4; break;
    case kFieldDouble: target = VT_R8; break;
    case kFieldDate: target = VT_DATE; break;
    case kFieldBlob: return DISP_E_TYPEMISMATCH;
    default: target = VT_BSTR; break;
  }
  Variant converted;
  HRESULT hr = VariantChangeType(&converted, &in, 0, target);
  if (FAILED(hr)) return hr;
  out = std::move(converted);
  return S_OK;
}

namespace {

// The shape as the class stores it: the class's kind, projected into its reference.
HRESULT PrepareShape(const TableCore& core, IUnknown* value, std::unique_ptr<OGRGeometry>& out) {
  GeomData* src = DataOf(value);
  if (!src) return DISP_E_TYPEMISMATCH;
  GeomData d = *src;
  if (d.IsEmpty()) return S_OK;
  LONG want = core.ShapeType();
  if (want >= kGeometryPoint && want <= kGeometryPolygon && d.type != want) {
    if (want == kGeometryMultipoint && d.type == kGeometryPoint)
      d.type = kGeometryMultipoint;
    else
      return E_DATA_GEOMETRY_MISMATCH;
  }
  if (SrsOf(d.sr.get()) && SrsOf(core.SpatialReference()) &&
      !SameReference(d.sr.get(), core.SpatialReference())) {
    if (FAILED(ProjectData(d, core.SpatialReference()))) return E_DATA_PROJECTION_FAILED;
  }
  std::unique_ptr<OGRGeometry> g = ToOgr(d);
  if (!g) return S_OK;
  g->set3D(core.HasZ() ? TRUE : FALSE);
  g->setMeasured(core.HasM() ? TRUE : FALSE);
  OGRwkbGeometryType layerType = core.Layer()->GetGeomType();
  if (wkbFlatten(layerType) != wkbUnknown &&
      wkbFlatten(layerType) != wkbFlatten(g->getGeometryType()) &&
      OGR_GT_IsSubClassOf(wkbFlatten(layerType), wkbGeometryCollection))
    g.reset(OGRGeometryFactory::forceTo(g.release(), layerType));
  out = std::move(g);
  return S_OK;
}

// dBASE keeps numbers as text of a fixed width: the length of "%.*f", taken without printf.
bool FitsDbaseNumber(double value, int width, int decimals) {
  if (width <= 0) return true;
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return r.ec == std::errc() && r.ptr - buf <= width;
}

// A value of a date field as calendar parts.
struct DateParts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0.0;
};
HRESULT DatePartsOf(const VARIANT& v, DateParts& out) {
  Variant n;
  HRESULT hr = VariantChangeType(&n, &v, 0, VT_DATE);
  if (FAILED(hr)) return hr;
  PartsFromDate(n.date, out.year, out.month, out.day, out.hour, out.minute, out.second);
  return S_OK;
}

}  // namespace

HRESULT TableCore::Write(std::int64_t& fid, const std::vector<Variant>& values) {
  return Writer().Write(fid, values);
}

TableWriter& TableCore::Writer() {
  if (!writer_) writer_ = ChooseTableWriter(*this, inBatch_);
  return *writer_;
}

void TableCore::DropWriter() {
  if (!writer_) return;
  writer_->Finish();
  writer_.reset();
}

HRESULT TableCore::CheckWritable() const {
  if (!layer_) return E_DATA_NO_ROW;
  if (!Writable()) return E_DATA_WRITE_FAILED;
  return S_OK;
}

HRESULT TableCore::FillFeature(std::int64_t fid, const std::vector<Variant>& values, OGRFeature& f,
                               GeomData& patch, bool& withPatch) {
  if (fid >= 0) f.SetFID(fid);
  // A multipatch goes into its record after GDAL wrote the row without it.
  for (std::size_t i = 0; i < fields_.size() && i < values.size(); ++i) {
    const TableField& tf = fields_[i];
    const Variant& v = values[i];
    bool isNull = v.vt == VT_NULL || v.vt == VT_EMPTY;
    if (tf.role == TableField::Role::kOid) continue;
    if (tf.role == TableField::Role::kShape && IsPatchFile()) {
      if (isNull) continue;
      const GeomData* d = DataOf(v.punkVal);
      if (!d) return DISP_E_TYPEMISMATCH;
      if (d->IsEmpty()) continue;
      if (d->type != kGeometryMultiPatch) return E_DATA_GEOMETRY_MISMATCH;
      patch = *d;
      if (SrsOf(patch.sr.get()) && SrsOf(sr_.get()) && !SameReference(patch.sr.get(), sr_.get()))
        if (FAILED(ProjectData(patch, sr_.get()))) return E_DATA_PROJECTION_FAILED;
      withPatch = true;
      continue;
    }
    if (tf.role == TableField::Role::kShape) {
      if (isNull) continue;
      std::unique_ptr<OGRGeometry> g;
      HRESULT hr = PrepareShape(*this, v.punkVal, g);
      if (FAILED(hr)) return hr;
      if (g) f.SetGeometryDirectly(g.release());
      continue;
    }
    int k = tf.ogrIndex;
    if (isNull) {
      f.SetFieldNull(k);
      continue;
    }
    OGRFieldDefn* fd = layer_->GetLayerDefn()->GetFieldDefn(k);
    switch (tf.spec.type) {
      case kFieldSmallInteger:
      case kFieldInteger: {
        Variant n;
        HRESULT hr = VariantChangeType(&n, &v, 0, VT_I4);
        if (FAILED(hr)) return hr;
        if (dbase_ && !FitsDbaseNumber(n.lVal, fd->GetWidth(), 0)) return E_DATA_VALUE_TOO_LONG;
        f.SetField(k, static_cast<int>(n.lVal));
        break;
      }
      case kFieldSingle:
      case kFieldDouble: {
        Variant n;
        HRESULT hr = VariantChangeType(&n, &v, 0, VT_R8);
        if (FAILED(hr)) return hr;
        if (!std::isfinite(n.dblVal)) return E_DATA_VALUE_TOO_LONG;
        if (dbase_ && fd->GetWidth() > 0 &&
            !FitsDbaseNumber(n.dblVal, fd->GetWidth(), fd->GetPrecision()))
          return E_DATA_VALUE_TOO_LONG;
        f.SetField(k, n.dblVal);
        break;
      }
      case kFieldDate: {
        DateParts t;
        HRESULT hr = DatePartsOf(v, t);
        if (FAILED(hr)) return hr;
        f.SetField(k, t.year, t.month, t.day, t.hour, t.minute, static_cast<float>(t.second), 0);
        break;
      }
      case kFieldBlob: return DISP_E_TYPEMISMATCH;
      default: {
        Variant t;
        HRESULT hr = VariantChangeType(&t, &v, 0, VT_BSTR);
        if (FAILED(hr)) return hr;
        std::string text = ToUtf8(BstrToWstring(t.bstrVal));
        if (fd->GetWidth() > 0 && static_cast<int>(text.size()) > fd->GetWidth())
          return E_DATA_VALUE_TOO_LONG;
        f.SetField(k, text.c_str());
        break;
      }
    }
  }
  return S_OK;
}

HRESULT TableCore::WriteFeature(std::int64_t fid, OGRFeature& f) {
  if (dbase_ && fid < 0 && HasShape() && !f.GetGeometryRef() && !extentSuspect_ &&
      !IsPatchFile()) {
    extentSuspect_ = layer_->GetFeatureCount(FALSE) == 0;  // the first row, and without a shape
  }
  CPLPushErrorHandler(CPLQuietErrorHandler);
  if (fid < 0) dbaseEndDirty_ = true;
  OGRErr err = fid >= 0 ? layer_->SetFeature(&f) : layer_->CreateFeature(&f);
  CPLPopErrorHandler();
  if (err == OGRERR_NON_EXISTING_FEATURE) return E_DATA_NO_ROW;
  if (err != OGRERR_NONE) return E_DATA_WRITE_FAILED;
  return S_OK;
}

void TableCore::EndRow() {
  if (!inBatch_) Sync();
}

bool TableCore::IsPatchFile() const { return dbase_ && shapeType_ == kGeometryMultiPatch; }

HRESULT TableCore::WriteFilesPastGdal(const std::function<bool()>& write) {
  source_->Close();
  layer_ = nullptr;
  const bool written = write();
  if (!source_->Reopen() || source_->get()->GetLayerCount() < 1) {
    fields_.clear();
    return E_DATA_WRITE_FAILED;
  }
  layer_ = source_->get()->GetLayer(0);
  Reload();
  return written ? S_OK : E_DATA_WRITE_FAILED;
}

ComPtr<IGeometry> TableCore::ReadPatch(std::int64_t fid) const {
  GDALDataset* ds = source_ ? source_->get() : nullptr;
  if (!ds) return nullptr;
  GeomData d;
  if (!ReadMultipatchRecord(FileWithExtension(ds, ".shp"), FileWithExtension(ds, ".shx"),
                            static_cast<long>(fid), d))
    return nullptr;
  d.sr = sr_;
  return MakeGeometry(std::move(d));
}

HRESULT TableCore::DeleteRow(std::int64_t fid) {
  if (writer_) writer_->Stop();
  if (!layer_) return E_DATA_NO_ROW;
  if (!Writable()) return E_DATA_WRITE_FAILED;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRErr err = layer_->DeleteFeature(fid);
  CPLPopErrorHandler();
  if (err == OGRERR_NON_EXISTING_FEATURE) return E_DATA_NO_ROW;
  if (err != OGRERR_NONE) return E_DATA_WRITE_FAILED;
  if (!inBatch_) Sync();
  return S_OK;
}

HRESULT TableCore::Select(IQueryFilter* filter, FidList& fids) const {
  const_cast<TableCore*>(this)->Settle();
  fids.clear();
  if (!layer_) return E_DATA_NO_ROW;
  std::string where;
  GeomData filterShape;
  bool spatial = false;
  LONG relation = kSpatialRelIntersects;
  if (filter) {
    Bstr clause;
    filter->get_WhereClause(&clause);
    where = ToUtf8(clause.str());
    QueryLog::Record(clause.str());
    if (auto sf = QueryAs<ISpatialFilter>(filter)) {
      ComPtr<IGeometry> g;
      sf->get_Geometry(g.put());
      if (GeomData* d = DataOf(g.get())) {
        spatial = true;
        filterShape = *d;
        sf->get_SpatialRel(&relation);
        if (!HasShape()) return E_INVALIDARG;
        if (SrsOf(filterShape.sr.get()) && SrsOf(sr_.get()) &&
            !SameReference(filterShape.sr.get(), sr_.get()) &&
            FAILED(ProjectData(filterShape, sr_.get())))
          return E_DATA_PROJECTION_FAILED;
      }
    }
  }
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRErr err = layer_->SetAttributeFilter(where.empty() ? nullptr : where.c_str());
  CPLPopErrorHandler();
  if (err != OGRERR_NONE) {
    layer_->SetAttributeFilter(nullptr);
    return E_DATA_INVALID_WHERE;
  }
  std::unique_ptr<OGRGeometry> fg = spatial ? ToOgr(filterShape) : nullptr;
  OGREnvelope fenv;
  if (fg) fg->getEnvelope(&fenv);
  // The format's spatial index (a GeoPackage's R-tree) narrows the rows to those whose
  // envelopes meet the filter's; the exact relation is tested below.
  if (fg) layer_->SetSpatialFilterRect(fenv.MinX, fenv.MinY, fenv.MaxX, fenv.MaxY);
  layer_->ResetReading();
  CPLErrorReset();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  while (OGRFeature* raw = layer_->GetNextFeature()) {
    std::unique_ptr<OGRFeature> f(raw);
    if (spatial) {
      const OGRGeometry* g = f->GetGeometryRef();
      if (!g || !fg || g->IsEmpty()) continue;
      OGREnvelope env;
      g->getEnvelope(&env);
      if (!env.Intersects(fenv)) continue;
      bool keep = true;
      switch (relation) {
        case kSpatialRelEnvelopeIntersects: keep = true; break;
        case kSpatialRelTouches: keep = g->Touches(fg.get()); break;
        case kSpatialRelOverlaps: keep = g->Overlaps(fg.get()); break;
        case kSpatialRelCrosses: keep = g->Crosses(fg.get()); break;
        case kSpatialRelWithin: keep = g->Within(fg.get()); break;
        case kSpatialRelContains: keep = g->Contains(fg.get()); break;
        default: keep = g->Intersects(fg.get()); break;
      }
      if (!keep) continue;
    }
    fids.push_back(f->GetFID());
  }
  CPLPopErrorHandler();
  // The rows end where the file could not be read any further: not the end of the table.
  const bool readFailed = CPLGetLastErrorType() >= CE_Failure;
  layer_->SetAttributeFilter(nullptr);
  if (fg) layer_->SetSpatialFilter(nullptr);
  layer_->ResetReading();
  if (readFailed) {
    fids.clear();
    return E_DATA_UNREADABLE;
  }
  return S_OK;
}

HRESULT TableCore::AddField(const FieldSpec& spec, const void* lockHolder) {
  Settle();
  if (!layer_) return E_DATA_NO_ROW;
  if (FindField(spec.name) >= 0) return E_DATA_INVALID_NAME;
  HRESULT hr = CheckFieldForFormat(spec, dbase_);
  if (FAILED(hr)) return hr;
  if (LockedByOther(lockKey_, lockHolder)) return E_DATA_SCHEMA_LOCKED;
  if (!Writable()) return E_DATA_WRITE_FAILED;
  if (writer_) writer_->Release();
  if (dbase_ && !dbaseFile_.empty() && layer_->GetFeatureCount(FALSE) > 0)
    return AddDbaseField(spec);
  hr = CreateOgrField(layer_, spec, dbase_);
  if (FAILED(hr)) return hr;
  dbaseEndDirty_ = true;  // the records were written again, wider
  Sync();
  Reload();
  return S_OK;
}

HRESULT TableCore::AddDbaseField(const FieldSpec& spec) {
  Sync();
  // GDAL adds the field to the header alone (a copy without records, in memory), so the
  // descriptor, lengths and date are its own.
  std::string header;
  {
    std::ifstream in(dbaseFile_, std::ios::binary);
    header.resize(32);
    if (!in.read(header.data(), 32)) return E_DATA_WRITE_FAILED;
    header.resize(static_cast<unsigned char>(header[8]) |
                  static_cast<unsigned char>(header[9]) << 8);
    if (header.size() < 33 || !in.read(header.data() + 32, static_cast<std::streamsize>(header.size() - 32)))
      return E_DATA_WRITE_FAILED;
  }
  static std::atomic<unsigned> serial{0};
  const std::string scratch = "/vsimem/velk-dbase-header-" + std::to_string(++serial);
  std::fill_n(header.begin() + 4, 4, '\0');  // no records
  // In-memory files GDAL may grow (it owns their bytes).
  auto memoryFile = [](const std::string& path, const std::string& bytes) {
    auto* copy = static_cast<GByte*>(CPLMalloc(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), copy);
    VSIFCloseL(VSIFileFromMemBuffer(path.c_str(), copy, bytes.size(), TRUE));
  };
  memoryFile(scratch + ".dbf", header);
  const std::string cpg = dbaseFile_.substr(0, dbaseFile_.size() - 4) + ".cpg";
  std::string encoding;
  if (std::ifstream c(cpg, std::ios::binary); c) {
    encoding.assign(std::istreambuf_iterator<char>(c), {});
    memoryFile(scratch + ".cpg", encoding);
  }
  HRESULT hr = E_DATA_WRITE_FAILED;
  {
    const char* const drivers[] = {"ESRI Shapefile", nullptr};
    CPLPushErrorHandler(CPLQuietErrorHandler);
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open((scratch + ".dbf").c_str(),
                                                      GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers));
    CPLPopErrorHandler();
    if (ds && ds->GetLayerCount() == 1) hr = CreateOgrField(ds->GetLayer(0), spec, true);
  }
  vsi_l_offset size = 0;
  GByte* bytes = VSIGetMemFileBuffer((scratch + ".dbf").c_str(), &size, FALSE);
  std::string widened;
  if (SUCCEEDED(hr) && bytes && size >= 12)
    widened.assign(reinterpret_cast<const char*>(bytes),
                   std::min<std::size_t>(size, bytes[8] | bytes[9] << 8));
  VSIUnlink((scratch + ".dbf").c_str());
  if (!encoding.empty()) VSIUnlink((scratch + ".cpg").c_str());
  if (FAILED(hr)) return hr;

  // The records are then copied once into the wider file; GDAL would widen them one at a time
  // in place, a seek, a read and a write per record and field.
  return WriteFilesPastGdal(
      [&] { return !widened.empty() && AppendDbaseFields(dbaseFile_, widened) == 0; });
}

HRESULT TableCore::DeleteField(const std::wstring& name, const void* lockHolder) {
  Settle();
  if (!layer_) return E_DATA_NO_ROW;
  LONG i = FindField(name);
  if (i < 0) return E_INVALIDARG;
  if (fields_[i].role != TableField::Role::kAttribute) return E_DATA_FIELD_NOT_EDITABLE;
  if (LockedByOther(lockKey_, lockHolder)) return E_DATA_SCHEMA_LOCKED;
  if (!Writable()) return E_DATA_WRITE_FAILED;
  if (writer_) writer_->Release();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRErr err = layer_->DeleteField(fields_[i].ogrIndex);
  CPLPopErrorHandler();
  if (err != OGRERR_NONE) return E_DATA_WRITE_FAILED;
  dbaseEndDirty_ = true;
  Sync();
  Reload();
  return S_OK;
}

void TableCore::Sync() {
  Settle();
  if (!layer_ || !Writable()) return;
  RepairExtent();
  layer_->SyncToDisk();
  if (writer_) writer_->Release();  // GDAL's own writes are on file now
  if (dbaseEndDirty_ && !dbaseFile_.empty()) {
    MarkDbaseEnd(dbaseFile_);  // without the mark GDAL still reads every record
    dbaseEndDirty_ = false;
  }
}

void TableCore::BeginBatch() {
  if (inBatch_ || !layer_ || !Writable()) return;
  DropWriter();
  inBatch_ = true;
  if (dbase_) return;
  GDALDataset* ds = source_->get();
  // SQLite keeps a journal of each statement of a transaction that a trigger extends (every
  // update of a row with a shape, through the spatial index's triggers); in a temporary file it
  // costs a write per page of every statement, in memory nothing. A transaction that changes
  // more pages than the page cache holds writes them out and reads them back again: the cache
  // gets 64 MiB (a bound, whatever the number of rows).
  if (const GDALDriver* driver = ds->GetDriver();
      driver && (EQUAL(driver->GetDescription(), "GPKG") ||
                 EQUAL(driver->GetDescription(), "SQLite"))) {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    for (const char* pragma : {"PRAGMA temp_store = MEMORY", "PRAGMA cache_size = -65536"})
      if (OGRLayer* result = ds->ExecuteSQL(pragma, nullptr, nullptr))
        ds->ReleaseResultSet(result);
    CPLPopErrorHandler();
  }
  ds->StartTransaction();
}

void TableCore::EndBatch() {
  if (writer_) writer_->Release();
  if (!inBatch_) return;
  inBatch_ = false;
  if (!dbase_) source_->get()->CommitTransaction();
  Sync();
  DropWriter();
}

HRESULT TableCore::CommitBatch() {
  if (writer_) writer_->Release();
  if (!inBatch_) return S_OK;
  inBatch_ = false;
  if (dbase_) {
    Sync();
    DropWriter();
    if (writeFailed_) {
      writeFailed_ = false;
      return E_DATA_WRITE_FAILED;
    }
    return S_OK;
  }
  CPLErrorReset();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRErr err = source_->get()->CommitTransaction();
  CPLPopErrorHandler();
  if (err != OGRERR_NONE || CPLGetLastErrorType() >= CE_Failure) {
    AbandonBatch();
    return E_DATA_WRITE_FAILED;
  }
  Sync();
  DropWriter();
  return S_OK;
}

void TableCore::AbandonBatch() {
  if (writer_) writer_->Release();
  DropWriter();
  inBatch_ = false;
  if (dbase_ || !layer_) return;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  source_->get()->RollbackTransaction();
  CPLPopErrorHandler();
  Reload();
}

void TableCore::Invalidate() {
  if (writer_) writer_->Release();
  Settle();
  EndBatch();
  DropWriter();
  RepairExtent();
  layer_ = nullptr;
  fields_.clear();
  source_.reset();
}

void TableCore::Rebind(DatasetPtr source, OGRLayer* layer, std::wstring name, std::string lockKey) {
  if (writer_) writer_->Release();
  Settle();
  source_ = std::move(source);
  name_ = std::move(name);
  layer_ = layer;
  lockKey_ = std::move(lockKey);
  Reload();
}

const GeomData* TableCore::RowShape(const std::vector<Variant>& values, bool& isShape) const {
  isShape = true;
  if (shapeIndex_ < 0 || static_cast<std::size_t>(shapeIndex_) >= values.size()) return nullptr;
  const Variant& v = values[static_cast<std::size_t>(shapeIndex_)];
  if (v.vt == VT_NULL || v.vt == VT_EMPTY) return nullptr;
  const GeomData* d = v.vt == VT_UNKNOWN || v.vt == VT_DISPATCH ? DataOf(v.punkVal) : nullptr;
  isShape = d != nullptr;
  return d && !d->IsEmpty() ? d : nullptr;
}

HRESULT TableCore::FillDbaseRecord(const std::vector<Variant>& values, const std::string& encoding,
                                   DbaseRecord& record) const {
  for (std::size_t i = 0; i < fields_.size() && i < values.size(); ++i) {
    const TableField& tf = fields_[i];
    const Variant& v = values[i];
    if (tf.role != TableField::Role::kAttribute || v.vt == VT_NULL || v.vt == VT_EMPTY) continue;
    const int k = tf.ogrIndex;
    switch (tf.spec.type) {
      case kFieldSmallInteger:
      case kFieldInteger: {
        Variant n;
        HRESULT hr = VariantChangeType(&n, &v, 0, VT_I4);
        if (FAILED(hr)) return hr;
        if (!record.SetNumber(k, n.lVal)) return E_DATA_VALUE_TOO_LONG;
        break;
      }
      case kFieldSingle:
      case kFieldDouble: {
        Variant n;
        HRESULT hr = VariantChangeType(&n, &v, 0, VT_R8);
        if (FAILED(hr)) return hr;
        if (!std::isfinite(n.dblVal) || !record.SetNumber(k, n.dblVal))
          return E_DATA_VALUE_TOO_LONG;
        break;
      }
      case kFieldDate: {
        DateParts t;
        HRESULT hr = DatePartsOf(v, t);
        if (FAILED(hr)) return hr;
        if (!record.SetDate(k, t.year, t.month, t.day)) return S_FALSE;
        break;
      }
      case kFieldString: {
        std::string text;
        if (v.vt == VT_BSTR) {
          text = ToUtf8(std::wstring_view(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal)));
        } else {
          Variant t;
          HRESULT hr = VariantChangeType(&t, &v, 0, VT_BSTR);
          if (FAILED(hr)) return hr;
          text = ToUtf8(BstrToWstring(t.bstrVal));
        }
        const DbaseField& field = record.Fields()[static_cast<std::size_t>(k)];
        if (static_cast<int>(text.size()) > field.width) return E_DATA_VALUE_TOO_LONG;
        if (!encoding.empty() && !EQUAL(encoding.c_str(), CPL_ENC_UTF8)) {
          // The driver's own recoding, as it writes the text.
          CPLPushErrorHandler(CPLQuietErrorHandler);
          char* encoded = CPLRecode(text.c_str(), CPL_ENC_UTF8, encoding.c_str());
          CPLPopErrorHandler();
          text = encoded ? encoded : "";
          CPLFree(encoded);
        }
        if (text.size() > static_cast<std::size_t>(kDbaseMaxTextLength) || !record.SetText(k, text))
          return S_FALSE;
        break;
      }
      default: return S_FALSE;
    }
  }
  return S_OK;
}

void TableCore::Settle() {
  if (writer_) writer_->Finish();
}

}  // namespace velk::host
