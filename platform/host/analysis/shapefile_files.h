// The files of a shapefile as one: removed together, and a shapefile written under a temporary
// base name put in place of the final one only when complete.
#pragma once

#include <filesystem>

namespace velk::host::analysis {

// Removes the .shp, .shx, .dbf, .prj and .cpg of the shapefile; missing files are no error.
void RemoveShapefile(const std::filesystem::path& shp);

// Moves the complete shapefile temp over final, file by file; on failure neither is left.
// False when a file could not be moved.
bool CommitShapefile(const std::filesystem::path& temp, const std::filesystem::path& final);

}  // namespace velk::host::analysis
