#include "platform/host/data/geopackage_row_updater.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>

#include <ogrsf_frmts.h>

#include "platform/com/plain_text.h"
#include "platform/host/data/sqlite_database.h"

namespace velk::host {

bool GeoPackageRowUpdater::EncodePoint(const OGRGeometry& point, std::int32_t srsId,
                                       std::vector<unsigned char>& blob) {
  if (!CPL_IS_LSB || wkbFlatten(point.getGeometryType()) != wkbPoint || point.IsEmpty())
    return false;
  constexpr std::size_t kHeader = 8;
  blob.resize(kHeader + point.WkbSize());
  blob[0] = 'G';
  blob[1] = 'P';
  blob[2] = 0;     // version
  blob[3] = 0x01;  // little-endian; no envelope (GDAL writes none for points); not empty
  std::memcpy(blob.data() + 4, &srsId, sizeof srsId);
  return point.exportToWkb(wkbNDR, blob.data() + kHeader, wkbVariantIso) == OGRERR_NONE;
}

std::unique_ptr<GeoPackageRowUpdater> GeoPackageRowUpdater::Open(GDALDataset* ds, OGRLayer* layer) {
  if (!ds || !layer || !CPL_IS_LSB) return nullptr;
  const GDALDriver* driver = ds->GetDriver();
  if (!driver || !EQUAL(driver->GetDescription(), "GPKG")) return nullptr;
  auto* db = static_cast<sqlite3*>(ds->GetInternalHandle("SQLITE_HANDLE"));
  const char* fidColumn = layer->GetFIDColumn();
  if (!db || !fidColumn || !*fidColumn) return nullptr;
  const std::string table = layer->GetName();
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  if (defn->GetFieldCount() == 0 || defn->GetGeomFieldCount() > 1) return nullptr;

  std::unique_ptr<GeoPackageRowUpdater> u(new GeoPackageRowUpdater());
  u->db_ = db;
  std::string geomColumn;
  if (defn->GetGeomFieldCount() == 1) {
    u->shape_ = true;
    geomColumn = defn->GetGeomFieldDefn(0)->GetNameRef();
    u->geometryType_ = layer->GetGeomType();
    if (wkbFlatten(u->geometryType_) != wkbPoint) return nullptr;
    SqliteStatement srs(db,
                        "SELECT srs_id FROM gpkg_geometry_columns WHERE lower(table_name) = lower(?) AND "
              "lower(column_name) = lower(?)");
    if (!srs.Bind(1, table.c_str()).Bind(2, geomColumn.c_str()).Row() || srs.IsNull(0))
      return nullptr;
    u->srsId_ = static_cast<std::int32_t>(srs.Integer(0));
    // GDAL grows the layer's extent with each shape it writes; shapes inside the stored extent
    // leave it as it is.
    SqliteStatement extent(db,
                           "SELECT min_x, min_y, max_x, max_y FROM gpkg_contents WHERE "
                 "lower(table_name) = lower(?)");
    if (!extent.Bind(1, table.c_str()).Row()) return nullptr;
    for (int i = 0; i < 4; ++i)
      if (extent.IsNull(i)) return nullptr;
    u->extent_.MinX = extent.Real(0);
    u->extent_.MinY = extent.Real(1);
    u->extent_.MaxX = extent.Real(2);
    u->extent_.MaxY = extent.Real(3);
  }

  // Triggers other than the spatial index's (which an unchanged shape leaves as they are) and
  // the feature count's (inserts and deletes) might see the shape GDAL writes again.
  {
    const std::string rtree = "rtree_" + table + "_" + geomColumn + "_";
    const std::string count = "_feature_count_" + table;
    SqliteStatement triggers(db,
                             "SELECT name FROM sqlite_master WHERE type = 'trigger' AND "
                   "lower(tbl_name) = lower(?)");
    triggers.Bind(1, table.c_str());
    while (triggers.Row()) {
      const std::string name = triggers.Text(0);
      const bool known = (u->shape_ && STARTS_WITH_CI(name.c_str(), rtree.c_str())) ||
                         EQUAL(name.c_str(), ("trigger_insert" + count).c_str()) ||
                         EQUAL(name.c_str(), ("trigger_delete" + count).c_str());
      if (!known) return nullptr;
    }
  }

  // Every field a plain column of the table (GDAL leaves generated columns and the OID alone).
  std::vector<std::pair<std::string, std::int64_t>> columns;
  {
    SqliteStatement info(db, "SELECT name, hidden FROM pragma_table_xinfo(?)");
    info.Bind(1, table.c_str());
    while (info.Row()) columns.emplace_back(info.Text(0), info.Integer(1));
  }
  std::string sql = "UPDATE " + SqlQuotedName(table) + " SET ";
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const OGRFieldDefn* fd = defn->GetFieldDefn(i);
    const char* name = fd->GetNameRef();
    if (EQUAL(name, fidColumn)) return nullptr;
    bool plain = false;
    for (const auto& [column, hidden] : columns)
      if (EQUAL(column.c_str(), name)) plain = hidden == 0;
    if (!plain) return nullptr;
    Kind kind = Kind::kOther;
    if (fd->GetSubType() == OFSTNone) {
      if (fd->GetType() == OFTInteger) kind = Kind::kInteger;
      if (fd->GetType() == OFTReal) kind = Kind::kReal;
      if (fd->GetType() == OFTString) kind = Kind::kText;
    }
    u->kinds_.push_back(kind);
    sql += (i ? ", " : "") + SqlQuotedName(name) + " = ?";
  }
  sql += " WHERE " + SqlQuotedName(fidColumn) + " = ?";
  if (u->shape_) sql += " AND " + SqlQuotedName(geomColumn) + " IS ?";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &u->statement_, nullptr) != SQLITE_OK) return nullptr;
  return u;
}

