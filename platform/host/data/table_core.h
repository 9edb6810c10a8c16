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
#include "platform/host/data/dbase_record.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_writers.h"

class GDALDataset;
class OGRFeature;
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
  friend class GdalRowWriter;
  friend class MultipatchRecordWriter;
  friend class GeoPackageRowWriter;
  friend class DbaseDirectWriter;

  void Reload();
  // AddField on a dBASE file that has records.
  HRESULT AddDbaseField(const FieldSpec& spec);
  // GDAL lets go of the files, write changes them past it, and GDAL opens them again.
  // E_DATA_WRITE_FAILED when write failed or the files could not be opened again.
  HRESULT WriteFilesPastGdal(const std::function<bool()>& write);
  ComPtr<IGeometry> ReadPatch(std::int64_t fid) const;
  // Finishes the writer's waiting rows before anything else reads or writes the files.
  void Settle();
  // The writer of the batch (or of rows outside batches), chosen on its first row.
  TableWriter& Writer();
  // Finishes the writer and forgets it: the next row chooses again.
  void DropWriter();

  // Value conversions the writers share.
  // E_DATA_NO_ROW without a layer, E_DATA_WRITE_FAILED when the dataset is read-only.
  HRESULT CheckWritable() const;
  // The row's values into f for GDAL (fid >= 0: that row); a multipatch shape goes into patch
  // (withPatch set) instead, for its record.
  HRESULT FillFeature(std::int64_t fid, const std::vector<Variant>& values, OGRFeature& f,
                      GeomData& patch, bool& withPatch);
  // GDAL writes f: the row's new values for fid >= 0, else a new row (f receives its OID).
  HRESULT WriteFeature(std::int64_t fid, OGRFeature& f);
  // After a row was written: changes go to the files at once outside a batch.
  void EndRow();
  // The row's attribute values into record, as GDAL writes them into the dBASE file in the
  // given encoding. S_FALSE when a value cannot be written here exactly so (GDAL then writes
  // the row), else the error Write gives for the row, or S_OK.
  HRESULT FillDbaseRecord(const std::vector<Variant>& values, const std::string& encoding,
                          DbaseRecord& record) const;
  // The row's shape among values: null for none (a null value or an empty shape); isShape is
  // false when the value is there but no shape.
  const GeomData* RowShape(const std::vector<Variant>& values, bool& isShape) const;

  bool directUpdates_ = true;
  // A writer could not put rows into the files during the batch.
  bool writeFailed_ = false;
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
  // A shapefile that took a row without a shape before it had any shape keeps the origin in its
  // header extent; the extent is computed again from the shapes once there are some.
  bool extentSuspect_ = false;
  void RepairExtent();
  // Last, so that it lets go of the files before the dataset does.
  std::unique_ptr<TableWriter> writer_;
};

// The file of the dataset whose name ends with ext (".dbf"), any case; empty when none.
std::string FileWithExtension(GDALDataset* ds, const char* ext);

// The widest text a dBASE field holds.
constexpr LONG kDbaseMaxTextLength = 254;

// Host shape type of a GDAL geometry type (0 for none, 7 for any).
LONG ShapeTypeOf(OGRwkbGeometryType type);
// GDAL layer geometry type for a host shape type, Z and M.
OGRwkbGeometryType LayerTypeFor(LONG shapeType, bool hasZ, bool hasM, bool multi);

// The field and date rules below are in table_schema.cpp.
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
