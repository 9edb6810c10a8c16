// The host's raster storage parameters: how a raster written into a database is stored (tiles,
// compression, overview levels), and the raster-dataset definition that carries its spatial
// reference.
#pragma once

#include "platform/com/object.h"
#include "platform/host/analysis/raster_mosaic.h"

struct ISpatialReference;

// Compression kinds.
constexpr LONG kRasterCompressionNone = 0;
constexpr LONG kRasterCompressionLZ77 = 1;
constexpr LONG kRasterCompressionJPEG = 2;

// Each setter refuses a value outside its range with E_INVALIDARG and keeps the old one.
struct IRasterStorageDef : IUnknown {
  VELK_INTERFACE_ID("{2C7D3D4E-6A0B-4B8E-9B7E-2B9E5C1F0A41}")
  // Tiles of 16 to 4096 cells a side.
  virtual HRESULT get_TileWidth(LONG* cells) = 0;
  virtual HRESULT put_TileWidth(LONG cells) = 0;
  virtual HRESULT get_TileHeight(LONG* cells) = 0;
  virtual HRESULT put_TileHeight(LONG cells) = 0;
  // Of the overviews: 0 nearest, 1 bilinear, 2 cubic.
  virtual HRESULT get_ResamplingType(LONG* type) = 0;
  virtual HRESULT put_ResamplingType(LONG type) = 0;
  virtual HRESULT get_CompressionType(LONG* type) = 0;
  virtual HRESULT put_CompressionType(LONG type) = 0;
  // -1: overviews down to one tile; 0: none; 1 to 30 levels.
  virtual HRESULT get_PyramidLevel(LONG* level) = 0;
  virtual HRESULT put_PyramidLevel(LONG level) = 0;
  // JPEG quality, 1 to 100.
  virtual HRESULT get_CompressionQuality(LONG* quality) = 0;
  virtual HRESULT put_CompressionQuality(LONG quality) = 0;
};

struct IRasterDatasetDef : IUnknown {
  VELK_INTERFACE_ID("{5B1E2F3A-7C4D-4E6F-8A9B-0C1D2E3F4A52}")
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT putref_SpatialReference(ISpatialReference* sr) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterStorageDef = MakeGuid("{8E4F1A2B-3C5D-4E6F-9A0B-1C2D3E4F5A63}");
inline constexpr CLSID CLSID_RasterDatasetDef = MakeGuid("{9F5A2B3C-4D6E-4F70-8B1C-2D3E4F5A6B74}");

HRESULT CreateRasterStorageDefObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateRasterDatasetDefObject(IUnknown* outer, REFIID riid, void** ppv);

// The parameters an object holds (the defaults for null or another kind of object).
analysis::RasterStorage StorageOf(IUnknown* storageDef);

}  // namespace velk::host
