// Little helpers for object streams of the host's own classes: values appended to a byte string
// and read back with every length checked. Platform-internal.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

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

}  // namespace velk::host
