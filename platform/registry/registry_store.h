// The registry's in-memory trees and their file, shared by the registry calls and the registrar.
// Every function here expects the caller to hold an Access for the whole time it uses nodes.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"

namespace velk::reg::detail {

using Path = std::vector<std::wstring>;

// Keys nest at most this deep; deeper paths are refused when created or read from a file.
constexpr std::size_t kMaxKeyDepth = 512;

// Key and value names compare without regard to letter case.
bool NamesEqual(std::wstring_view a, std::wstring_view b);
// The name with its letter case folded: equal for names that NamesEqual takes as equal.
std::wstring FoldedName(std::wstring_view n);
bool SameValue(const Value& a, const Value& b);

struct Node {
  std::wstring name;
  std::vector<std::pair<std::wstring, Value>> values;  // in the order first written
  std::vector<Node> children;                          // in creation order

  Node* Child(std::wstring_view n);
  Value* FindValue(std::wstring_view n);
};

// Splits "A\\B\\C" into its parts; an empty text is the key itself. False when a part is empty.
bool SplitPath(std::wstring_view text, Path& out);

// Holds the registry lock and makes sure the file of the current host root is loaded.
class Access {
 public:
  Access();
  Access(const Access&) = delete;
  Access& operator=(const Access&) = delete;

 private:
  std::unique_lock<std::recursive_mutex> lock_;
};

Node& Root(Hive hive);
Node* Find(Hive hive, const Path& path);

// Changes: only inside Change. Each marks the registry changed when it changes anything.
Node* CreatePath(Hive hive, const Path& path, bool* created = nullptr);
bool RemoveKey(Hive hive, const Path& path);  // the key with everything below it; not a root
void SetValue(Node& node, const std::wstring& name, const Value& value);
bool RemoveValue(Node& node, std::wstring_view name);
void ReplaceContent(Node& node, Node&& content);  // values and subkeys, keeping the name

// Runs fn as one change of the registry: the file is written once afterwards. When fn fails or
// the file cannot be written, the trees return to what they were and the error is returned.
// Nested calls join the outer change. A registry whose file failed to load refuses changes
// (ERROR_BADDB).
LSTATUS Change(const std::function<LSTATUS()>& fn);

// The registry file of the current host root.
std::string RegistryFilePath();

}  // namespace velk::reg::detail
