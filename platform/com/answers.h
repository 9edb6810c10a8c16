// Whether an object answers an interface, when only the identifier is known (QueryAs<T> asks
// by type).
#pragma once

#include "platform/com/unknown.h"

namespace velk {

// False for a null object.
inline bool Answers(IUnknown* object, REFIID iid) {
  if (!object) return false;
  void* p = nullptr;
  if (FAILED(object->QueryInterface(iid, &p)) || !p) return false;
  static_cast<IUnknown*>(p)->Release();
  return true;
}

}  // namespace velk
