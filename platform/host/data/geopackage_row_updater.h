// Writes the attributes of existing rows of a GeoPackage table through GDAL's own SQLite
// connection with one prepared UPDATE, inside GDAL's transaction. GDAL's SetFeature writes the
// shape again with every row, which fires the spatial index's triggers row by row; this writes
// the attribute columns alone, and only where the row's shape is already what GDAL would write
// (the UPDATE matches the stored shape's bytes), so the file ends up as GDAL would leave it.
// A row it cannot write exactly is left to GDAL. Platform-internal.
#pragma once

#include <ogr_core.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GDALDataset;
class OGRFeature;
class OGRGeometry;
class OGRLayer;
struct sqlite3;
struct sqlite3_stmt;

namespace velk::host {

class GeoPackageRowUpdater {
 public:
  enum class Result {
    kWritten,  // the row took the feature's values
    kNotHere,  // not written: a value or shape this does not write exactly, or no such row
    kFailed,   // SQLite failed (full disk, I/O error); the transaction is to be rolled back
  };

  // The updater for a GeoPackage layer, or null when its rows are not written here: another
  // format, a shape other than points, fields GDAL skips or writes itself (generated columns,
  // the OID as a field), triggers beyond the spatial index's and the feature count's, no extent.
  static std::unique_ptr<GeoPackageRowUpdater> Open(GDALDataset* ds, OGRLayer* layer);
  ~GeoPackageRowUpdater();
  GeoPackageRowUpdater(const GeoPackageRowUpdater&) = delete;
  GeoPackageRowUpdater& operator=(const GeoPackageRowUpdater&) = delete;

  // Writes the feature's attribute values to its row as GDAL's driver would bind them.
  Result Update(const OGRFeature& feature);

  // The GeoPackage geometry blob GDAL writes for a point (header without envelope, ISO WKB in
  // this machine's byte order); false for anything but a non-empty point.
  static bool EncodePoint(const OGRGeometry& point, std::int32_t srsId,
                          std::vector<unsigned char>& blob);

 private:
  enum class Kind { kInteger, kReal, kText, kOther };
  GeoPackageRowUpdater() = default;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
  std::vector<Kind> kinds_;  // by OGR field index, bound in that order
  bool shape_ = false;
  OGRwkbGeometryType geometryType_ = wkbNone;
  std::int32_t srsId_ = 0;
  OGREnvelope extent_;
  std::vector<unsigned char> blob_;
};

}  // namespace velk::host
