// GeoSymRenderer, the product line's symbology of VPF features: a feature renderer that keeps the
// GeoSym product it symbolises and the mariner's depth contours. It draws every feature with the
// host's default symbol of its geometry kind.
#pragma once

#include "platform/com/base_types.h"
#include "platform/com/unknown.h"

struct IGSGeoSymRenderer : IUnknown {
  VELK_INTERFACE_ID("{2B6E1D53-91C4-4A7E-8F0D-6C3B5A4E2F19}")
  // The GeoSym product number (1 VMAP level 0, 2 level 1, 3 level 2, 4 UVMAP, 5 DNC).
  virtual HRESULT get_ProductID(LONG* id) = 0;
  virtual HRESULT put_ProductID(LONG id) = 0;
  // Depth contours in metres: the mariner's (30 until set) and the ship's safety contour.
  virtual HRESULT get_MarinerDepthContour(double* depth) = 0;
  virtual HRESULT put_MarinerDepthContour(double depth) = 0;
  virtual HRESULT get_ShipsSafetyDepthContour(double* depth) = 0;
  virtual HRESULT put_ShipsSafetyDepthContour(double depth) = 0;
};

namespace velk::productline {

inline constexpr CLSID CLSID_GeoSymRenderer = MakeGuid("{45D68984-B6F8-4C2E-BF7E-661F6473CBAE}");

HRESULT CreateGeoSymRendererObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::productline
