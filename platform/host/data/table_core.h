// What a host table or feature class is underneath: one GDAL vector layer, its fields as the
// host shows them (the OID field first, then the shape field, then the attributes), and the
// conversions between GDAL features and host row values. Shared by the table object and its
// rows, cursors and selection sets. Platform-internal.
#pragma once

#include "platform/host/data/fid_list.h"

#include <ogr_core.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "platform/host/data/field_objects.h"
#include "platform/host/data/gdal_dataset_handle.h"
#include "platform/host/data/dbase_row_updater.h"
#include "platform/host/data/geopackage_row_updater.h"
#include "platform/host/data/shapefile_appender.h"
#include "platform/host/data/table.h"

class OGRLayer;

namespace velk::host {

struct TableField {
  enum class Role { kOid, kShape, kAttribute };
  FieldSpec spec;
  Role role = Role::kAttribute;
  int ogrIndex = -1;  // attributes only
};

struct GeomData;

class TableCore {
 public:
  // dbase: the layer lives in a dBASE file (shapefile or table), whose name and width rules
  // apply. lockKey names the dataset in the schema lock book.
  TableCore(DatasetPtr source, OGRLayer* layer, std::wstring name, std::string lockKey, bool dbase);
  // dBASE files: whether rows rewritten during a batch go straight into the .dbf when that is
  // exactly what GDAL writes (else through GDAL, as always).
  void SetDirectUpdates(bool on) { directUpdates_ = on; }
  ~TableCore();

  const std::wstring& Name() const { return name_; }
  const std::string& LockKey() const { return lockKey_; }
  bool IsDbase() const { return dbase_; }
  bool Valid() const { return layer_ != nullptr; }
  bool Writable() const { return source_ && source_->writable(); }
  const DatasetPtr& Source() const { return source_; }
  OGRLayer* Layer() const {
    const_cast<TableCore*>(this)->Settle();
    return layer_;
  }

  bool HasShape() const { return shapeIndex_ >= 0; }
  LONG ShapeType() const { return shapeType_; }
  bool HasZ() const { return hasZ_; }
  bool HasM() const { return hasM_; }
  ISpatialReference* SpatialReference() const { return sr_.get(); }
  const std::wstring& OidName() const { return oidName_; }
  const std::wstring& ShapeName() const { return shapeName_; }
  const std::vector<TableField>& Fields() const { return fields_; }
  ComPtr<IFields> FieldsObject() const { return fieldsObject_; }
  LONG FindField(std::wstring_view name) const;
  LONG ShapeIndex() const { return shapeIndex_; }

  // Row values.
  std::vector<Variant> NullValues() const;
  // E_DATA_NO_ROW when no row has that OID. Shapes are projected into outputSr when given.
  HRESULT Read(std::int64_t fid, ISpatialReference* outputSr, std::vector<Variant>& values) const;
  // The value put_Value stores for field index (converted to the field's type).
  HRESULT Coerce(LONG index, const VARIANT& in, Variant& out) const;
  // Writes the values to row fid, or to a new row when fid is -1 (fid then receives its OID).
  HRESULT Write(std::int64_t& fid, const std::vector<Variant>& values);
  HRESULT DeleteRow(std::int64_t fid);
  // OIDs of the rows the filter finds (all rows for null), in the layer's order.
  HRESULT Select(IQueryFilter* filter, FidList& fids) const;

  // Schema.
  HRESULT AddField(const FieldSpec& spec, const void* lockHolder);
  HRESULT DeleteField(const std::wstring& name, const void* lockHolder);

  // Writes buffered changes to the files.
  void Sync();
  // Transactions of an insert run (databases); no-ops where the source has none.
  void BeginBatch();
  void EndBatch();
  // Ends a batch: its changes are kept (E_DATA_WRITE_FAILED when they could not be) or undone.
  HRESULT CommitBatch();
  void AbandonBatch();

  // Lets go of the layer (the dataset was deleted or renamed); every later call fails.
  void Invalidate();
  // Points the core at the dataset under its new name.
  void Rebind(DatasetPtr source, OGRLayer* layer, std::wstring name, std::string lockKey);

  // A shapefile of multipatches, whose shapes the host writes and reads itself.
  bool IsPatchFile() const;

