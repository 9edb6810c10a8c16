// The product line's catalog data manager: `DataManager`, reached through `IDataManager`. It
// tells which kind of catalog a table is; creating catalogs and loading data into them report
// through `IDataManagerEvents`.
//
// A catalog is a table or feature class of a workspace (here a GeoPackage database). The kind
// is read from the table's fields (names compared without letter case) and, for the two VPF
// kinds, from the workspace that holds it:
//   DTED (1):           a text field DTED_TYPE (the DTED level of each raster).
//   RPF (2):            text fields PRODUCT and SERIES and a numeric field SCALE, and neither
//                       DTED_TYPE nor LIBRARY. A table of frames in a raster catalog and a
//                       table that references frame files are both RPF catalogs.
//   referenced RPF (4): an RPF catalog that also has the text fields NAME and FULL_NAME.
//   VPF (0):            a feature class with text fields PRODUCT and LIBRARY, and neither
//                       DTED_TYPE nor SERIES, whose workspace holds the feature table named
//                       like the catalog followed by "_features".
//   geodatabase VPF (3): a feature class with the VPF fields and no "_features" table, held in
//                       a database workspace (the coverages' feature classes lie beside it).
// So one table answers at most one of DTED, RPF, VPF and geodatabase VPF. An empty catalog (no
// rows yet) is valid: a catalog made new is valid before any data is loaded into it.
//
// IsCatalogValid writes VARIANT_TRUE (-1) or VARIANT_FALSE; any failure leaves VARIANT_FALSE.
#pragma once

#include "platform/com/base_types.h"
#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct ITable;
struct IWorkspace;
struct ITrackCancel;

// Catalog kinds.
enum velkZelCatalogTypeEnum : LONG {
  velkZelCatalogVPF = 0,
  velkZelCatalogDTED = 1,
  velkZelCatalogRPF = 2,
  velkZelCatalogGDBVPF = 3,
  velkZelCatalogReferencedRPF = 4,
};

// Event type of an error message.
inline constexpr LONG kDataManagerEventError = 100;

struct IDataManagerEvents : IUnknown {
  VELK_INTERFACE_ID("{163AE7F4-62E9-4D7E-9F6E-F5B1CE124786}")
  virtual HRESULT OnEvent(BSTR message, LONG eventType) = 0;
};

struct IDataManager : IUnknown {
  VELK_INTERFACE_ID("{163AE7F4-62E9-4D7E-9F6E-F5B1CE124592}")
  // Makes a new, empty catalog of the kind named strName in the workspace. Returns when done;
  // each error is also fired as an event of type 100.
  virtual HRESULT CreateCatalog(IWorkspace* workspace, velkZelCatalogTypeEnum catalogType, BSTR folder,
                                BSTR name, VARIANT_BOOL rpfSeparateCatalogs, VARIANT_BOOL managedCatalogs,
                                ITrackCancel* cancelTracker) = 0;
  // Whether the table is a catalog of the kind (see above). Null out pointer: E_POINTER; null
  // table or unknown kind: E_INVALIDARG; a table whose fields or workspace cannot be read:
  // that failure.
  virtual HRESULT IsCatalogValid(velkZelCatalogTypeEnum catalogType, ITable* table, VARIANT_BOOL* isValid) = 0;
  // Adds the data found under the folder to the catalog. Returns when done; each error is also
  // fired as an event of type 100.
  virtual HRESULT LoadCatalog(ITable* table, BSTR folder, velkZelCatalogTypeEnum catalogType,
                              ITrackCancel* cancelTracker) = 0;
};

namespace velk::productline {

inline constexpr CLSID CLSID_DataManager = MakeGuid("{850DEFE4-EB1F-442D-8358-477A41CA75CB}");

// The creation routine of DataManager (plain or aggregated).
HRESULT CreateDataManagerObject(IUnknown* outer, REFIID riid, void** ppv);

// Makes DataManager creatable by class identifier in this process; returns the cookie for
// RevokeProcessClass.
DWORD RegisterDataManagerClass();

}  // namespace velk::productline
