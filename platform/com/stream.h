// Byte streams (ISequentialStream, IStream), the persistence interfaces that write objects to
// them (IPersist, IPersistStream), and the two stream implementations: in memory and on a file.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/base_types.h"
#include "platform/com/unknown.h"

constexpr HRESULT STG_E_PATHNOTFOUND = MakeHr(0x80030003);
constexpr HRESULT STG_E_INVALIDPOINTER = MakeHr(0x80030009);

struct LARGE_INTEGER {
  LONGLONG QuadPart;
};
struct ULARGE_INTEGER {
  ULONGLONG QuadPart;
};
// 100-nanosecond intervals since 1 January 1601 (UTC).
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

// Seek origins.
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

// Open modes: one access value, optionally combined with STGM_CREATE; the share flags are
// accepted and not enforced.
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x00000030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr DWORD STGM_FAILIFTHERE = 0x00000000;
constexpr DWORD STGM_CREATE = 0x00001000;

constexpr DWORD STGC_DEFAULT = 0;
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STGTY_STREAM = 2;

struct STATSTG {
  LPOLESTR pwcsName;  // always null here: names are not handed out
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

struct ISequentialStream : IUnknown {
  VELK_INTERFACE_ID("{0C733A30-2A1C-11CE-ADE5-00AA0044773D}")
  // Reads up to cb bytes; fewer (S_OK) at the end of the stream. pcbRead may be null.
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  // Writes cb bytes at the current position; pcbWritten may be null.
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};

struct IStream : ISequentialStream {
  VELK_INTERFACE_ID("{0000000C-0000-0000-C000-000000000046}")
  // A position before the start gives STG_E_INVALIDFUNCTION; beyond the end is allowed (a
  // later write fills the gap with zeros).
  virtual HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER libNewSize) = 0;
  virtual HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                         ULARGE_INTEGER* pcbWritten) = 0;
  virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
  virtual HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
  virtual HRESULT Clone(IStream** ppstm) = 0;
};

struct IPersist : IUnknown {
  VELK_INTERFACE_ID("{0000010C-0000-0000-C000-000000000046}")
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;
};

struct IPersistStream : IPersist {
  VELK_INTERFACE_ID("{00000109-0000-0000-C000-000000000046}")
  virtual HRESULT IsDirty() = 0;  // S_OK when changed since the last save, else S_FALSE
  virtual HRESULT Load(IStream* pStm) = 0;
  virtual HRESULT Save(IStream* pStm, BOOL fClearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* pcbSize) = 0;
};

namespace velk {

// Largest memory stream; growing beyond it gives STG_E_MEDIUMFULL.
constexpr ULONGLONG kMaxMemoryStreamSize = 1ull << 32;

// A growable stream in memory, positioned at 0, optionally holding a copy of bytes. Clones
// share the bytes and have their own position. Commit and Revert do nothing.
HRESULT CreateMemoryStream(IStream** out);
HRESULT CreateMemoryStream(std::string_view bytes, IStream** out);

// A stream on a file. mode is STGM_READ, STGM_WRITE or STGM_READWRITE, plus STGM_CREATE to
// start empty (else the file must exist: STG_E_FILENOTFOUND). A writing stream works on a
// temporary file beside the target; Commit, and the final Release, move it over the target in
// one step, so the target only ever holds complete content. After a failed write (full disk:
// STG_E_MEDIUMFULL; other faults: STG_E_WRITEFAULT) Commit returns that failure and the final
// Release discards the changes. A missing folder gives STG_E_PATHNOTFOUND, a folder or
// unwritable target STG_E_ACCESSDENIED. Revert does nothing; Clone is E_NOTIMPL.
HRESULT CreateFileStream(std::wstring_view path, DWORD mode, IStream** out);

// The whole content of a stream, read from its start; the position is restored afterwards.
HRESULT ReadStreamContents(IStream* stream, std::string& bytes);

}  // namespace velk
