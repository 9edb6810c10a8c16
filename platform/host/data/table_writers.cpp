#include "platform/host/data/table_writers.h"

#include <ogrsf_frmts.h>

#include <string>

#include "platform/host/data/data_errors.h"
#include "platform/host/data/dbase_row_updater.h"
#include "platform/host/data/geopackage_row_updater.h"
#include "platform/host/data/multipatch_records.h"
#include "platform/host/data/shapefile_appender.h"
#include "platform/host/data/table_core.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {

namespace {

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

// GDAL writes each row.
class GdalRowWriter : public TableWriter {
 public:
  explicit GdalRowWriter(TableCore& table) : table_(table) {}
  HRESULT Write(std::int64_t& fid, const std::vector<Variant>& values) override {
    if (HRESULT hr = table_.CheckWritable(); FAILED(hr)) return hr;
    OGRFeature f(table_.layer_->GetLayerDefn());
    GeomData patch;
    bool withPatch = false;
    if (HRESULT hr = table_.FillFeature(fid, values, f, patch, withPatch); FAILED(hr)) return hr;
    if (HRESULT hr = Before(fid, f); hr != S_FALSE) return hr;
    if (HRESULT hr = table_.WriteFeature(fid, f); FAILED(hr)) return hr;
    const std::int64_t asked = fid;
    fid = f.GetFID();
    if (HRESULT hr = After(asked, fid, withPatch ? &patch : nullptr); FAILED(hr)) return hr;
    table_.EndRow();
    return S_OK;
  }

 protected:
  // Writes the row's feature another way; S_FALSE when GDAL is to write it.
  virtual HRESULT Before(std::int64_t fid, const OGRFeature& f) {
    (void)fid;
    (void)f;
    return S_FALSE;
  }
  // After GDAL wrote the row: asked is the OID the row was written for (-1 for a new row), fid
  // the row's; patch is the row's multipatch, if it has one.
  virtual HRESULT After(std::int64_t asked, std::int64_t fid, const GeomData* patch) {
    (void)asked;
    (void)fid;
    (void)patch;
    return S_OK;
  }

  TableCore& table_;
};

// A shapefile of multipatches: GDAL writes the row without its shape, then the shape goes into
// its record past GDAL.
class MultipatchRecordWriter : public GdalRowWriter {
 public:
  using GdalRowWriter::GdalRowWriter;

 protected:
  HRESULT After(std::int64_t asked, std::int64_t fid, const GeomData* patch) override {
    if (!patch) return S_OK;
    HRESULT hr = WritePatch(fid, *patch);
    if (FAILED(hr) && asked < 0 && table_.layer_)
      table_.DeleteRow(fid);  // no row left without the shape it was given
    return hr;
  }

 private:
  HRESULT WritePatch(std::int64_t fid, const GeomData& patch) {
    GDALDataset* ds = table_.source_->get();
    const std::string shp = FileWithExtension(ds, ".shp"), shx = FileWithExtension(ds, ".shx");
    if (shp.empty() || shx.empty()) return E_DATA_WRITE_FAILED;
    // GDAL lets go of the files while the record is written, then reads them again.
    table_.layer_->SyncToDisk();
    return table_.WriteFilesPastGdal([&] {
      std::string why;
      return WriteMultipatchRecord(shp, shx, static_cast<long>(fid), patch, why);
    });
  }
};

// A GeoPackage table in a batch: GDAL writes new rows and the edit's first rewritten row (which
// marks the table changed); the rest go through GDAL's SQLite connection where the updater
// writes them exactly as GDAL would.
class GeoPackageRowWriter : public GdalRowWriter {
 public:
  using GdalRowWriter::GdalRowWriter;
  // The updater's statement holds the table: it goes before the schema changes and before the
  // transaction ends.
  void Release() override {
    updater_.reset();
    tried_ = false;
  }

 protected:
  HRESULT Before(std::int64_t fid, const OGRFeature& f) override {
    if (fid < 0 || !updater_) return S_FALSE;
    const GeoPackageRowUpdater::Result r = updater_->Update(f);
    if (r == GeoPackageRowUpdater::Result::kWritten) return S_OK;
    if (r == GeoPackageRowUpdater::Result::kFailed) return E_DATA_WRITE_FAILED;
    return S_FALSE;
  }
  HRESULT After(std::int64_t asked, std::int64_t, const GeomData*) override {
    if (asked >= 0 && !tried_) {
      tried_ = true;
      updater_ = GeoPackageRowUpdater::Open(table_.source_->get(), table_.layer_);
    }
    return S_OK;
  }

