// Conversions between the runtime's wide strings and UTF-8 (file names, GDAL) or UTF-16LE
// (stored byte formats). The only place where text changes encoding.
#pragma once

#include <string>
#include <string_view>

namespace velk {

std::string ToUtf8(std::wstring_view w);
std::wstring FromUtf8(std::string_view s);
std::string ToUtf16Le(std::wstring_view w);        // bytes, little-endian, no terminator
std::wstring FromUtf16Le(std::string_view bytes);  // odd trailing byte is ignored

}  // namespace velk
