// What the fuzz targets share: the input bytes as the texts the readers take.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <algorithm>

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

// The input as a file of the given name, for readers that take a path: in a folder of the
// process's own under the temporary folder, written again for each input and removed at exit.
inline std::string AsFile(std::string_view bytes, const std::string& name) {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "velk-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    static std::string made = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(made, ec);
    });
    return std::filesystem::path(pattern);
  }();
  const std::string path = (folder / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Splits the input in two at the length its first two bytes give (cut to what is there).
inline std::pair<std::string_view, std::string_view> TwoParts(std::string_view bytes) {
  if (bytes.size() < 2) return {bytes, {}};
  const std::size_t first =
      std::min<std::size_t>(static_cast<unsigned char>(bytes[0]) |
                                static_cast<std::size_t>(static_cast<unsigned char>(bytes[1])) << 8,
                            bytes.size() - 2);
  return {bytes.substr(2, first), bytes.substr(2 + first)};
}

}  // namespace velk::fuzz