GeoPackageRowUpdater::~GeoPackageRowUpdater() { sqlite3_finalize(statement_); }

GeoPackageRowUpdater::Result GeoPackageRowUpdater::Update(const OGRFeature& feature) {
  const int count = static_cast<int>(kinds_.size());
  if (feature.GetFieldCount() != count) return Result::kNotHere;
  sqlite3_stmt* s = statement_;
  int column = 1;
  for (int i = 0; i < count; ++i, ++column) {
    if (!feature.IsFieldSet(i)) return Result::kNotHere;  // GDAL's own rule for unset fields
    if (feature.IsFieldNull(i)) {
      sqlite3_bind_null(s, column);
      continue;
    }
    switch (kinds_[static_cast<std::size_t>(i)]) {
      case Kind::kInteger: sqlite3_bind_int(s, column, feature.GetFieldAsInteger(i)); break;
      case Kind::kReal: {
        const double value = feature.GetFieldAsDouble(i);
        if (!std::isfinite(value)) return Result::kNotHere;
        sqlite3_bind_double(s, column, value);
        break;
      }
      case Kind::kText:
        sqlite3_bind_text(s, column, feature.GetFieldAsString(i), -1, SQLITE_TRANSIENT);
        break;
      case Kind::kOther: return Result::kNotHere;  // dates, blobs, subtypes: GDAL's own
    }
  }
  sqlite3_bind_int64(s, column++, feature.GetFID());
  if (shape_) {
    const OGRGeometry* g = feature.GetGeometryRef();
    if (!g) {
      sqlite3_bind_null(s, column);
    } else {
      if (g->getGeometryType() != geometryType_) return Result::kNotHere;
      const auto* p = g->toPoint();
      if (p->IsEmpty() || p->getX() < extent_.MinX || p->getX() > extent_.MaxX ||
          p->getY() < extent_.MinY || p->getY() > extent_.MaxY || !EncodePoint(*g, srsId_, blob_))
        return Result::kNotHere;
      sqlite3_bind_blob(s, column, blob_.data(), static_cast<int>(blob_.size()), SQLITE_STATIC);
    }
  }
  const int rc = sqlite3_step(s);
  const int changed = rc == SQLITE_DONE ? sqlite3_changes(db_) : 0;
  sqlite3_reset(s);
  if (rc != SQLITE_DONE) return Result::kFailed;
  // No row changed: no row of that OID, or its shape is not the feature's.
  return changed == 1 ? Result::kWritten : Result::kNotHere;
}

}  // namespace velk::host
