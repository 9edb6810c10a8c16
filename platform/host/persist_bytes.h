// Little helpers for object streams of the host's own classes: values appended to a byte string
// and read back with every length checked. Platform-internal.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/com/stream.h"

namespace velk::host {

struct ByteWriter {
  std::string bytes;
  void U32(std::uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); }
  void F64(double v) { bytes.append(reinterpret_cast<const char*>(&v), 8); }
  void Text(const std::string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    bytes += s;
  }
};

struct ByteReader {
  const std::string& bytes;
  std::size_t at = 0;
  bool ok = true;
  std::uint32_t U32() {
    std::uint32_t v = 0;
    if (!Take(&v, 4)) return 0;
    return v;
  }
  double F64() {
    double v = 0;
    if (!Take(&v, 8)) return 0;
    return v;
  }
  std::string Text() {
    const std::uint32_t n = U32();
    if (!ok || n > bytes.size() - at) {
      ok = false;
      return {};
    }
    std::string s = bytes.substr(at, n);
    at += n;
    return s;
  }
  bool Take(void* out, std::size_t n) {
    if (!ok || n > bytes.size() - at) {
      ok = false;
      return false;
    }
    std::memcpy(out, bytes.data() + at, n);
    at += n;
    return true;
  }
};

// A host object's stream part: its bytes behind a 32-bit length. Writing reports the stream's
// failure; reading fails (E_FAIL) on a short stream, and then leaves *bytes empty.
inline HRESULT WriteFramedBytes(IStream* stream, const std::string& bytes) {
  ByteWriter framed;
  framed.Text(bytes);
  ULONG written = 0;
  HRESULT hr = stream->Write(framed.bytes.data(), static_cast<ULONG>(framed.bytes.size()), &written);
  return FAILED(hr) || written != framed.bytes.size() ? E_FAIL : S_OK;
}

inline HRESULT ReadFramedBytes(IStream* stream, std::string* bytes) {
  bytes->clear();
  std::uint32_t length = 0;
  ULONG got = 0;
  if (FAILED(stream->Read(&length, 4, &got)) || got != 4) return E_FAIL;
  std::string read(length, '\0');
  if (length && (FAILED(stream->Read(read.data(), length, &got)) || got != length)) return E_FAIL;
  *bytes = std::move(read);
  return S_OK;
}

}  // namespace velk::host
