// The host's surface analysis and raster conversion operations: visibility from observer points
// over an elevation raster, and a raster's zones into polygons. Each object also answers
// IRasterAnalysisEnvironment, whose output workspace receives what it makes.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/com/variant.h"

struct IGeoDataset;
struct IWorkspace;

// Visibility kinds.
constexpr LONG kVisibilityFrequency = 1;  // how many observers see each cell

struct ISurfaceOp : IUnknown {
  VELK_INTERFACE_ID("{6D0B2A8F-3B0E-4C44-9D71-0F0B6C8E21A4}")
  // Visibility over an elevation raster (in a projected system) from the points of a feature
  // class, whose fields OFFSETA, OFFSETB, AZIMUTH1, AZIMUTH2, VERT1, VERT2, RADIUS1, RADIUS2
  // and SPOT limit each observer. useCurvature: a VARIANT that is true to lower distant terrain
  // for the earth's curvature (empty or missing: false); refraction: the refraction
  // coefficient (empty or missing: 0.13). The result is an Int32 raster named "viz" and the
  // first free four-digit number in the output workspace (the surface's folder when none is
  // set): observers seeing each cell, no-data on voids. E_INVALIDARG for an unknown kind,
  // E_FAIL (with nothing written) when the inputs cannot be used.
  virtual HRESULT Visibility(IGeoDataset* surface, IGeoDataset* observers, LONG kind,
                             VARIANT* useCurvature, VARIANT* refraction, IGeoDataset** result) = 0;
};

struct IConversionOp : IUnknown {
  VELK_INTERFACE_ID("{1E5C7B64-8A2D-4F3B-B0D6-5C9A2E7F4B18}")
  // The connected zones of an integer raster as polygons with the integer field "GRIDCODE",
  // written as the shapefile `name` (".shp" optional) in a folder workspace. E_FAIL (with
  // nothing written) when the raster cannot be read or the shapefile written.
  virtual HRESULT RasterDataToPolygonFeatureData(IGeoDataset* raster, IWorkspace* workspace,
                                                 BSTR name, VARIANT_BOOL simplify,
                                                 IGeoDataset** result) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_SurfaceOp = MakeGuid("{3F6A1C22-7E49-4D0B-8C55-2B9D7A64E0C3}");
inline constexpr CLSID CLSID_ConversionOp = MakeGuid("{A8C24E17-5B63-4F9E-9A1D-7E0F3C6B2D95}");

HRESULT CreateSurfaceOpObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateConversionOpObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
