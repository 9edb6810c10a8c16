#include "platform/host/data/shapefile_appender.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>


namespace velk::host {

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;
constexpr int kShapeNull = 0;
constexpr int kShapePoint = 1;
constexpr int kShpHeader = 100;

void PutBig32(char* p, std::uint32_t v) {
  p[0] = static_cast<char>(v >> 24);
  p[1] = static_cast<char>(v >> 16);
  p[2] = static_cast<char>(v >> 8);
  p[3] = static_cast<char>(v);
}

void PutLittle32(char* p, std::uint32_t v) {
  p[0] = static_cast<char>(v);
  p[1] = static_cast<char>(v >> 8);
  p[2] = static_cast<char>(v >> 16);
  p[3] = static_cast<char>(v >> 24);
}

void PutDouble(char* p, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<char>(bits >> (8 * i));
}

std::uint32_t Little32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

long long SizeOf(std::FILE* f) {
  struct stat st {};
  return fstat(fileno(f), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::FILE* OpenForUpdate(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r+be");
  if (f) std::setvbuf(f, nullptr, _IOFBF, kBufferBytes);
  return f;
}

}  // namespace

std::size_t ShpPointRecord(std::uint32_t number, const double* xy, char* out) {
  PutBig32(out, number);
  PutBig32(out + 4, xy ? 10 : 2);
  PutLittle32(out + 8, xy ? kShapePoint : kShapeNull);
  if (!xy) return 12;
  PutDouble(out + 12, xy[0]);
  PutDouble(out + 20, xy[1]);
  return kShpPointRecordBytes;
}

std::unique_ptr<ShapefileAppender> ShapefileAppender::Open(const std::string& dbf,
                                                           const std::string& shp,
                                                           const std::string& shx,
                                                           std::string& why) {
  std::unique_ptr<ShapefileAppender> a(new ShapefileAppender());
  a->dbf_ = OpenForUpdate(dbf);
  if (!a->dbf_) {
    why = "the dBASE file cannot be opened";
    return nullptr;
  }
  DbaseLayout layout;
  if (!ReadDbaseLayout(fileno(a->dbf_), layout, why)) return nullptr;
  const long long dbfSize = SizeOf(a->dbf_);
  if (layout.records != 0 ||
      (dbfSize != layout.headerLength && dbfSize != layout.headerLength + 1)) {
    why = "the dBASE file is not an empty table";
    return nullptr;
  }
  a->record_.emplace(layout.fields, layout.recordLength);

  if (!shp.empty()) {
    a->shp_ = OpenForUpdate(shp);
    a->shx_ = OpenForUpdate(shx);
    unsigned char sh[kShpHeader];
    if (!a->shp_ || !a->shx_ || std::fread(sh, 1, sizeof sh, a->shp_) != sizeof sh ||
        SizeOf(a->shp_) != kShpHeader || SizeOf(a->shx_) != kShpHeader ||
        Little32(sh + 32) != kShapePoint) {
      why = "the shapes are not an empty point shapefile";
      return nullptr;
    }
    std::fseek(a->shp_, kShpHeader, SEEK_SET);
    std::fseek(a->shx_, kShpHeader, SEEK_SET);
  }
  std::fseek(a->dbf_, layout.headerLength, SEEK_SET);
  return a;
}

ShapefileAppender::~ShapefileAppender() {
  for (std::FILE* f : {dbf_, shp_, shx_})
    if (f) std::fclose(f);
}

void ShapefileAppender::BeginRecord() {
  record_->Clear();
  hasPoint_ = false;
}

void ShapefileAppender::SetPoint(double x, double y) {
  hasPoint_ = true;
  x_ = x;
  y_ = y;
}

bool ShapefileAppender::Write(std::FILE* f, const char* data, std::size_t size) {
  if (failed_) return false;
  if (std::fwrite(data, 1, size, f) != size) failed_ = true;
  return !failed_;
}

bool ShapefileAppender::EndRecord() {
  if (failed_) return false;
  if (shp_) {
    // The record (number, content length in 16-bit words, shape type, coordinates) and its
    // index entry (offset and content length in words).
    char rec[kShpPointRecordBytes];
    const bool point = hasPoint_;
    const double xy[2] = {x_, y_};
    const std::size_t size =
        ShpPointRecord(static_cast<std::uint32_t>(records_ + 1), point ? xy : nullptr, rec);
    const auto contentWords = static_cast<std::uint32_t>(size / 2 - 4);
    char index[8];
    PutBig32(index, static_cast<std::uint32_t>(shpWords_));
    PutBig32(index + 4, contentWords);
    if (!Write(shp_, rec, size) || !Write(shx_, index, sizeof index)) return false;
    shpWords_ += 4 + contentWords;
    // The file's extent starts at the first record (at zero when it has no shape).
    if (records_ == 0 && point) {
      bounds_[0] = bounds_[2] = x_;
      bounds_[1] = bounds_[3] = y_;
    } else if (point) {
      bounds_[0] = std::min(bounds_[0], x_);
      bounds_[1] = std::min(bounds_[1], y_);
      bounds_[2] = std::max(bounds_[2], x_);
      bounds_[3] = std::max(bounds_[3], y_);
    }
  }
  const std::string& bytes = record_->Bytes();
  if (!Write(dbf_, bytes.data(), bytes.size())) return false;
  ++records_;
  return true;
}

bool ShapefileAppender::Finish() {
  bool ok = !failed_;
  if (ok) {
    const char mark = 0x1A;
    ok = std::fwrite(&mark, 1, 1, dbf_) == 1;
    char count[4];
    PutLittle32(count, static_cast<std::uint32_t>(records_));
    ok = ok && std::fseek(dbf_, 4, SEEK_SET) == 0 && std::fwrite(count, 1, 4, dbf_) == 4;
  }
  if (ok && shp_) {
    // Both headers: the length in words, then xmin, ymin, xmax, ymax (Z and M ranges stay 0).
    char header[kShpHeader];
    ok = std::fseek(shp_, 0, SEEK_SET) == 0 && std::fread(header, 1, sizeof header, shp_) == sizeof header;
    PutDouble(header + 36, bounds_[0]);
    PutDouble(header + 44, bounds_[1]);
    PutDouble(header + 52, bounds_[2]);
    PutDouble(header + 60, bounds_[3]);
    for (int i = 68; i < kShpHeader; ++i) header[i] = 0;
    PutBig32(header + 24, static_cast<std::uint32_t>(shpWords_));
    ok = ok && std::fseek(shp_, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, shp_) == sizeof header;
    PutBig32(header + 24, static_cast<std::uint32_t>((kShpHeader + 8 * records_) / 2));
    ok = ok && std::fseek(shx_, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, shx_) == sizeof header;
  }
  for (std::FILE** f : {&dbf_, &shp_, &shx_}) {
    if (*f && std::fclose(*f) != 0) ok = false;
    *f = nullptr;
  }
  return ok;
}

}  // namespace velk::host
