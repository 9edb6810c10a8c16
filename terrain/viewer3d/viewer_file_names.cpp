#include "terrain/viewer3d/viewer_file_names.h"

#include <cwctype>
#include <filesystem>
#include <set>

#include "framework/file_path.h"
#include "platform/com/plain_text.h"
#include "platform/com/text.h"

namespace velk::corvane {
namespace {

// The base names (lower case) of the folder's files.
std::set<std::wstring> TakenNames(const std::wstring& folder) {
  std::set<std::wstring> taken;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(ToUtf8(folder), ec)) {
    std::wstring stem = FromUtf8(entry.path().filename().string());
    const auto dot = stem.find(L'.');
    if (dot != std::wstring::npos) stem.resize(dot);
    taken.insert(ToLower(stem));
  }
  return taken;
}

}  // namespace

std::wstring SafeUniqueBaseName(const std::wstring& displayName, const std::wstring& folder,
                                const ViewerFileNameOptions& options) {
  std::wstring name = ReplaceRefusedNameCharacters(displayName, L'_', true);
  std::size_t first = 0;
  while (first < name.size() && (name[first] == L'.' || std::iswspace(name[first]))) ++first;
  name.erase(0, first);
  if (name.size() > options.maxLength) name.resize(options.maxLength);
  while (!name.empty() && (name.back() == L'.' || std::iswspace(name.back()))) name.pop_back();
  if (name.empty()) name = options.fallback;
  const std::set<std::wstring> taken = TakenNames(folder);
  if (!taken.count(ToLower(name))) return name;
  for (int n = 1;; ++n) {
    std::wstring candidate = name + L"_" + std::to_wstring(n);
    if (!taken.count(ToLower(candidate))) return candidate;
  }
}

}  // namespace velk::corvane
