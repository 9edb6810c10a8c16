// The host's table and feature class objects over a TableCore, with their rows, cursors,
// selection sets, and the query and spatial filter classes. Platform-internal but for the
// filter creation routines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/table_core.h"
#include "platform/host/data/workspace.h"

namespace velk::host {

// A running edit of a dataset (IDatasetSwap): the working copy's table, or the transaction.
struct DatasetEdit {
  bool active = false;
  std::shared_ptr<TableCore> core;           // the working copy (file-based datasets)
  ComPtr<IUnknown> object;                   // its table object, handed out by StartEdit
  std::vector<std::filesystem::path> files;  // the working copy's files beside the originals
};

// What a table object asks of the workspace that opened it.
class DatasetHost {
 public:
  // The table object is going away: drop it from the workspace's open datasets.
  virtual void ForgetDataset(const std::wstring& key, IUnknown* object) = 0;
  virtual HRESULT DeleteDataset(TableCore& core) = 0;
  virtual HRESULT RenameDataset(TableCore& core, const std::wstring& newName) = 0;
  // A new name object for a dataset of the workspace.
  virtual ComPtr<IName> DatasetFullName(const std::wstring& name, LONG kind) = 0;
  // Why writes to the workspace fail, as a user reads it ("disk full", ...).
  virtual std::string WriteProblem() { return "the data could not be written"; }
  // IDatasetSwap; why receives the reason of a failure.
  virtual HRESULT StartEdit(TableCore&, DatasetEdit&, std::string& why) {
    why = "this workspace cannot edit a copy";
    return E_NOTIMPL;
  }
  virtual HRESULT StopEdit(TableCore&, DatasetEdit&, bool /*save*/, std::string& why) {
    why = "this workspace cannot edit a copy";
    return E_NOTIMPL;
  }
  virtual HRESULT TakeName(TableCore&, const std::wstring&, bool /*replace*/, std::string& why) {
    why = "this workspace cannot rename datasets";
    return E_NOTIMPL;
  }

 protected:
  ~DatasetHost() = default;
};

// A table object (ITable, IDataset, ISchemaLock; also IFeatureClass and IGeoDataset when the
// core has a shape field) answering for the core. workspace keeps the host alive.
ComPtr<IUnknown> MakeTableObject(std::shared_ptr<TableCore> core, IWorkspace* workspace,
                                 DatasetHost* host, std::wstring cacheKey);

// Platform-internal access to the GDAL layer behind a table object (for the feature-data
// converter, which hands it to GDAL's vector translate).
struct ITableSource : IUnknown {
  VELK_INTERFACE_ID("{6E0A4C2B-8F1D-4B37-9A5E-C3D2B1A09F84}")
  virtual TableCore* Core() = 0;
};

// Platform-internal access to a row's values.
struct IRowData : IUnknown {
  VELK_INTERFACE_ID("{D17E8521-D0CF-40C4-9AC2-4817E9ED7A31}")
  virtual TableCore* Core() = 0;
  virtual std::vector<Variant>& Values() = 0;
  virtual std::int64_t Fid() = 0;
  virtual void SetFid(std::int64_t fid) = 0;
};

HRESULT CreateQueryFilterObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateSpatialFilterObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
