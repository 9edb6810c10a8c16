// Appends records to an empty point shapefile or dBASE table straight into its files, in the
// bytes GDAL's shapefile driver writes for the same records (fixed-width dBASE text, point
// records and their index), without a feature object, a formatted string or a system call per
// record. The files must have been made (header and fields) by GDAL; Finish writes the record
// counts, lengths and extent into their headers. Plain data in, no host objects.
// Platform-internal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/data/dbase_record.h"

namespace velk::host {

// A point shapefile's record as GDAL writes it: its number (from 1), its content length in
// 16-bit words, the shape type and, for a point (xy: x and y), the coordinates; a null shape
// for null xy. The record's size in bytes (28 for a point, 12 for a null shape).
constexpr std::size_t kShpPointRecordBytes = 28;
std::size_t ShpPointRecord(std::uint32_t number, const double* xy, char* out);

class ShapefileAppender {
 public:
  // Opens the files for appending: dbf always, shp and shx for a point shapefile (both empty
  // otherwise). Null, with why, when the files are not an empty dBASE table or point
  // shapefile this class can write, or cannot be opened.
  static std::unique_ptr<ShapefileAppender> Open(const std::string& dbf, const std::string& shp,
                                                 const std::string& shx, std::string& why);
  ~ShapefileAppender();
  ShapefileAppender(const ShapefileAppender&) = delete;
  ShapefileAppender& operator=(const ShapefileAppender&) = delete;

  const std::vector<DbaseField>& Fields() const { return record_->Fields(); }
  bool HasShapes() const { return shp_ != nullptr; }

  // The next record: every field starts as no value (the null mark of its type) and the shape
  // as none.
  void BeginRecord();
  // The record's field values (DbaseRecord: false when a value does not fit its field).
  DbaseRecord& Record() { return *record_; }
  void SetPoint(double x, double y);
  // Writes the record; false when the files refused it.
  bool EndRecord();

  std::int64_t Records() const { return records_; }
  // Writes what is buffered and the headers, and closes the files; false when a write failed.
  bool Finish();

 private:
  ShapefileAppender() = default;
  bool Write(std::FILE* f, const char* data, std::size_t size);

  std::FILE* dbf_ = nullptr;
  std::FILE* shp_ = nullptr;
  std::FILE* shx_ = nullptr;
  std::int64_t records_ = 0;
  std::uint64_t shpWords_ = 50;  // the file's length in 16-bit words (the header's 100 bytes)
  std::optional<DbaseRecord> record_;
  bool hasPoint_ = false;
  double x_ = 0.0, y_ = 0.0;
  double bounds_[4] = {0.0, 0.0, 0.0, 0.0};
  bool failed_ = false;
};

}  // namespace velk::host
