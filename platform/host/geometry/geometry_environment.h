// The host's geometry environment: packs what a 3-D viewer needs to draw a vertex (its texture
// coordinates and its normal) into the vertex's measure value, and reads them back.
//
// A packed measure is a whole number below 2^52, so a double holds it exactly. Bits 0-12 hold
// the texture coordinate u and bits 13-25 v, each as round((t + 4) * 1024), so t lies in
// [-4, 4) to a 1/1024 step. Bits 26-37 and 38-49 hold the normal as a point (px, py) of
// [-1, 1]^2, each as round((c + 1) * 2047.5): the direction's point on the octahedron
// |x| + |y| + |z| = 1 with its lower half folded out over the corners, which keeps the error
// about 0.001 rad in every direction. Bit 51 is set when a normal is present. Packing one part
// keeps the other; a measure that is not a packed value counts as 0.
#pragma once

#include "platform/com/object.h"

struct IVector3D;

struct IMeasurePacking : IUnknown {
  VELK_INTERFACE_ID("{F76AF4DC-0704-4BFC-897F-277014B7D171}")
  // E_INVALIDARG (measure unchanged) for a coordinate outside [-4, 4).
  virtual HRESULT PackTexture(double u, double v, double* measure) = 0;
  // Packs the direction of the vector (it is normalised on the way; the vector itself is not
  // changed); E_INVALIDARG (measure unchanged) for the zero vector.
  virtual HRESULT PackNormal(IVector3D* normal, double* measure) = 0;
  virtual HRESULT UnpackTexture(double measure, double* u, double* v) = 0;
  // Puts the packed normal (length 1) into the vector; S_FALSE and the zero vector when the
  // measure holds none.
  virtual HRESULT UnpackNormal(double measure, IVector3D* normal) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_GeometryEnvironment =
    MakeGuid("{6BFDBABB-70E0-4D22-872E-89A8B7C6AF54}");

HRESULT CreateGeometryEnvironmentObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
