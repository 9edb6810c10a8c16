// The host's raster dataset, raster, band, statistics and raster surface classes over GDAL.
#pragma once

#include <string>

#include "platform/com/object.h"
#include "platform/host/raster.h"
#include "platform/host/workspace.h"

namespace velk::host {

// Opens a raster file; E_DATA_NOT_FOUND when there is no such file, E_DATA_UNREADABLE when
// GDAL cannot read it. workspace: the folder workspace the dataset belongs to (may be null).
HRESULT OpenRasterFile(const std::string& path, IWorkspace* workspace, IRasterDataset** dataset);

HRESULT CreateRasterSurfaceObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
