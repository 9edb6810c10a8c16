#include "platform/host/shell/browse_dialog.h"

#include <cwctype>
#include <filesystem>

#include "platform/com/enum_list.h"
#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/analysis/raster_mosaic.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/data/gdal_drivers.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/registry/activation.h"
#include "platform/win/responder.h"

namespace velk::host {

namespace {

namespace fs = std::filesystem;

BrowseDialogRecord& Record() {
  static BrowseDialogRecord r;
  return r;
}

struct FilterInfo {
  const CLSID* clsid;
  const wchar_t* name;
  const wchar_t* patterns;
  const wchar_t* suffix = L"";
  const wchar_t* format = L"";
  bool database = false;
};
const FilterInfo kFilters[] = {
    {&CLSID_FilterTinDatasets, L"TIN Datasets", L"*"},
    {&CLSID_FilterRasterDatasets, L"Raster Datasets",
     L"*.tif;*.tiff;*.dt0;*.dt1;*.dt2;*.ntf;*.img"},
    {&CLSID_FilterFiles, L"Files", L"*.*"},
    {&CLSID_FilterShapefiles, L"Shapefile", L"*.shp"},
    {&CLSID_FilterPersonalDatabaseClasses, L"Personal Geodatabase Feature Classes", L"*.mdb"},
    {&CLSID_FilterDatabaseClasses, L"Geodatabase Feature Classes", L"*.gpkg;*.gdb"},
    {&CLSID_FilterFeatureClasses, L"Feature Classes", L"*.shp;*.gpkg"},
    {&CLSID_FilterTables, L"Tables", L"*.dbf;*.gpkg"},
    {&CLSID_FilterWorkspaces, L"Workspaces", L""},
    {&CLSID_FilterRasterGrid, L"Grid", L"*", L"", L"GRID"},
    {&CLSID_FilterRasterTiff, L"TIFF", L"*.tif", L".tif", L"TIFF"},
    {&CLSID_FilterRasterImagine, L"IMAGINE Image", L"*.img", L".img", L"IMAGINE"},
    {&CLSID_FilterRasterNitf, L"NITF", L"*.ntf", L".ntf", L"NITF"},
    {&CLSID_FilterRasterPcidsk, L"PCIDSK", L"*.pix", L".pix", L"PCIDSK"},
    {&CLSID_FilterRasterDatabase, L"Raster Dataset in a Geodatabase", L"", L"", L"", true},
};

class FilterObject : public ComObjectRoot<FilterObject, IBrowseFilter, IRasterFormatFilter> {
 public:
  using IBrowseFilter::QueryInterface;
  void Init(const FilterInfo& info) { info_ = &info; }
  HRESULT get_Suffix(BSTR* suffix) override {
    if (!suffix) return E_POINTER;
    *suffix = AllocBstr(info_ ? info_->suffix : L"");
    return S_OK;
  }
  HRESULT get_Format(BSTR* format) override {
    if (!format) return E_POINTER;
    *format = AllocBstr(info_ ? info_->format : L"");
    return S_OK;
  }
  HRESULT get_IsDatabase(VARIANT_BOOL* database) override {
    if (!database) return E_POINTER;
    *database = ToVariantBool(info_ && info_->database);
    return S_OK;
  }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(info_ ? info_->name : L"");
    return S_OK;
  }
  HRESULT get_Patterns(BSTR* patterns) override {
    if (!patterns) return E_POINTER;
    *patterns = AllocBstr(info_ ? info_->patterns : L"");
    return S_OK;
  }

 private:
  const FilterInfo* info_ = nullptr;
};

template <std::size_t I>
HRESULT CreateFilter(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComObject<FilterObject>* f = nullptr;
  HRESULT hr = ComObject<FilterObject>::Create(&f);
  if (FAILED(hr)) return hr;
  f->Init(kFilters[I]);
  hr = f->QueryInterface(riid, ppv);
  f->Release();
  return hr;
}

class FilterCollection : public ComObjectRoot<FilterCollection, IBrowseFilterCollection> {
 public:
  HRESULT AddFilter(IBrowseFilter* filter, VARIANT_BOOL isDefault) override {
    if (!filter) return E_POINTER;
    items_.emplace_back(filter, isDefault != 0);
    return S_OK;
  }
  HRESULT RemoveAllFilters() override {
    items_.clear();
    return S_OK;
  }
  HRESULT get_FilterCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  HRESULT GetFilter(LONG index, IBrowseFilter** filter, VARIANT_BOOL* isDefault) override {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return E_INVALIDARG;
    if (filter) items_[index].first.CopyTo(filter);
    if (isDefault) *isDefault = ToVariantBool(items_[index].second);
    return S_OK;
  }

