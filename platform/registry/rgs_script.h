// Reads registry scripts (.rgs text) into a tree of keys and values, before anything is applied.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace velk::reg::detail {

struct ScriptValue {
  std::wstring name;
  Value value;
};

struct ScriptKey {
  enum class Flag { None, NoRemove, ForceRemove, Delete };
  Flag flag = Flag::None;
  std::wstring name;  // may hold back slashes: a path below the parent
  bool hasDefault = false;
  Value defaultValue;
  std::vector<ScriptValue> values;
  std::vector<ScriptKey> children;
};

struct ScriptHive {
  Hive hive;
  ScriptKey root;  // the hive itself: its flag is NoRemove, its name empty
};

// Parses a whole script. %NAME% is replaced from `replacements` (names ignore case; %% is a
// percent sign); replaced text is taken literally, never read as script syntax. On malformed
// text returns false and sets error to "line N: what is wrong".
bool ParseRegistryScript(std::wstring_view text,
                         const std::map<std::wstring, std::wstring>& replacements,
                         std::vector<ScriptHive>& out, std::wstring& error);

}  // namespace velk::reg::detail
