// What the fuzz targets share: the input bytes as the texts the readers take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velk::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Each byte is one character, so every value 0-255 (NULs, controls, Latin-1 letters such as
// the degree sign) reaches the reader.
inline std::wstring Wide(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) text.push_back(static_cast<wchar_t>(c));
  return text;
}

}  // namespace velk::fuzz
