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

namespace {

// Default width of a text field made without one.
constexpr LONG kDefaultTextLength = 50;
constexpr LONG kDbaseMaxTextLength = 254;
constexpr LONG kDbaseMaxNumberWidth = 24;
constexpr std::size_t kDbaseMaxNameBytes = 10;
constexpr std::size_t kDatabaseMaxName = 64;

// The file of the dataset whose name ends with ext (".dbf"), any case; empty when none.
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

bool AsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool AsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

LONG ShapeTypeOf(OGRwkbGeometryType type) {
  switch (wkbFlatten(type)) {
    case wkbNone: return kGeometryNull;
    case wkbPoint: return kGeometryPoint;
    case wkbMultiPoint: return kGeometryMultipoint;
    case wkbLineString:
    case wkbMultiLineString: return kGeometryPolyline;
    case wkbPolygon:
    case wkbMultiPolygon: return kGeometryPolygon;
    default: return kGeometryAny;
  }
}

OGRwkbGeometryType LayerTypeFor(LONG shapeType, bool hasZ, bool hasM, bool multi) {
  OGRwkbGeometryType t = wkbUnknown;
  switch (shapeType) {
    case kGeometryPoint: t = wkbPoint; break;
    case kGeometryMultipoint: t = wkbMultiPoint; break;
    case kGeometryPolyline: t = multi ? wkbMultiLineString : wkbLineString; break;
    case kGeometryPolygon: t = multi ? wkbMultiPolygon : wkbPolygon; break;
    default: return wkbUnknown;
  }
  return OGR_GT_SetModifier(t, hasZ, hasM);
}

HRESULT CheckFieldForFormat(const FieldSpec& spec, bool dbase) {
  const std::wstring& n = spec.name;
  if (n.empty()) return E_DATA_INVALID_NAME;
  if (dbase) {
    if (!AsciiLetter(n[0])) return E_DATA_INVALID_NAME;
    for (wchar_t c : n)
      if (!AsciiLetter(c) && !AsciiDigit(c) && c != L'_') return E_DATA_INVALID_NAME;
    if (n.size() > kDbaseMaxNameBytes) return E_DATA_INVALID_NAME;
  } else {
    if (n.size() > kDatabaseMaxName || !(AsciiLetter(n[0]) || n[0] == L'_'))
      return E_DATA_INVALID_NAME;
    for (wchar_t c : n)
      if (!AsciiLetter(c) && !AsciiDigit(c) && c != L'_') return E_DATA_INVALID_NAME;
  }
  switch (spec.type) {
    case kFieldSmallInteger:
    case kFieldInteger:
    case kFieldSingle:
    case kFieldDouble:
      if (dbase && (spec.precision > kDbaseMaxNumberWidth ||
                    (spec.scale > 0 && spec.precision > 0 && spec.scale + 2 > spec.precision)))
        return E_DATA_INVALID_FIELD;
      return S_OK;
    case kFieldString:
      if (dbase && spec.length > kDbaseMaxTextLength) return E_DATA_INVALID_FIELD;
      return S_OK;
    case kFieldDate: return S_OK;
    case kFieldBlob: return dbase ? E_DATA_INVALID_FIELD : S_OK;
    default: return E_DATA_INVALID_FIELD;  // OID and geometry fields are made with the class
  }
}

HRESULT CreateOgrField(OGRLayer* layer, const FieldSpec& spec, bool dbase) {
  HRESULT hr = CheckFieldForFormat(spec, dbase);
  if (FAILED(hr)) return hr;
  std::string name = ToUtf8(spec.name);
  OGRFieldDefn defn(name.c_str(), OFTString);
  switch (spec.type) {
    case kFieldSmallInteger:
      defn.SetType(OFTInteger);
      defn.SetSubType(OFSTInt16);
      defn.SetWidth(spec.precision > 0 ? spec.precision : (dbase ? 5 : 0));
      break;
    case kFieldInteger:
      defn.SetType(OFTInteger);
      defn.SetWidth(spec.precision > 0 ? spec.precision : (dbase ? 9 : 0));
      break;
    case kFieldSingle:
    case kFieldDouble:
      defn.SetType(OFTReal);
      if (spec.type == kFieldSingle) defn.SetSubType(OFSTFloat32);
      if (spec.precision > 0) {
        defn.SetWidth(spec.precision);
        defn.SetPrecision(spec.scale);
      } else if (dbase) {
        defn.SetWidth(spec.type == kFieldSingle ? 13 : 19);
        defn.SetPrecision(spec.type == kFieldSingle ? 6 : 11);
      }
      break;
    case kFieldString:
      defn.SetType(OFTString);
      defn.SetWidth(spec.length > 0 ? spec.length : kDefaultTextLength);
      break;
    case kFieldDate: defn.SetType(dbase ? OFTDate : OFTDateTime); break;
    case kFieldBlob: defn.SetType(OFTBinary); break;
    default: return E_DATA_INVALID_FIELD;
  }
  defn.SetNullable(spec.nullable ? TRUE : FALSE);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRErr err = layer->CreateField(&defn, FALSE);  // exact: no silent renaming or narrowing
  CPLPopErrorHandler();
  return err == OGRERR_NONE ? S_OK : E_DATA_WRITE_FAILED;
}

double DateFromParts(int y, int m, int d, int hour, int minute, double second) {
  // days from civil (proleptic Gregorian), then relative to 1899-12-30
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days =
      static_cast<long>(era) * 146097 + static_cast<long>(doe) - 719468;  // since 1970-01-01
  const long ole = days + 25569;
  double frac = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  return ole >= 0 ? ole + frac : ole - frac;  // automation dates count the time away from zero
}

void PartsFromDate(double date, int& y, int& m, int& d, int& hour, int& minute, double& second) {
  double whole = std::trunc(date);
  double frac = std::fabs(date - whole);
  long z = static_cast<long>(whole) - 25569 + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe) + static_cast<int>(era) * 400 + (m <= 2);
  double secs = std::round(frac * 86400.0 * 1000.0) / 1000.0;
  hour = static_cast<int>(secs / 3600);
  minute = static_cast<int>((secs - hour * 3600) / 60);
  second = secs - hour * 3600 - minute * 60;
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

void TableCore::DropGeoPackageUpdater() {
  geopackageUpdater_.reset();
  geopackageUpdaterTried_ = false;
}

void TableCore::Reload() {
  DropGeoPackageUpdater();
  updateTried_ = false;
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
  if (appender_ || (dbaseUpdater_ && dbaseUpdater_->Pending(fid)))
    const_cast<TableCore*>(this)->Settle();
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

// Whether the dBASE fields are those of the layer, of the kinds whose record bytes are GDAL's:
// text, integers, reals (the same decimals) and dates, of the same widths.
bool FieldsAsGdalReadsThem(const std::vector<DbaseField>& fields, OGRFeatureDefn* defn) {
  if (static_cast<int>(fields.size()) != defn->GetFieldCount()) return false;
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const DbaseField& f = fields[static_cast<std::size_t>(i)];
    const OGRFieldDefn* fd = defn->GetFieldDefn(i);
    // GDAL's feature holds a 16-bit integer within its range and a boolean as 0 or 1, which
    // the record would not: such fields go through GDAL.
    if (fd->GetSubType() != OFSTNone) return false;
    bool same = false;
    switch (fd->GetType()) {
      case OFTString: same = f.type == 'C' && f.width == fd->GetWidth(); break;
      case OFTInteger:
        same = (f.type == 'N' || f.type == 'F') && f.decimals == 0 && f.width == fd->GetWidth();
        break;
      case OFTReal:
        same = (f.type == 'N' || f.type == 'F') && f.width == fd->GetWidth() &&
               f.decimals == fd->GetPrecision();
        break;
      case OFTDate: same = f.type == 'D' && f.width == 8 && f.decimals == 0; break;
      default: break;
    }
    if (!same) return false;
  }
  return true;
}

// The encoding GDAL writes the layer's text in (empty: as given).
std::string DbaseEncoding(OGRLayer* layer) {
  const char* e = layer->GetMetadataItem("SOURCE_ENCODING", "SHAPEFILE");
  return e ? e : "";
}

}  // namespace

