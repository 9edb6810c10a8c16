#include "platform/host/dataset_files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>

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

std::string LowerExtension(const fs::path& p) {
  std::string e = p.extension().string();
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

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
