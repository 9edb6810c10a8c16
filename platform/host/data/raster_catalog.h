// A catalog of raster datasets (the elevation files behind a catalog layer, say) with the
// datasets the user has selected in it; and the host's plain catalog over the rasters of one
// workspace.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

#include <vector>

struct IDataset;
struct IEnumDataset;
struct IWorkspace;

struct IRasterCatalog : IUnknown {
  VELK_INTERFACE_ID("{ED5E7BD3-D0B5-44F0-8926-641C801C75E2}")
  // The catalog's raster datasets in catalog order (each answers IDataset and IRasterDataset).
  virtual HRESULT get_RasterDatasets(IEnumDataset** datasets) = 0;
  // The dataset names that are selected, in the order they were selected.
  virtual HRESULT get_SelectedCount(LONG* count) = 0;
  // E_INVALIDARG for an index outside 0 .. count - 1.
  virtual HRESULT get_SelectedName(LONG index, BSTR* name) = 0;
};

// The host's catalog of a workspace's rasters.
struct IWorkspaceRasterCatalog : IUnknown {
  VELK_INTERFACE_ID("{088BEB94-27FD-4642-8253-68E69AF6ECB4}")
  virtual HRESULT putref_Workspace(IWorkspace* workspace) = 0;
  // Selects the dataset of that name (S_FALSE when it is selected already). Names are those
  // the datasets give (IDataset::Name); a name no dataset has is E_INVALIDARG.
  virtual HRESULT SelectDataset(BSTR name) = 0;
  virtual HRESULT ClearSelection() = 0;
};

// The records of a catalog layer the user selected, by a where clause over its table. The
// selected names are the records' raster paths.
struct IRasterCatalogSelection : IUnknown {
  VELK_INTERFACE_ID("{4D9E2A7B-6C1F-4E38-A5B0-93C7D1E2F460}")
  // Selects the records the where clause finds (in place of the selection); count: how many.
  // E_INVALIDARG for a clause the table cannot use.
  virtual HRESULT SelectWhere(BSTR whereClause, LONG* count) = 0;
  virtual HRESULT ClearSelection() = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_WorkspaceRasterCatalog =
    MakeGuid("{694E6767-8408-42EA-BD6A-AAF5900E6BAF}");

HRESULT CreateWorkspaceRasterCatalogObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