 private:
  void Reload();
  // AddField on a dBASE file that has records.
  HRESULT AddDbaseField(const FieldSpec& spec);
  // GDAL lets go of the files, write changes them past it, and GDAL opens them again.
  // E_DATA_WRITE_FAILED when write failed or the files could not be opened again.
  HRESULT WriteFilesPastGdal(const std::function<bool()>& write);
  HRESULT WritePatch(std::int64_t fid, const GeomData& patch);
  ComPtr<IGeometry> ReadPatch(std::int64_t fid) const;
  // Appending straight into the files of an empty point shapefile or dBASE table during an
  // insert batch; Settle ends it (headers written, GDAL's view of the files opened again)
  // before anything else reads or writes them.
  bool StartAppend();
  HRESULT Append(std::int64_t& fid, const std::vector<Variant>& values);
  void Settle();
  // The row's attribute values into record, as GDAL writes them into the dBASE file. S_FALSE
  // when a value cannot be written here exactly so (GDAL then writes the row), else the error
  // Write gives for the row, or S_OK.
  HRESULT FillDbaseRecord(const std::vector<Variant>& values, DbaseRecord& record) const;
  // Rewriting rows of a dBASE table or point shapefile during a batch: each row whose shape is
  // the one on file goes into the updater's queue (S_FALSE when GDAL must write it); the queue
  // goes into the files past GDAL when full, and at Settle.
  bool StartUpdate();
  // The files a direct writer opens (a dBASE table, or a 2-D point shapefile's three files);
  // false when the table is not one or a file is missing.
  struct DirectFiles {
    std::string dbf, shp, shx;
  };
  bool DirectWriterFiles(DirectFiles& files) const;
  // The row's shape among values: null for none (a null value or an empty shape); isShape is
  // false when the value is there but no shape.
  const GeomData* RowShape(const std::vector<Variant>& values, bool& isShape) const;
  HRESULT UpdateInPlace(std::int64_t fid, const std::vector<Variant>& values);
  HRESULT ApplyUpdates();
  // GDAL writes the files itself: the queue goes first, and no row goes past GDAL until its
  // writes reached the files.
  void StopUpdates();
  std::unique_ptr<DbaseRowUpdater> dbaseUpdater_;
  bool updateTried_ = false;
  bool directUpdates_ = true;
  // The text encoding GDAL writes the dBASE file in (empty: UTF-8 bytes as they are).
  std::string dbaseEncoding_;
  std::unique_ptr<ShapefileAppender> appender_;
  bool appendTried_ = false;
  bool appendFailed_ = false;
  DatasetPtr source_;
  OGRLayer* layer_;
  std::wstring name_;
  std::string lockKey_;
  bool dbase_;
  // dBASE: the records file, and whether rows or fields changed since its end mark was checked.
  std::string dbaseFile_;
  bool dbaseEndDirty_ = false;
  LONG shapeType_ = 0;
  bool hasZ_ = false;
  bool hasM_ = false;
  ComPtr<ISpatialReference> sr_;
  std::wstring oidName_;
  std::wstring shapeName_;
  LONG shapeIndex_ = -1;
  std::vector<TableField> fields_;
  ComPtr<IFields> fieldsObject_;
  bool inBatch_ = false;
  // GeoPackage: rows of an edit written past GDAL's SetFeature (after GDAL wrote the first);
  // dropped before the transaction ends and before any change of the schema.
  std::unique_ptr<GeoPackageRowUpdater> geopackageUpdater_;
  bool geopackageUpdaterTried_ = false;
  void DropGeoPackageUpdater();
  // A shapefile that took a row without a shape before it had any shape keeps the origin in its
  // header extent; the extent is computed again from the shapes once there are some.
  bool extentSuspect_ = false;
  void RepairExtent();
};

// Host shape type of a GDAL geometry type (0 for none, 7 for any).
LONG ShapeTypeOf(OGRwkbGeometryType type);
// GDAL layer geometry type for a host shape type, Z and M.
OGRwkbGeometryType LayerTypeFor(LONG shapeType, bool hasZ, bool hasM, bool multi);

// Checks a field against the format's rules (dbase: the dBASE name and width rules).
// E_DATA_INVALID_NAME or E_DATA_INVALID_FIELD; S_OK when it can be created.
HRESULT CheckFieldForFormat(const FieldSpec& spec, bool dbase);
// Adds an attribute field to a GDAL layer as the host describes it.
HRESULT CreateOgrField(OGRLayer* layer, const FieldSpec& spec, bool dbase);

// OLE automation dates (days since 1899-12-30) and calendar dates.
double DateFromParts(int year, int month, int day, int hour, int minute, double second);
void PartsFromDate(double date, int& year, int& month, int& day, int& hour, int& minute,
                   double& second);

}  // namespace velk::host
