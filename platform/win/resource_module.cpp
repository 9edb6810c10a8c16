#include "platform/win/resource_module.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/com/plain_text.h"
#include "platform/com/text.h"

namespace velk::res {

namespace {

// A string-table line is "id<TAB>text"; the text takes \n, \t and \\ escapes.
std::wstring Unescape(const std::string& raw) {
  std::string s;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      char n = raw[++i];
      s.push_back(n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n);
    } else {
      s.push_back(raw[i]);
    }
  }
  return FromUtf8(s);
}
}  // namespace

ResourceModule::ResourceModule(std::wstring name, const EmbeddedResource* table)
    : name_(std::move(name)) {
  for (const EmbeddedResource* r = table; r && r->type; ++r) {
    std::string bytes(reinterpret_cast<const char*>(r->data), r->size);
    if (std::strcmp(r->type, "strings") == 0 || std::strcmp(r->type, "STRINGS") == 0)
      ParseStrings(bytes);
    else
      items_[{ToUpper(r->type), r->name}] = std::move(bytes);
  }
}

std::unique_ptr<ResourceModule> ResourceModule::FromFolder(std::wstring name,
                                                           const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return nullptr;
  auto m = std::make_unique<ResourceModule>(std::move(name), nullptr);
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    fs::path rel = fs::relative(it->path(), folder, ec);
    std::string stem = it->path().stem().string();
    if (rel.has_parent_path() && !rel.parent_path().empty())
      m->items_[{ToUpper(rel.parent_path().string()), stem}] = ss.str();
    else if (stem == "strings")
      m->ParseStrings(ss.str());
  }
  return m;
}

void ResourceModule::ParseStrings(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    try {
      UINT id = static_cast<UINT>(std::stoul(line.substr(0, tab)));
      strings_[id] = Unescape(line.substr(tab + 1));
    } catch (...) {
      // a line without a numeric id is not a string entry
    }
  }
}

const std::string* ResourceModule::Find(const std::string& type, const std::string& name) const {
  auto it = items_.find({ToUpper(type), name});
  return it == items_.end() ? nullptr : &it->second;
}

bool ResourceModule::LoadString(UINT id, std::wstring& out) const {
  auto it = strings_.find(id);
  if (it == strings_.end()) {
    out.clear();
    return false;
  }
  out = it->second;
  return true;
}

}  // namespace velk::res

int LoadStringW(HINSTANCE inst, UINT id, LPWSTR buf, int cchMax) {
  if (!buf || cchMax <= 0) return 0;
  std::wstring s;
  if (!inst || !inst->LoadString(id, s)) {
    buf[0] = L'\0';
    return 0;
  }
  std::size_t n = std::min<std::size_t>(s.size(), static_cast<std::size_t>(cchMax - 1));
  std::wmemcpy(buf, s.data(), n);
  buf[n] = L'\0';
  return static_cast<int>(n);
}
