#include "platform/registry/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/file_io.h"
#include "platform/registry/registry_file.h"

namespace velk::reg {
namespace detail {
namespace {

constexpr std::string_view kKind = "trevik-registry 1";
const wchar_t* const kRootNames[3] = {L"HKCR", L"HKCU", L"HKLM"};

struct State {
  std::recursive_mutex mutex;
  bool rootSet = false;
  std::string root;
  bool loaded = false;
  std::string loadedRoot;
  bool loadFailed = false;
  std::string loadError;
  Node hives[3];
  int depth = 0;
  bool changed = false;
  // The registry file as last read or written: a file replaced since (by another process) has
  // another identity and is read again before a change.
  struct stat fileStat {};
  bool haveFileStat = false;
};

// Never destroyed, so that calls made while the process exits still find it.
State& S() {
  static State* s = new State;
  return *s;
}

wchar_t Fold(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  if (c < 128) return c;
  return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

void NoteFile(State& s) { s.haveFileStat = ::stat(RegistryFilePath().c_str(), &s.fileStat) == 0; }

void Load(State& s) {
  s.loaded = true;
  s.loadedRoot = HostRoot();
  s.loadFailed = false;
  s.loadError.clear();
  s.haveFileStat = false;
  for (Node& h : s.hives) h = Node{};
  if (s.loadedRoot.empty()) {
    s.loadFailed = true;
    s.loadError =
        "no root folder: HOME is not set and the user has no home folder; give --root DIR or "
        "set TREVIK_HOME";
    return;
  }
  std::string file = RegistryFilePath();
  NoteFile(s);
  std::string text;
  int err = ReadWholeFile(file, text);
  if (err == ENOENT || err == ENOTDIR) return;  // no registry yet: start empty
  if (err != 0) {
    s.loadFailed = true;
    s.loadError = "cannot read registry file '" + file + "': " + std::strerror(err);
    return;
  }
  std::vector<Node> trees;
  std::string why;
  if (!ParseTrees(text, kKind, {kRootNames[0], kRootNames[1], kRootNames[2]}, trees, why)) {
    s.loadFailed = true;
    s.loadError = "registry file '" + file + "' is corrupt: " + why +
                  "; it is left untouched and the registry will not write until it is repaired";
    return;
  }
  for (int i = 0; i < 3; ++i) s.hives[i] = std::move(trees[i]);
}

void LoadIfNeeded(State& s) {
  if (!s.loaded || s.loadedRoot != HostRoot()) Load(s);
}

LSTATUS Save(State& s) {
  std::string text = FormatTrees(
      kKind,
      {{kRootNames[0], &s.hives[0]}, {kRootNames[1], &s.hives[1]}, {kRootNames[2], &s.hives[2]}});
  std::error_code ec;
  std::filesystem::create_directories(s.loadedRoot, ec);
  // A root that exists as a file is a path that cannot hold the registry file.
  if (ec) return ErrnoToStatus(ec.value() == EEXIST ? ENOTDIR : ec.value());
  int err = WriteFileAtomically(RegistryFilePath(), text);
  if (err != 0) return ErrnoToStatus(err);
  NoteFile(s);
  return ERROR_SUCCESS;
}

// Reads the file again when another process has replaced it since it was last read.
void Refresh(State& s) {
  struct stat now {};
  bool have = ::stat(RegistryFilePath().c_str(), &now) == 0;
  if (s.loaded && s.loadedRoot == HostRoot() && !s.loadFailed && have == s.haveFileStat &&
      (!have || SameFile(now, s.fileStat)))
    return;
  Load(s);
}

}  // namespace

std::wstring FoldedName(std::wstring_view n) {
  std::wstring out(n);
  for (auto& c : out) c = Fold(c);
  return out;
}

bool NamesEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

bool SameValue(const Value& a, const Value& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: return a.text == b.text;
    case REG_DWORD: return a.number == b.number;
    default: return a.bytes == b.bytes;
  }
}

Node* Node::Child(std::wstring_view n) {
  for (Node& c : children)
    if (NamesEqual(c.name, n)) return &c;
  return nullptr;
}

Value* Node::FindValue(std::wstring_view n) {
  for (auto& [key, value] : values)
    if (NamesEqual(key, n)) return &value;
  return nullptr;
}

bool SplitPath(std::wstring_view text, Path& out) {
  out.clear();
  if (text.empty()) return true;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(L'\\', start);
    std::wstring_view part =
        text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    if (part.empty()) return false;
    out.emplace_back(part);
    if (end == std::wstring_view::npos) return true;
    start = end + 1;
  }
}

Access::Access() : lock_(S().mutex) { LoadIfNeeded(S()); }

Node& Root(Hive hive) { return S().hives[static_cast<int>(hive)]; }

Node* Find(Hive hive, const Path& path) {
  Node* n = &Root(hive);
  for (const auto& part : path) {
    n = n->Child(part);
    if (!n) return nullptr;
  }
  return n;
}

Node* CreatePath(Hive hive, const Path& path, bool* created) {
  Node* n = &Root(hive);
  bool made = false;
  for (const auto& part : path) {
    Node* c = n->Child(part);
    if (!c) {
      n->children.push_back(Node{part, {}, {}});
      c = &n->children.back();
      made = true;
    }
    n = c;
  }
  if (made) S().changed = true;
  if (created) *created = made;
  return n;
}

bool RemoveKey(Hive hive, const Path& path) {
  if (path.empty()) return false;
  Path parentPath(path.begin(), path.end() - 1);
  Node* parent = Find(hive, parentPath);
  if (!parent) return false;
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if (NamesEqual(it->name, path.back())) {
      parent->children.erase(it);
      S().changed = true;
      return true;
    }
  }
  return false;
}

