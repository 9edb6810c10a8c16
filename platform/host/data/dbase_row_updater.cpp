#include "platform/host/data/dbase_row_updater.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <utility>

#include "platform/host/data/shapefile_appender.h"

namespace velk::host {

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;
constexpr int kShpHeader = 100;
constexpr std::uint32_t kShpFileCode = 9994;
constexpr std::uint32_t kShpVersion = 1000;
constexpr std::uint32_t kShpPoint = 1;

std::uint32_t Big32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

std::uint32_t Little32At(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

double DoubleAt(const unsigned char* p) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

long long FileSize(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

bool ReadAll(int fd, void* data, std::size_t size, std::int64_t at) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(at));
    if (n <= 0) return false;
    p += n;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const void* data, std::size_t size, std::int64_t at) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// v within [lo, hi], and on a bound only with the bound's own sign (the driver's min and max
// would otherwise put -0 for 0 into the header).
bool Inside(double v, double lo, double hi) {
  if (!(lo <= v && v <= hi)) return false;
  if (v == lo && std::signbit(v) != std::signbit(lo)) return false;
  return !(v == hi && std::signbit(v) != std::signbit(hi));
}

// The header of a 2-D point shapefile's .shp or .shx as GDAL writes it again from what it read:
// file code, zeros, the length of the file in 16-bit words, version, type, the extent, and zero
// Z and M ranges (which a 2-D point leaves as they are).
bool CanonicalPointHeader(const unsigned char* h, long long fileSize) {
  if (Big32(h) != kShpFileCode || Little32At(h + 28) != kShpVersion ||
      Little32At(h + 32) != kShpPoint || static_cast<long long>(Big32(h + 24)) * 2 != fileSize)
    return false;
  return std::all_of(h + 4, h + 24, [](unsigned char c) { return c == 0; }) &&
         std::all_of(h + 68, h + kShpHeader, [](unsigned char c) { return c == 0; });
}

}  // namespace

bool DbaseRowUpdater::BlockReader::Read(std::int64_t at, std::size_t size, char* out) {
  if (start < 0 || at < start || at + static_cast<std::int64_t>(size) >
                                     start + static_cast<std::int64_t>(block.size())) {
    block.resize(kBlockBytes);
    const ssize_t n = ::pread(fd, block.data(), block.size(), static_cast<off_t>(at));
    if (n < 0) {
      start = -1;
      return false;
    }
    block.resize(static_cast<std::size_t>(n));
    start = at;
    if (block.size() < size) return false;
  }
  std::memcpy(out, block.data() + (at - start), size);
  return true;
}

DbaseRowUpdater::DbaseRowUpdater(DbaseLayout layout, const Options& options)
    : options_(options), layout_(std::move(layout)), record_(layout_.fields, layout_.recordLength) {}

DbaseRowUpdater::~DbaseRowUpdater() {
  for (int fd : {dbf_, shp_, shx_})
    if (fd >= 0) ::close(fd);
}

std::unique_ptr<DbaseRowUpdater> DbaseRowUpdater::Open(const std::string& dbf,
                                                       const std::string& shp,
                                                       const std::string& shx, std::string& why,
                                                       const Options& options) {
  const int dbfFd = ::open(dbf.c_str(), O_RDWR | O_CLOEXEC);
  if (dbfFd < 0) {
    why = "the dBASE file cannot be opened";
    return nullptr;
  }
  DbaseLayout layout;
  if (!ReadDbaseLayout(dbfFd, layout, why)) {
    ::close(dbfFd);
    return nullptr;
  }
  std::unique_ptr<DbaseRowUpdater> u(new DbaseRowUpdater(std::move(layout), options));
  u->dbf_ = dbfFd;
  const DbaseLayout& l = u->layout_;
  // The driver reads the count without its top bit, and the records must all be there.
  if (l.records >= 0x80000000u ||
      FileSize(dbfFd) < l.headerLength + static_cast<long long>(l.records) * l.recordLength) {
    why = "the dBASE file is shorter than its header says";
    return nullptr;
  }
  u->records_ = l.records;
  if (shp.empty()) return u;

  u->shp_ = ::open(shp.c_str(), O_RDONLY | O_CLOEXEC);
  u->shx_ = ::open(shx.c_str(), O_RDONLY | O_CLOEXEC);
  unsigned char sh[kShpHeader], xh[kShpHeader];
  const long long shpSize = u->shp_ >= 0 ? FileSize(u->shp_) : -1;
  const long long shxSize = u->shx_ >= 0 ? FileSize(u->shx_) : -1;
  if (shpSize < kShpHeader || shxSize < kShpHeader || !ReadAll(u->shp_, sh, sizeof sh, 0) ||
      !ReadAll(u->shx_, xh, sizeof xh, 0) || !CanonicalPointHeader(sh, shpSize) ||
      !CanonicalPointHeader(xh, shxSize) || std::memcmp(sh + 28, xh + 28, 72) != 0 ||
      (shxSize - kShpHeader) % 8 != 0) {
    why = "the shapes are not a point shapefile as GDAL writes one";
    return nullptr;
  }
  for (int i = 0; i < 4; ++i) u->bounds_[i] = DoubleAt(sh + 36 + 8 * i);
  u->records_ = std::min<std::int64_t>(u->records_, (shxSize - kShpHeader) / 8);
  u->shpReader_.fd = u->shp_;
  u->shxReader_.fd = u->shx_;
  return u;
}

