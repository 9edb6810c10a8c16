#include "platform/com/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/object.h"
#include "platform/com/text.h"

namespace velk {
namespace {

constexpr ULONGLONG kMaxPosition = 0x7FFFFFFFFFFFFFFFull;

// New position of a seek, or STG_E_INVALIDFUNCTION for a bad origin or a position outside
// 0..2^63-1.
HRESULT SeekTarget(ULONGLONG current, ULONGLONG size, LARGE_INTEGER move, DWORD origin,
                   ULONGLONG& out) {
  ULONGLONG base = 0;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = current; break;
    case STREAM_SEEK_END: base = size; break;
    default: return STG_E_INVALIDFUNCTION;
  }
  LONGLONG m = move.QuadPart;
  if (m < 0) {
    ULONGLONG back = static_cast<ULONGLONG>(-(m + 1)) + 1;  // |m| without overflow
    if (back > base) return STG_E_INVALIDFUNCTION;
    out = base - back;
  } else {
    if (static_cast<ULONGLONG>(m) > kMaxPosition - std::min(base, kMaxPosition))
      return STG_E_INVALIDFUNCTION;
    out = base + static_cast<ULONGLONG>(m);
  }
  return S_OK;
}

// IStream::CopyTo through the public Read and Write of two streams.
HRESULT CopyBetween(IStream* from, IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                    ULARGE_INTEGER* pcbWritten) {
  if (!to) return STG_E_INVALIDPOINTER;
  ULONGLONG total = 0, written = 0, left = cb.QuadPart;
  std::vector<char> buf(64 * 1024);
  HRESULT hr = S_OK;
  while (left > 0) {
    ULONG want = static_cast<ULONG>(std::min<ULONGLONG>(left, buf.size()));
    ULONG got = 0;
    hr = from->Read(buf.data(), want, &got);
    if (FAILED(hr) || got == 0) break;
    total += got;
    ULONG put = 0;
    hr = to->Write(buf.data(), got, &put);
    written += put;
    if (FAILED(hr)) break;
    if (put < got) {
      hr = STG_E_MEDIUMFULL;
      break;
    }
    left -= got;
    if (got < want) break;
  }
  if (pcbRead) pcbRead->QuadPart = total;
  if (pcbWritten) pcbWritten->QuadPart = written;
  return FAILED(hr) ? hr : S_OK;
}

void ClearStat(STATSTG* s, DWORD mode) {
  *s = STATSTG{};
  s->type = STGTY_STREAM;
  s->grfMode = mode;
}

// ---- memory --------------------------------------------------------------------------------

struct SharedBytes {
  std::mutex mutex;
  std::vector<char> data;
};

class MemoryStream : public ComObjectRoot<MemoryStream, IStream> {
 public:
  void Init(std::shared_ptr<SharedBytes> bytes, ULONGLONG pos) {
    bytes_ = std::move(bytes);
    pos_ = pos;
  }

  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<ISequentialStream>()) {
      *ppv = static_cast<ISequentialStream*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(bytes_->mutex);
    ULONGLONG size = bytes_->data.size();
    ULONG n = pos_ >= size ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(cb, size - pos_));
    if (n) std::memcpy(pv, bytes_->data.data() + pos_, n);
    pos_ += n;
    if (pcbRead) *pcbRead = n;
    return S_OK;
  }

  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    if (cb == 0) return S_OK;
    std::lock_guard<std::mutex> lock(bytes_->mutex);
    if (pos_ > kMaxMemoryStreamSize || cb > kMaxMemoryStreamSize - pos_) return STG_E_MEDIUMFULL;
    HRESULT hr = GrowTo(pos_ + cb);
    if (FAILED(hr)) return hr;
    std::memcpy(bytes_->data.data() + pos_, pv, cb);
    pos_ += cb;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }

  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
    std::lock_guard<std::mutex> lock(bytes_->mutex);
    ULONGLONG target = 0;
    HRESULT hr = SeekTarget(pos_, bytes_->data.size(), move, origin, target);
    if (FAILED(hr)) return hr;
    pos_ = target;
    if (newPos) newPos->QuadPart = pos_;
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER size) override {
    if (size.QuadPart > kMaxMemoryStreamSize) return STG_E_MEDIUMFULL;
    std::lock_guard<std::mutex> lock(bytes_->mutex);
    if (size.QuadPart < bytes_->data.size()) {
      bytes_->data.resize(static_cast<std::size_t>(size.QuadPart));
      return S_OK;
    }
    return GrowTo(size.QuadPart);
  }

  HRESULT CopyTo(IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                 ULARGE_INTEGER* written) override {
    return CopyBetween(this, to, cb, read, written);
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT Stat(STATSTG* s, DWORD) override {
    if (!s) return STG_E_INVALIDPOINTER;
    ClearStat(s, STGM_READWRITE);
    std::lock_guard<std::mutex> lock(bytes_->mutex);
    s->cbSize.QuadPart = bytes_->data.size();
    return S_OK;
  }

  HRESULT Clone(IStream** out) override {
    if (!out) return STG_E_INVALIDPOINTER;
    *out = nullptr;
    ComObject<MemoryStream>* p = nullptr;
    HRESULT hr = ComObject<MemoryStream>::Create(&p);
    if (FAILED(hr)) return hr;
    {
      std::lock_guard<std::mutex> lock(bytes_->mutex);
      p->Init(bytes_, pos_);
    }
    *out = p;
    return S_OK;
  }

 private:
  // Caller holds the lock; size is within kMaxMemoryStreamSize.
  HRESULT GrowTo(ULONGLONG size) {
    if (size <= bytes_->data.size()) return S_OK;
    try {
      bytes_->data.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

  std::shared_ptr<SharedBytes> bytes_;
  ULONGLONG pos_ = 0;
};

// ---- file ----------------------------------------------------------------------------------

HRESULT OpenError(int err, bool missingFileIsPath) {
  switch (err) {
    case ENOENT: return missingFileIsPath ? STG_E_PATHNOTFOUND : STG_E_FILENOTFOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return STG_E_PATHNOTFOUND;
    case ENOSPC:
    case EDQUOT: return STG_E_MEDIUMFULL;
    case ENOMEM: return E_OUTOFMEMORY;
    default: return STG_E_ACCESSDENIED;  // EACCES, EPERM, EROFS, EISDIR, ETXTBSY and the rest
  }
}

HRESULT WriteError(int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return STG_E_MEDIUMFULL;
    case EACCES:
    case EPERM:
    case EROFS: return STG_E_ACCESSDENIED;
    default: return STG_E_WRITEFAULT;
  }
}

FILETIME ToFileTime(const struct timespec& t) {
  // Seconds between 1601-01-01 and 1970-01-01.
  constexpr ULONGLONG kEpochDelta = 11644473600ull;
  ULONGLONG ticks = (static_cast<ULONGLONG>(t.tv_sec) + kEpochDelta) * 10000000ull +
                    static_cast<ULONGLONG>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::string ParentFolder(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class FileStream : public ComObjectRoot<FileStream, IStream> {
 public:
  ~FileStream() override { CloseFd(); }

  HRESULT Open(std::string path, DWORD mode) {
    DWORD access = mode & 3;
    if (access == 3) return E_INVALIDARG;
    if ((mode & STGM_CREATE) && access == STGM_READ) return E_INVALIDARG;
    path_ = std::move(path);
    mode_ = mode;
    readable_ = access != STGM_WRITE;
    writable_ = access != STGM_READ;
    if (path_.empty()) return STG_E_PATHNOTFOUND;
    struct stat st {};
    bool exists = ::stat(path_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return STG_E_ACCESSDENIED;
    if (!writable_) {
      fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
      return fd_ < 0 ? OpenError(errno, false) : S_OK;
    }
    if (!exists) {
      int err = errno;
      if (!(mode & STGM_CREATE)) return OpenError(err, err != ENOENT);
    } else if (::access(path_.c_str(), W_OK) != 0) {
      return STG_E_ACCESSDENIED;
    }
    int base = -1;
    if (exists && !(mode & STGM_CREATE)) {
      base = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
      if (base < 0) return OpenError(errno, false);
    }
    HRESULT hr = StartTemp(base, exists ? st.st_mode & 07777 : 0);
    if (base >= 0) ::close(base);
    return hr;
  }

  // The final release publishes the content unless a write failed; a left-over temporary file
  // is removed, so a half-written file never takes the target's place.
  void FinalRelease() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!temp_.empty() && SUCCEEDED(failed_)) CommitLocked();
    if (!temp_.empty()) {
      CloseFd();
      ::unlink(temp_.c_str());
      temp_.clear();
    }
  }

  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<ISequentialStream>()) {
      *ppv = static_cast<ISequentialStream*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    if (!readable_) return STG_E_ACCESSDENIED;
    std::lock_guard<std::mutex> lock(mutex_);
    ULONG done = 0;
    while (done < cb) {
      ssize_t n = ::pread(fd_, static_cast<char*>(pv) + done, cb - done, static_cast<off_t>(pos_));
      if (n < 0) {
        if (errno == EINTR) continue;
        if (pcbRead) *pcbRead = done;
        return STG_E_READFAULT;
      }
      if (n == 0) break;
      done += static_cast<ULONG>(n);
      pos_ += static_cast<ULONGLONG>(n);
    }
    if (pcbRead) *pcbRead = done;
    return S_OK;
  }

  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    if (!writable_) return STG_E_ACCESSDENIED;
    std::lock_guard<std::mutex> lock(mutex_);
    if (FAILED(failed_)) return failed_;
    if (cb == 0) return S_OK;
    if (pos_ > kMaxPosition - cb) return STG_E_MEDIUMFULL;
    HRESULT hr = EnsureTemp();
    if (FAILED(hr)) return hr;
    ULONG done = 0;
    while (done < cb) {
      ssize_t n =
          ::pwrite(fd_, static_cast<const char*>(pv) + done, cb - done, static_cast<off_t>(pos_));
      if (n < 0) {
        if (errno == EINTR) continue;
        failed_ = WriteError(errno);
        if (pcbWritten) *pcbWritten = done;
        return failed_;
      }
      done += static_cast<ULONG>(n);
      pos_ += static_cast<ULONGLONG>(n);
    }
    if (pcbWritten) *pcbWritten = done;
    return S_OK;
  }

  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ULONGLONG size = 0;
    if (origin == STREAM_SEEK_END) {
      struct stat st {};
      if (::fstat(fd_, &st) != 0) return STG_E_READFAULT;
      size = static_cast<ULONGLONG>(st.st_size);
    }
    ULONGLONG target = 0;
    HRESULT hr = SeekTarget(pos_, size, move, origin, target);
    if (FAILED(hr)) return hr;
    pos_ = target;
    if (newPos) newPos->QuadPart = pos_;
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER size) override {
    if (!writable_) return STG_E_ACCESSDENIED;
    if (size.QuadPart > kMaxPosition) return STG_E_MEDIUMFULL;
    std::lock_guard<std::mutex> lock(mutex_);
    if (FAILED(failed_)) return failed_;
    HRESULT hr = EnsureTemp();
    if (FAILED(hr)) return hr;
    while (::ftruncate(fd_, static_cast<off_t>(size.QuadPart)) != 0) {
      if (errno != EINTR) return WriteError(errno);
    }
    return S_OK;
  }

  HRESULT CopyTo(IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                 ULARGE_INTEGER* written) override {
    return CopyBetween(this, to, cb, read, written);
  }

  HRESULT Commit(DWORD) override {
    if (!writable_) return S_OK;
    std::lock_guard<std::mutex> lock(mutex_);
    return CommitLocked();
  }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT Stat(STATSTG* s, DWORD) override {
    if (!s) return STG_E_INVALIDPOINTER;
    ClearStat(s, mode_);
    std::lock_guard<std::mutex> lock(mutex_);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return STG_E_ACCESSDENIED;
    s->cbSize.QuadPart = static_cast<ULONGLONG>(st.st_size);
    s->mtime = ToFileTime(st.st_mtim);
    s->ctime = ToFileTime(st.st_ctim);
    s->atime = ToFileTime(st.st_atim);
    return S_OK;
  }

  HRESULT Clone(IStream** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  void CloseFd() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // Makes a new temporary file beside the target holding the bytes of fd `from` (none when
  // from < 0) and switches to it. perm 0 keeps the default permissions of a new file.
  HRESULT StartTemp(int from, mode_t perm) {
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      auto stamp = static_cast<unsigned long long>(
          std::chrono::steady_clock::now().time_since_epoch().count());
      char suffix[64];
      std::snprintf(suffix, sizeof suffix, ".~%d.%u.%llx", static_cast<int>(::getpid()), counter++,
                    stamp & 0xFFFFFF);
      temp = path_ + suffix;
      fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) return OpenError(errno, true);
    }
    if (fd < 0) return STG_E_ACCESSDENIED;
    if (perm) ::fchmod(fd, perm);
    if (from >= 0) {
      std::vector<char> buf(64 * 1024);
      off_t at = 0;
      for (;;) {
        ssize_t n = ::pread(from, buf.data(), buf.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          ::close(fd);
          ::unlink(temp.c_str());
          return STG_E_READFAULT;
        }
        if (n == 0) break;
        ssize_t off = 0;
        while (off < n) {
          ssize_t w = ::pwrite(fd, buf.data() + off, static_cast<std::size_t>(n - off), at + off);
          if (w < 0 && errno == EINTR) continue;
          if (w < 0) {
            HRESULT hr = WriteError(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return hr;
          }
          off += w;
        }
        at += n;
      }
    }
    CloseFd();
    fd_ = fd;
    temp_ = temp;
    return S_OK;
  }

  // After a commit the stream reads the published file; the next change starts a new
  // temporary copy of it.
  HRESULT EnsureTemp() {
    if (!temp_.empty()) return S_OK;
    struct stat st {};
    mode_t perm = ::fstat(fd_, &st) == 0 ? st.st_mode & 07777 : 0;
    return StartTemp(fd_, perm);
  }

  HRESULT CommitLocked() {
    if (FAILED(failed_)) return failed_;
    if (temp_.empty()) return S_OK;
    while (::fsync(fd_) != 0) {
      if (errno == EINTR) continue;
      failed_ = WriteError(errno);
      return failed_;
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) return OpenError(errno, true);
    temp_.clear();
    int dir = ::open(ParentFolder(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return S_OK;
  }

  std::mutex mutex_;
  std::string path_;
  std::string temp_;  // non-empty while changes wait for the next commit
  DWORD mode_ = 0;
  bool readable_ = false;
  bool writable_ = false;
  int fd_ = -1;
  ULONGLONG pos_ = 0;
  HRESULT failed_ = S_OK;  // the first write failure; it sticks
};

}  // namespace

