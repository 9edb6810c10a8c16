// What every dataset of the host answers: its name, kind and workspace, its extent and spatial
// reference when it is geographic, deletion and renaming, schema locks; and the name objects
// that stand for a dataset or a workspace without opening it.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IEnvelope;
struct ISpatialReference;
struct ITable;
struct IWorkspace;
struct IWorkspaceFactory;
struct IWorkspaceName;

// Dataset kinds.
constexpr LONG kDatasetAny = 1;
constexpr LONG kDatasetFeatureDataset = 4;
constexpr LONG kDatasetFeatureClass = 5;
constexpr LONG kDatasetTable = 10;
constexpr LONG kDatasetRasterDataset = 12;

// Schema lock kinds.
constexpr LONG kSchemaLockShared = 1;
constexpr LONG kSchemaLockExclusive = 2;

// A name object opens what it names: IName::Open hands out the dataset or workspace.
struct IName : IUnknown {
  VELK_INTERFACE_ID("{78FC4289-69D5-4A31-8098-662AC03FD501}")
  virtual HRESULT Open(IUnknown** object) = 0;
};

struct IWorkspaceName : IUnknown {
  VELK_INTERFACE_ID("{3CEDC961-9AB4-4053-8405-C352AFA9C980}")
  virtual HRESULT get_PathName(BSTR* path) = 0;
  virtual HRESULT put_PathName(BSTR path) = 0;
  // The ProgID of the factory that opens the workspace.
  virtual HRESULT get_WorkspaceFactoryProgID(BSTR* progId) = 0;
  virtual HRESULT put_WorkspaceFactoryProgID(BSTR progId) = 0;
  virtual HRESULT get_WorkspaceFactory(IWorkspaceFactory** factory) = 0;
};

struct IDatasetName : IUnknown {
  VELK_INTERFACE_ID("{89CDF64C-635E-4611-A317-E11793F00408}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Type(LONG* type) = 0;
  virtual HRESULT put_Type(LONG type) = 0;
  virtual HRESULT get_WorkspaceName(IWorkspaceName** name) = 0;
  virtual HRESULT putref_WorkspaceName(IWorkspaceName* name) = 0;
};

// Next gives S_OK with an item, or S_FALSE and null at the end.
struct IEnumDatasetName : IUnknown {
  VELK_INTERFACE_ID("{FF52F342-27EB-4324-9B1E-18013A5D60A6}")
  virtual HRESULT Next(IDatasetName** name) = 0;
  virtual HRESULT Reset() = 0;
};

struct IDataset : IUnknown {
  VELK_INTERFACE_ID("{565356ED-3B14-41E2-9127-472A731237E2}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Type(LONG* type) = 0;
  virtual HRESULT get_Workspace(IWorkspace** workspace) = 0;
  // A new name object for the dataset (IDatasetName, IName).
  virtual HRESULT get_FullName(IName** name) = 0;
  virtual HRESULT CanDelete(VARIANT_BOOL* can) = 0;
  // Removes the dataset's files or table; the object is unusable afterwards.
  virtual HRESULT Delete() = 0;
  virtual HRESULT CanRename(VARIANT_BOOL* can) = 0;
  virtual HRESULT Rename(BSTR name) = 0;
};

struct IEnumDataset : IUnknown {
  VELK_INTERFACE_ID("{BB2DBEA4-95ED-4F33-846E-F4E2DE6D42E5}")
  virtual HRESULT Next(IDataset** dataset) = 0;
  virtual HRESULT Reset() = 0;
};

// A dataset with a location: its extent and spatial reference.
struct IGeoDataset : IUnknown {
  VELK_INTERFACE_ID("{B27342A8-667A-487E-BCEE-AE9C659C1770}")
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT get_Extent(IEnvelope** extent) = 0;
};

// Every open table holds a shared lock; an exclusive lock is granted only to the one object
// that has the dataset open and only when its files can be written.
struct ISchemaLock : IUnknown {
  VELK_INTERFACE_ID("{5DF7026C-AA9D-4731-8898-954714BD259C}")
  virtual HRESULT ChangeSchemaLock(LONG kind) = 0;
  virtual HRESULT get_CurrentSchemaLock(LONG* kind) = 0;
};

// A dataset changed or made complete beside its place and put there in one step, so that it is
// never seen half-written: a file-based dataset is worked on in a copy whose files replace the
// dataset's, a database table inside one transaction.
struct IDatasetSwap : IUnknown {
  VELK_INTERFACE_ID("{BDA7AEA5-685C-4025-BD6B-9B37CA689583}")
  // Starts an edit that becomes visible all at once: *working has the dataset's rows, object
  // ids and fields and takes every change (new fields, new values) until StopEdit.
  virtual HRESULT StartEdit(ITable** working) = 0;
  // Saved, the working content replaces the dataset's in one step once it is known to be
  // complete and on disk; else it is thrown away and the dataset stays as it was. Release the
  // working table and its cursors first.
  virtual HRESULT StopEdit(VARIANT_BOOL save) = 0;
  // A finished new dataset takes its final name, written out and checked first. With replace, a
  // dataset of that name is removed only once this one is in its place; S_FALSE when this one is
  // in place but old files could not be removed. On failure nothing has changed under the name.
  virtual HRESULT TakeName(BSTR name, VARIANT_BOOL replace) = 0;
  // Why the last of these calls failed, as a user reads it ("disk full", "could not delete
  // ...").
  virtual HRESULT get_LastFailure(BSTR* text) = 0;
};
