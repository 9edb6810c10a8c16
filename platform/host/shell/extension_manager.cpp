#include "platform/host/shell/extension_manager.h"

#include <cwctype>
#include <mutex>

#include "platform/com/plain_text.h"
#include "platform/host/data/uid.h"

namespace velk::host {
namespace {

std::mutex g_lock;
IExtensionManager* g_current = nullptr;

}  // namespace

HRESULT ExtensionManager::get_ExtensionCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(entries_.size());
  return S_OK;
}

HRESULT ExtensionManager::get_Extension(LONG index, IExtension** extension) {
  if (!extension) return E_POINTER;
  *extension = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return E_INVALIDARG;
  return entries_[static_cast<std::size_t>(index)].extension.CopyTo(extension);
}

HRESULT ExtensionManager::get_ExtensionCLSID(LONG index, IUID** clsid) {
  if (!clsid) return E_POINTER;
  *clsid = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return E_INVALIDARG;
  VELK_TRY
  *clsid = MakeUid(GuidToString(entries_[static_cast<std::size_t>(index)].clsid)).Detach();
  return S_OK;
  VELK_CATCH
}

HRESULT ExtensionManager::FindExtension(VARIANT nameOrId, IExtension** extension) {
  if (!extension) return E_POINTER;
  *extension = nullptr;
  VELK_TRY
  if (nameOrId.vt == VT_BSTR) {
    std::wstring wanted = BstrToWstring(nameOrId.bstrVal);
    for (auto& e : entries_) {
      Bstr name;
      if (SUCCEEDED(e.extension->get_Name(&name)) && EqualsNoCase(name.str(), wanted))
        return e.extension.CopyTo(extension);
    }
    return S_OK;
  }
  if (nameOrId.vt == VT_UNKNOWN || nameOrId.vt == VT_DISPATCH) {
    auto uid = QueryAs<IUID>(nameOrId.punkVal);
    CLSID wanted{};
    if (!uid || !UidAsGuid(uid.get(), wanted)) return E_INVALIDARG;
    for (auto& e : entries_)
      if (e.clsid == wanted) return e.extension.CopyTo(extension);
    return S_OK;
  }
  return E_INVALIDARG;
  VELK_CATCH
}

HRESULT ExtensionManager::Load(IExtension* extension, const CLSID& clsid, IUnknown* application) {
  if (!extension) return E_POINTER;
  VELK_TRY
  Variant init(application);
  Check(extension->Startup(&init));
  entries_.push_back({ComPtr<IExtension>(extension), clsid});
  return S_OK;
  VELK_CATCH
}

void ExtensionManager::ShutdownAll() {
  auto entries = std::move(entries_);
  entries_.clear();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) it->extension->Shutdown();
}

void SetCurrentExtensionManager(IExtensionManager* manager) {
  IExtensionManager* old = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    old = g_current;
    g_current = manager;
    if (manager) manager->AddRef();
  }
  if (old) old->Release();
}

ComPtr<IExtensionManager> CurrentExtensionManager() {
  std::lock_guard<std::mutex> lock(g_lock);
  return ComPtr<IExtensionManager>(g_current);
}

HRESULT CreateExtensionManager(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto manager = CurrentExtensionManager();
  if (!manager) return E_FAIL;
  return manager->QueryInterface(riid, ppv);
}

}  // namespace velk::host
