// The host's property set: named values (names compare without letter case) that describe a
// workspace connection and the like.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

struct IPropertySet : IUnknown {
  VELK_INTERFACE_ID("{C2451190-74EC-419B-85B5-5308F83A964D}")
  virtual HRESULT get_Count(LONG* count) = 0;
  // Adds the property or replaces its value.
  virtual HRESULT SetProperty(BSTR name, VARIANT value) = 0;
  // E_INVALIDARG (value VT_EMPTY) when the set has no such property.
  virtual HRESULT GetProperty(BSTR name, VARIANT* value) = 0;
  virtual HRESULT RemoveProperty(BSTR name) = 0;
};
