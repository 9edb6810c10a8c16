// Colour ramps of the host's renderers: an algorithmic ramp runs from one colour to another
// (algorithm 0 straight through red, green and blue, 1 through hue, saturation and value), a
// multi-part ramp is several ramps one after another. A ramp is made at its size (CreateRamp)
// and then hands out its colours (0x00BBGGRR) by index. Ramps answer IClone (a copy).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IColor;

constexpr LONG kRampAlgorithmRgb = 0;
constexpr LONG kRampAlgorithmHsv = 1;

struct IColorRamp : IUnknown {
  VELK_INTERFACE_ID("{4B1C7E62-93D5-4F0A-8E27-6A3D9C1F5B80}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Size(LONG* size) = 0;
  // E_INVALIDARG below 1. A multi-part ramp's size is the sum of its parts'.
  virtual HRESULT put_Size(LONG size) = 0;
  // Makes the colours; ok is VARIANT_FALSE when the ramp lacks its colours (or parts).
  virtual HRESULT CreateRamp(VARIANT_BOOL* ok) = 0;
  // E_INVALIDARG for an index outside 0 .. size - 1, E_FAIL before CreateRamp.
  virtual HRESULT get_Color(LONG index, LONG* rgb) = 0;
};

struct IAlgorithmicColorRamp : IUnknown {
  VELK_INTERFACE_ID("{9D2E4A17-61B8-4C3F-A05E-7F8B2D6C1E93}")
  virtual HRESULT putref_FromColor(IColor* color) = 0;
  virtual HRESULT putref_ToColor(IColor* color) = 0;
  virtual HRESULT put_Algorithm(LONG algorithm) = 0;
};

struct IMultiPartColorRamp : IUnknown {
  VELK_INTERFACE_ID("{2C8F5B39-7A14-4E62-9D0B-3E6A1F7C4D25}")
  virtual HRESULT AddRamp(IColorRamp* ramp) = 0;
  virtual HRESULT get_RampCount(LONG* count) = 0;
};

// The colour ramp a raster renderer stretches values over (null: the host's own).
struct IRasterRendererColorRamp : IUnknown {
  VELK_INTERFACE_ID("{6E3A9C51-2F7D-4B84-8A16-C5D0E2B7F349}")
  virtual HRESULT get_ColorRamp(IColorRamp** ramp) = 0;
  virtual HRESULT putref_ColorRamp(IColorRamp* ramp) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_AlgorithmicColorRamp =
    MakeGuid("{A83F1D26-5C9B-4E07-B6D2-8F4E3A1C9B57}");
inline constexpr CLSID CLSID_MultiPartColorRamp =
    MakeGuid("{C71E4B98-0D3A-4F25-9E6B-2A8D5C3F1E04}");

HRESULT CreateAlgorithmicColorRampObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateMultiPartColorRampObject(IUnknown* outer, REFIID riid, void** ppv);

// The colour of a value stretched from low to high over a made ramp (0 for an empty ramp).
LONG RampColour(IColorRamp* ramp, double value, double low, double high);

}  // namespace velk::host