HRESULT TableCore::Write(std::int64_t& fid, const std::vector<Variant>& values) {
  if (fid < 0 && inBatch_ && !appender_ && !appendTried_) StartAppend();
  if (appender_) {
    if (fid < 0) {
      HRESULT hr = Append(fid, values);
      if (hr != S_FALSE) return hr;
    }
    Settle();
  }
  if (fid >= 0 && dbase_ && inBatch_ && directUpdates_) {
    HRESULT hr = UpdateInPlace(fid, values);
    if (hr != S_FALSE) return hr;
  }
  StopUpdates();
  if (!layer_) return E_DATA_NO_ROW;
  if (!Writable()) return E_DATA_WRITE_FAILED;
  OGRFeature f(layer_->GetLayerDefn());
  if (fid >= 0) f.SetFID(fid);
  // A multipatch goes into its record after GDAL wrote the row without it.
  GeomData patch;
  bool withPatch = false;
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
  if (dbase_ && fid < 0 && HasShape() && !f.GetGeometryRef() && !extentSuspect_ &&
      !IsPatchFile()) {
    extentSuspect_ = layer_->GetFeatureCount(FALSE) == 0;  // the first row, and without a shape
  }
  if (fid >= 0 && geopackageUpdater_) {
    const GeoPackageRowUpdater::Result r = geopackageUpdater_->Update(f);
    if (r == GeoPackageRowUpdater::Result::kWritten) return S_OK;
    if (r == GeoPackageRowUpdater::Result::kFailed) return E_DATA_WRITE_FAILED;
  }
  CPLPushErrorHandler(CPLQuietErrorHandler);
  if (fid < 0) dbaseEndDirty_ = true;
  OGRErr err = fid >= 0 ? layer_->SetFeature(&f) : layer_->CreateFeature(&f);
  CPLPopErrorHandler();
  if (err == OGRERR_NON_EXISTING_FEATURE) return E_DATA_NO_ROW;
  if (err != OGRERR_NONE) return E_DATA_WRITE_FAILED;
  // GDAL wrote the edit's first row (and marked the table changed): the rest may go past it.
  if (fid >= 0 && inBatch_ && !dbase_ && !geopackageUpdaterTried_) {
    geopackageUpdaterTried_ = true;
    geopackageUpdater_ = GeoPackageRowUpdater::Open(source_->get(), layer_);
  }
  const bool added = fid < 0;
  fid = f.GetFID();
  if (withPatch) {
    HRESULT hr = WritePatch(fid, patch);
    if (FAILED(hr)) {
      if (added && layer_) DeleteRow(fid);  // no row left without the shape it was given
      return hr;
    }
  }
  if (!inBatch_) Sync();
  return S_OK;
}

