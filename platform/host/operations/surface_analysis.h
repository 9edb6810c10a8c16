// The host's surface analysis operator: the shaded relief of a raster surface, run with the
// operator's own raster analysis environment (output workspace, cell size, extent).
#pragma once

#include <functional>

#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/com/variant.h"
#include "platform/host/data/raster_analysis_environment.h"

struct IEnvelope;
struct IFeatureClass;
struct IGeoDataset;
struct IWorkspace;

// Visibility kinds.
constexpr LONG kVisibilityFrequency = 1;  // how many observers see each cell

struct ISurfaceOp : IUnknown {
  VELK_INTERFACE_ID("{AC1AD48C-2395-4D26-9BEC-42ABD6B5BB51}")
  // The shaded relief of the first band of input (a raster dataset, raster or band): a
  // temporary one-band Byte raster (grey levels 1 to 255, 0 = no data) written into the output
  // workspace (the host's scratch folder when none is set), over the environment's extent and
  // at its cell size. zFactor: any numeric VARIANT, empty for 1. E_INVALIDARG, and no result,
  // for an azimuth outside 0 to 360, an altitude outside 0 to 90, a z factor that is no number
  // above 0, or an extent that misses the input; E_DATA_WRITE_FAILED when the result cannot
  // be written (nothing is left behind); E_ABORT, and nothing written, when the progress
  // callback (IAnalysisProgress) stopped it.
  virtual HRESULT HillShade(IGeoDataset* input, double azimuth, double altitude,
                            VARIANT_BOOL modelShadows, VARIANT* zFactor, IGeoDataset** result) = 0;
  // Visibility over an elevation raster (in a projected system) from the points of a feature
  // class, whose fields OFFSETA, OFFSETB, AZIMUTH1, AZIMUTH2, VERT1, VERT2, RADIUS1, RADIUS2
  // and SPOT limit each observer. useCurvature: a VARIANT that is true (or a number not 0) to
  // lower distant terrain for the earth's curvature (empty or missing: false); refraction: the
  // refraction coefficient (empty or missing: 0.13). The result is an Int32 raster named "viz"
  // and the first free four-digit number in the output workspace (the surface's folder when
  // none is set): observers seeing each cell, no-data on voids. E_INVALIDARG for an unknown
  // kind, E_FAIL (with nothing written) when the inputs cannot be used.
  virtual HRESULT Visibility(IGeoDataset* surface, IGeoDataset* observers, LONG kind,
                             VARIANT* useCurvature, VARIANT* refraction, IGeoDataset** result) = 0;
};

// A progress callback for the runs of an analysis operator (the surface operator answers it).
struct IAnalysisProgress : IUnknown {
  VELK_INTERFACE_ID("{5B672A96-31A6-43A2-8B51-02BD22E903C8}")
  // progress is called with the share done (0 to 1) during the operator's later shaded
  // reliefs (HillShade), one call at a time; false stops the run, which then gives E_ABORT and
  // leaves nothing behind. An empty function: no calls.
  virtual HRESULT SetProgress(const std::function<bool(double)>& progress) = 0;
};

// Preparing a surface for a visibility analysis.
struct ISurfacePreparationOp : IUnknown {
  VELK_INTERFACE_ID("{5B0C6E2A-7D41-4C8F-9A3E-2F1D8B6C4E71}")
  // The first band of source resampled (bilinear) over area, an envelope in WGS 84 degrees,
  // into the azimuthal equidistant system centred on the area's centre, and saved as the
  // "GRID" raster `name` in workspace (a folder). Its cells are the source's over the part of
  // the source the area covers, both measured in the source's own units. E_INVALIDARG (nothing
  // written) for a source without a spatial reference, an area it does not cover or one that
  // gives fewer than two cells each way.
  virtual HRESULT PrepareAzimuthalGrid(IGeoDataset* source, IEnvelope* area, IWorkspace* workspace,
                                       BSTR name, IGeoDataset** result) = 0;
};

struct IConversionOp : IUnknown {
  VELK_INTERFACE_ID("{1E5C7B64-8A2D-4F3B-B0D6-5C9A2E7F4B18}")
  // The connected zones of an integer raster as polygons with the integer field "GRIDCODE",
  // written as the shapefile `name` (".shp" optional) in a folder workspace. E_FAIL (with
  // nothing written) when the raster cannot be read or the shapefile written.
  virtual HRESULT RasterDataToPolygonFeatureData(IGeoDataset* raster, IWorkspace* workspace,
                                                 BSTR name, VARIANT_BOOL simplify,
                                                 IGeoDataset** result) = 0;
  // Every cell of the raster's first band that has a value as a point at the cell's centre,
  // with the fields "POINTID" and "GRID_CODE" (the value), written as the shapefile `name`
  // (".shp" optional) in a folder workspace; the new feature class. E_FAIL (with nothing
  // written) when the raster cannot be read or the shapefile written, E_DATA_TOO_MANY_FEATURES
  // (nothing written) when more cells have a value than a shapefile holds points.
  virtual HRESULT RasterDataToPointFeatureData(IGeoDataset* raster, IWorkspace* workspace,
                                               BSTR name, IFeatureClass** result) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterSurfaceOp = MakeGuid("{2055EAF7-DD02-4A9D-9F5B-BEFC766D8494}");

HRESULT CreateRasterSurfaceOpObject(IUnknown* outer, REFIID riid, void** ppv);

inline constexpr CLSID CLSID_ConversionOp = MakeGuid("{A8C24E17-5B63-4F9E-9A1D-7E0F3C6B2D95}");
HRESULT CreateConversionOpObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
