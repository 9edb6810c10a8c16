#include "catalog/vpf_export/export_names.h"

#include <cwctype>
#include <string>

#include "framework/file_path.h"
#include "platform/com/plain_text.h"

namespace velk::corvane {

std::wstring MakeValidOutputName(const std::wstring& name, const std::wstring& replacement) {
  if (name.empty()) return L"autoname.txt";
  const wchar_t with = replacement.empty() ? L'_' : replacement[0];
  return ReplaceRefusedNameCharacters(name, with, false);
}

std::wstring SplitField(const std::wstring& text, wchar_t delimiter, std::size_t k) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < k; ++i) {
    const std::size_t at = text.find(delimiter, start);
    if (at == std::wstring::npos) return {};
    start = at + 1;
  }
  const std::size_t end = text.find(delimiter, start);
  return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring CleanPathLevel(const std::wstring& name) {
  std::wstring out = MakeValidOutputName(name, L"_");
  if (out.find_first_not_of(L'.') == std::wstring::npos) out.assign(out.size(), L'_');
  return out;
}

std::wstring UniqueOutputName(const std::wstring& name,
                             const std::map<std::wstring, std::size_t>& planned,
                             const std::function<bool(const std::wstring&)>& taken) {
  auto used = [&](const std::wstring& candidate) {
    for (const auto& entry : planned)
      if (EqualsNoCase(entry.first, candidate)) return true;
    return taken && taken(candidate);
  };
  std::wstring out = name;
  for (int n = 2; used(out); ++n) out = name + L"_" + std::to_wstring(n);
  return out;
}

FolderExportPlan PlanFolderExport(const std::wstring& folder, const std::vector<std::wstring>& paths,
                                  const std::vector<bool>& checked,
                                  const std::function<bool(const std::wstring&)>& taken) {
  FolderExportPlan plan;
  for (std::size_t i = 0; i < paths.size() && i < checked.size(); ++i) {
    if (!checked[i]) continue;
    const std::wstring& path = paths[i];
    const std::size_t last = path.rfind(L'|');
    const std::wstring leaf = last == std::wstring::npos ? path : path.substr(last + 1);
    std::wstring place = folder;
    if (last != std::wstring::npos) {
      const std::wstring levels = path.substr(0, last);
      std::size_t start = 0;
      for (;;) {
        const std::size_t bar = levels.find(L'|', start);
        place += L"/" + CleanPathLevel(levels.substr(start, bar == std::wstring::npos ? bar : bar - start));
        plan.folders.insert(place);
        if (bar == std::wstring::npos) break;
        start = bar + 1;
      }
    }
    plan.outputs[UniqueOutputName(place + L"/" + CleanPathLevel(leaf), plan.outputs, taken)] = i;
  }
  return plan;
}

std::wstring DatabaseExportName(const std::wstring& datasetName, const std::wstring& className) {
  std::wstring name = datasetName;
  for (wchar_t& c : name)
    if (c == L':') c = L'_';
  name += L"_" + className;
  // A database table name: letters, digits and underscores, not starting with a digit.
  for (wchar_t& c : name)
    if (!std::iswalnum(c) && c != L'_') c = L'_';
  if (name.empty() || std::iswdigit(name[0])) name = L"_" + name;
  return name;
}

}  // namespace velk::corvane