 private:
  std::vector<std::pair<ComPtr<IBrowseFilter>, bool>> items_;
};

bool IsDatabaseFile(const fs::path& p) {
  std::string ext = ExtensionOf(p.filename().string());
  return ext == "gpkg" || ext == "mdb" || ext == "gdb";
}

}  // namespace

HRESULT NameOfPath(const std::wstring& path, IName** name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  VELK_TRY
  fs::path p(ToUtf8(path));
  std::error_code ec;
  auto workspaceName = [](const std::wstring& at, const wchar_t* progId) {
    ComPtr<IWorkspaceName> ws;
    Check(CreateWorkspaceNameObject(nullptr, IidOf<IWorkspaceName>(), ws.put_void()));
    ws->put_PathName(Bstr(at));
    ws->put_WorkspaceFactoryProgID(Bstr(progId));
    return ws;
  };
  if (fs::is_directory(p, ec)) {
    *name = workspaceName(path, kShapefileWorkspaceFactoryProgId).As<IName>().Detach();
  } else if (IsDatabaseFile(p)) {
    *name = workspaceName(path, kDatabaseWorkspaceFactoryProgId).As<IName>().Detach();
  } else {
    std::string ext = ExtensionOf(p.filename().string());
    std::wstring folder = FromUtf8(p.parent_path().string());
    ComPtr<IDatasetName> ds;
    Check(CreateDatasetNameObject(nullptr, IidOf<IDatasetName>(), ds.put_void()));
    if (ext == "shp" || ext == "dbf") {
      ds->put_Name(Bstr(FromUtf8(p.stem().string())));
      ds->put_Type(ext == "shp" ? kDatasetFeatureClass : kDatasetTable);
      ds->putref_WorkspaceName(workspaceName(folder, kShapefileWorkspaceFactoryProgId).get());
    } else if (IsDatabaseFile(p.parent_path())) {
      ds->put_Name(Bstr(FromUtf8(p.filename().string())));
      ds->put_Type(kDatasetFeatureClass);
      ds->putref_WorkspaceName(workspaceName(folder, kDatabaseWorkspaceFactoryProgId).get());
    } else {
      ds->put_Name(Bstr(FromUtf8(p.filename().string())));
      ds->put_Type(kDatasetRasterDataset);
      ds->putref_WorkspaceName(workspaceName(folder, kRasterWorkspaceFactoryProgId).get());
    }
    *name = ds.As<IName>().Detach();
  }
  return S_OK;
  VELK_CATCH
}

namespace {

class BrowseObject : public ComObjectRoot<BrowseObject, IBrowseObject> {
 public:
  void Init(std::wstring path) { path_ = std::move(path); }
  HRESULT get_FullName(BSTR* path) override {
    if (!path) return E_POINTER;
    *path = AllocBstr(path_);
    return S_OK;
  }
  HRESULT get_BaseName(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(FromUtf8(fs::path(ToUtf8(path_)).filename().string()));
    return S_OK;
  }
  HRESULT get_InternalObjectName(IName** name) override { return NameOfPath(path_, name); }

