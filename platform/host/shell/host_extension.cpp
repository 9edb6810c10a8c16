#include "platform/host/shell/host_extension.h"

namespace velk::host {

void HostExtension::Init(std::wstring name, std::wstring description, LONG state) {
  name_ = std::move(name);
  description_ = std::move(description);
  state_ = state;
}

HRESULT HostExtension::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = AllocBstr(name_);
  return S_OK;
}

HRESULT HostExtension::Startup(VARIANT*) { return S_OK; }
HRESULT HostExtension::Shutdown() { return S_OK; }

HRESULT HostExtension::get_ProductName(BSTR* name) { return get_Name(name); }

HRESULT HostExtension::get_Description(BSTR* description) {
  if (!description) return E_POINTER;
  *description = AllocBstr(description_);
  return S_OK;
}

HRESULT HostExtension::get_State(LONG* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

HRESULT HostExtension::put_State(LONG state) {
  state_ = state;
  return S_OK;
}

ComPtr<IExtension> MakeHostExtension(const std::wstring& name, LONG state) {
  auto ext = MakeObjectPtr<HostExtension, IExtension>();
  std::wstring description = name == L"Quentara"   ? L"Raster analysis"
                             : name == L"Sorrelin" ? L"3-D analysis"
                                                   : L"";
  static_cast<HostExtension*>(ext.get())->Init(name, description, state);
  return ext;
}

}  // namespace velk::host
