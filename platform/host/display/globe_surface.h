// The globe's surface as the fly-through and other 3-D tools ask it: the height factor by
// which heights in kilometres are drawn, and the height of the surface at a longitude and
// latitude. The surface comes from the globe's elevation source: its visible raster layers,
// the topmost one with a value at the place answering; the sea level (0) elsewhere.
#pragma once

#include "platform/com/unknown.h"

struct IGlobeSurface : IUnknown {
  VELK_INTERFACE_ID("{6F3E2D8A-1C4B-4A7E-9B25-8D0C3E7F1A54}")
  // The factor heights in kilometres are multiplied by to be drawn: the globe's vertical
  // exaggeration.
  virtual HRESULT get_HeightFactor(double* factor) = 0;
  // The surface height at the place (degrees on WGS 84). inMetres true: metres as the source
  // holds them; false: kilometres times the height factor, as drawn. A place no source covers,
  // or a void there, answers 0 with S_FALSE; a latitude or longitude out of range E_INVALIDARG.
  virtual HRESULT GetSurfaceHeight(double longitude, double latitude, VARIANT_BOOL inMetres,
                                   double* height) = 0;
};
