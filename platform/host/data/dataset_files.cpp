#include "platform/host/data/dataset_files.h"
#include "platform/com/plain_text.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace velk::host {

namespace fs = std::filesystem;

namespace {

// Room under which a file system counts as full: less than a few blocks.
constexpr unsigned long long kNearlyFull = 64 * 1024;

int SystemRename(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}
int SystemRemove(const fs::path& file) { return ::unlink(file.c_str()) == 0 ? 0 : errno; }

bool ReadAt(std::ifstream& in, std::streamoff at, unsigned char* buf, std::size_t n) {
  in.seekg(at);
  in.read(reinterpret_cast<char*>(buf), static_cast<std::streamsize>(n));
  return static_cast<std::size_t>(in.gcount()) == n;
}

std::string LowerExtension(const fs::path& p) { return ToLower(p.extension().string()); }

}  // namespace

const FileOps& SystemFileOps() {
  static const FileOps ops{SystemRename, SystemRemove};
  return ops;
}

int MoveAll(const std::vector<std::pair<fs::path, fs::path>>& moves, fs::path& failed,
            const FileOps& ops) {
  for (std::size_t i = 0; i < moves.size(); ++i) {
    if (int err = ops.rename(moves[i].first, moves[i].second)) {
      failed = moves[i].first;
      for (std::size_t k = i; k-- > 0;) ops.rename(moves[k].second, moves[k].first);
      return err;
    }
  }
  return 0;
}

int CopyFileChecked(const fs::path& from, const fs::path& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    int err = errno;
    ::close(in);
    return err;
  }
  int err = 0;
  static thread_local char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = errno;
      break;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n && !err;) {
      ssize_t w = ::write(out, buf + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno != EINTR) err = errno;
      if (w > 0) done += w;
    }
    if (err) break;
  }
  if (!err && ::fsync(out) != 0) err = errno;
  if (::close(out) != 0 && !err) err = errno;
  ::close(in);
  if (err) ::unlink(to.c_str());
  return err;
}

int SyncFile(const fs::path& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return err == EINVAL ? 0 : err;  // a file system without fsync keeps nothing to flush
}

void SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool SameContent(const fs::path& a, const fs::path& b) {
  std::error_code ec1, ec2;
  auto sa = fs::file_size(a, ec1), sb = fs::file_size(b, ec2);
  if (ec1 || ec2 || sa != sb) return false;
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  static thread_local char ba[1 << 16], bb[1 << 16];
  while (fa && fb) {
    fa.read(ba, sizeof ba);
    fb.read(bb, sizeof bb);
    if (fa.gcount() != fb.gcount()) return false;
    if (std::memcmp(ba, bb, static_cast<std::size_t>(fa.gcount())) != 0) return false;
  }
  return fa.eof() && fb.eof();
}

bool FileComplete(const fs::path& file) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) return false;
  const std::string ext = LowerExtension(file);
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  if (ext == ".dbf") {
    unsigned char h[12];
    if (!ReadAt(in, 0, h, sizeof h)) return false;
    const std::uint64_t records = h[4] | h[5] << 8 | h[6] << 16 | std::uint64_t(h[7]) << 24;
    const std::uint64_t headerLength = h[8] | h[9] << 8;
    const std::uint64_t recordLength = h[10] | h[11] << 8;
    return headerLength >= 33 && recordLength > 0 && size >= headerLength + records * recordLength;
  }
  if (ext == ".shp" || ext == ".shx") {
    unsigned char h[28];
    if (!ReadAt(in, 0, h, sizeof h)) return false;
    const std::uint64_t words =
        std::uint64_t(h[24]) << 24 | std::uint64_t(h[25]) << 16 | h[26] << 8 | h[27];
    return h[0] == 0 && h[1] == 0 && h[2] == 0x27 && h[3] == 0x0A && words * 2 == size;
  }
  return true;
}

int MarkDbaseEnd(const fs::path& file) {
  int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno;
  unsigned char h[12];
  struct stat st {};
  int err = 0;
  if (::pread(fd, h, sizeof h, 0) == static_cast<ssize_t>(sizeof h) && ::fstat(fd, &st) == 0) {
    const std::uint64_t records = h[4] | h[5] << 8 | h[6] << 16 | std::uint64_t(h[7]) << 24;
    const std::uint64_t headerLength = h[8] | h[9] << 8;
    const std::uint64_t recordLength = h[10] | h[11] << 8;
    const std::uint64_t end = headerLength + records * recordLength;
    const unsigned char mark = 0x1A;
    if (headerLength >= 33 && static_cast<std::uint64_t>(st.st_size) == end &&
        ::pwrite(fd, &mark, 1, static_cast<off_t>(end)) != 1)
      err = errno ? errno : EIO;
  }
  ::close(fd);
  return err;
}

char DbaseNullMark(char type) {
  switch (type) {
    case 'N':
    case 'F': return '*';
    case 'D': return '0';
    case 'L': return '?';
    default: return ' ';
  }
}

