#include "platform/com/unknown.h"

#include <new>

namespace velk {

bool IsSameObject(IUnknown* a, IUnknown* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  ComPtr<IUnknown> ua = QueryAs<IUnknown>(a);
  ComPtr<IUnknown> ub = QueryAs<IUnknown>(b);
  return ua.get() == ub.get();
}

HRESULT HresultFromCurrentException() noexcept {
  try {
    throw;
  } catch (const ComError& e) {
    return e.Error();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace velk
