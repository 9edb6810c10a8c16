// The text form of registry trees, used by the registry file and by saved keys.
//
//   trevik-registry 1
//
//   [HKCU\Software\Velk]
//   @ = sz "default value"
//   "Count" = dword 42
//   "Data" = binary 01 ff
//   "Names" = multi_sz "one" "two"
//   "Path" = expand_sz "%HOME%\\maps"
//   "Other" = hex(11) 2a 00 00 00 00 00 00 00
//
//   end
//
// The first line names the kind of file. A key line gives the root and the key's path; keys
// appear parent first, siblings in creation order. The value lines under a key line belong to
// that key; "@" is the default value. Quoted text escapes \\ \" \n \r \t and writes other
// control or unencodable characters as \u{hex}; key names write '%' and such characters as
// %{hex}. The closing "end" line shows the file is complete. Blank lines and lines starting with
// '#' are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry_store.h"

namespace velk::reg::detail {

struct RootTree {
  std::wstring root;  // "HKCR", "HKCU", "HKLM", or "." for a saved key
  const Node* node;
};

std::string FormatTrees(std::string_view kind, const std::vector<RootTree>& trees);

// Reads a text of the given kind whose roots are among `roots`; out gets one tree per root, in
// that order. On malformed text returns false and sets error to "line N: what is wrong".
bool ParseTrees(std::string_view text, std::string_view kind,
                const std::vector<std::wstring>& roots, std::vector<Node>& out, std::string& error);

}  // namespace velk::reg::detail
