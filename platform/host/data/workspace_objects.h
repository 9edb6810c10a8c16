// The host's workspace factories (shapefile folder, database, raster folder, scratch), their
// workspaces, and the workspace and dataset name classes.
#pragma once

#include <string>

#include "platform/com/object.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/workspace.h"

namespace velk::host {

HRESULT CreateShapefileWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateDatabaseWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateRasterWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateScratchWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateWorkspaceNameObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateDatasetNameObject(IUnknown* outer, REFIID riid, void** ppv);

// The factory a workspace name's ProgID names; null for a ProgID the host does not know.
ComPtr<IWorkspaceFactory> WorkspaceFactoryFromProgId(const std::wstring& progId);

// A name object for a raster file of a folder (opens through the raster workspace factory).
ComPtr<IName> RasterDatasetFullName(const std::wstring& folder, const std::wstring& fileName);

// The folder the scratch workspace lives in (under the host's root folder).
std::string ScratchFolderPath();

}  // namespace velk::host
