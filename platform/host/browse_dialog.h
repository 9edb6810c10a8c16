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

struct IBrowseFilterCollection : IUnknown {
  VELK_INTERFACE_ID("{41F5C02D-D9C8-11D3-A67D-0008C7D3AE8D}")
  virtual HRESULT AddFilter(IBrowseFilter* filter, VARIANT_BOOL isDefault) = 0;
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
// Folders and databases, where outputs can be written.
inline constexpr CLSID CLSID_FilterWorkspaces = MakeGuid("{8666D8DE-1762-4BC3-A419-204EB6A3BDD1}");

// How the last browse dialog was set up when it was shown (for tests and session logs).
struct BrowseDialogRecord {
  bool save = false;
  std::wstring title;
  std::wstring startingLocation;
  std::vector<std::pair<std::wstring, bool>> filters;  // name, default mark
};
const BrowseDialogRecord& LastBrowseDialog();

// Registers the dialog and the filter classes (cookies for RevokeProcessClass).
std::vector<DWORD> RegisterBrowseDialogClasses();

}  // namespace velk::host
