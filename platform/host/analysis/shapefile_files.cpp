#include "platform/host/analysis/shapefile_files.h"

namespace velk::host::analysis {

namespace fs = std::filesystem;

namespace {
constexpr const char* kExtensions[] = {".shp", ".shx", ".dbf", ".prj", ".cpg"};
}

void RemoveShapefile(const fs::path& shp) {
  std::error_code ec;
  for (const char* ext : kExtensions) fs::remove(fs::path(shp).replace_extension(ext), ec);
}

bool CommitShapefile(const fs::path& temp, const fs::path& final) {
  RemoveShapefile(final);
  std::error_code ec;
  for (const char* ext : kExtensions) {
    const fs::path from = fs::path(temp).replace_extension(ext);
    if (!fs::exists(from)) continue;
    fs::rename(from, fs::path(final).replace_extension(ext), ec);
    if (ec) {
      RemoveShapefile(final);
      RemoveShapefile(temp);
      return false;
    }
  }
  return true;
}

}  // namespace velk::host::analysis
