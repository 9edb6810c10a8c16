// Creating host objects by class identifier for code that works inside a method boundary:
// every server kind allowed (0x17), and a class that cannot be created, or an object that
// lacks an interface a step needs, ends the step with a COM error carrying E_POINTER.
#pragma once

#include "platform/com/unknown.h"
#include "platform/registry/activation.h"

namespace velk {

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

}  // namespace velk
