// The storage settings a mosaic into a database takes from the environment: six variables,
// each read when set and turned into a number by its leading digits (as _wtol does), each
// setting one storage parameter.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace velk::corvane {

struct StorageOverrides {
  std::optional<long> tileWidth;     // DataLoading_Osk_TileCX
  std::optional<long> tileHeight;    // DataLoading_Osk_TileCY
  std::optional<long> resampling;    // DataLoading_ResamplingType
  std::optional<long> compression;   // DataLoading_Osk_CompressionType
  std::optional<long> pyramidLevel;  // DataLoading_Osk_PyramidsLevel
  std::optional<long> quality;       // DataLoading_Osk_CompressionQuality
};

// A variable's text, or none when it is unset or empty.
using EnvironmentReader = std::function<std::optional<std::wstring>(const char* name)>;

// The process environment (texts read as UTF-8, at most 259 characters as the buffer takes).
std::optional<std::wstring> ProcessEnvironment(const char* name);

// The number at the start of a text as _wtol reads it: leading white space, an optional sign,
// then decimal digits; 0 when there are none. Values beyond a 32-bit number stop at its limits.
long LeadingNumber(const std::wstring& text);

StorageOverrides ReadStorageOverrides(const EnvironmentReader& read = ProcessEnvironment);

}  // namespace velk::corvane