bool TableCore::IsPatchFile() const { return dbase_ && shapeType_ == kGeometryMultiPatch; }

HRESULT TableCore::WritePatch(std::int64_t fid, const GeomData& patch) {
  GDALDataset* ds = source_->get();
  const std::string shp = FileWithExtension(ds, ".shp"), shx = FileWithExtension(ds, ".shx");
  if (shp.empty() || shx.empty()) return E_DATA_WRITE_FAILED;
  // GDAL lets go of the files while the record is written, then reads them again.
  layer_->SyncToDisk();
  return WriteFilesPastGdal([&] {
    std::string why;
    return WriteMultipatchRecord(shp, shx, static_cast<long>(fid), patch, why);
  });
}

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
  Settle();
  StopUpdates();
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
  DropGeoPackageUpdater();
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
  DropGeoPackageUpdater();
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
  updateTried_ = false;  // GDAL's own writes are on file now
  if (dbaseEndDirty_ && !dbaseFile_.empty()) {
    MarkDbaseEnd(dbaseFile_);  // without the mark GDAL still reads every record
    dbaseEndDirty_ = false;
  }
}

void TableCore::BeginBatch() {
  if (inBatch_ || !layer_ || !Writable()) return;
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
  DropGeoPackageUpdater();
  if (!inBatch_) return;
  inBatch_ = false;
  appendTried_ = false;
  if (!dbase_) source_->get()->CommitTransaction();
  Sync();
}

