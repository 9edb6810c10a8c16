// Spatial references of the host, made by factory code (EPSG codes and the host's own codes
// such as 54032, the world azimuthal equidistant projection) or from WKT text.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

// Factory codes the system names.
constexpr LONG kFactoryCodeWgs84 = 4326;
constexpr LONG kFactoryCodeAssumedGeographic = 104000;
constexpr LONG kFactoryCodeWorldAzimuthalEquidistant = 54032;

struct ISpatialReference : IUnknown {
  VELK_INTERFACE_ID("{044C893E-0734-409B-B6B5-44B80BDB2EFF}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  // The code the reference was made from; 0 when it was made from text or its parameters were
  // changed afterwards.
  virtual HRESULT get_FactoryCode(LONG* code) = 0;
  // Same coordinate system (same definition, whatever the object).
  virtual HRESULT IsSame(ISpatialReference* other, VARIANT_BOOL* same) = 0;
  virtual HRESULT ExportToWkt(BSTR* wkt) = 0;
};

struct IGeographicCoordinateSystem : ISpatialReference {
  VELK_INTERFACE_ID("{96848672-8956-45C7-826A-AF00154AE1D0}")
  virtual HRESULT get_DatumName(BSTR* name) = 0;
};

struct IProjectedCoordinateSystem : ISpatialReference {
  VELK_INTERFACE_ID("{49D035BF-A403-48C4-B08C-1DAE4524D47D}")
  // The geographic system the projection is based on (a new object).
  virtual HRESULT get_GeographicCoordinateSystem(IGeographicCoordinateSystem** gcs) = 0;
  // inDegrees false: radians.
  virtual HRESULT get_CentralMeridian(VARIANT_BOOL inDegrees, double* value) = 0;
  virtual HRESULT put_CentralMeridian(VARIANT_BOOL inDegrees, double value) = 0;
  // Degrees.
  virtual HRESULT get_LatitudeOfOrigin(double* value) = 0;
  virtual HRESULT put_LatitudeOfOrigin(double value) = 0;
  // Metres per unit of the projected coordinates.
  virtual HRESULT get_MetersPerUnit(double* value) = 0;
};

// A reference that says nothing about the coordinates.
struct IUnknownCoordinateSystem : ISpatialReference {
  VELK_INTERFACE_ID("{98DDDF63-CC2E-4F1E-9477-A582975D21EB}")
};

struct ISpatialReferenceFactory : IUnknown {
  VELK_INTERFACE_ID("{E3754F4C-0DAC-4697-B3A0-90C9F7635664}")
  // Any kind by code; E_INVALIDARG for a code no authority knows.
  virtual HRESULT CreateSpatialReference(LONG code, ISpatialReference** sr) = 0;
  // E_INVALIDARG also when the code names a system of the other kind.
  virtual HRESULT CreateGeographicCoordinateSystem(LONG code,
                                                   IGeographicCoordinateSystem** gcs) = 0;
  virtual HRESULT CreateProjectedCoordinateSystem(LONG code, IProjectedCoordinateSystem** pcs) = 0;
  // WKT (1 or 2, also the .prj flavour) or any definition PROJ reads.
  virtual HRESULT CreateFromWkt(BSTR wkt, ISpatialReference** sr) = 0;
  virtual HRESULT CreateUnknownCoordinateSystem(ISpatialReference** sr) = 0;
};