 private:
  std::unique_ptr<GeoPackageRowUpdater> updater_;
  bool tried_ = false;
};

// A dBASE table or point shapefile in a batch: new rows of an empty one are appended straight
// into its files, and rewritten rows whose shape is the one on file go into the row updater's
// queue; each row is written so only when its bytes are exactly GDAL's, else GDAL writes it
// (after what waits reached the files).
class DbaseDirectWriter : public TableWriter {
 public:
  explicit DbaseDirectWriter(TableCore& table) : table_(table), gdal_(table) {}

  HRESULT Write(std::int64_t& fid, const std::vector<Variant>& values) override {
    if (fid < 0 && !appender_ && !appendTried_) StartAppend();
    if (appender_) {
      if (fid < 0) {
        HRESULT hr = Append(fid, values);
        if (hr != S_FALSE) return hr;
      }
      Finish();
    }
    if (fid >= 0 && table_.directUpdates_) {
      HRESULT hr = UpdateInPlace(fid, values);
      if (hr != S_FALSE) return hr;
    }
    StopUpdates();
    return gdal_.Write(fid, values);
  }

  bool Waiting(std::int64_t fid) const override {
    return appender_ || (updater_ && updater_->Pending(fid));
  }

  // The appender's headers are written and GDAL's view of the files opened again.
  void Finish() override {
    if (updater_ && updater_->HasPending()) ApplyUpdates();
    if (!appender_) return;
    std::unique_ptr<ShapefileAppender> appender = std::move(appender_);
    // GDAL lets go of the files first: what it writes when it closes them is its own (empty)
    // view, which the appender's headers then replace.
    if (FAILED(table_.WriteFilesPastGdal([&] {
          const bool finished = appender->Finish();
          appender.reset();
          return finished;
        })))
      table_.writeFailed_ = true;
  }

  void Stop() override {
    Finish();
    StopUpdates();
  }

  // GDAL's own writes are on file, or the files were opened again: rows may be updated here.
  void Release() override { updateTried_ = false; }

 private:
  // The files a direct writer opens (a dBASE table, or a 2-D point shapefile's three files);
  // false when the table is not one or a file is missing.
  struct DirectFiles {
    std::string dbf, shp, shx;
  };
  bool DirectWriterFiles(DirectFiles& files) const {
    OGRLayer* layer = table_.layer_;
    if (!table_.dbase_ || !layer || !table_.Writable()) return false;
    const bool shapes = table_.HasShape();
    if (shapes && (layer->GetGeomType() != wkbPoint || table_.ShapeType() != kGeometryPoint))
      return false;
    GDALDataset* ds = table_.source_->get();
    files.dbf = FileWithExtension(ds, ".dbf");
    files.shp = shapes ? FileWithExtension(ds, ".shp") : std::string();
    files.shx = shapes ? FileWithExtension(ds, ".shx") : std::string();
    return !files.dbf.empty() && (!shapes || (!files.shp.empty() && !files.shx.empty()));
  }

  bool StartAppend() {
    appendTried_ = true;
    DirectFiles files;
    OGRLayer* layer = table_.layer_;
    if (!DirectWriterFiles(files) || layer->GetFeatureCount(FALSE) != 0) return false;
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    for (const TableField& f : table_.Fields()) {
      if (f.role != TableField::Role::kAttribute) continue;
      OGRFieldType t = defn->GetFieldDefn(f.ogrIndex)->GetType();
      if (t != OFTString && t != OFTInteger && t != OFTReal) return false;
    }
    encoding_ = DbaseEncoding(layer);
    layer->SyncToDisk();
    std::string why;
    auto appender = ShapefileAppender::Open(files.dbf, files.shp, files.shx, why);
    if (!appender || !FieldsAsGdalReadsThem(appender->Fields(), defn)) return false;
    appender_ = std::move(appender);
    return true;
  }

  HRESULT Append(std::int64_t& fid, const std::vector<Variant>& values) {
    ShapefileAppender& out = *appender_;
    out.BeginRecord();
    bool isShape = true;
    const GeomData* d = table_.RowShape(values, isShape);
    if (!isShape) return DISP_E_TYPEMISMATCH;
    const bool shape = d != nullptr;
    if (d) {
      if (d->type != kGeometryPoint) return E_DATA_GEOMETRY_MISMATCH;
      Vertex p = d->parts[0][0];
      ISpatialReference* sr = table_.SpatialReference();
      if (SrsOf(d->sr.get()) && SrsOf(sr) && !SameReference(d->sr.get(), sr)) {
        GeomData projected = *d;
        if (FAILED(ProjectData(projected, sr))) return E_DATA_PROJECTION_FAILED;
        p = projected.parts[0][0];
      }
      out.SetPoint(p.x, p.y);
    }
    HRESULT hr = table_.FillDbaseRecord(values, encoding_, out.Record());
    if (hr != S_OK) return hr;
    if (table_.HasShape() && !shape && !table_.extentSuspect_)
      table_.extentSuspect_ = out.Records() == 0;
    if (!out.EndRecord()) return E_DATA_WRITE_FAILED;
    fid = out.Records() - 1;
    return S_OK;
  }

