// Where each checked feature layer of a VPF export goes: the output names of a folder export,
// built from the layers' paths in the tree ("Vector|Product|Coverage|Layer"), every level
// cleaned of the characters file systems refuse, so that no name leaves the chosen folder; and
// the names of a geodatabase export.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace velk::corvane {

// An empty name becomes "autoname.txt"; each of / : \ * ? " > < | becomes the first character
// of the replacement.
std::wstring MakeValidOutputName(const std::wstring& name, const std::wstring& replacement);

// The text between delimiter k and k + 1 (0-based); the tail after the last delimiter when k is
// their number; empty when k is larger.
std::wstring SplitField(const std::wstring& text, wchar_t delimiter, std::size_t k);

// One folder level or leaf name: MakeValidOutputName with "_", then a name made only of dots
// ("." or "..") has its dots replaced too, so that it names no folder above.
std::wstring CleanPathLevel(const std::wstring& name);

struct FolderExportPlan {
  // Output path (folder + "/" + cleaned levels + "/" + cleaned leaf) to the entry's index. A
  // path another entry has (letter case aside), or that taken says is there already, gets "_2",
  // "_3", ... after it: every entry has its own output and none takes a place already used.
  std::map<std::wstring, std::size_t> outputs;
  // Every folder below the chosen folder that the outputs need, parents first.
  std::set<std::wstring> folders;
};

// paths[i] is entry i's tree path; checked[i] whether it is exported; taken(path) whether
// something (a user's own data) is there already.
FolderExportPlan PlanFolderExport(const std::wstring& folder, const std::vector<std::wstring>& paths,
                                  const std::vector<bool>& checked,
                                  const std::function<bool(const std::wstring&)>& taken = {});

// name, or name + "_2", "_3", ...: the first that neither planned holds (letter case aside) nor
// taken says is there.
std::wstring UniqueOutputName(const std::wstring& name,
                             const std::map<std::wstring, std::size_t>& planned,
                             const std::function<bool(const std::wstring&)>& taken = {});

// The name of a feature class exported into a geodatabase: the containing dataset's name with
// every ":" turned into "_", then "_", then the feature class's name; then cleaned of
// characters a database name cannot hold.
std::wstring DatabaseExportName(const std::wstring& datasetName, const std::wstring& className);

}  // namespace velk::corvane
