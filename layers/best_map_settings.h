// The choice settings of the RPF layers (IZelRasterLayer): UseBestMap (choose the scale by the
// map scale at every draw) and DisplayRasters (draw the frames at all), with the view the last
// choice was made for. Switching UseBestMap forgets that view and the applied dataset clause,
// so the next draw applies the new setting even over an unchanged view.
#pragma once

#include <string>

#include "interfaces/zel_layer_interfaces.h"
#include "platform/host/geometry/geometry.h"

namespace velk::lumeris {

template <class Derived>
class BestMapSettings : public IZelRasterLayer {
 public:
  HRESULT get_UseBestMap(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = useBestMap_;
    return S_OK;
  }
  HRESULT put_UseBestMap(VARIANT_BOOL value) override {
    if (value != useBestMap_) {
      lastExtent_.Reset();
      lastScaleClause_.clear();
      static_cast<Derived*>(this)->ForgetAppliedClause();
    }
    useBestMap_ = value;
    return S_OK;
  }
  HRESULT get_DisplayRasters(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = displayRasters_;
    return S_OK;
  }
  HRESULT put_DisplayRasters(VARIANT_BOOL value) override {
    displayRasters_ = value;
    return S_OK;
  }

 protected:
  ~BestMapSettings() = default;
  VARIANT_BOOL useBestMap_ = VARIANT_TRUE;
  VARIANT_BOOL displayRasters_ = VARIANT_TRUE;
  ComPtr<IEnvelope> lastExtent_;
  // The scale chosen for the last view ("SCALE = n"; empty when none had frames in view).
  std::wstring lastScaleClause_;
};

}  // namespace velk::lumeris
