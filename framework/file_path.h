// A path value over one wide string, made absolute on construction. Paths are native ("/"
// separated); a back slash in the text given is taken as a separator too.
#pragma once

#include <string>
#include <string_view>

namespace velk::corvane {

class CFilePath {
 public:
  CFilePath() = default;
  // The absolute form of path: relative paths are taken from the current folder, "." and ".."
  // and repeated separators are resolved; a trailing separator is kept. An empty text stays
  // empty.
  explicit CFilePath(std::wstring_view path);
  explicit CFilePath(const wchar_t* path) : CFilePath(std::wstring_view(path ? path : L"")) {}
  // folder and name joined with one separator, then made absolute.
  CFilePath(std::wstring_view folder, std::wstring_view name);

  const std::wstring& Text() const { return text_; }
  operator const std::wstring&() const { return text_; }

  // Drive and directory; without keepTrailingSeparator one trailing separator is dropped
  // ("/data/out/a.shp" -> "/data/out/" or "/data/out").
  std::wstring GetFolder(bool keepTrailingSeparator) const;
  // Always empty here: native paths have no drive part.
  std::wstring GetDrive() const;
  // The directory with its leading and trailing separators ("/data/out/").
  std::wstring GetDirectory() const;
  std::wstring GetFileName() const;  // base name and extension
  std::wstring GetBaseName() const;
  std::wstring GetExtension() const;  // with its dot

  // Each setter replaces one part and joins the parts again; the text is not made absolute
  // again. A directory gets a trailing separator and an extension a leading dot when missing.
  // SetFileName replaces the base name and keeps the extension; SetDrive changes nothing, as
  // native paths have no drive.
  CFilePath& SetDrive(std::wstring_view drive);
  CFilePath& SetDirectory(std::wstring_view directory);
  CFilePath& SetFileName(std::wstring_view baseName);
  CFilePath& SetExtension(std::wstring_view extension);

  // True when something (file, folder, link) exists at the path.
  bool Exists() const;

 private:
  struct Parts {
    std::wstring drive, directory, baseName, extension;
  };
  Parts Split() const;
  void Join(const Parts& parts);
  std::wstring text_;
};

// name with every character a file name may not hold (<>:"/\|?*, and with controls every
// control character) replaced by with.
std::wstring ReplaceRefusedNameCharacters(std::wstring_view name, wchar_t with, bool controls);

}  // namespace velk::corvane