bool DbaseRowUpdater::SameShape(std::int64_t fid, const double* xy) {
  if (!HasShapes()) return xy == nullptr;
  if (!Holds(fid)) return false;
  unsigned char index[8];
  if (!shxReader_.Read(kShpHeader + fid * 8, sizeof index, reinterpret_cast<char*>(index)))
    return false;
  const std::int64_t offset = std::int64_t{Big32(index)} * 2;
  const std::uint32_t words = Big32(index + 4);
  char want[kShpPointRecordBytes];
  const std::size_t size = ShpPointRecord(static_cast<std::uint32_t>(fid + 1), xy, want);
  if (offset < kShpHeader || words * 2 + 8 != size) return false;
  if (xy && !(Inside(xy[0], bounds_[0], bounds_[2]) && Inside(xy[1], bounds_[1], bounds_[3])))
    return false;
  char have[kShpPointRecordBytes];
  return shpReader_.Read(offset, size, have) && std::memcmp(have, want, size) == 0;
}

void DbaseRowUpdater::Queue(std::int64_t fid) {
  const std::size_t fields = static_cast<std::size_t>(layout_.recordLength - 1);
  const char* bytes = record_.Bytes().data() + 1;
  // Room for all that is queued before Apply, taken once.
  if (pending_.capacity() == 0)
    pending_.reserve(std::min(options_.pendingBytes, static_cast<std::size_t>(records_) * fields) +
                     fields);
  auto [slot, added] = slots_.try_emplace(fid, pending_.size());
  if (added)
    pending_.append(bytes, fields);
  else
    std::memcpy(pending_.data() + slot->second, bytes, fields);
}

bool DbaseRowUpdater::Apply() {
  if (slots_.empty()) return true;
  std::vector<std::pair<std::int64_t, std::size_t>> order(slots_.begin(), slots_.end());
  std::sort(order.begin(), order.end());
  const std::size_t length = static_cast<std::size_t>(layout_.recordLength);
  std::string run;
  bool ok = true;
  for (std::size_t i = 0; ok && i < order.size();) {
    // Neighbouring records are read and written in one piece, each keeping its deletion flag.
    std::size_t end = i + 1;
    while (end < order.size() && order[end].first == order[end - 1].first + 1) ++end;
    const std::int64_t at = layout_.headerLength + order[i].first * static_cast<std::int64_t>(length);
    run.resize((end - i) * length);
    ok = ReadAll(dbf_, run.data(), run.size(), at);
    for (std::size_t k = i; ok && k < end; ++k)
      std::memcpy(run.data() + (k - i) * length + 1, pending_.data() + order[k].second,
                  length - 1);
    ok = ok && WriteAll(dbf_, run.data(), run.size(), at);
    i = end;
  }
  // The date of the last update (years since 1900, month, day), today's as the driver puts it.
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  const unsigned char date[3] = {static_cast<unsigned char>(utc.tm_year),
                                 static_cast<unsigned char>(utc.tm_mon + 1),
                                 static_cast<unsigned char>(utc.tm_mday)};
  ok = ok && WriteAll(dbf_, date, sizeof date, 1);
  slots_.clear();
  pending_.clear();
  return ok;
}

}  // namespace velk::host
