// The selected-layer tool control's current layer.
#pragma once

#include "platform/com/unknown.h"

// The host's layer interface (platform/host/display/layer.h): the interface only hands it out.
struct ILayer;

struct IZelSelectedLayer : IUnknown {
  VELK_INTERFACE_ID("{473F6ED3-A76C-4791-A419-6FF1F335912F}")
  // The layer chosen in the control (null when none); the caller releases it.
  virtual HRESULT get_CurrentSelectedLayer(ILayer** layer) = 0;
};
