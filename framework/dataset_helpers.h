// Dataset, workspace and field helpers over the host's object model: path tests, the output
// grid name check, the browse dialogs (open one place, save a dataset), opening rasters by folder
// and name, building fields and creating feature classes in a database. Helpers that take a Bstr or
// a ComPtr by value own it and let it go before they return.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/com/bstr.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

// Dataset kinds of the save dialog.
constexpr LONG kSaveFeatures = 5;
constexpr LONG kSaveFile = 9;
constexpr LONG kSaveRaster = 13;
constexpr LONG kSaveTin = 14;

// Host field types used here.
constexpr LONG kHostFieldOid = 6;
constexpr LONG kHostFieldGeometry = 7;

// The code the grid name check leaves in the last-error record.
constexpr LONG kGridNameRefused = 1;

// "Database" in the text, letter case as written.
bool IsDatabasePath(const Bstr& path);
// ".mdb" in the text, any letter case.
bool IsPersonalGeodatabasePath(const Bstr& path);
// "<TEMPORARY" in the text, any letter case.
bool IsTemporaryDatasetName(const Bstr& path);

// Whether path can name an output grid: a temporary name always can (isTemporary true; folder
// and name untouched). Otherwise folder (with its trailing separator) and name (base name and
// extension) are handed out when the name has at most 13 characters and no space; a refused
// name leaves code 1 and the reason (string 3595 or 3644) in the last-error record.
bool ValidateOutputGridName(const Bstr& path, BSTR* folder, BSTR* name, bool* isTemporary);

// What the user picked in the host's browse dialog: the place and its full name (its path).
struct BrowsePick {
  ComPtr<IBrowseObject> object;
  std::wstring path;
};
// The host's browse dialog to open one place: titled titleId, its button captioned captionId
// (0: the host's own caption), offering the filters in order, the first the default. Empty
// (no object) when the user cancels; a ComError when the host has no browse dialog.
BrowsePick BrowseToOpen(HWND owner, UINT titleId, UINT captionId,
                        std::initializer_list<CLSID> filters);

// The host's save-as browse dialog for a dataset kind (title and filters by kind), starting in
// location. On confirmation location becomes the chosen folder and path that folder, a
// separator and the typed name; on cancel both stay as they were.
bool ShowSaveDatasetDialog(BSTR* path, BSTR* location, LONG kind, HWND owner);

// The GeoPackage at path as a database workspace, made when there is none yet (its folder
// must exist). Null and why (for the user) when it cannot be opened or made; made tells
// whether this call created the file.
ComPtr<IWorkspace> OpenOrCreateDatabase(const std::wstring& path, std::wstring* why,
                                        bool* made = nullptr);

// The folder as the host's raster workspace; null when it cannot be opened as one.
ComPtr<IRasterWorkspace> OpenWorkspaceFromFolder(const Bstr& folder);
// A raster of the folder by name; null when the folder or the raster does not open.
ComPtr<IRasterDataset> OpenDatasetInFolder(const Bstr& folder, const Bstr& name);

void AddObjectIdField(IFieldsEdit* fields, BSTR name);
void AddShapeField(IFieldsEdit* fields, BSTR name, const ComPtr<ISpatialReference>& sr);
// "OID" and "Shape" fields for a class of the geometry type; hasZ and hasM non-zero make the
// shapes carry z and m values.
ComPtr<IFields> BuildFeatureClassFields(LONG geometryType, LONG hasZ, LONG hasM,
                                        const ComPtr<ISpatialReference>& sr);
// The HRESULT of the table's add-field call (E_POINTER when the object is no table).
HRESULT AddFieldToTable(const ComPtr<IUnknown>& table, const Bstr& name, LONG nullable, LONG type,
                        LONG length, LONG precision, LONG scale);
// A new feature class in the database file; null when the database does not open or refuses
// the class (nothing is left behind then).
ComPtr<IFeatureClass> CreateFeatureClassInDatabase(const Bstr& databasePath, const Bstr& className,
                                                   LONG geometryType, LONG hasZ, LONG hasM,
                                                   const ComPtr<ISpatialReference>& sr);

}  // namespace velk::corvane
