// The host's raster-catalog layer: a footprint table whose rows name raster files in a path
// field, shown as the rasters of the rows in view (through a VRT of them, drawn at the view's
// resolution), narrowed by a definition query and coloured by its renderer list. Also the
// definition-query interface of layers over tables and the host's stretch renderer.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct ITable;

struct IRasterCatalogLayer : IUnknown {
  VELK_INTERFACE_ID("{E86A8CEB-097D-48A9-985D-FCA15E8E3378}")
  // Binds the layer to the table: isSuccessful is VARIANT_TRUE when the table is a feature class
  // with the raster path field (by default "FULL_NAME"); the layer takes the table's name.
  virtual HRESULT Setup(ITable* table, VARIANT_BOOL* isSuccessful) = 0;
  virtual HRESULT get_Table(ITable** table) = 0;
  virtual HRESULT get_RasterPathField(BSTR* name) = 0;
  virtual HRESULT put_RasterPathField(BSTR name) = 0;
  // Resampling of the rasters to the view: 0 nearest neighbour, 1 bilinear, 2 cubic.
  virtual HRESULT get_ResamplingType(LONG* kind) = 0;
  virtual HRESULT put_ResamplingType(LONG kind) = 0;
  // The renderers, applied in order (the first stretch renderer colours elevations).
  virtual HRESULT get_RendererCount(LONG* count) = 0;
  virtual HRESULT get_Renderer(LONG index, IUnknown** renderer) = 0;
  virtual HRESULT AddRenderer(IUnknown* renderer) = 0;
  virtual HRESULT ClearRenderers() = 0;
};

// The where clause that narrows the rows a layer over a table shows ("" for all).
struct IFeatureLayerDefinition : IUnknown {
  VELK_INTERFACE_ID("{91D70863-71D8-46B5-A64F-43F9116424F5}")
  virtual HRESULT get_DefinitionExpression(BSTR* expression) = 0;
  virtual HRESULT put_DefinitionExpression(BSTR expression) = 0;
};

// Stretches one-band rasters over a colour ramp from low to high values: by default over the
// statistics of the rasters drawn, with custom statistics over the given minimum and maximum.
struct IRasterStretchRenderer : IUnknown {
  VELK_INTERFACE_ID("{3250BC64-51AC-46F9-A3EE-4CAAFB455D11}")
  virtual HRESULT get_UseCustomStatistics(VARIANT_BOOL* custom) = 0;
  virtual HRESULT put_UseCustomStatistics(VARIANT_BOOL custom) = 0;
  virtual HRESULT get_Minimum(double* value) = 0;
  virtual HRESULT put_Minimum(double value) = 0;
  virtual HRESULT get_Maximum(double* value) = 0;
  virtual HRESULT put_Maximum(double value) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterCatalogLayer =
    MakeGuid("{7FFD438E-D1F0-42D2-8D01-5EB0D2344072}");
inline constexpr CLSID CLSID_RasterStretchRenderer =
    MakeGuid("{3AF984B4-689A-4C68-B928-97D176AFB35A}");

HRESULT CreateRasterCatalogLayerObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateRasterStretchRendererObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
