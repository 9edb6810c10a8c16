// Whether an object's interface reports failures through the thread's error information.
#pragma once

#include "platform/com/unknown.h"

struct ISupportErrorInfo : IUnknown {
  VELK_INTERFACE_ID("{DF0B3D60-548F-101B-8E65-08002B2BD119}")
  // S_OK when the interface sets error information, S_FALSE otherwise.
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};
