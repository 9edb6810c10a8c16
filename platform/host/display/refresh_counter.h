// A host object that only counts the refreshes it was asked for (the headless host draws
// nothing): Refresh and get_RefreshCount of the interface I.
#pragma once

#include "platform/com/object.h"

namespace velk::host {

template <class Derived, class I>
class RefreshCounter : public ComObjectRoot<Derived, I> {
 public:
  HRESULT Refresh() override {
    ++refreshes_;
    return S_OK;
  }
  HRESULT get_RefreshCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = refreshes_;
    return S_OK;
  }

 private:
  LONG refreshes_ = 0;
};

}  // namespace velk::host