HRESULT CreateMemoryStream(IStream** out) { return CreateMemoryStream({}, out); }

HRESULT CreateMemoryStream(std::string_view bytes, IStream** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (bytes.size() > kMaxMemoryStreamSize) return STG_E_MEDIUMFULL;
  VELK_TRY
  auto shared = std::make_shared<SharedBytes>();
  shared->data.assign(bytes.begin(), bytes.end());
  ComObject<MemoryStream>* p = nullptr;
  HRESULT hr = ComObject<MemoryStream>::Create(&p);
  if (FAILED(hr)) return hr;
  p->Init(std::move(shared), 0);
  *out = p;
  return S_OK;
  VELK_CATCH
}

HRESULT CreateFileStream(std::wstring_view path, DWORD mode, IStream** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  VELK_TRY
  ComObject<FileStream>* p = nullptr;
  HRESULT hr = ComObject<FileStream>::Create(&p);
  if (FAILED(hr)) return hr;
  hr = p->Open(ToUtf8(path), mode);
  if (FAILED(hr)) {
    p->Release();
    return hr;
  }
  *out = p;
  return S_OK;
  VELK_CATCH
}

HRESULT ReadStreamContents(IStream* stream, std::string& bytes) {
  if (!stream) return E_POINTER;
  ULARGE_INTEGER saved{};
  HRESULT hr = stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &saved);
  if (FAILED(hr)) return hr;
  hr = stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  std::string result;
  VELK_TRY
  char buf[16 * 1024];
  for (;;) {
    ULONG got = 0;
    hr = stream->Read(buf, sizeof buf, &got);
    if (FAILED(hr)) break;
    if (got == 0) break;
    result.append(buf, got);
  }
  VELK_CATCH
  HRESULT back =
      stream->Seek(LARGE_INTEGER{static_cast<LONGLONG>(saved.QuadPart)}, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  if (FAILED(back)) return back;
  bytes = std::move(result);
  return S_OK;
}

}  // namespace velk