void SetValue(Node& node, const std::wstring& name, const Value& value) {
  if (Value* v = node.FindValue(name)) {
    if (SameValue(*v, value)) return;
    *v = value;
  } else {
    node.values.emplace_back(name, value);
  }
  S().changed = true;
}

bool RemoveValue(Node& node, std::wstring_view name) {
  for (auto it = node.values.begin(); it != node.values.end(); ++it) {
    if (NamesEqual(it->first, name)) {
      node.values.erase(it);
      S().changed = true;
      return true;
    }
  }
  return false;
}

void ReplaceContent(Node& node, Node&& content) {
  node.values = std::move(content.values);
  node.children = std::move(content.children);
  S().changed = true;
}

LSTATUS Change(const std::function<LSTATUS()>& fn) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  LoadIfNeeded(s);
  if (s.depth > 0) return fn();
  if (s.loadFailed) return ERROR_BADDB;
  // Held while the file is read, changed and written, so that writers in other processes
  // never lose each other's changes.
  FileLock fileLock;
  std::error_code ec;
  std::filesystem::create_directories(s.loadedRoot, ec);
  if (ec) return ErrnoToStatus(ec.value() == EEXIST ? ENOTDIR : ec.value());
  if (int err = fileLock.Acquire((std::filesystem::path(s.loadedRoot) / "registry.lock").string(),
                                 true))
    return ErrnoToStatus(err);
  Refresh(s);
  if (s.loadFailed) return ERROR_BADDB;
  s.changed = false;
  s.depth = 1;
  LSTATUS r = ERROR_SUCCESS;
  try {
    r = fn();
  } catch (const std::bad_alloc&) {
    r = ERROR_OUTOFMEMORY;
  }
  s.depth = 0;
  if (r == ERROR_SUCCESS && s.changed) r = Save(s);
  // The file still holds what the trees held before the change.
  if (r != ERROR_SUCCESS && s.changed) Load(s);
  s.changed = false;
  return r;
}

std::string RegistryFilePath() {
  return (std::filesystem::path(HostRoot()) / "registry.txt").string();
}

}  // namespace detail

void SetHostRoot(const std::string& folder) {
  auto& s = detail::S();
  std::lock_guard lock(s.mutex);
  s.rootSet = !folder.empty();
  s.root = folder;
  s.loaded = false;  // load again even when the folder is the same one
}

std::string HostRoot() {
  auto& s = detail::S();
  std::lock_guard lock(s.mutex);
  if (s.rootSet) return s.root;
  if (const char* home = std::getenv("TREVIK_HOME"); home && *home) return home;
  if (const char* home = std::getenv("HOME"); home && *home)
    return (std::filesystem::path(home) / ".trevik").string();
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir)
    return (std::filesystem::path(pw->pw_dir) / ".trevik").string();
  return {};  // nowhere known: the registry refuses to load rather than use the current folder
}

bool EnsureLoaded() {
  detail::Access access;
  return !detail::S().loadFailed;
}

std::string LastLoadError() {
  detail::Access access;
  return detail::S().loadError;
}

}  // namespace velk::reg
