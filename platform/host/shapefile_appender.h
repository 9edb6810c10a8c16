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
#include <string>
#include <string_view>
#include <vector>

namespace velk::host {

class ShapefileAppender {
 public:
  // One dBASE field as its header describes it.
  struct Field {
    char type = 'C';  // 'C' text, 'N' or 'F' number
    int width = 0;
    int decimals = 0;
    int offset = 0;  // in the record, after the deletion flag
  };

  // Opens the files for appending: dbf always, shp and shx for a point shapefile (both empty
  // otherwise). Null, with why, when the files are not an empty dBASE table or point
  // shapefile this class can write, or cannot be opened.
  static std::unique_ptr<ShapefileAppender> Open(const std::string& dbf, const std::string& shp,
                                                 const std::string& shx, std::string& why);
  ~ShapefileAppender();
  ShapefileAppender(const ShapefileAppender&) = delete;
  ShapefileAppender& operator=(const ShapefileAppender&) = delete;

  const std::vector<Field>& Fields() const { return fields_; }
  bool HasShapes() const { return shp_ != nullptr; }

  // The next record: every field starts as no value (the null mark of its type) and the shape
  // as none.
  void BeginRecord();
  // Field values of the record; false when the value does not fit the field (the record is
  // then left with the field's null mark, as it stands).
  bool SetText(int field, std::string_view utf8);
  bool SetNumber(int field, double value);
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
  std::vector<Field> fields_;
  int headerLength_ = 0;
  int recordLength_ = 0;
  std::int64_t records_ = 0;
  std::uint64_t shpWords_ = 50;  // the file's length in 16-bit words (the header's 100 bytes)
  std::string record_;
  std::string nullRecord_;
  bool hasPoint_ = false;
  double x_ = 0.0, y_ = 0.0;
  double bounds_[4] = {0.0, 0.0, 0.0, 0.0};
  bool failed_ = false;
};

}  // namespace velk::host
