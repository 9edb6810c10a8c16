// Resource modules: the string table, dialog templates, bitmaps, cursors and registry scripts
// that a library carries inside itself (or that a localized module carries beside it).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/com/base_types.h"

namespace velk::res {

struct EmbeddedResource {
  const char* type;  // "STRINGS", "REGISTRY", "DIALOGS", "BITMAPS", "CURSORS", ...
  const char* name;  // resource id as text ("3134") or a symbolic name
  const unsigned char* data;
  std::size_t size;
};

class ResourceModule {
 public:
  ResourceModule(std::wstring name, const EmbeddedResource* table);
  // A module read from a folder laid out like resources/<library>/.
  static std::unique_ptr<ResourceModule> FromFolder(std::wstring name, const std::string& folder);

  const std::wstring& Name() const { return name_; }
  // Raw bytes of a resource, or null when the module has none of that type and name.
  const std::string* Find(const std::string& type, const std::string& name) const;
  const std::string* Find(const std::string& type, int id) const {
    return Find(type, std::to_string(id));
  }
  // A string-table text; an id the table lacks gives an empty text and false.
  bool LoadString(UINT id, std::wstring& out) const;
  std::wstring String(UINT id) const {
    std::wstring s;
    LoadString(id, s);
    return s;
  }

 private:
  void ParseStrings(const std::string& text);
  std::wstring name_;
  std::map<std::pair<std::string, std::string>, std::string> items_;
  std::map<UINT, std::wstring> strings_;
};

}  // namespace velk::res

// A module handle is the resource module it stands for.
using HINSTANCE = velk::res::ResourceModule*;
using HMODULE = HINSTANCE;

// Loads a string-table text into buf (cut to cchMax - 1); returns the number of characters,
// 0 when the id is missing (buf then holds an empty text).
int LoadStringW(HINSTANCE inst, UINT id, LPWSTR buf, int cchMax);
