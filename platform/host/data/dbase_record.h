// A dBASE file's layout (header length, record length, record count, fields) and one record of
// it encoded in the bytes GDAL's shapefile driver writes for the same values: text left-aligned
// and padded with spaces, numbers "%*.*f" right-aligned in the field's width, dates as the
// number yyyymmdd, and the null mark of the field's type where there is no value. The one home
// of dBASE field encoding. Plain data, no host objects. Platform-internal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velk::host {

struct DbaseField {
  char type = 'C';  // 'C' text, 'N' or 'F' number, 'D' date
  int width = 0;
  int decimals = 0;
  int offset = 0;  // in the record, after the deletion flag
};

struct DbaseLayout {
  std::uint32_t records = 0;
  int headerLength = 0;
  int recordLength = 0;
  std::vector<DbaseField> fields;
};

// The layout from the file's first headerLength bytes (at least its 32-byte header). False, with
// why, when the header is not whole, its field list does not end where its length says, a field
// is of another type than text, number or date (unless anyFieldType), or the fields do not fill
// the records.
bool ParseDbaseLayout(const unsigned char* bytes, std::size_t size, DbaseLayout& out,
                      std::string& why, bool anyFieldType = false);
// Whether a dBASE file's header agrees with the file: its layout reads (fields of any type), and
// the records it counts fill the file, no more and no fewer. False with why.
bool CheckDbaseFile(const std::string& path, std::string& why);
// The same, read from the start of an open file.
bool ReadDbaseLayout(int fd, DbaseLayout& out, std::string& why);

// One record: the deletion flag (not deleted) and every field's bytes.
class DbaseRecord {
 public:
  explicit DbaseRecord(std::vector<DbaseField> fields, int recordLength);

  const std::vector<DbaseField>& Fields() const { return fields_; }
  // Every field back to no value (its null mark).
  void Clear();
  // False when the value does not fit the field (the field then keeps its null mark). Text is
  // the file's bytes; it ends at its first NUL, as a C string does.
  bool SetText(int field, std::string_view bytes);
  bool SetNumber(int field, double value);
  // A date field: the number yyyymmdd in the field's width; false for a year the driver does
  // not write (before 0 or after 9999) or a number that does not fit.
  bool SetDate(int field, int year, int month, int day);
  const std::string& Bytes() const { return record_; }

 private:
  std::vector<DbaseField> fields_;
  std::string record_;
  std::string nullRecord_;
};

}  // namespace velk::host
