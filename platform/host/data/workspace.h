// Workspaces (a folder of shapefiles and dBASE tables, a database, a folder of rasters) and the
// factories that open and create them.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"
#include "platform/win/window_handle.h"

struct IDataset;
struct IEnumDataset;
struct IEnumDatasetName;
struct IFeatureClass;
struct IFeatureDataset;
struct IFields;
struct IPropertySet;
struct IRasterDataset;
struct ITable;
struct IWorkspaceFactory;

// Workspace kinds.
constexpr LONG kWorkspaceFileSystem = 0;
constexpr LONG kWorkspaceLocalDatabase = 1;

// Feature types of new feature classes.
constexpr LONG kFeatureTypeSimple = 1;

struct IWorkspace : IUnknown {
  VELK_INTERFACE_ID("{D4803EE1-79F4-11D0-97FC-0080C7F79481}")
  // The folder, or the database file.
  virtual HRESULT get_PathName(BSTR* path) = 0;
  virtual HRESULT get_Type(LONG* type) = 0;
  virtual HRESULT get_WorkspaceFactory(IWorkspaceFactory** factory) = 0;
  // Names of the datasets of a kind (kDatasetAny: all), in name order.
  virtual HRESULT get_DatasetNames(LONG kind, IEnumDatasetName** names) = 0;
  virtual HRESULT get_Datasets(LONG kind, IEnumDataset** datasets) = 0;
  // Whether the workspace is there (the folder or the file).
  virtual HRESULT Exists(VARIANT_BOOL* exists) = 0;
};

// Tables and feature classes of a workspace.
struct IFeatureWorkspace : IUnknown {
  VELK_INTERFACE_ID("{D9CAB491-3F69-11D1-B095-0000F8780820}")
  // E_DATA_NOT_FOUND when there is no such dataset; E_DATA_UNREADABLE when it is corrupt.
  virtual HRESULT OpenTable(BSTR name, ITable** table) = 0;
  virtual HRESULT OpenFeatureClass(BSTR name, IFeatureClass** featureClass) = 0;
  // A table without geometry (a dBASE file in a folder). Nothing is left behind on failure.
  virtual HRESULT CreateTable(BSTR name, IFields* fields, const GUID* clsid, const GUID* extClsid,
                              BSTR configKeyword, ITable** table) = 0;
  // fields must hold one geometry field (its definition gives shape type, Z, M and spatial
  // reference); shapeFieldName names it. Nothing is left behind on failure.
  virtual HRESULT CreateFeatureClass(BSTR name, IFields* fields, const GUID* clsid,
                                     const GUID* extClsid, LONG featureType, BSTR shapeFieldName,
                                     BSTR configKeyword, IFeatureClass** featureClass) = 0;
  // A feature dataset of the workspace; E_DATA_NOT_FOUND when there is none of that name (a
  // folder or a VPF database has none).
  virtual HRESULT OpenFeatureDataset(BSTR name, IFeatureDataset** dataset) = 0;
};

// A named group of feature classes in a workspace; the object answers IDataset for its name and
// workspace. In a database, the feature classes whose names begin with its name and "_"
// (letter case aside): "vmaplv0" holds "vmaplv0_trans_roadl".
struct IFeatureDataset : IUnknown {
  VELK_INTERFACE_ID("{6C1E0B9A-4D27-4F83-9A5E-2B7D8C3F1E64}")
  // The feature classes it holds, opened, in name order.
  virtual HRESULT get_Subsets(IEnumDataset** datasets) = 0;
};

struct IRasterWorkspace : IUnknown {
  VELK_INTERFACE_ID("{AAE25031-35FB-11D2-B1F2-00C04F8EDEFF}")
  // name: a file of the folder that GDAL reads as a raster.
  virtual HRESULT OpenRasterDataset(BSTR name, IRasterDataset** dataset) = 0;
};

// Opening and creating workspaces of one kind.
// Rasters kept inside a database workspace.
struct IRasterWorkspaceEx : IUnknown {
  VELK_INTERFACE_ID("{6C2D8E4F-1A3B-4C5D-9E7F-80A1B2C3D4E5}")
  // A new raster dataset made from a raster collection (its rasters mosaicked, cut to its
  // extent; IRasterMosaicProps), stored as storage (IRasterStorageDef; null: the defaults)
  // says. keyword names the database's storage settings ("DEFAULTS" or empty); definition
  // (IRasterDatasetDef, may be null) is recorded; options must be empty. E_DATA_INVALID_NAME for
  // a name the database refuses, E_DATA_EXISTS when a dataset of that name exists and the
  // collection does not replace it, E_ABORT when cancelled, E_DATA_WRITE_FAILED when it cannot
  // be written; nothing is left behind by a failure.
  virtual HRESULT CreateRasterDataset(BSTR name, IUnknown* rasters, IUnknown* storage,
                                      BSTR keyword, IUnknown* definition, VARIANT* options,
                                      IRasterDataset** dataset) = 0;
  virtual HRESULT OpenRasterDataset(BSTR name, IRasterDataset** dataset) = 0;
  // S_FALSE when there is no raster of that name.
  virtual HRESULT DeleteRasterDataset(BSTR name) = 0;
};

struct IWorkspaceFactory : IUnknown {
  VELK_INTERFACE_ID("{80A51B4F-4C48-4794-9091-C52E5DD4C759}")
  // path: the folder or the database file. E_DATA_NOT_FOUND when it is not there,
  // E_DATA_UNREADABLE when it is not a workspace of the kind.
  virtual HRESULT OpenFromFile(BSTR path, HWND parent, IWorkspace** workspace) = 0;
  // The connection names the path under "DATABASE" (or "PATH").
  virtual HRESULT Open(IPropertySet* connection, HWND parent, IWorkspace** workspace) = 0;
  // Makes a new workspace parentFolder/name (a folder, or a database file).
  virtual HRESULT Create(BSTR parentFolder, BSTR name, IPropertySet* connection, HWND parent,
                         IWorkspace** workspace) = 0;
  virtual HRESULT IsWorkspace(BSTR path, VARIANT_BOOL* is) = 0;
  virtual HRESULT get_WorkspaceType(LONG* type) = 0;
};

// The host's scratch workspace: a folder under the host's root where tools may write.
struct IScratchWorkspaceFactory : IUnknown {
  VELK_INTERFACE_ID("{3297E9C8-93A1-11D2-9F33-00C04F8ED1D7}")
  virtual HRESULT get_DefaultScratchWorkspace(IWorkspace** workspace) = 0;
};
