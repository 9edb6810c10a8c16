#include "framework/extension_lookup.h"

#include "platform/registry/activation.h"

namespace velk::corvane {
namespace {

// Context of host object creations: in-process, handler, local and remote server.
constexpr DWORD kHostContext = 0x17;

// The host's extension manager; null when it does not answer its interface.
ComPtr<IExtensionManager> CreateManager() {
  ComPtr<IExtensionManager> manager;
  HRESULT hr = CoCreateInstance(host::CLSID_ExtensionManager, nullptr, kHostContext,
                                IidOf<IExtensionManager>(), manager.put_void());
  if (hr == E_NOINTERFACE) return nullptr;
  if (FAILED(hr)) ThrowComError(hr);
  return manager;
}

bool StateIsEnabled(IUnknown* extension) {
  auto config = QueryAs<IExtensionConfig>(extension);
  if (!config) return false;
  LONG state = 0;
  if (FAILED(config->get_State(&state))) return false;
  return state == kExtensionEnabled;
}

}  // namespace

ComPtr<IZelSettings> RequireZelSettings() {
  ComPtr<IZelExtension> extension = FindZelExtension();
  if (!extension) ThrowComError(E_POINTER);
  ComPtr<IZelSettings> settings;
  extension->get_Settings(settings.put());
  if (!settings) ThrowComError(E_POINTER);
  return settings;
}

const Bstr& SorrelinName() {
  static const Bstr name(L"Sorrelin");
  return name;
}

const Bstr& QuentaraName() {
  static const Bstr name(L"Quentara");
  return name;
}

ComPtr<IZelExtension> FindZelExtension() {
  ComPtr<IExtensionManager> manager = CreateManager();
  if (!manager) return nullptr;
  LONG count = 0;
  manager->get_ExtensionCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IExtension> extension;
    manager->get_Extension(i, extension.put());
    if (!extension) continue;
    if (auto zel = QueryAs<IZelExtension>(extension.get())) return zel;
  }
  return nullptr;
}

ComPtr<IExtension> FindExtensionByName(BSTR name) {
  Bstr owned = Bstr::Attach(name);
  ComPtr<IExtensionManager> manager = CreateManager();
  if (!manager) return nullptr;
  Variant key(owned);
  ComPtr<IExtension> extension;
  manager->FindExtension(key, extension.put());
  return extension;
}

bool IsExtensionEnabled(BSTR name) {
  ComPtr<IExtension> extension = FindExtensionByName(name);
  return extension && StateIsEnabled(extension.get());
}

bool IsZelExtensionEnabled() {
  ComPtr<IZelExtension> extension = FindZelExtension();
  return extension && StateIsEnabled(extension.get());
}

}  // namespace velk::corvane