namespace {

// A dBASE header's record count, header length and record length, and the null marks of the
// fields it describes from field `from` on.
struct DbaseLayout {
  std::uint64_t records = 0;
  std::size_t headerLength = 0, recordLength = 0, fields = 0;
  std::string nullMarks;
};

bool ReadLayout(const unsigned char* h, std::size_t size, std::size_t from, DbaseLayout& out) {
  if (size < 33) return false;
  out.records = h[4] | h[5] << 8 | h[6] << 16 | std::uint64_t(h[7]) << 24;
  out.headerLength = h[8] | h[9] << 8;
  out.recordLength = h[10] | h[11] << 8;
  if (out.headerLength < 33 || out.headerLength > size) return false;
  out.fields = 0;
  out.nullMarks.clear();
  for (std::size_t at = 32; at + 32 <= out.headerLength && h[at] != 0x0D; at += 32, ++out.fields) {
    if (out.fields < from) continue;
    const char type = static_cast<char>(h[at + 11]);
    const std::size_t width = type == 'C' ? h[at + 16] + h[at + 17] * 256u : h[at + 16];
    out.nullMarks.append(width, DbaseNullMark(type));
  }
  return true;
}

}  // namespace

int AppendDbaseFields(const fs::path& file, const std::string& header) {
  constexpr std::size_t kBufferBytes = 1 << 20;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rbe"), std::fclose);
  if (!in) return errno;
  std::setvbuf(in.get(), nullptr, _IOFBF, kBufferBytes);
  std::vector<unsigned char> oldHeader(32);
  DbaseLayout before, after;
  if (std::fread(oldHeader.data(), 1, 32, in.get()) != 32) return EINVAL;
  oldHeader.resize(std::max<std::size_t>(32, oldHeader[8] | oldHeader[9] << 8));
  if (std::fread(oldHeader.data() + 32, 1, oldHeader.size() - 32, in.get()) !=
          oldHeader.size() - 32 ||
      !ReadLayout(oldHeader.data(), oldHeader.size(), 0, before))
    return EINVAL;
  const auto* h = reinterpret_cast<const unsigned char*>(header.data());
  if (!ReadLayout(h, header.size(), before.fields, after) || after.headerLength != header.size() ||
      before.recordLength + after.nullMarks.size() != after.recordLength)
    return EINVAL;

  const fs::path working = fs::path(file).concat(".widening");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(working.c_str(), "wbe"),
                                                      std::fclose);
  if (!out) return errno;
  std::setvbuf(out.get(), nullptr, _IOFBF, kBufferBytes);
  std::string head = header;
  for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<char>(before.records >> (8 * i));
  int err = 0;
  auto put = [&](const void* data, std::size_t size) {
    if (!err && std::fwrite(data, 1, size, out.get()) != size) err = errno ? errno : EIO;
  };
  put(head.data(), head.size());
  std::string record(before.recordLength, ' ');
  for (std::uint64_t r = 0; r < before.records && !err; ++r) {
    if (std::fread(record.data(), 1, record.size(), in.get()) != record.size()) err = EIO;
    put(record.data(), record.size());
    put(after.nullMarks.data(), after.nullMarks.size());
  }
  const char end = 0x1A;
  put(&end, 1);
  if (!err && std::fflush(out.get()) != 0) err = errno ? errno : EIO;
  if (std::fclose(out.release()) != 0 && !err) err = errno ? errno : EIO;
  if (!err) err = SystemRename(working, file);
  if (err) ::unlink(working.c_str());
  return err;
}

std::string WriteFailureText(int err, const fs::path& folder) {
  struct statvfs vfs {};
  if (err == ENOSPC || (::statvfs(folder.empty() ? "." : folder.c_str(), &vfs) == 0 &&
                        static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize < kNearlyFull))
    return "disk full";
  rlimit limit{};
  if (err == EFBIG ||
      (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && err == 0))
    return "file size limit reached";
  if (err) return std::strerror(err);
  return "the data could not be written";
}

std::string WhyNotADataset(const std::string& path) {
  if (path.empty()) return "no path was given";
  if (path.size() >= PATH_MAX) return "the path is too long";
  const fs::path p(path);
  for (const auto& part : p)
    if (part.string().size() > NAME_MAX)
      return "the name " + part.string().substr(0, 40) + "... is too long";
  const std::string name = p.filename().string();
  for (char c : std::string("\"|*?:<>"))
    if (name.find(c) != std::string::npos)
      return std::string("the name holds the character '") + c +
             "', which dataset names cannot have";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    // A table inside a database file: the database decides.
    struct stat parent {};
    if (::stat(p.parent_path().c_str(), &parent) == 0 && S_ISREG(parent.st_mode)) return {};
    const std::string ext = LowerExtension(p);
    auto sibling = [&](const char* e) {
      fs::path other = p;
      other.replace_extension(e);
      std::error_code ec;
      return fs::exists(other, ec);
    };
    if (ext == ".shp" && sibling(".dbf"))
      return "the shapefile's .shp file is missing (only its .dbf is there)";
    if (err == ENAMETOOLONG) return "the path is too long";
    if (err == EACCES) return "a folder on the path cannot be entered";
    if (err == ENOENT || err == ENOTDIR) return "there is no such file";
    return std::strerror(err);
  }
  if (S_ISDIR(st.st_mode)) return "it is a folder, not a table or feature class";
  if (S_ISFIFO(st.st_mode)) return "it is a named pipe, not a file";
  if (!S_ISREG(st.st_mode)) return "it is a device or socket, not a file";
  if (::access(path.c_str(), R_OK) != 0) return "the file cannot be read";
  if (LowerExtension(p) == ".shp") {
    bool dbf = false;
    std::error_code ec;
    for (const auto& e :
         fs::directory_iterator(p.parent_path().empty() ? fs::path(".") : p.parent_path(), ec))
      if (e.path().stem() == p.stem() && LowerExtension(e.path()) == ".dbf") dbf = true;
    if (!dbf) return "the shapefile's attribute file (.dbf) is missing";
  }
  return {};
}

}  // namespace velk::host
