// The system's unique temporary file name service as the terrain tools use it: an empty file
// named from the first three characters of a prefix, a hexadecimal number and ".tmp", made in
// a folder so that no other caller gets the same name.
#pragma once

#include <string>
#include <string_view>

namespace velk::corvane {

// The new file's full path. Throws a ComError when the folder does not take a new file.
std::wstring CreateTemporaryFile(const std::wstring& folder, std::wstring_view prefix);

}  // namespace velk::corvane
