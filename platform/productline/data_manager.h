// The product line's catalog data manager: `DataManager`, reached through `IDataManager`. It
// tells which kind of catalog a table is and creates empty catalogs, reporting through
// `IDataManagerEvents` (a connection point).
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
#include "platform/host/data/track_cancel.h"

struct ITable;
struct IWorkspace;

// Catalog kinds.
enum velkZelCatalogTypeEnum : LONG {
  velkZelCatalogVPF = 0,
  velkZelCatalogDTED = 1,
  velkZelCatalogRPF = 2,
  velkZelCatalogGDBVPF = 3,
  velkZelCatalogReferencedRPF = 4,
};

// Event types: a progress or information message, an error message.
inline constexpr LONG kDataManagerEventInfo = 0;
inline constexpr LONG kDataManagerEventError = 100;

struct IDataManagerEvents : IUnknown {
  VELK_INTERFACE_ID("{163AE7F4-62E9-4D7E-9F6E-F5B1CE124786}")
  virtual HRESULT OnEvent(BSTR message, LONG eventType) = 0;
};

struct IDataManager : IUnknown {
  VELK_INTERFACE_ID("{163AE7F4-62E9-4D7E-9F6E-F5B1CE124592}")
  // Makes a new, empty catalog named name in the workspace, with the fields the kind is told by
  // (above), a polygon footprint in geographic WGS 84 and an OBJECTID: DTED adds NAME and
  // FULL_NAME and the cell's elevation statistics ELEV_MIN, ELEV_MAX, ELEV_MEAN, ELEV_STD; RPF
  // makes a catalog of frames referenced by file (PRODUCT, SCALE, SERIES, NAME, FULL_NAME, the
  // full path being the raster's); referenced RPF also makes its companion "_uids" table (one
  // row per product series: PRODUCT, SERIES, SCALE); VPF also makes the "_features" table;
  // geodatabase VPF needs a database workspace. In a database the tables get the indexes of
  // the fields the layers query (SCALE, PRODUCT, PRODUCT + COVERAGE + FEAT_CLS, FULL_NAME) at
  // once. The two flags are not used here. A folder given has its data loaded into the new
  // catalog as LoadCatalog does (with its events and result). Each failure is returned and
  // fired as an event of type 100; success fires one event of type 0. Nothing is left behind on
  // a failure to make the catalog.
  virtual HRESULT CreateCatalog(IWorkspace* workspace, velkZelCatalogTypeEnum catalogType,
                                BSTR folder, BSTR name, VARIANT_BOOL rpfSeparateCatalogs,
                                VARIANT_BOOL managedCatalogs, ITrackCancel* cancelTracker) = 0;
  // Whether the table is a catalog of the kind (see above). Null out pointer: E_POINTER; null
  // table or unknown kind: E_INVALIDARG; a table whose fields or workspace cannot be read:
  // that failure.
  virtual HRESULT IsCatalogValid(velkZelCatalogTypeEnum catalogType, ITable* table,
                                 VARIANT_BOOL* isValid) = 0;
  // Adds the products found under the folder tree to the catalog, returning when done: DTED
  // cells (.dt0 .. .dt5) for a DTED catalog, the frames listed by every A.TOC for an RPF
  // catalog (a referenced catalog's "_uids" table gains its new series). Files are read on all
  // cores; progress comes as events of type 0 on the calling thread, where the cancel tracker
  // is asked between steps (a cancelled load keeps the rows read so far). Every file that
  // cannot be read is one error event (type 100) naming it, and the rest is loaded: S_FALSE
  // then, S_OK for a clean load. A file the catalog holds already (by its full path) is not
  // added again. The rows go in with one transaction; SCALE, PRODUCT and FULL_NAME get indexes.
  // A missing folder, a table that is not a catalog of the kind, or a table that cannot be
  // written: an error event and a failure, nothing added. A VPF catalog takes one row per
  // library of every VPF database under the folder and one "_features" row per feature class
  // of its coverages (PATH the database folder); a geodatabase VPF catalog takes the library rows
  // and a copy of the features, in feature classes named prefix_coverage_class beside it.
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
