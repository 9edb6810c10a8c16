#include "layers/new_guid_string.h"

#include <cstdint>
#include <random>
#include <string>

namespace velk::lumeris {

namespace {

// A random (version 4, RFC 4122 variant) GUID.
GUID RandomGuid() {
  static thread_local std::mt19937_64 engine{[] {
    std::random_device rd;
    std::seed_seq seq{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
    return std::mt19937_64(seq);
  }()};
  unsigned char b[16];
  for (int i = 0; i < 16; i += 8) {
    std::uint64_t r = engine();
    for (int k = 0; k < 8; ++k) b[i + k] = static_cast<unsigned char>(r >> (8 * k));
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  GUID g{};
  g.Data1 = static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
            static_cast<std::uint32_t>(b[2]) << 8 | b[3];
  g.Data2 = static_cast<std::uint16_t>(b[4] << 8 | b[5]);
  g.Data3 = static_cast<std::uint16_t>(b[6] << 8 | b[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = b[8 + i];
  return g;
}

}  // namespace

BSTR NewGuidString() {
  std::wstring text = GuidToString(RandomGuid());  // braced
  return AllocBstr(std::wstring_view(text).substr(1, 36));
}

}  // namespace velk::lumeris
