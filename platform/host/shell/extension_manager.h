// The host's extensions: the extension contract, its configuration (the enabled state) and
// the extension manager, which the host creates once per process and which every creation by
// its class identifier answers.
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/com/variant.h"

struct IUID;

struct IExtension : IUnknown {
  VELK_INTERFACE_ID("{D37F2A82-82DB-42B6-BEE1-9C6682FDC1AB}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  // initData: the application, as VT_UNKNOWN.
  virtual HRESULT Startup(VARIANT* initData) = 0;
  virtual HRESULT Shutdown() = 0;
};

// Extension states.
constexpr LONG kExtensionEnabled = 1;
constexpr LONG kExtensionDisabled = 2;
constexpr LONG kExtensionUnavailable = 3;

// Configuration of an extension: its product name, description and state (1 = enabled).
struct IExtensionConfig : IUnknown {
  VELK_INTERFACE_ID("{12A4C258-CC9D-4CA7-9F29-79DED88DD45F}")
  virtual HRESULT get_ProductName(BSTR* name) = 0;
  virtual HRESULT get_Description(BSTR* description) = 0;
  virtual HRESULT get_State(LONG* state) = 0;
  virtual HRESULT put_State(LONG state) = 0;
};

struct IExtensionManager : IUnknown {
  VELK_INTERFACE_ID("{0CFE1DEC-1532-413D-87C5-1952C1F85051}")
  virtual HRESULT get_ExtensionCount(LONG* count) = 0;
  // E_INVALIDARG (null out) outside 0 .. count - 1.
  virtual HRESULT get_Extension(LONG index, IExtension** extension) = 0;
  virtual HRESULT get_ExtensionCLSID(LONG index, IUID** clsid) = 0;
  // By name (a VT_BSTR, letter case ignored) or by class identifier (a UID as VT_UNKNOWN);
  // S_OK with a null out when there is no such extension.
  virtual HRESULT FindExtension(VARIANT nameOrId, IExtension** extension) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_ExtensionManager = MakeGuid("{6120BC0A-3D90-4274-97CA-713C41F1FAFF}");

class ExtensionManager : public ComObjectRoot<ExtensionManager, IExtensionManager> {
 public:
  HRESULT get_ExtensionCount(LONG* count) override;
  HRESULT get_Extension(LONG index, IExtension** extension) override;
  HRESULT get_ExtensionCLSID(LONG index, IUID** clsid) override;
  HRESULT FindExtension(VARIANT nameOrId, IExtension** extension) override;

  // Loads an extension (after the ones already loaded) and starts it with the application.
  HRESULT Load(IExtension* extension, const CLSID& clsid, IUnknown* application);
  // Shuts down and drops every extension, last loaded first.
  void ShutdownAll();

 private:
  struct Entry {
    ComPtr<IExtension> extension;
    CLSID clsid;
  };
  std::vector<Entry> entries_;
};

// The process's extension manager: creation by CLSID_ExtensionManager answers it. While no
// host session has set one, that creation fails with E_FAIL.
void SetCurrentExtensionManager(IExtensionManager* manager);
ComPtr<IExtensionManager> CurrentExtensionManager();
HRESULT CreateExtensionManager(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
