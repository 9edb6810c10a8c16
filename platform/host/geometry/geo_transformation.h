// Datum transformations between two geographic systems, and the geometry operation that moves a
// geometry's coordinates by one of them in place.
#pragma once

#include "platform/com/object.h"
#include "platform/host/geometry/spatial_reference.h"

// A transformation from one geographic system to another.
struct IGeoTransformation : IUnknown {
  VELK_INTERFACE_ID("{0E2D3B71-54C6-4F0B-9D0D-4F3C1E8A6A21}")
  virtual HRESULT PutSpatialReferences(ISpatialReference* from, ISpatialReference* to) = 0;
  virtual HRESULT GetSpatialReferences(ISpatialReference** from, ISpatialReference** to) = 0;
};

// The three-parameter geocentric translation: the centre of the source datum's ellipsoid seen
// from the target's, in metres (the shift from the source datum to the target datum).
struct IGeocentricTranslation : IGeoTransformation {
  VELK_INTERFACE_ID("{5B0C9E42-2C1F-4A8E-B7F4-1D6A3C9E0B57}")
  virtual HRESULT PutParameters(double dx, double dy, double dz) = 0;
  virtual HRESULT GetParameters(double* dx, double* dy, double* dz) = 0;
};

// Geometries moved in place by a transformation; the spatial reference they carry stays.
struct ITransform2D : IUnknown {
  VELK_INTERFACE_ID("{A1B7E3C4-6D2F-4E8A-9C1B-3F5D7E9A2B64}")
  // direction 0: from the transformation's source to its target; 1: back. E_INVALIDARG for
  // another direction or a transformation without both systems; E_FAIL when a coordinate
  // cannot be transformed (the geometry is then unchanged).
  virtual HRESULT Transform(LONG direction, IUnknown* transformation) = 0;
};

namespace velk::host {

inline constexpr LONG kTransformForward = 0;
inline constexpr LONG kTransformReverse = 1;

inline constexpr CLSID CLSID_GeocentricTranslation =
    MakeGuid("{7C5E8A31-2B4D-4F6E-8A9C-0D1E2F3A4B5C}");
HRESULT CreateGeocentricTranslationObject(IUnknown* outer, REFIID riid, void** ppv);

struct GeomData;
// Moves every vertex of the data (both corners of an envelope) by the transformation.
HRESULT TransformGeomData(GeomData& data, LONG direction, IUnknown* transformation);

}  // namespace velk::host
