// The host's 3-D vector: three components in the units of the coordinates they offset, set
// directly or from polar values.
#pragma once

#include "platform/com/object.h"

struct IVector3D : IUnknown {
  VELK_INTERFACE_ID("{D59366F1-A0C7-40B1-B99E-F05E5297EB37}")
  virtual HRESULT get_XComponent(double* x) = 0;
  virtual HRESULT put_XComponent(double x) = 0;
  virtual HRESULT get_YComponent(double* y) = 0;
  virtual HRESULT put_YComponent(double y) = 0;
  virtual HRESULT get_ZComponent(double* z) = 0;
  virtual HRESULT put_ZComponent(double z) = 0;
  virtual HRESULT PutComponents(double x, double y, double z) = 0;
  virtual HRESULT QueryComponents(double* x, double* y, double* z) = 0;
  // Azimuth in radians clockwise from +y (north), inclination in radians above the x-y plane,
  // magnitude the length: x = m cos(i) sin(a), y = m cos(i) cos(a), z = m sin(i).
  virtual HRESULT PolarSet(double azimuth, double inclination, double magnitude) = 0;
  virtual HRESULT get_Magnitude(double* length) = 0;
  // Scales the vector to length 1; E_FAIL (vector unchanged) for the zero vector.
  virtual HRESULT Normalize() = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_Vector3D = MakeGuid("{F0714B3A-F7B2-4AF4-8DB6-EF520DD704B2}");

HRESULT CreateVector3DObject(IUnknown* outer, REFIID riid, void** ppv);
ComPtr<IVector3D> NewVector3D(double x, double y, double z);

}  // namespace velk::host
