// How layers are drawn on a display: the scale range every host layer has, the layers that draw
// themselves (the product line's catalog layers), and the display a draw goes to, which tells
// the map scale and visible extent and draws host layers by the host's own rules.
#pragma once

#include "platform/com/unknown.h"

struct IDisplay;
struct IEnvelope;
struct ITrackCancel;

// The scales between which a layer draws, as scale denominators; 0 is no bound. A layer draws
// when (MaximumScale = 0 or scale >= MaximumScale) and (MinimumScale = 0 or scale <=
// MinimumScale): the minimum is the zoomed-out bound, the maximum the zoomed-in one.
struct ILayerScaleRange : IUnknown {
  VELK_INTERFACE_ID("{0E7C0F52-3B7B-4D67-9C2C-6B8B7F0D4E11}")
  virtual HRESULT get_MinimumScale(double* scale) = 0;
  virtual HRESULT put_MinimumScale(double scale) = 0;
  virtual HRESULT get_MaximumScale(double* scale) = 0;
  virtual HRESULT put_MaximumScale(double scale) = 0;
};

// A layer that draws itself: the host calls Draw once per drawing phase instead of drawing it.
struct ILayerDraw : IUnknown {
  VELK_INTERFACE_ID("{5B3C2E6A-8F1D-4A2B-9E7C-3D4F5A6B7C81}")
  virtual HRESULT Draw(LONG drawPhase, IDisplay* display, ITrackCancel* cancelTracker) = 0;
};

// What a display being drawn offers the layers drawn on it.
struct IDrawDisplay : IUnknown {
  VELK_INTERFACE_ID("{9A8B7C6D-5E4F-4321-8A9B-0C1D2E3F4A52}")
  // The map scale (its denominator) of the draw.
  virtual HRESULT get_MapScale(double* scale) = 0;
  // The visible extent, in geographic WGS 84 coordinates.
  virtual HRESULT get_VisibleExtent(IEnvelope** extent) = 0;
  // Draws a host layer (feature, raster, raster catalog, group) by the host's rules: hidden
  // layers and layers out of their scale range are skipped, group members that draw themselves
  // are asked to. Stops when the tracker says so.
  virtual HRESULT DrawLayer(IUnknown* layer, ITrackCancel* cancelTracker) = 0;
};
