// Safe file names for the 3-D viewer's extracted layers: a layer's display name may hold
// separators, "..", characters no file system takes, or repeat another layer's name.
#pragma once

#include <string>

namespace velk::corvane {

struct ViewerFileNameOptions {
  std::size_t maxLength = 60;          // characters of the cleaned name, before any number
  std::wstring fallback = L"layer";    // for a name with nothing usable in it
};

// The display name as a base name for a shapefile in folder: every separator, control
// character and character of <>:"/\|?* becomes '_', leading dots and blanks and trailing dots
// and blanks are dropped, and the name is cut to the maximum length. When folder holds a file
// of that base name already (any extension, letter case ignored), "_1", "_2", ... is added.
std::wstring SafeUniqueBaseName(const std::wstring& displayName, const std::wstring& folder,
                                const ViewerFileNameOptions& options = {});

}  // namespace velk::corvane