  bool StartUpdate() {
    updateTried_ = true;
    DirectFiles files;
    if (table_.IsPatchFile() || !DirectWriterFiles(files)) return false;
    GDALDataset* ds = table_.source_->get();
    // GDAL drops a spatial index when it rewrites a row.
    for (const char* ext : {".qix", ".sbn", ".sbx"})
      if (!FileWithExtension(ds, ext).empty()) return false;
    OGRLayer* layer = table_.layer_;
    layer->SyncToDisk();
    std::string why;
    auto updater = DbaseRowUpdater::Open(files.dbf, files.shp, files.shx, why, {});
    if (!updater || !FieldsAsGdalReadsThem(updater->Record().Fields(), layer->GetLayerDefn()))
      return false;
    encoding_ = DbaseEncoding(layer);
    updater_ = std::move(updater);
    return true;
  }

  // S_FALSE when GDAL must write the row; the queue goes into the files when full.
  HRESULT UpdateInPlace(std::int64_t fid, const std::vector<Variant>& values) {
    if (!updater_ && (updateTried_ || !StartUpdate())) return S_FALSE;
    DbaseRowUpdater& out = *updater_;
    if (!out.Holds(fid)) return S_FALSE;
    if (table_.HasShape()) {
      // Only a shape that is already the row's goes past GDAL; any other, GDAL writes.
      bool isShape = true;
      const GeomData* d = table_.RowShape(values, isShape);
      if (!isShape) return S_FALSE;
      ISpatialReference* sr = table_.SpatialReference();
      if (d && (d->type != kGeometryPoint || d->parts.size() != 1 || d->parts[0].size() != 1 ||
                (SrsOf(d->sr.get()) && SrsOf(sr) && !SameReference(d->sr.get(), sr))))
        return S_FALSE;
      const double xy[2] = {d ? d->parts[0][0].x : 0.0, d ? d->parts[0][0].y : 0.0};
      if (!out.SameShape(fid, d ? xy : nullptr)) return S_FALSE;
    }
    out.Record().Clear();
    HRESULT hr = table_.FillDbaseRecord(values, encoding_, out.Record());
    if (hr != S_OK) return hr;
    out.Queue(fid);
    return out.Full() ? ApplyUpdates() : S_OK;
  }

  HRESULT ApplyUpdates() {
    std::unique_ptr<DbaseRowUpdater> updater = std::move(updater_);
    if (!updater || !updater->HasPending()) return S_OK;
    HRESULT hr = table_.WriteFilesPastGdal([&] { return updater->Apply(); });
    if (FAILED(hr)) {
      // Reported as a failure of the driver's, which those closing the files look for.
      table_.writeFailed_ = true;
      CPLPushErrorHandler(CPLQuietErrorHandler);
      CPLError(CE_Failure, CPLE_FileIO, "the changed records could not be written");
      CPLPopErrorHandler();
    }
    return hr;
  }

  // GDAL writes the files itself: the queue goes first, and no row goes past GDAL until its
  // writes reached the files.
  void StopUpdates() {
    if (!updater_) return;
    ApplyUpdates();
    updateTried_ = true;
  }

  TableCore& table_;
  GdalRowWriter gdal_;
  std::unique_ptr<ShapefileAppender> appender_;
  bool appendTried_ = false;
  std::unique_ptr<DbaseRowUpdater> updater_;
  bool updateTried_ = false;
  // The text encoding GDAL writes the dBASE file in (empty: UTF-8 bytes as they are).
  std::string encoding_;
};

std::unique_ptr<TableWriter> ChooseTableWriter(TableCore& table, bool inBatch) {
  if (table.IsPatchFile()) return std::make_unique<MultipatchRecordWriter>(table);
  if (inBatch && table.IsDbase()) return std::make_unique<DbaseDirectWriter>(table);
  if (inBatch) return std::make_unique<GeoPackageRowWriter>(table);
  return std::make_unique<GdalRowWriter>(table);
}

}  // namespace velk::host
