#include "platform/registry/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/com/text.h"
#include "platform/registry/file_io.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/registry_file.h"
#include "platform/registry/registry_store.h"

// An opened key: the hive and path it was opened with, looked up again on every use, so a key
// deleted meanwhile answers ERROR_KEY_DELETED.
struct HKEY__ {
  velk::reg::Hive hive;
  velk::reg::detail::Path path;
};

using velk::reg::Hive;
using velk::reg::Value;
namespace detail = velk::reg::detail;
using detail::Node;
using detail::Path;

namespace {

// Open handles, so that a closed or made-up handle is refused rather than followed.
std::set<HKEY__*>& Handles() {
  static auto* handles = new std::set<HKEY__*>;
  return *handles;
}

bool PredefinedHive(HKEY key, Hive& hive) {
  auto v = reinterpret_cast<std::uintptr_t>(key);
  if (v == 0x80000000u)
    hive = Hive::ClassesRoot;
  else if (v == 0x80000001u)
    hive = Hive::CurrentUser;
  else if (v == 0x80000002u)
    hive = Hive::LocalMachine;
  else
    return false;
  return true;
}

// Where key + subKey points. Needs an Access. Fails for an unknown handle, a handle whose key
// is gone, or a malformed subKey.
LSTATUS Locate(HKEY key, LPCWSTR subKey, Hive& hive, Path& path) {
  if (PredefinedHive(key, hive)) {
    path.clear();
  } else {
    if (!key || !Handles().count(key)) return ERROR_INVALID_HANDLE;
    hive = key->hive;
    path = key->path;
    if (!detail::Find(hive, path)) return ERROR_KEY_DELETED;
  }
  Path more;
  if (subKey && !detail::SplitPath(subKey, more)) return ERROR_INVALID_PARAMETER;
  path.insert(path.end(), more.begin(), more.end());
  if (path.size() > detail::kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

HKEY NewHandle(Hive hive, const Path& path) {
  auto* h = new HKEY__{hive, path};
  Handles().insert(h);
  return h;
}

// The bytes a value reads back as: strings are wchar_t with their terminator.
std::string ValueBytes(const Value& v) {
  auto wide = [](const std::wstring& w, std::size_t terminators) {
    std::string out(reinterpret_cast<const char*>(w.data()), w.size() * sizeof(wchar_t));
    out.append(terminators * sizeof(wchar_t), '\0');
    return out;
  };
  switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return wide(v.text, 1);
    case REG_MULTI_SZ: return wide(v.text, 2);
    case REG_DWORD: return std::string(reinterpret_cast<const char*>(&v.number), sizeof(DWORD));
    default: return v.bytes;
  }
}

LSTATUS ValueFromBytes(DWORD type, const BYTE* data, DWORD cb, Value& v) {
  if (!data && cb) return ERROR_INVALID_PARAMETER;
  v = Value{};
  v.type = type;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
      if (cb % sizeof(wchar_t)) return ERROR_INVALID_PARAMETER;
      v.text.resize(cb / sizeof(wchar_t));
      if (cb) std::memcpy(v.text.data(), data, cb);
      int terminators = type == REG_MULTI_SZ ? 2 : 1;
      for (int i = 0; i < terminators && !v.text.empty() && v.text.back() == L'\0'; ++i)
        v.text.pop_back();
      return ERROR_SUCCESS;
    }
    case REG_DWORD:
      if (cb != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
      std::memcpy(&v.number, data, sizeof(DWORD));
      return ERROR_SUCCESS;
    default:
      if (cb) v.bytes.assign(reinterpret_cast<const char*>(data), cb);
      return ERROR_SUCCESS;
  }
}

// Copies bytes out the Win32 way: a null buffer asks the size, a short one gives ERROR_MORE_DATA.
LSTATUS CopyOut(const std::string& bytes, BYTE* data, DWORD* cbData) {
  if (!cbData) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  auto size = static_cast<DWORD>(bytes.size());
  if (data && *cbData < size) {
    *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (data) std::copy(bytes.begin(), bytes.end(), data);
  *cbData = size;
  return ERROR_SUCCESS;
}

// Copies a name into a buffer of *cch characters (terminator included). On success *cch is the
// length without terminator; when the buffer is short, the size it needs with the terminator.
LSTATUS CopyName(const std::wstring& name, LPWSTR buf, DWORD* cch) {
  if (!buf || !cch) return ERROR_INVALID_PARAMETER;
  if (*cch < name.size() + 1) {
    *cch = static_cast<DWORD>(name.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::wmemcpy(buf, name.c_str(), name.size() + 1);
  *cch = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LSTATUS FindLocated(HKEY key, LPCWSTR subKey, Node*& node) {
  Hive hive;
  Path path;
  if (LSTATUS r = Locate(key, subKey, hive, path)) return r;
  node = detail::Find(hive, path);
  return node ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, void*, HKEY* result,
                        DWORD* disposition) {
  if (!subKey || !result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  detail::Access access;
  Hive hive;
  Path path;
  bool created = false;
  LSTATUS r = detail::Change([&]() -> LSTATUS {
    if (LSTATUS e = Locate(key, subKey, hive, path)) return e;
    detail::CreatePath(hive, path, &created);
    return ERROR_SUCCESS;
  });
  if (r) return r;
  *result = NewHandle(hive, path);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  detail::Access access;
  Hive hive;
  Path path;
  if (LSTATUS r = Locate(key, subKey, hive, path)) return r;
  if (!detail::Find(hive, path)) return ERROR_FILE_NOT_FOUND;
  *result = NewHandle(hive, path);
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  Hive hive;
  if (PredefinedHive(key, hive)) return ERROR_SUCCESS;
  detail::Access access;
  if (!key || !Handles().erase(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD cbData) {
  Value v;
  if (LSTATUS r = ValueFromBytes(type, data, cbData, v)) return r;
  std::wstring name = valueName ? valueName : L"";
  detail::Access access;
  return detail::Change([&]() -> LSTATUS {
    Node* node = nullptr;
    if (LSTATUS r = FindLocated(key, nullptr, node)) return r;
    detail::SetValue(*node, name, v);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data,
                         DWORD* cbData) {
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  detail::Access access;
  Node* node = nullptr;
  if (LSTATUS r = FindLocated(key, nullptr, node)) return r;
  const Value* v = node->FindValue(valueName ? valueName : L"");
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  return CopyOut(ValueBytes(*v), data, cbData);
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  std::wstring name = valueName ? valueName : L"";
  detail::Access access;
  return detail::Change([&]() -> LSTATUS {
    Node* node = nullptr;
    if (LSTATUS r = FindLocated(key, nullptr, node)) return r;
    return detail::RemoveValue(*node, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  detail::Access access;
  return detail::Change([&]() -> LSTATUS {
    Hive hive;
    Path path;
    if (LSTATUS r = Locate(key, subKey, hive, path)) return r;
    if (path.empty()) return ERROR_ACCESS_DENIED;  // a hive itself
    Node* node = detail::Find(hive, path);
    if (!node) return ERROR_FILE_NOT_FOUND;
    if (!node->children.empty()) return ERROR_ACCESS_DENIED;
    detail::RemoveKey(hive, path);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
  detail::Access access;
  return detail::Change([&]() -> LSTATUS {
    Hive hive;
    Path path;
    if (LSTATUS r = Locate(key, subKey, hive, path)) return r;
    Node* node = detail::Find(hive, path);
    if (!node) return ERROR_FILE_NOT_FOUND;
    bool own = !subKey || !*subKey;
    if (own || path.empty()) {
      // Without a subkey (or at a hive) the key stays and loses its contents.
      if (!node->values.empty() || !node->children.empty()) detail::ReplaceContent(*node, Node{});
      return ERROR_SUCCESS;
    }
    detail::RemoveKey(hive, path);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* cchName, DWORD*, LPWSTR cls,
                      DWORD* cchClass, void*) {
  detail::Access access;
  Node* node = nullptr;
  if (LSTATUS r = FindLocated(key, nullptr, node)) return r;
  if (index >= node->children.size()) return ERROR_NO_MORE_ITEMS;
  if (LSTATUS r = CopyName(node->children[index].name, name, cchName)) return r;
  if (cls && cchClass && *cchClass) cls[0] = L'\0';
  if (cchClass) *cchClass = 0;
  return ERROR_SUCCESS;
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* cchName, DWORD*, DWORD* type,
                      BYTE* data, DWORD* cbData) {
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  detail::Access access;
  Node* node = nullptr;
  if (LSTATUS r = FindLocated(key, nullptr, node)) return r;
  if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
  const auto& [valueName, value] = node->values[index];
  LSTATUS nameResult = CopyName(valueName, name, cchName);
  if (nameResult != ERROR_SUCCESS && nameResult != ERROR_MORE_DATA) return nameResult;
  if (type) *type = value.type;
  LSTATUS dataResult = CopyOut(ValueBytes(value), data, cbData);
  return nameResult != ERROR_SUCCESS ? nameResult : dataResult;
}

LSTATUS RegSaveKeyW(HKEY key, LPCWSTR file, void*) {
  if (!file || !*file) return ERROR_INVALID_PARAMETER;
  std::string bytes;
  {
    detail::Access access;
    Hive hive;
    Path path;
    if (LSTATUS r = Locate(key, nullptr, hive, path)) return r;
    Node* node = detail::Find(hive, path);
    if (!node) return ERROR_KEY_DELETED;
    Node named = *node;
    if (!path.empty()) named.name = path.back();
    std::string why;
    if (!detail::FormatHive(named, bytes, why)) return ERROR_WRITE_FAULT;
  }
  return detail::ErrnoToStatus(detail::WriteNewFile(velk::ToUtf8(file), bytes));
}

LSTATUS RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD) {
  if (!file || !*file) return ERROR_INVALID_PARAMETER;
  const std::string path = velk::ToUtf8(file);
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return ERROR_FILE_NOT_FOUND;
  // The restored keys must stay within the registry's nesting limit below the key they go
  // under, or the registry file could no longer be read back.
  std::size_t keyDepth = 0;
  {
    detail::Access access;
    Hive hive;
    Path at;
    if (LSTATUS r = Locate(key, nullptr, hive, at)) return r;
    keyDepth = at.size();
  }
  Node tree;
  std::string why;
  if (!detail::ParseHive(path, tree, why, detail::kMaxKeyDepth - keyDepth)) return ERROR_BADDB;
  detail::Access access;
  return detail::Change([&]() -> LSTATUS {
    Node* node = nullptr;
    if (LSTATUS r = FindLocated(key, nullptr, node))
      return r == ERROR_FILE_NOT_FOUND ? ERROR_KEY_DELETED : r;
    detail::ReplaceContent(*node, std::move(tree));
    return ERROR_SUCCESS;
  });
}

namespace velk::reg {

namespace {

bool Split(const std::wstring& path, Path& out) { return detail::SplitPath(path, out); }

}  // namespace

LSTATUS ReadHiveSubKeys(const std::wstring& file, std::vector<std::wstring>* names) {
  if (!names) return ERROR_INVALID_PARAMETER;
  const std::string path = velk::ToUtf8(file);
  std::error_code ec;
  if (std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found)
    return ERROR_FILE_NOT_FOUND;
  Node tree;
  std::string why;
  if (!detail::ParseHive(path, tree, why)) return ERROR_BADDB;
  names->clear();
  for (const Node& c : tree.children) names->push_back(c.name);
  return ERROR_SUCCESS;
}

bool NamesEqual(const std::wstring& a, const std::wstring& b) { return detail::NamesEqual(a, b); }

bool KeyExists(Hive hive, const std::wstring& path) {
  Path p;
  if (!Split(path, p)) return false;
  detail::Access access;
  return detail::Find(hive, p) != nullptr;
}

bool ReadValue(Hive hive, const std::wstring& path, const std::wstring& name, Value& out) {
  Path p;
  if (!Split(path, p)) return false;
  detail::Access access;
  Node* node = detail::Find(hive, p);
  const Value* v = node ? node->FindValue(name) : nullptr;
  if (!v) return false;
  out = *v;
  return true;
}

bool ReadString(Hive hive, const std::wstring& path, const std::wstring& name, std::wstring& out) {
  Value v;
  if (!ReadValue(hive, path, name, v) || (v.type != REG_SZ && v.type != REG_EXPAND_SZ))
    return false;
  out = v.text;
  return true;
}

bool ReadDword(Hive hive, const std::wstring& path, const std::wstring& name, DWORD& out) {
  Value v;
  if (!ReadValue(hive, path, name, v) || v.type != REG_DWORD) return false;
  out = v.number;
  return true;
}

LSTATUS WriteValue(Hive hive, const std::wstring& path, const std::wstring& name,
                   const Value& value) {
  Path p;
  if (!Split(path, p)) return ERROR_INVALID_PARAMETER;
  return detail::Change([&]() -> LSTATUS {
    detail::SetValue(*detail::CreatePath(hive, p), name, value);
    return ERROR_SUCCESS;
  });
}

LSTATUS WriteString(Hive hive, const std::wstring& path, const std::wstring& name,
                    const std::wstring& value) {
  Value v;
  v.type = REG_SZ;
  v.text = value;
  return WriteValue(hive, path, name, v);
}

LSTATUS WriteDword(Hive hive, const std::wstring& path, const std::wstring& name, DWORD value) {
  Value v;
  v.type = REG_DWORD;
  v.number = value;
  return WriteValue(hive, path, name, v);
}

std::vector<std::wstring> SubKeys(Hive hive, const std::wstring& path) {
  std::vector<std::wstring> names;
  Path p;
  if (!Split(path, p)) return names;
  detail::Access access;
  if (Node* node = detail::Find(hive, p))
    for (const Node& c : node->children) names.push_back(c.name);
  return names;
}

LSTATUS DeleteTree(Hive hive, const std::wstring& path) {
  Path p;
  if (!Split(path, p)) return ERROR_INVALID_PARAMETER;
  return detail::Change([&]() -> LSTATUS {
    Node* node = detail::Find(hive, p);
    if (!node) return ERROR_FILE_NOT_FOUND;
    if (p.empty()) {
      if (!node->values.empty() || !node->children.empty()) detail::ReplaceContent(*node, Node{});
      return ERROR_SUCCESS;
    }
    detail::RemoveKey(hive, p);
    return ERROR_SUCCESS;
  });
}

}  // namespace velk::reg
