#include "platform/registry/registrar.h"

#include "platform/com/text.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_store.h"
#include "platform/registry/rgs_script.h"

namespace velk::reg {
namespace {

using detail::Node;
using detail::Path;
using detail::ScriptKey;

Path Below(const Path& parent, const std::wstring& name) {
  Path more;
  detail::SplitPath(name, more);  // checked by the parser
  Path p = parent;
  p.insert(p.end(), more.begin(), more.end());
  return p;
}

void Apply(Hive hive, const ScriptKey& key, const Path& path) {
  if (key.flag == ScriptKey::Flag::Delete) {
    detail::RemoveKey(hive, path);
    return;
  }
  if (key.flag == ScriptKey::Flag::ForceRemove) detail::RemoveKey(hive, path);
  Node* node = detail::CreatePath(hive, path);
  if (key.hasDefault) detail::SetValue(*node, L"", key.defaultValue);
  for (const auto& v : key.values) detail::SetValue(*node, v.name, v.value);
  for (const auto& child : key.children) Apply(hive, child, Below(path, child.name));
}

void Remove(Hive hive, const ScriptKey& key, const Path& path) {
  if (key.flag == ScriptKey::Flag::Delete || !detail::Find(hive, path)) return;
  if (key.flag == ScriptKey::Flag::ForceRemove) {
    detail::RemoveKey(hive, path);
    return;
  }
  for (const auto& child : key.children) Remove(hive, child, Below(path, child.name));
  Node* node = detail::Find(hive, path);
  for (const auto& v : key.values) detail::RemoveValue(*node, v.name);
  if (key.flag == ScriptKey::Flag::NoRemove || path.empty()) return;
  // Kept while anything the script did not write is left in it.
  if (!node->children.empty()) return;
  for (const auto& [name, value] : node->values)
    if (!(name.empty() && key.hasDefault)) return;
  detail::RemoveKey(hive, path);
}

std::wstring StatusText(LSTATUS r) {
  switch (r) {
    case ERROR_BADDB:
      return L"the registry file failed to load and is not overwritten: " +
             FromUtf8(LastLoadError());
    case ERROR_ACCESS_DENIED:
      return L"access denied writing the registry file " + FromUtf8(detail::RegistryFilePath());
    default:
      return L"cannot write the registry file " + FromUtf8(detail::RegistryFilePath()) +
             L" (error " + std::to_wstring(r) + L")";
  }
}

// Writes or removes one category key per CATID under the class's `kind` key; the kind key goes
// too once it is empty.
HRESULT Categories(REFCLSID clsid, ULONG count, const CATID* catids, const wchar_t* kind,
                   bool add) {
  if (count && !catids) return E_POINTER;
  Path classKey{L"CLSID", GuidToString(clsid), kind};
  LSTATUS r = detail::Change([&]() -> LSTATUS {
    for (ULONG i = 0; i < count; ++i) {
      std::wstring cat = GuidToString(catids[i]);
      Path key = classKey;
      key.push_back(cat);
      if (add) {
        detail::CreatePath(Hive::ClassesRoot, key);
        detail::CreatePath(Hive::ClassesRoot, {L"Component Categories", cat});
      } else {
        detail::RemoveKey(Hive::ClassesRoot, key);
      }
    }
    if (!add)
      if (Node* n = detail::Find(Hive::ClassesRoot, classKey);
          n && n->children.empty() && n->values.empty())
        detail::RemoveKey(Hive::ClassesRoot, classKey);
    return ERROR_SUCCESS;
  });
  return HRESULT_FROM_WIN32(static_cast<std::uint32_t>(r));
}

}  // namespace

void Registrar::AddReplacement(const std::wstring& key, const std::wstring& value) {
  for (auto it = replacements_.begin(); it != replacements_.end();)
    it = detail::NamesEqual(it->first, key) ? replacements_.erase(it) : std::next(it);
  replacements_[key] = value;
}

HRESULT Registrar::Register(const std::wstring& script) { return Run(script, true); }

HRESULT Registrar::Unregister(const std::wstring& script) { return Run(script, false); }

HRESULT Registrar::Run(const std::wstring& script, bool registering) {
  error_.clear();
  std::vector<detail::ScriptHive> hives;
  if (!detail::ParseRegistryScript(script, replacements_, hives, error_)) return E_FAIL;
  LSTATUS r = detail::Change([&]() -> LSTATUS {
    for (const auto& h : hives) {
      if (registering)
        Apply(h.hive, h.root, {});
      else
        Remove(h.hive, h.root, {});
    }
    return ERROR_SUCCESS;
  });
  if (r == ERROR_SUCCESS) return S_OK;
  error_ = StatusText(r);
  return HRESULT_FROM_WIN32(static_cast<std::uint32_t>(r));
}

HRESULT RegisterClassImplCategories(REFCLSID clsid, ULONG count, const CATID* catids) {
  return Categories(clsid, count, catids, L"Implemented Categories", true);
}

HRESULT UnRegisterClassImplCategories(REFCLSID clsid, ULONG count, const CATID* catids) {
  return Categories(clsid, count, catids, L"Implemented Categories", false);
}

HRESULT RegisterClassReqCategories(REFCLSID clsid, ULONG count, const CATID* catids) {
  return Categories(clsid, count, catids, L"Required Categories", true);
}

HRESULT UnRegisterClassReqCategories(REFCLSID clsid, ULONG count, const CATID* catids) {
  return Categories(clsid, count, catids, L"Required Categories", false);
}

}  // namespace velk::reg
