#include "framework/file_path.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/com/text.h"

namespace velk::corvane {

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::wstring CurrentFolder() {
  std::error_code ec;
  auto cwd = std::filesystem::current_path(ec);
  return ec ? std::wstring(L"/") : FromUtf8(cwd.string());
}

// The absolute, lexically resolved form of a path.
std::wstring MakeAbsolute(std::wstring_view path) {
  if (path.empty()) return {};
  std::wstring text(path);
  for (auto& c : text)
    if (c == L'\\') c = L'/';
  if (text.front() != L'/') text = CurrentFolder() + L"/" + text;
  bool trailing = text.back() == L'/';

  std::vector<std::wstring> segments;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t next = text.find(L'/', pos);
    if (next == std::wstring::npos) next = text.size();
    std::wstring seg = text.substr(pos, next - pos);
    if (seg == L"..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!seg.empty() && seg != L".") {
      segments.push_back(std::move(seg));
    }
    pos = next + 1;
  }
  std::wstring out;
  for (const auto& s : segments) out += L"/" + s;
  if (out.empty() || trailing) out += L"/";
  return out;
}

}  // namespace

CFilePath::CFilePath(std::wstring_view path) : text_(MakeAbsolute(path)) {}

CFilePath::CFilePath(std::wstring_view folder, std::wstring_view name) {
  std::wstring joined(folder);
  while (!joined.empty() && IsSeparator(joined.back())) joined.pop_back();
  std::size_t skip = 0;
  while (skip < name.size() && IsSeparator(name[skip])) ++skip;
  joined += L"/";
  joined += name.substr(skip);
  text_ = MakeAbsolute(joined);
}

CFilePath::Parts CFilePath::Split() const {
  Parts p;
  std::size_t slash = text_.find_last_of(L"/\\");
  std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  p.directory = text_.substr(0, nameStart);
  std::wstring name = text_.substr(nameStart);
  std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) {
    p.baseName = name;
  } else {
    p.baseName = name.substr(0, dot);
    p.extension = name.substr(dot);
  }
  return p;
}

void CFilePath::Join(const Parts& p) {
  std::wstring out = p.drive;
  out += p.directory;
  if (!p.directory.empty() && !IsSeparator(p.directory.back())) out += L"/";
  out += p.baseName;
  if (!p.extension.empty() && p.extension.front() != L'.') out += L".";
  out += p.extension;
  text_ = std::move(out);
}

std::wstring CFilePath::GetFolder(bool keepTrailingSeparator) const {
  Parts p = Split();
  std::wstring folder = p.drive + p.directory;
  if (!keepTrailingSeparator && !p.directory.empty() && IsSeparator(p.directory.back()))
    folder.pop_back();
  return folder;
}

std::wstring CFilePath::GetDrive() const { return Split().drive; }
std::wstring CFilePath::GetDirectory() const { return Split().directory; }
std::wstring CFilePath::GetFileName() const {
  Parts p = Split();
  return p.baseName + p.extension;
}
std::wstring CFilePath::GetBaseName() const { return Split().baseName; }
std::wstring CFilePath::GetExtension() const { return Split().extension; }

CFilePath& CFilePath::SetDrive(std::wstring_view) {
  // Native paths have no drive part: nothing to replace.
  return *this;
}

CFilePath& CFilePath::SetDirectory(std::wstring_view directory) {
  Parts p = Split();
  p.directory = directory;
  Join(p);
  return *this;
}

CFilePath& CFilePath::SetFileName(std::wstring_view baseName) {
  Parts p = Split();
  p.baseName = baseName;
  Join(p);
  return *this;
}

CFilePath& CFilePath::SetExtension(std::wstring_view extension) {
  Parts p = Split();
  p.extension = extension;
  Join(p);
  return *this;
}

bool CFilePath::Exists() const {
  if (text_.empty()) return false;
  std::error_code ec;
  auto st = std::filesystem::symlink_status(ToUtf8(text_), ec);
  return !ec && st.type() != std::filesystem::file_type::not_found;
}

std::wstring ReplaceRefusedNameCharacters(std::wstring_view name, wchar_t with, bool controls) {
  std::wstring out(name);
  for (wchar_t& c : out)
    if ((controls && (c < 32 || c == 127)) ||
        std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos)
      c = with;
  return out;
}

}  // namespace velk::corvane
