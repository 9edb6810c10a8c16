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

// A record framed by its byte count, as the host's layers write themselves into object streams.
inline HRESULT WriteFramedRecord(IStream* stream, const std::string& record) {
  ByteWriter framed;
  framed.Text(record);
  ULONG written = 0;
  const HRESULT hr =
      stream->Write(framed.bytes.data(), static_cast<ULONG>(framed.bytes.size()), &written);
  return FAILED(hr) || written != framed.bytes.size() ? E_FAIL : S_OK;
}

// Reads a record written by WriteFramedRecord; E_FAIL when the stream is cut short or the count
// is beyond reason.
inline HRESULT ReadFramedRecord(IStream* stream, std::string& record) {
  std::uint32_t length = 0;
  ULONG got = 0;
  if (FAILED(stream->Read(&length, 4, &got)) || got != 4 || length > (1u << 24)) return E_FAIL;
  record.assign(length, '\0');
  if (length && (FAILED(stream->Read(record.data(), length, &got)) || got != length))
    return E_FAIL;
  return S_OK;
}

}  // namespace velk::host
