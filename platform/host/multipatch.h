// The host's multipatch: a 3-D surface made of parts, each a triangle strip or a triangle fan
// over its points (geometry type 9). Its points are read through IPointCollection and its parts
// through IPartCollection; StartPart begins a strip.
#pragma once

#include "platform/host/geometry.h"

constexpr LONG kPatchTriangleStrip = 0;
constexpr LONG kPatchTriangleFan = 1;

struct IMultiPatch : IGeometry {
  VELK_INTERFACE_ID("{3E91C7A4-58D2-4B06-9F1D-C26A0B7E4D18}")
  // The next point added begins a new part of the kind (E_INVALIDARG for another kind).
  virtual HRESULT BeginPatch(LONG kind) = 0;
  // E_INVALIDARG for a part outside 0 .. count - 1.
  virtual HRESULT get_PatchKind(LONG part, LONG* kind) = 0;
};

namespace velk::host {

ComPtr<IMultiPatch> NewMultiPatch();

}  // namespace velk::host