HRESULT TableCore::CommitBatch() {
  DropGeoPackageUpdater();
  if (!inBatch_) return S_OK;
  inBatch_ = false;
  appendTried_ = false;
  if (dbase_) {
    Sync();
    if (appendFailed_) {
      appendFailed_ = false;
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
  return S_OK;
}

void TableCore::AbandonBatch() {
  DropGeoPackageUpdater();
  Settle();
  inBatch_ = false;
  if (dbase_ || !layer_) return;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  source_->get()->RollbackTransaction();
  CPLPopErrorHandler();
  Reload();
}

void TableCore::Invalidate() {
  DropGeoPackageUpdater();
  Settle();
  EndBatch();
  RepairExtent();
  layer_ = nullptr;
  fields_.clear();
  source_.reset();
}

void TableCore::Rebind(DatasetPtr source, OGRLayer* layer, std::wstring name, std::string lockKey) {
  DropGeoPackageUpdater();
  Settle();
  source_ = std::move(source);
  name_ = std::move(name);
  layer_ = layer;
  lockKey_ = std::move(lockKey);
  Reload();
}

bool TableCore::DirectWriterFiles(DirectFiles& files) const {
  if (!dbase_ || !layer_ || !Writable()) return false;
  const bool shapes = HasShape();
  if (shapes && (layer_->GetGeomType() != wkbPoint || shapeType_ != kGeometryPoint)) return false;
  GDALDataset* ds = source_->get();
  files.dbf = FileWithExtension(ds, ".dbf");
  files.shp = shapes ? FileWithExtension(ds, ".shp") : std::string();
  files.shx = shapes ? FileWithExtension(ds, ".shx") : std::string();
  return !files.dbf.empty() && (!shapes || (!files.shp.empty() && !files.shx.empty()));
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

bool TableCore::StartAppend() {
  appendTried_ = true;
  DirectFiles files;
  if (!DirectWriterFiles(files) || layer_->GetFeatureCount(FALSE) != 0) return false;
  OGRFeatureDefn* defn = layer_->GetLayerDefn();
  for (const TableField& f : fields_) {
    if (f.role != TableField::Role::kAttribute) continue;
    OGRFieldType t = defn->GetFieldDefn(f.ogrIndex)->GetType();
    if (t != OFTString && t != OFTInteger && t != OFTReal) return false;
  }
  dbaseEncoding_ = DbaseEncoding(layer_);
  layer_->SyncToDisk();
  std::string why;
  auto appender = ShapefileAppender::Open(files.dbf, files.shp, files.shx, why);
  if (!appender || !FieldsAsGdalReadsThem(appender->Fields(), defn)) return false;
  appender_ = std::move(appender);
  return true;
}

HRESULT TableCore::Append(std::int64_t& fid, const std::vector<Variant>& values) {
  ShapefileAppender& out = *appender_;
  out.BeginRecord();
  bool isShape = true;
  const GeomData* d = RowShape(values, isShape);
  if (!isShape) return DISP_E_TYPEMISMATCH;
  const bool shape = d != nullptr;
  if (d) {
    if (d->type != kGeometryPoint) return E_DATA_GEOMETRY_MISMATCH;
    Vertex p = d->parts[0][0];
    if (SrsOf(d->sr.get()) && SrsOf(sr_.get()) && !SameReference(d->sr.get(), sr_.get())) {
      GeomData projected = *d;
      if (FAILED(ProjectData(projected, sr_.get()))) return E_DATA_PROJECTION_FAILED;
      p = projected.parts[0][0];
    }
    out.SetPoint(p.x, p.y);
  }
  HRESULT hr = FillDbaseRecord(values, out.Record());
  if (hr != S_OK) return hr;
  if (HasShape() && !shape && !extentSuspect_) extentSuspect_ = out.Records() == 0;
  if (!out.EndRecord()) return E_DATA_WRITE_FAILED;
  fid = out.Records() - 1;
  return S_OK;
}

HRESULT TableCore::FillDbaseRecord(const std::vector<Variant>& values, DbaseRecord& record) const {
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
        if (!dbaseEncoding_.empty() && !EQUAL(dbaseEncoding_.c_str(), CPL_ENC_UTF8)) {
          // The driver's own recoding, as it writes the text.
          CPLPushErrorHandler(CPLQuietErrorHandler);
          char* encoded = CPLRecode(text.c_str(), CPL_ENC_UTF8, dbaseEncoding_.c_str());
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

bool TableCore::StartUpdate() {
  updateTried_ = true;
  DirectFiles files;
  if (IsPatchFile() || !DirectWriterFiles(files)) return false;
  GDALDataset* ds = source_->get();
  // GDAL drops a spatial index when it rewrites a row.
  for (const char* ext : {".qix", ".sbn", ".sbx"})
    if (!FileWithExtension(ds, ext).empty()) return false;
  layer_->SyncToDisk();
  std::string why;
  auto updater = DbaseRowUpdater::Open(files.dbf, files.shp, files.shx, why, {});
  if (!updater || !FieldsAsGdalReadsThem(updater->Record().Fields(), layer_->GetLayerDefn()))
    return false;
  dbaseEncoding_ = DbaseEncoding(layer_);
  dbaseUpdater_ = std::move(updater);
  return true;
}

HRESULT TableCore::UpdateInPlace(std::int64_t fid, const std::vector<Variant>& values) {
  if (!dbaseUpdater_ && (updateTried_ || !StartUpdate())) return S_FALSE;
  DbaseRowUpdater& out = *dbaseUpdater_;
  if (!out.Holds(fid)) return S_FALSE;
  if (HasShape()) {
    // Only a shape that is already the row's goes past GDAL; any other, GDAL writes.
    bool isShape = true;
    const GeomData* d = RowShape(values, isShape);
    if (!isShape) return S_FALSE;
    if (d && (d->type != kGeometryPoint || d->parts.size() != 1 || d->parts[0].size() != 1 ||
              (SrsOf(d->sr.get()) && SrsOf(sr_.get()) && !SameReference(d->sr.get(), sr_.get()))))
      return S_FALSE;
    const double xy[2] = {d ? d->parts[0][0].x : 0.0, d ? d->parts[0][0].y : 0.0};
    if (!out.SameShape(fid, d ? xy : nullptr)) return S_FALSE;
  }
  out.Record().Clear();
  HRESULT hr = FillDbaseRecord(values, out.Record());
  if (hr != S_OK) return hr;
  out.Queue(fid);
  return out.Full() ? ApplyUpdates() : S_OK;
}

HRESULT TableCore::ApplyUpdates() {
  std::unique_ptr<DbaseRowUpdater> updater = std::move(dbaseUpdater_);
  if (!updater || !updater->HasPending()) return S_OK;
  HRESULT hr = WriteFilesPastGdal([&] { return updater->Apply(); });
  if (FAILED(hr)) {
    // Reported as a failure of the driver's, which those closing the files look for.
    appendFailed_ = true;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLError(CE_Failure, CPLE_FileIO, "the changed records could not be written");
    CPLPopErrorHandler();
  }
  return hr;
}

void TableCore::StopUpdates() {
  if (!dbaseUpdater_) return;
  ApplyUpdates();
  updateTried_ = true;
}

void TableCore::Settle() {
  if (dbaseUpdater_ && dbaseUpdater_->HasPending()) ApplyUpdates();
  if (!appender_) return;
  std::unique_ptr<ShapefileAppender> appender = std::move(appender_);
  // GDAL lets go of the files first: what it writes when it closes them is its own (empty)
  // view, which the appender's headers then replace.
  if (FAILED(WriteFilesPastGdal([&] {
        const bool finished = appender->Finish();
        appender.reset();
        return finished;
      })))
    appendFailed_ = true;
}

}  // namespace velk::host
