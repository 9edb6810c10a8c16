// The host's raster dataset, raster, band, statistics and raster surface classes over GDAL.
#pragma once

#include <string>

#include "platform/com/object.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/workspace.h"

namespace velk::host {

// Opens a raster file; E_DATA_NOT_FOUND when there is no such file, E_DATA_UNREADABLE when
// GDAL cannot read it. workspace: the folder workspace the dataset belongs to (may be null);
// temporary: an analysis result not yet saved (ITemporaryDataset).
HRESULT OpenRasterFile(const std::string& path, IWorkspace* workspace, IRasterDataset** dataset,
                       bool temporary = false);

// The file a raster saved as "GRID" under a name is written to: the name itself when it has an
// extension, else the name with ".tif".
std::wstring GridDatasetFileName(const std::wstring& name);

HRESULT CreateRasterSurfaceObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
