#include "layers/class_identity.h"

#include "platform/registry/activation.h"

namespace velk::lumeris {

HRESULT ClassIdentityClsid(REFCLSID clsid, GUID* out) {
  if (!out) return E_POINTER;
  *out = clsid;
  return S_OK;
}

HRESULT ClassIdentityProgId(REFCLSID clsid, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  GUID id{};
  HRESULT hr = ClassIdentityClsid(clsid, &id);
  if (FAILED(hr)) return hr;
  LPOLESTR progId = nullptr;
  hr = ProgIDFromCLSID(id, &progId);
  if (FAILED(hr)) return hr;
  *out = SysAllocString(progId);
  CoTaskMemFree(progId);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace velk::lumeris
