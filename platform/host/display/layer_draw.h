// How the host draws a layer: in phases, onto a display whose transformation gives the visible
// bounds and the map scale, asking a cancel tracker between steps. Every layer class of the
// host answers ILayerDraw (layer_drawing.h); a layer that draws other layers calls their Draw
// in turn.
#pragma once

#include "platform/com/unknown.h"
#include "platform/host/display/layer_drawing.h"

struct IDisplay;
struct ITrackCancel;

// Phases of a layer's drawing.
constexpr LONG kDrawPhaseGeography = 1;
constexpr LONG kDrawPhaseAnnotation = 2;
constexpr LONG kDrawPhaseSelection = 4;

// The map scale of a display transformation: the scale denominator (250000 for 1:250,000).
struct IDisplayScale : IUnknown {
  VELK_INTERFACE_ID("{4E8D2C17-6B3A-4F95-A1D0-7C2E5B9F3A86}")
  virtual HRESULT get_ScaleRatio(double* scale) = 0;
  // E_INVALIDARG for a scale that is not above 0.
  virtual HRESULT put_ScaleRatio(double scale) = 0;
};
