// The host's raster dataset name: stands for a raster dataset of a workspace without opening
// it, and carries the raster definition a new dataset is to be made with.
#pragma once

#include "platform/com/object.h"

struct IRasterDatasetName : IUnknown {
  VELK_INTERFACE_ID("{9003A8F6-E13F-4854-8BA3-25C24BAD9697}")
  // The raster definition (spatial reference, cell size and the like) the dataset is to be
  // made with; null while none was given.
  virtual HRESULT get_Definition(IUnknown** definition) = 0;
  virtual HRESULT putref_Definition(IUnknown* definition) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterDatasetName = MakeGuid("{C2AA77B5-4074-43FC-ACA7-7F867B53DE6B}");

// The object answers IDatasetName (its type is always the raster dataset kind: putting another
// kind is E_INVALIDARG), IName (opening the workspace and then the raster dataset of the name)
// and IRasterDatasetName.
HRESULT CreateRasterDatasetNameObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
