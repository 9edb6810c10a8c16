// How the globe uses a layer, told by one of the layer's extensions: draped over the surface,
// giving the surface its heights, or floating on its own heights.
#pragma once

#include "platform/com/object.h"

constexpr LONG kGlobeLayerDraped = 0;
constexpr LONG kGlobeLayerElevation = 1;
constexpr LONG kGlobeLayerFloating = 2;

struct IGlobeLayerKind : IUnknown {
  VELK_INTERFACE_ID("{C4E17A92-3B58-4D06-8F2A-5D91B7E04C63}")
  virtual HRESULT get_Kind(LONG* kind) = 0;
  virtual HRESULT put_Kind(LONG kind) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_GlobeLayerKind = MakeGuid("{0A7F3D51-9C26-4E8B-B4D0-E6A2C1F85B37}");
HRESULT CreateGlobeLayerKindObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