 private:
  std::wstring path_;
};

ComPtr<IBrowseObject> MakeBrowseObject(const std::wstring& path) {
  auto o = MakeObjectPtr<BrowseObject, IBrowseObject>();
  static_cast<BrowseObject*>(o.get())->Init(path);
  return o;
}

class BrowseDialog : public ComObjectRoot<BrowseDialog, IBrowseDialog, ISaveDialogAnswers> {
 public:
  using IBrowseDialog::QueryInterface;
  HRESULT get_ChosenFilter(IBrowseFilter** filter) override {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    return chosen_ ? chosen_.CopyTo(filter) : S_OK;
  }
  HRESULT get_ReplaceExisting(VARIANT_BOOL* replace) override {
    if (!replace) return E_POINTER;
    *replace = ToVariantBool(replace_);
    return S_OK;
  }
  HRESULT FinalConstruct() {
    return MakeObject<FilterCollection, IBrowseFilterCollection>(filters_.put());
  }
  HRESULT put_Title(BSTR title) override {
    title_ = BstrToWstring(title);
    return S_OK;
  }
  HRESULT put_ButtonCaption(BSTR caption) override {
    button_ = BstrToWstring(caption);
    return S_OK;
  }
  HRESULT get_ObjectFilters(IBrowseFilterCollection** filters) override {
    return filters_.CopyTo(filters);
  }
  HRESULT put_StartingLocation(VARIANT location) override {
    Variant v;
    if (FAILED(VariantChangeType(&v, &location, 0, VT_BSTR))) return E_INVALIDARG;
    start_ = BstrToWstring(v.bstrVal);
    return S_OK;
  }
  HRESULT DoModalSave(HWND parent, VARIANT_BOOL* ok) override {
    if (!ok) return E_POINTER;
    std::vector<std::wstring> paths;
    *ok = ToVariantBool(Show(true, parent, paths));
    chosen_.Reset();
    replace_ = false;
    if (*ok) {
      fs::path p(ToUtf8(paths.front()));
      location_ = FromUtf8(p.parent_path().string());
      name_ = FromUtf8(p.filename().string());
      ChooseFilter(parent);
    }
    return S_OK;
  }
  HRESULT DoModalOpen(HWND parent, IEnumBrowseObject** selection, VARIANT_BOOL* ok) override {
    if (!selection || !ok) return E_POINTER;
    *selection = nullptr;
    std::vector<std::wstring> paths;
    *ok = ToVariantBool(Show(false, parent, paths));
    VELK_TRY
    std::vector<ComPtr<IBrowseObject>> chosen;
    if (*ok) {
      for (const std::wstring& path : paths) chosen.push_back(MakeBrowseObject(path));
      location_ = FromUtf8(fs::path(ToUtf8(paths.front())).parent_path().string());
      name_ = FromUtf8(fs::path(ToUtf8(paths.front())).filename().string());
    }
    *selection = MakeListEnum<IEnumBrowseObject, IBrowseObject>(std::move(chosen)).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_FinalLocation(IBrowseObject** location) override {
    if (!location) return E_POINTER;
    *location = nullptr;
    if (location_.empty()) return S_OK;
    VELK_TRY
    *location = MakeBrowseObject(location_).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_AllowMultiSelect(VARIANT_BOOL allow) override {
    multiSelect_ = allow != VARIANT_FALSE;
    return S_OK;
  }

 private:
  // The filter the saved name belongs to; for a raster filter the name loses its suffix, and a
  // raster already there asks whether to replace it.
  void ChooseFilter(HWND parent) {
    LONG n = 0;
    filters_->get_FilterCount(&n);
    const bool inDatabase = IsDatabaseFile(fs::path(ToUtf8(location_)));
    ComPtr<IBrowseFilter> first, byDefault, bySuffix, byDatabase;
    for (LONG i = 0; i < n; ++i) {
      ComPtr<IBrowseFilter> f;
      VARIANT_BOOL def = VARIANT_FALSE;
      filters_->GetFilter(i, f.put(), &def);
      if (!first) first = f;
      if (def && !byDefault) byDefault = f;
      auto raster = f.As<IRasterFormatFilter>();
      if (!raster) continue;
      Bstr suffix;
      VARIANT_BOOL db = VARIANT_FALSE;
      raster->get_Suffix(&suffix);
      raster->get_IsDatabase(&db);
      if (db && !byDatabase) byDatabase = f;
      const std::wstring s = suffix.str();
      if (!s.empty() && !bySuffix && name_.size() > s.size() &&
          ToLower(name_.substr(name_.size() - s.size())) == ToLower(s))
        bySuffix = f;
    }
    if (!byDefault) byDefault = first;
    chosen_ = inDatabase && byDatabase ? byDatabase : bySuffix ? bySuffix : byDefault;
    auto raster = chosen_.As<IRasterFormatFilter>();
    Bstr format;
    if (!raster || FAILED(raster->get_Format(&format))) return;
    VARIANT_BOOL db = VARIANT_FALSE;
    raster->get_IsDatabase(&db);
    if (format.str().empty() && !db) return;
    Bstr suffix;
    raster->get_Suffix(&suffix);
    const std::wstring s = suffix.str();
    if (!s.empty() && chosen_ == bySuffix) name_ = name_.substr(0, name_.size() - s.size());
    bool exists = false;
    std::error_code ec;
    const std::string place = ToUtf8(location_);
    if (db) {
      exists = inDatabase && analysis::GeoPackageHasRaster(place, ToUtf8(name_));
    } else {
      const std::wstring file = format.str() == L"GRID" ? GridDatasetFileName(name_) : name_ + s;
      exists = fs::exists(fs::path(place) / ToUtf8(file), ec);
    }
    if (exists) {
      const std::wstring text = name_ + L" already exists.\nDo you want to replace it?";
      replace_ = MessageBoxW(parent, text.c_str(), title_.c_str(), MB_YESNO | MB_ICONWARNING) ==
                 IDYES;
    }
  }
  // The picked paths (one unless several were picked in a multiple-pick dialog).
  bool Show(bool save, HWND parent, std::vector<std::wstring>& paths) {
    BrowseDialogRecord& rec = Record();
    rec = BrowseDialogRecord{};
    rec.save = save;
    rec.multiSelect = !save && multiSelect_;
    rec.title = title_;
    rec.startingLocation = start_;
    std::wstring filterText;
    LONG n = 0;
    filters_->get_FilterCount(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<IBrowseFilter> f;
      VARIANT_BOOL def = VARIANT_FALSE;
      filters_->GetFilter(i, f.put(), &def);
      Bstr fname, patterns;
      f->get_Name(&fname);
      f->get_Patterns(&patterns);
      rec.filters.emplace_back(fname.str(), def != 0);
      filterText += fname.str() + L'\0' + patterns.str() + L'\0';
    }
    filterText += L'\0';
    // Room for any path the user may type: one too long for the file system is refused with
    // its reason by whoever opens it, not dropped here.
    std::wstring buffer(32768, L'\0');
    OPENFILENAMEW ofn;
    ofn.hwndOwner = parent;
    ofn.lpstrFilter = n > 0 ? filterText.c_str() : nullptr;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrInitialDir = start_.empty() ? nullptr : start_.c_str();
    ofn.Flags = save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    if (rec.multiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return false;
    // Several picks come as the folder, then each name, each text ended by NUL, the list by a
    // second NUL; one pick as its full path.
    const std::wstring first = buffer.c_str();
    if (first.empty()) return false;
    std::size_t at = first.size() + 1;
    if (!rec.multiSelect || at >= buffer.size() || buffer[at] == L'\0') {
      paths.push_back(first);
      return true;
    }
    while (at < buffer.size() && buffer[at] != L'\0') {
      const std::wstring name = buffer.c_str() + at;
      paths.push_back(FromUtf8((fs::path(ToUtf8(first)) / ToUtf8(name)).string()));
      at += name.size() + 1;
    }
    return true;
  }

  ComPtr<IBrowseFilterCollection> filters_;
  std::wstring title_;
  std::wstring button_;
  std::wstring start_;
  std::wstring location_;
  std::wstring name_;
  bool multiSelect_ = false;
  ComPtr<IBrowseFilter> chosen_;
  bool replace_ = false;
};

}  // namespace

const BrowseDialogRecord& LastBrowseDialog() { return Record(); }

std::vector<DWORD> RegisterBrowseDialogClasses() {
  return {
      RegisterProcessClass(CLSID_BrowseDialog, &CreateInstance<BrowseDialog>),
      RegisterProcessClass(*kFilters[0].clsid, &CreateFilter<0>),
      RegisterProcessClass(*kFilters[1].clsid, &CreateFilter<1>),
      RegisterProcessClass(*kFilters[2].clsid, &CreateFilter<2>),
      RegisterProcessClass(*kFilters[3].clsid, &CreateFilter<3>),
      RegisterProcessClass(*kFilters[4].clsid, &CreateFilter<4>),
      RegisterProcessClass(*kFilters[5].clsid, &CreateFilter<5>),
      RegisterProcessClass(*kFilters[6].clsid, &CreateFilter<6>),
      RegisterProcessClass(*kFilters[7].clsid, &CreateFilter<7>),
      RegisterProcessClass(*kFilters[8].clsid, &CreateFilter<8>),
      RegisterProcessClass(*kFilters[9].clsid, &CreateFilter<9>),
      RegisterProcessClass(*kFilters[10].clsid, &CreateFilter<10>),
      RegisterProcessClass(*kFilters[11].clsid, &CreateFilter<11>),
      RegisterProcessClass(*kFilters[12].clsid, &CreateFilter<12>),
      RegisterProcessClass(*kFilters[13].clsid, &CreateFilter<13>),
      RegisterProcessClass(*kFilters[14].clsid, &CreateFilter<14>),
  };
}

}  // namespace velk::host
