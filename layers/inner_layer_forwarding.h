// The host layer interface of a catalog layer: answered by its inner layer (S_OK without one),
// the visibility setter reaching the footprint layer first so that the outlines come and go
// with the rasters. Derived gives InnerUnknown() and FootprintLayer().
#pragma once

#include "platform/host/display/layer.h"

namespace velk::lumeris {

template <class Derived>
class InnerLayerForwarding : public ILayer {
 public:
  HRESULT get_Name(BSTR* name) override {
    auto inner = Inner();
    return inner ? inner->get_Name(name) : S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    auto inner = Inner();
    return inner ? inner->put_Name(name) : S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override {
    auto inner = Inner();
    return inner ? inner->get_Visible(visible) : S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL visible) override {
    if (auto footprint = QueryAs<ILayer>(static_cast<Derived*>(this)->FootprintLayer()))
      footprint->put_Visible(visible);
    auto inner = Inner();
    return inner ? inner->put_Visible(visible) : S_OK;
  }
  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    auto inner = Inner();
    return inner ? inner->get_Valid(valid) : S_OK;
  }

 protected:
  ~InnerLayerForwarding() = default;
  ComPtr<ILayer> Inner() const {
    return QueryAs<ILayer>(static_cast<const Derived*>(this)->InnerUnknown());
  }
};

}  // namespace velk::lumeris
