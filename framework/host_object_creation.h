// Creating host objects by class identifier for the helpers: every server kind allowed (0x17),
// and a class that cannot be created ends the helper with a COM error carrying E_POINTER.
#pragma once

#include "platform/com/unknown.h"
#include "platform/registry/activation.h"

namespace velk::corvane {

constexpr DWORD kHostCreationContext = 0x17;

template <class I>
ComPtr<I> CreateHostObject(REFCLSID clsid) {
  ComPtr<I> p;
  if (FAILED(CoCreateInstance(clsid, nullptr, kHostCreationContext, IidOf<I>(), p.put_void())) ||
      !p)
    ThrowComError(E_POINTER);
  return p;
}

// The interface a host object must answer; E_POINTER as a COM error when it does not.
template <class I>
ComPtr<I> RequireInterface(IUnknown* object) {
  ComPtr<I> p = QueryAs<I>(object);
  if (!p) ThrowComError(E_POINTER);
  return p;
}

}  // namespace velk::corvane
