// The system's unique temporary file name service as the terrain tools use it: an empty file
// named from the first three characters of a prefix, a hexadecimal number and ".tmp", made in
// a folder so that no other caller gets the same name.
#pragma once

#include <string>
#include <string_view>

namespace velk::corvane {

// The new file's full path. Throws a ComError when the folder does not take a new file.
std::wstring CreateTemporaryFile(const std::wstring& folder, std::wstring_view prefix);

// A temporary name held by a run: the empty marker file (CreateTemporaryFile) keeps other runs
// off the name while the run works and is removed when the claim ends, so that nothing of it is
// left behind. A number whose name a file of the folder already carries (a raster a run before
// left under it, with any extension) is passed over, so that a name given up is never taken
// again while what was made under it is there.
class TemporaryNameClaim {
 public:
  TemporaryNameClaim(const std::wstring& folder, std::wstring_view prefix);
  ~TemporaryNameClaim();
  TemporaryNameClaim(const TemporaryNameClaim&) = delete;
  TemporaryNameClaim& operator=(const TemporaryNameClaim&) = delete;

  const std::wstring& Marker() const { return marker_; }  // the marker file's path
  const std::wstring& Folder() const { return folder_; }  // its folder, ending in "/"
  const std::wstring& Name() const { return name_; }      // without folder and extension
  // Removes the marker now (again at the end: nothing happens).
  void Release();

 private:
  std::wstring marker_, folder_, name_;
};

}  // namespace velk::corvane
