// The layer interfaces of the product line's catalog layers (type library LIBID_Lumeris):
// what every catalog layer answers, what each kind of layer adds, and the wireframe (footprint
// outline) display modes. Host types appear only by pointer.
#pragma once

#include <cstdint>

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IEnvelope;
struct IFeatureClass;
struct IFeatureDataset;
struct IGeoDataset;
struct IRasterCatalog;
struct ITable;

// Which catalog footprints a layer outlines. The stored value is a plain 32-bit number: a
// layer keeps whatever value it is given.
enum velkZelWireframeDisplayEnum : std::int32_t {
  velkWireframeDisplayNone = 0,      // no footprints drawn
  velkWireframeDisplaySelected = 1,  // footprints of the datasets in use only
  velkWireframeDisplayAll = 2,       // all footprints
};

// The host's raster resampling kind, passed through as a number.
using velkRasterResamplingType = std::int32_t;

// Tells the product line's layers apart from other map layers; no methods.
struct IZelLayer : IUnknown {
  VELK_INTERFACE_ID("{C52ADA46-8E34-436F-9CDD-D0073BDABA4A}")
};

struct IZelRasterLayer : IZelLayer {
  VELK_INTERFACE_ID("{7C7D1A8B-6446-4C38-90E9-E96171CE2F71}")
  virtual HRESULT Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) = 0;
  virtual HRESULT get_InternalObject(IRasterCatalog** catalog) = 0;
  virtual HRESULT get_UseBestMap(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_UseBestMap(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DisplayRasters(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DisplayRasters(VARIANT_BOOL value) = 0;
  virtual HRESULT get_ResamplingType(velkRasterResamplingType* value) = 0;
  virtual HRESULT put_ResamplingType(velkRasterResamplingType value) = 0;
};

struct IZelDtedLayer : IZelLayer {
  VELK_INTERFACE_ID("{BC08083D-FEE0-4703-930D-E5F23E689CCE}")
  virtual HRESULT Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) = 0;
  virtual HRESULT get_InternalObject(IRasterCatalog** catalog) = 0;
  virtual HRESULT put_UseUniformRenderer(VARIANT_BOOL value) = 0;
  virtual HRESULT get_UseUniformRenderer(VARIANT_BOOL* value) = 0;
  virtual HRESULT get_DisplayElevation(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DisplayElevation(VARIANT_BOOL value) = 0;
  virtual HRESULT get_ResamplingType(velkRasterResamplingType* value) = 0;
  virtual HRESULT put_ResamplingType(velkRasterResamplingType value) = 0;
};

struct IZelVectorLayer : IZelLayer {
  VELK_INTERFACE_ID("{67243246-4814-44BE-857A-69647BF7B7E8}")
  virtual HRESULT get_FeatureClass(IFeatureClass** featureClass) = 0;
  virtual HRESULT putref_FeatureClass(IFeatureClass* featureClass) = 0;
  virtual HRESULT get_DisplayCoverages(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DisplayCoverages(VARIANT_BOOL value) = 0;
  virtual HRESULT get_UseGeoSym(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_UseGeoSym(VARIANT_BOOL value) = 0;
  virtual HRESULT get_UseScaleDep(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_UseScaleDep(VARIANT_BOOL value) = 0;
};

struct IZelManagedVpfLayer : IUnknown {
  VELK_INTERFACE_ID("{A37C76F6-0ECB-4677-8D15-EA2C0EF4D598}")
  virtual HRESULT putref_FeatureDataset(IFeatureDataset* featureDataset) = 0;
};

// A dispatch interface without members: answered with the IUnknown slots only.
struct IZelReferencedRpfLayer : IUnknown {
  VELK_INTERFACE_ID("{466AC1AA-F5A3-45D5-B1E2-3BE19E5AB6C6}")
};

struct IZelVpfCoverages : IUnknown {
  VELK_INTERFACE_ID("{A9FE7B15-08A3-4885-ACBF-1A0B9ABA6304}")
  virtual HRESULT get_CoverageCount(LONG* count) = 0;
  virtual HRESULT get_Coverage(LONG Index, BSTR* coverage) = 0;
  virtual HRESULT get_ShowCoverage(LONG Index, VARIANT_BOOL* show) = 0;
  virtual HRESULT put_ShowCoverage(LONG Index, VARIANT_BOOL show) = 0;
  virtual HRESULT RefreshCoverages() = 0;
};

struct IZelDatasets : IUnknown {
  VELK_INTERFACE_ID("{95014620-460A-43EA-A4A5-F3E35B1BBE2C}")
  virtual HRESULT get_DatasetCount(LONG* lCount) = 0;
  virtual HRESULT get_Dataset(LONG Index, BSTR* strDataset) = 0;
  virtual HRESULT get_UseDataset(LONG Index, VARIANT_BOOL* use) = 0;
  virtual HRESULT put_UseDataset(LONG Index, VARIANT_BOOL use) = 0;
};

// Clips a raster region out of a catalog layer for the terrain tools.
struct IInternalZelHelper : IUnknown {
  VELK_INTERFACE_ID("{B8269C65-BA1C-47AF-8CBB-7EC17AB1FFC7}")
  virtual HRESULT ClipRegion(IEnvelope* Envelope, BSTR folder, BSTR Name, VARIANT_BOOL blnReproject,
                             IGeoDataset** GeoDataset) = 0;
};

struct IWireframeDisplayProps : IUnknown {
  VELK_INTERFACE_ID("{2506ECFD-DB5F-4E3B-ADED-AC7533DAF0BC}")
  virtual HRESULT get_DisplayWireframe(velkZelWireframeDisplayEnum* mode) = 0;
  virtual HRESULT put_DisplayWireframe(velkZelWireframeDisplayEnum mode) = 0;
};
