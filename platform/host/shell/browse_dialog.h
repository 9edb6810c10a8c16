// The host's catalog browse dialog: the user picks datasets, folders or databases, or names a
// new dataset, through filters that say what may be picked. Headless, the dialog asks the
// installed responder (platform/win/responder.h) for the path, and keeps a record of how it
// was set up.
#pragma once

#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"
#include "platform/win/window_handle.h"

struct IName;

// What a dialog may show and pick.
struct IBrowseFilter : IUnknown {
  VELK_INTERFACE_ID("{0A648EE8-CB38-4AF2-8B59-FE982E4F066C}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  // File patterns ("*.shp"); empty for filters of folders and databases.
  virtual HRESULT get_Patterns(BSTR* patterns) = 0;
};

// A filter of places to save a raster dataset: the suffix its file takes (none for a grid or a
// database) and the format the dataset is written in ("GRID", "TIFF", "IMAGINE", "NITF",
// "PCIDSK"; "" for a database, where the database keeps it). Other filters give empty texts.
struct IRasterFormatFilter : IUnknown {
  VELK_INTERFACE_ID("{A7C3E5F1-2B4D-4F6A-8C0E-1D3F5A7B9C2E}")
  virtual HRESULT get_Suffix(BSTR* suffix) = 0;
  virtual HRESULT get_Format(BSTR* format) = 0;
  virtual HRESULT get_IsDatabase(VARIANT_BOOL* database) = 0;
};

struct IBrowseFilterCollection : IUnknown {
  VELK_INTERFACE_ID("{41F5C02D-D9C8-11D3-A67D-0008C7D3AE8D}")
  virtual HRESULT AddFilter(IBrowseFilter* filter, VARIANT_BOOL isDefault) = 0;
  virtual HRESULT RemoveAllFilters() = 0;
  virtual HRESULT get_FilterCount(LONG* count) = 0;
  virtual HRESULT GetFilter(LONG index, IBrowseFilter** filter, VARIANT_BOOL* isDefault) = 0;
};

// A picked place: a file, a folder or a database.
struct IBrowseObject : IUnknown {
  VELK_INTERFACE_ID("{00AA6595-5B4E-45C9-9D61-9F2320172A1E}")
  virtual HRESULT get_FullName(BSTR* path) = 0;
  virtual HRESULT get_BaseName(BSTR* name) = 0;
  // A workspace name for a folder or a database, a dataset name for a dataset file.
  virtual HRESULT get_InternalObjectName(IName** name) = 0;
};

// Next gives S_OK with an object, or S_FALSE and null at the end.
struct IEnumBrowseObject : IUnknown {
  VELK_INTERFACE_ID("{88185BD7-78EE-41AA-9167-17E371282229}")
  virtual HRESULT Next(IBrowseObject** object) = 0;
  virtual HRESULT Reset() = 0;
};

struct IBrowseDialog : IUnknown {
  VELK_INTERFACE_ID("{62F6891B-29F3-4355-AA51-663095CAE41D}")
  virtual HRESULT put_Title(BSTR title) = 0;
  virtual HRESULT put_ButtonCaption(BSTR caption) = 0;
  virtual HRESULT get_ObjectFilters(IBrowseFilterCollection** filters) = 0;
  // A VT_BSTR folder (an empty text: the last place the dialog showed).
  virtual HRESULT put_StartingLocation(VARIANT location) = 0;
  // ok: true when the user confirmed a name; then FinalLocation and Name tell the place.
  virtual HRESULT DoModalSave(HWND parent, VARIANT_BOOL* ok) = 0;
  virtual HRESULT DoModalOpen(HWND parent, IEnumBrowseObject** selection, VARIANT_BOOL* ok) = 0;
  virtual HRESULT get_FinalLocation(IBrowseObject** location) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  // Whether DoModalOpen lets the user pick several items of one folder or database at once
  // (false until set).
  virtual HRESULT put_AllowMultiSelect(VARIANT_BOOL allow) = 0;
};

// What a save dialog learnt besides the place and name: the filter the chosen name belongs to
// (the one whose suffix it ends with, a database filter for a place inside a database, else the
// default) and, when a raster dataset of that name was there, whether the user agreed to
// replace it ("<name> already exists. Do you want to replace it?", Yes or No).
struct ISaveDialogAnswers : IUnknown {
  VELK_INTERFACE_ID("{B8D4F602-3C5E-4071-9D1F-2E406B8CAD3F}")
  virtual HRESULT get_ChosenFilter(IBrowseFilter** filter) = 0;
  virtual HRESULT get_ReplaceExisting(VARIANT_BOOL* replace) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_BrowseDialog = MakeGuid("{EAB9CE2A-E777-11D1-AEE7-080009EC734B}");
// Filters of the host, by what they let the user pick.
inline constexpr CLSID CLSID_FilterTinDatasets = MakeGuid("{B9EA9FDC-1AB7-11D3-9F55-00C04F6BC69E}");
inline constexpr CLSID CLSID_FilterRasterDatasets =
    MakeGuid("{7F3AE05F-63D6-495A-A8C2-C102C4D7FDF2}");
inline constexpr CLSID CLSID_FilterFiles = MakeGuid("{A3D02AF4-10A6-11D4-AE05-00C04FA33A15}");
inline constexpr CLSID CLSID_FilterShapefiles = MakeGuid("{90E9D96D-E647-11D3-A682-0008C7D3AE8D}");
inline constexpr CLSID CLSID_FilterPersonalDatabaseClasses =
    MakeGuid("{402A9394-E951-11D3-A682-0008C7D3AE8D}");
inline constexpr CLSID CLSID_FilterDatabaseClasses =
    MakeGuid("{D2724374-EA1D-11D3-A682-0008C7D3AE8D}");
inline constexpr CLSID CLSID_FilterFeatureClasses =
    MakeGuid("{67055A76-C7F6-45C4-B66E-F41F40022A0F}");
inline constexpr CLSID CLSID_FilterTables = MakeGuid("{652AAA11-FA7B-46E6-A4C8-34F10C3045AE}");
// Places to save a raster dataset: a grid, TIFF, IMAGINE, NITF or PCIDSK file in a folder, or a
// raster in a database.
inline constexpr CLSID CLSID_FilterRasterGrid = MakeGuid("{C1A2B3D4-5E6F-4A7B-8C9D-0E1F2A3B4C51}");
inline constexpr CLSID CLSID_FilterRasterTiff = MakeGuid("{C1A2B3D4-5E6F-4A7B-8C9D-0E1F2A3B4C52}");
inline constexpr CLSID CLSID_FilterRasterImagine =
    MakeGuid("{C1A2B3D4-5E6F-4A7B-8C9D-0E1F2A3B4C53}");
inline constexpr CLSID CLSID_FilterRasterNitf = MakeGuid("{C1A2B3D4-5E6F-4A7B-8C9D-0E1F2A3B4C54}");
inline constexpr CLSID CLSID_FilterRasterPcidsk =
    MakeGuid("{C1A2B3D4-5E6F-4A7B-8C9D-0E1F2A3B4C55}");
inline constexpr CLSID CLSID_FilterRasterDatabase =
    MakeGuid("{C1A2B3D4-5E6F-4A7B-8C9D-0E1F2A3B4C56}");
// Folders and databases, where outputs can be written.
inline constexpr CLSID CLSID_FilterWorkspaces = MakeGuid("{8666D8DE-1762-4BC3-A419-204EB6A3BDD1}");

// How the last browse dialog was set up when it was shown (for tests and session logs).
struct BrowseDialogRecord {
  bool save = false;
  bool multiSelect = false;
  std::wstring title;
  std::wstring startingLocation;
  std::vector<std::pair<std::wstring, bool>> filters;  // name, default mark
};
const BrowseDialogRecord& LastBrowseDialog();

// The name object of a place the user can pick: a workspace name for a folder or a database,
// a dataset name for a dataset file or a database's table ("db.gpkg/table").
HRESULT NameOfPath(const std::wstring& path, IName** name);

// Registers the dialog and the filter classes (cookies for RevokeProcessClass).
std::vector<DWORD> RegisterBrowseDialogClasses();

}  // namespace velk::host
