// An extension of the host itself, such as the analysis extensions Quentara (raster analysis)
// and Sorrelin (3-D analysis): a name and a state that the user switches.
#pragma once

#include <string>

#include "platform/host/shell/extension_manager.h"

namespace velk::host {

inline constexpr CLSID CLSID_Quentara = MakeGuid("{E38BEDE8-FC05-453B-B2D8-0A84A5007EF9}");
inline constexpr CLSID CLSID_Sorrelin = MakeGuid("{34A60D30-D4C3-4A3E-8E5C-AEF919993062}");

class HostExtension : public ComObjectRoot<HostExtension, IExtension, IExtensionConfig> {
 public:
  void Init(std::wstring name, std::wstring description, LONG state);

  HRESULT get_Name(BSTR* name) override;
  HRESULT Startup(VARIANT* initData) override;
  HRESULT Shutdown() override;

  HRESULT get_ProductName(BSTR* name) override;
  HRESULT get_Description(BSTR* description) override;
  HRESULT get_State(LONG* state) override;
  // Any state value is kept; only 1 counts as enabled.
  HRESULT put_State(LONG state) override;

 private:
  std::wstring name_;
  std::wstring description_;
  LONG state_ = kExtensionDisabled;
};

// Makes one of the analysis extensions, in the given state.
ComPtr<IExtension> MakeHostExtension(const std::wstring& name, LONG state);

}  // namespace velk::host
