// Rewrites existing records of a dBASE file (a standalone table or a point shapefile's
// attributes) in the bytes GDAL's shapefile driver writes for the same values, without a feature
// object or a system call per record. Records are queued (up to a bound of bytes) and Apply
// writes them at once, each run of neighbouring records read and written in one piece; the
// caller makes sure nothing else has the files open for writing meanwhile (GDAL lets go of them
// first). For a shapefile it tells whether a row's shape is exactly the one on file, so that
// GDAL would write the same shape record and header again. Plain data in, no host objects.
// Platform-internal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/host/data/dbase_record.h"

namespace velk::host {

class DbaseRowUpdater {
 public:
  struct Options {
    // Queued record bytes at which Full() asks for Apply.
    std::size_t pendingBytes = std::size_t{16} << 20;
  };

  // Opens the dBASE file, and for a shapefile (shp and shx not empty) its shapes, which must be
  // a 2-D point shapefile with headers as GDAL writes them. Null, with why, when the files are
  // not what this class can update exactly, or cannot be opened.
  static std::unique_ptr<DbaseRowUpdater> Open(const std::string& dbf, const std::string& shp,
                                               const std::string& shx, std::string& why,
                                               const Options& options);
  ~DbaseRowUpdater();
  DbaseRowUpdater(const DbaseRowUpdater&) = delete;
  DbaseRowUpdater& operator=(const DbaseRowUpdater&) = delete;

  // The record being filled for Queue.
  DbaseRecord& Record() { return record_; }
  bool HasShapes() const { return shp_ >= 0; }
  // Whether row fid exists in every file.
  bool Holds(std::int64_t fid) const { return fid >= 0 && fid < records_; }
  // Whether row fid's shape record is the point xy (x and y), or the null shape for null xy,
  // byte for byte as GDAL writes it, and within the header's extent (so writing it again
  // changes no file). False when unsure.
  bool SameShape(std::int64_t fid, const double* xy);

  // Queues Record() as row fid's new record (replacing one queued before for it).
  void Queue(std::int64_t fid);
  bool Pending(std::int64_t fid) const { return slots_.count(fid) != 0; }
  bool HasPending() const { return !slots_.empty(); }
  bool Full() const { return pending_.size() >= options_.pendingBytes; }
  // Writes the queued records (their deletion flags as on file) and today's date into the
  // header, as the driver does when it updates a record; false when a write failed.
  bool Apply();

 private:
  explicit DbaseRowUpdater(DbaseLayout layout, const Options& options);
  // Bytes at a file offset through a block of the file read at once.
  struct BlockReader {
    int fd = -1;
    std::int64_t start = -1;
    std::vector<char> block;
    bool Read(std::int64_t at, std::size_t size, char* out);
  };

  Options options_;
  DbaseLayout layout_;
  DbaseRecord record_;
  std::int64_t records_ = 0;
  int dbf_ = -1;
  int shp_ = -1;
  int shx_ = -1;
  BlockReader shpReader_, shxReader_;
  double bounds_[4] = {0.0, 0.0, 0.0, 0.0};  // xmin, ymin, xmax, ymax
  // Queued records without their deletion flags, and where each row's is.
  std::string pending_;
  std::unordered_map<std::int64_t, std::size_t> slots_;
};

}  // namespace velk::host
