#include "platform/host/workspace_objects.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/com/text.h"
#include "platform/host/data_class_ids.h"
#include "platform/host/data_errors.h"
#include "platform/host/dataset_files.h"
#include "platform/host/feature_class.h"
#include "platform/host/file_dataset_swap.h"
#include "platform/host/geometry.h"
#include "platform/host/gdal_dataset_handle.h"
#include "platform/host/property_set_object.h"
#include "platform/host/raster_objects.h"
#include "platform/host/spatial_reference_data.h"
#include "platform/host/table_objects.h"
#include "platform/registry/registry.h"

namespace velk::host {

namespace fs = std::filesystem;

namespace {

enum class FactoryKind { kShapefile, kDatabase, kRaster };

const wchar_t* ProgIdOf(FactoryKind k) {
  switch (k) {
    case FactoryKind::kShapefile: return kShapefileWorkspaceFactoryProgId;
    case FactoryKind::kDatabase: return kDatabaseWorkspaceFactoryProgId;
    default: return kRasterWorkspaceFactoryProgId;
  }
}

VARIANT_BOOL VB(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

HRESULT OutText(BSTR* out, const std::wstring& s) {
  if (!out) return E_POINTER;
  *out = AllocBstr(s);
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}
std::wstring LowerW(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return s;
}

// Absolute, normal form without a trailing separator; back slashes count as separators.
std::string NormalPath(const std::wstring& path) {
  std::wstring p = path;
  std::replace(p.begin(), p.end(), L'\\', L'/');
  std::error_code ec;
  fs::path abs = fs::absolute(fs::path(ToUtf8(p)), ec);
  // one object per place on disk, whatever way leads there
  fs::path canon = fs::weakly_canonical(abs, ec);
  std::string s = (ec ? abs.lexically_normal() : canon).string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool Writable(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() { CPLPopErrorHandler(); }
};

// Dataset names a folder accepts: a file name without separators or characters that file
// systems refuse.
bool ValidFileDatasetName(const std::wstring& n) {
  if (n.empty() || n == L"." || n == L"..") return false;
  for (wchar_t c : n)
    if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos)
      return false;
  return true;
}
// Dataset names a database accepts: a letter or underscore, then letters, digits, underscores.
bool ValidDatabaseDatasetName(const std::wstring& n) {
  if (n.empty() || n.size() > 160) return false;
  auto letter = [](wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_';
  };
  if (!letter(n[0])) return false;
  for (wchar_t c : n)
    if (!letter(c) && !(c >= L'0' && c <= L'9')) return false;
  return true;
}

std::wstring StripExtension(const std::wstring& name, std::initializer_list<const wchar_t*> exts) {
  for (const wchar_t* e : exts) {
    std::wstring ext = e;
    if (name.size() > ext.size() && LowerW(name.substr(name.size() - ext.size())) == ext)
      return name.substr(0, name.size() - ext.size());
  }
  return name;
}

// What CreateTable and CreateFeatureClass are asked to make.
struct Schema {
  std::wstring oidName;
  FieldSpec shape;
  bool hasShape = false;
  std::vector<FieldSpec> attributes;
};

HRESULT ReadSchema(IFields* fields, const std::wstring& shapeFieldName, bool wantShape, bool dbase,
                   Schema& out) {
  if (!fields) return E_POINTER;
  LONG n = 0;
  fields->get_FieldCount(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IField> f;
    fields->get_Field(i, f.put());
    FieldSpec s = ReadFieldSpec(f.get());
    if (s.type == kFieldOID) {
      out.oidName = s.name;
    } else if (s.type == kFieldGeometry) {
      if (out.hasShape) return E_DATA_INVALID_FIELD;  // one shape field only
      out.shape = s;
      out.hasShape = true;
    } else {
      HRESULT hr = CheckFieldForFormat(s, dbase);
      if (FAILED(hr)) return hr;
      for (const auto& a : out.attributes)
        if (SameFieldName(a.name, s.name)) return E_DATA_INVALID_NAME;
      if (SameFieldName(s.name, out.oidName) ||
          (!dbase && out.hasShape && SameFieldName(s.name, out.shape.name)))
        return E_DATA_INVALID_NAME;
      out.attributes.push_back(s);
    }
  }
  if (wantShape) {
    if (!out.hasShape) return E_DATA_INVALID_FIELD;
    if (out.shape.geometryType < kGeometryPoint || out.shape.geometryType > kGeometryPolygon)
      return E_DATA_INVALID_FIELD;
    if (!shapeFieldName.empty()) out.shape.name = shapeFieldName;
  } else if (out.hasShape) {
    return E_DATA_INVALID_FIELD;
  }
  return S_OK;
}

// ---------------------------------------------------------------- names

class WorkspaceNameObject : public ComObjectRoot<WorkspaceNameObject, IWorkspaceName, IName> {
 public:
  using IWorkspaceName::QueryInterface;
  HRESULT get_PathName(BSTR* path) override { return OutText(path, path_); }
  HRESULT put_PathName(BSTR path) override {
    path_ = BstrToWstring(path);
    return S_OK;
  }
  HRESULT get_WorkspaceFactoryProgID(BSTR* progId) override { return OutText(progId, progId_); }
  HRESULT put_WorkspaceFactoryProgID(BSTR progId) override {
    progId_ = BstrToWstring(progId);
    return S_OK;
  }
  HRESULT get_WorkspaceFactory(IWorkspaceFactory** factory) override {
    if (!factory) return E_POINTER;
    *factory = nullptr;
    VELK_TRY
    auto f = WorkspaceFactoryFromProgId(progId_);
    if (!f) return REGDB_E_CLASSNOTREG;
    *factory = f.Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT Open(IUnknown** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<IWorkspaceFactory> f;
    HRESULT hr = get_WorkspaceFactory(f.put());
    if (FAILED(hr)) return hr;
    ComPtr<IWorkspace> ws;
    hr = f->OpenFromFile(Bstr(path_), nullptr, ws.put());
    if (FAILED(hr)) return hr;
    return ws->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(object));
  }

 private:
  std::wstring path_;
  std::wstring progId_;
};

class DatasetNameObject : public ComObjectRoot<DatasetNameObject, IDatasetName, IName> {
 public:
  using IDatasetName::QueryInterface;
  HRESULT get_Name(BSTR* name) override { return OutText(name, name_); }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = type_;
    return S_OK;
  }
  HRESULT put_Type(LONG type) override {
    type_ = type;
    return S_OK;
  }
  HRESULT get_WorkspaceName(IWorkspaceName** name) override { return workspace_.CopyTo(name); }
  HRESULT putref_WorkspaceName(IWorkspaceName* name) override {
    workspace_ = name;
    return S_OK;
  }
  HRESULT Open(IUnknown** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!workspace_) return E_POINTER;
    ComPtr<IUnknown> wsUnk;
    HRESULT hr = workspace_.As<IName>()->Open(wsUnk.put());
    if (FAILED(hr)) return hr;
    Bstr name(name_);
    if (type_ == kDatasetRasterDataset) {
      auto rw = QueryAs<IRasterWorkspace>(wsUnk.get());
      if (!rw) return E_NOINTERFACE;
      ComPtr<IRasterDataset> ds;
      hr = rw->OpenRasterDataset(name, ds.put());
      if (FAILED(hr)) return hr;
      return ds->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(object));
    }
    auto fw = QueryAs<IFeatureWorkspace>(wsUnk.get());
    if (!fw) return E_NOINTERFACE;
    if (type_ == kDatasetFeatureClass) {
      ComPtr<IFeatureClass> fc;
      hr = fw->OpenFeatureClass(name, fc.put());
      if (FAILED(hr)) return hr;
      return fc->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(object));
    }
    ComPtr<ITable> t;
    hr = fw->OpenTable(name, t.put());
    if (FAILED(hr)) return hr;
    return t->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(object));
  }

 private:
  std::wstring name_;
  LONG type_ = kDatasetTable;
  ComPtr<IWorkspaceName> workspace_;
};

ComPtr<IWorkspaceName> MakeWorkspaceName(const std::wstring& path, FactoryKind kind) {
  auto n = MakeObjectPtr<WorkspaceNameObject, IWorkspaceName>();
  n->put_PathName(Bstr(path));
  n->put_WorkspaceFactoryProgID(Bstr(ProgIdOf(kind)));
  return n;
}

ComPtr<IDatasetName> MakeDatasetName(const std::wstring& name, LONG type, IWorkspaceName* ws) {
  auto n = MakeObjectPtr<DatasetNameObject, IDatasetName>();
  n->put_Name(Bstr(name));
  n->put_Type(type);
  n->putref_WorkspaceName(ws);
  return n;
}

template <class Item, class Enum>
class EnumList : public ComObjectRoot<EnumList<Item, Enum>, Enum> {
 public:
  void Init(std::vector<ComPtr<Item>> items) { items_ = std::move(items); }
  HRESULT Next(Item** item) override {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (pos_ >= items_.size()) return S_FALSE;
    return items_[pos_++].CopyTo(item);
  }
  HRESULT Reset() override {
    pos_ = 0;
    return S_OK;
  }

 private:
  std::vector<ComPtr<Item>> items_;
  std::size_t pos_ = 0;
};

template <class Item, class Enum>
ComPtr<Enum> MakeEnum(std::vector<ComPtr<Item>> items) {
  ComObject<EnumList<Item, Enum>>* e = nullptr;
  Check(ComObject<EnumList<Item, Enum>>::Create(&e));
  e->Init(std::move(items));
  return ComPtr<Enum>::Attach(e);
}

// ---------------------------------------------------------------- workspaces

// Open workspaces by factory kind and path, so that a path opens to one object while it lives.
std::map<std::string, IWorkspace*>& OpenWorkspaces(FactoryKind kind) {
  static auto* maps = new std::map<std::string, IWorkspace*>[3];
  return maps[static_cast<int>(kind)];
}

template <class Derived, class... Ifaces>
class WorkspaceBase : public ComObjectRoot<Derived, IWorkspace, Ifaces...>, public DatasetHost {
 public:
  using IWorkspace::QueryInterface;
  void InitBase(FactoryKind kind, std::string path) {
    kind_ = kind;
    path_ = std::move(path);
    OpenWorkspaces(kind_)[path_] = static_cast<IWorkspace*>(this);
  }
  void FinalRelease() {
    auto& open = OpenWorkspaces(kind_);
    auto it = open.find(path_);
    if (it != open.end() && it->second == static_cast<IWorkspace*>(this)) open.erase(it);
  }

  HRESULT get_PathName(BSTR* path) override { return OutText(path, FromUtf8(path_)); }
  HRESULT get_WorkspaceFactory(IWorkspaceFactory** factory) override {
    if (!factory) return E_POINTER;
    *factory = nullptr;
    VELK_TRY
    *factory = WorkspaceFactoryFromProgId(ProgIdOf(kind_)).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_DatasetNames(LONG kind, IEnumDatasetName** names) override {
    if (!names) return E_POINTER;
    *names = nullptr;
    VELK_TRY
    auto wsName = MakeWorkspaceName(FromUtf8(path_), kind_);
    std::vector<ComPtr<IDatasetName>> items;
    for (const auto& [name, type] : static_cast<Derived*>(this)->List())
      if (kind == kDatasetAny || kind == type)
        items.push_back(MakeDatasetName(name, type, wsName.get()));
    *names = MakeEnum<IDatasetName, IEnumDatasetName>(std::move(items)).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_Datasets(LONG kind, IEnumDataset** datasets) override {
    if (!datasets) return E_POINTER;
    *datasets = nullptr;
    VELK_TRY
    std::vector<ComPtr<IDataset>> items;
    for (const auto& [name, type] : static_cast<Derived*>(this)->List()) {
      if (kind != kDatasetAny && kind != type) continue;
      ComPtr<IUnknown> obj = static_cast<Derived*>(this)->OpenByName(name, type);
      if (auto ds = QueryAs<IDataset>(obj.get())) items.push_back(ds);
    }
    *datasets = MakeEnum<IDataset, IEnumDataset>(std::move(items)).Detach();
    return S_OK;
    VELK_CATCH
  }

  // DatasetHost
  void ForgetDataset(const std::wstring&, IUnknown* object) override {
    for (auto it = open_.begin(); it != open_.end(); ++it)
      if (it->second == object) {
        open_.erase(it);
        return;
      }
  }
  ComPtr<IName> DatasetFullName(const std::wstring& name, LONG kind) override {
    return MakeDatasetName(name, kind, MakeWorkspaceName(FromUtf8(path_), kind_).get())
        .template As<IName>();
  }

 protected:
  // The open table object of a dataset, or a new one made by make().
  template <class Make>
  HRESULT Cached(const std::wstring& name, Make make, ComPtr<IUnknown>& out) {
    std::wstring key = LowerW(name);
    auto it = open_.find(key);
    if (it != open_.end()) {
      out = it->second;
      return S_OK;
    }
    HRESULT hr = make(out);
    if (SUCCEEDED(hr) && out) open_[key] = out.get();
    return hr;
  }

  FactoryKind kind_ = FactoryKind::kShapefile;
  std::string path_;
  std::map<std::wstring, IUnknown*> open_;  // not owned: each table object removes itself
};

template <class I>
HRESULT HandOut(const ComPtr<IUnknown>& obj, I** out, HRESULT notThatKind) {
  if (!obj) return E_FAIL;
  HRESULT hr = obj->QueryInterface(IidOf<I>(), reinterpret_cast<void**>(out));
  return SUCCEEDED(hr) ? S_OK : notThatKind;
}

// A folder: shapefiles and dBASE tables (the shapefile kind, Leaf IFeatureWorkspace) or raster
// files (the raster kind, Leaf IRasterWorkspace). The methods of the other kind's interface are
// plain members here.
template <class Derived, class Leaf>
class FolderWorkspace : public WorkspaceBase<Derived, Leaf> {
 public:
  using Base = WorkspaceBase<Derived, Leaf>;
  using Base::kind_;
  using Base::path_;
  void Init(FactoryKind kind, std::string path) { this->InitBase(kind, std::move(path)); }

  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kWorkspaceFileSystem;
    return S_OK;
  }
  HRESULT Exists(VARIANT_BOOL* exists) override {
    if (!exists) return E_POINTER;
    std::error_code ec;
    *exists = VB(fs::is_directory(path_, ec));
    return S_OK;
  }

  std::vector<std::pair<std::wstring, LONG>> List() const {
    std::vector<std::pair<std::wstring, LONG>> out;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(path_, ec))
      if (e.is_regular_file(ec)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
      std::string ext = ExtensionOf(f.filename().string());
      std::wstring base = FromUtf8(f.stem().string());
      if (kind_ == FactoryKind::kShapefile) {
        if (ext == "shp") {
          out.emplace_back(base, kDatasetFeatureClass);
        } else if (ext == "dbf") {
          fs::path shp = f;
          shp.replace_extension(".shp");
          fs::path shpUpper = f;
          shpUpper.replace_extension(".SHP");
          if (!fs::exists(shp, ec) && !fs::exists(shpUpper, ec))
            out.emplace_back(base, kDatasetTable);
        }
      } else if (!ext.empty() && DriverForExtension(ext, DataKind::kRaster)) {
        out.emplace_back(FromUtf8(f.filename().string()), kDatasetRasterDataset);
      }
    }
    return out;
  }
  ComPtr<IUnknown> OpenByName(const std::wstring& name, LONG type) {
    ComPtr<IUnknown> obj;
    if (type == kDatasetRasterDataset) {
      ComPtr<IRasterDataset> ds;
      if (SUCCEEDED(OpenRasterDataset(Bstr(name), ds.put()))) obj = ds.As<IUnknown>();
    } else {
      OpenVector(name, obj);
    }
    return obj;
  }

  // IFeatureWorkspace
  HRESULT OpenTable(BSTR name, ITable** table) {
    if (!table) return E_POINTER;
    *table = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = OpenVector(BstrToWstring(name), obj);
    return FAILED(hr) ? hr : HandOut(obj, table, E_DATA_NOT_FOUND);
  }
  HRESULT OpenFeatureClass(BSTR name, IFeatureClass** fc) {
    if (!fc) return E_POINTER;
    *fc = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = OpenVector(BstrToWstring(name), obj);
    return FAILED(hr) ? hr : HandOut(obj, fc, E_DATA_NOT_FOUND);
  }
  HRESULT CreateTable(BSTR name, IFields* fields, const GUID*, const GUID*, BSTR, ITable** table) {
    if (!table) return E_POINTER;
    *table = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = CreateVector(BstrToWstring(name), fields, false, L"", obj);
    return FAILED(hr) ? hr : HandOut(obj, table, E_FAIL);
  }
  HRESULT CreateFeatureClass(BSTR name, IFields* fields, const GUID*, const GUID*, LONG,
                             BSTR shapeFieldName, BSTR, IFeatureClass** fc) {
    if (!fc) return E_POINTER;
    *fc = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr =
        CreateVector(BstrToWstring(name), fields, true, BstrToWstring(shapeFieldName), obj);
    return FAILED(hr) ? hr : HandOut(obj, fc, E_FAIL);
  }

  // IRasterWorkspace
  HRESULT OpenRasterDataset(BSTR name, IRasterDataset** dataset) {
    if (!dataset) return E_POINTER;
    *dataset = nullptr;
    std::wstring n = BstrToWstring(name);
    if (!ValidFileDatasetName(n)) return E_DATA_NOT_FOUND;
    std::string path = path_ + "/" + ToUtf8(n);
    std::error_code ec;
    if (!fs::exists(path, ec) && ExtensionOf(ToUtf8(n)).empty()) {
      // a base name: the one raster file of that name
      for (const auto& [file, type] : List())
        if (LowerW(fs::path(ToUtf8(file)).stem().wstring()) == LowerW(n)) {
          path = path_ + "/" + ToUtf8(file);
          break;
        }
    }
    return OpenRasterFile(path, static_cast<IWorkspace*>(this), dataset);
  }

  // DatasetHost
  HRESULT DeleteDataset(TableCore& core) override {
    std::string path = core.Source() ? core.Source()->path() : std::string();
    core.Invalidate();
    GDALDriver* driver = DriverForExtension("shp", DataKind::kVector, true);
    QuietErrors quiet;
    if (!driver || driver->Delete(path.c_str()) != CE_None) return E_DATA_WRITE_FAILED;
    return S_OK;
  }
  HRESULT RenameDataset(TableCore& core, const std::wstring& newName) override {
    std::wstring base = StripExtension(newName, {L".shp", L".dbf"});
    if (!ValidFileDatasetName(base)) return E_DATA_INVALID_NAME;
    bool dummy = false;
    if (!FindFile(base, dummy).empty()) return E_DATA_EXISTS;
    std::string oldPath = core.Source()->path();
    std::string oldBase = fs::path(oldPath).stem().string();
    std::string newBase = ToUtf8(base);
    // every file of the dataset (.shp, .shx, .dbf, .prj, .cpg, indexes) moves to the new base name
    std::vector<std::string> files;
    if (char** list = core.Source()->get()->GetFileList()) {
      for (char** f = list; *f; ++f) files.push_back(*f);
      CSLDestroy(list);
    }
    core.Invalidate();
    std::vector<std::pair<fs::path, fs::path>> done;
    std::error_code ec;
    bool moved = true;
    for (const auto& f : files) {
      fs::path from(f);
      std::string name = from.filename().string();
      fs::path to = fs::path(path_) / (newBase + name.substr(oldBase.size()));
      fs::rename(from, to, ec);
      if (ec) {
        moved = false;
        break;
      }
      done.emplace_back(from, to);
    }
    if (!moved)
      for (auto it = done.rbegin(); it != done.rend(); ++it) fs::rename(it->second, it->first, ec);
    std::string openPath =
        moved ? path_ + "/" + newBase + fs::path(oldPath).extension().string() : oldPath;
    DatasetPtr ds;
    if (OpenGdalDataset(openPath, DataKind::kVector, ds) != OpenResult::kOk ||
        ds->get()->GetLayerCount() < 1)
      return E_DATA_WRITE_FAILED;
    std::wstring nowName = moved ? base : core.Name();
    core.Rebind(ds, ds->get()->GetLayer(0), nowName, LockKey(nowName));
    return moved ? S_OK : E_DATA_WRITE_FAILED;
  }
  HRESULT StartEdit(TableCore& core, DatasetEdit& edit, std::string& why) override {
    return StartFileEdit(Place(), core, edit, why);
  }
  std::string WriteProblem() override { return WriteFailureText(0, path_); }
  HRESULT StopEdit(TableCore& core, DatasetEdit& edit, bool save, std::string& why) override {
    return StopFileEdit(Place(), core, edit, save, why);
  }
  HRESULT TakeName(TableCore& core, const std::wstring& name, bool replace,
                   std::string& why) override {
    std::wstring base = StripExtension(name, {L".shp", L".dbf"});
    if (!ValidFileDatasetName(base)) {
      why = "the name is not allowed for a file";
      return E_DATA_INVALID_NAME;
    }
    return TakeFileName(Place(), core, base, replace, why);
  }

 private:
  FileDatasetPlace Place() {
    return {path_, [this](const std::wstring& base) { return LockKey(base); },
            static_cast<IWorkspace*>(this), this};
  }
  std::string LockKey(const std::wstring& base) const { return Lower(path_ + "/" + ToUtf8(base)); }

  // Whether a file of the same base name with that extension (any letter case) is there.
  static bool HasSibling(const std::string& path, const std::string& ext) {
    std::error_code ec;
    fs::path p(path);
    std::string stem = p.stem().string();
    for (const auto& e : fs::directory_iterator(p.parent_path(), ec))
      if (e.path().stem().string() == stem && Lower(e.path().extension().string()) == ext)
        return true;
    return false;
  }

  // The file of a dataset name: name.shp, else name.dbf (letter case of the files ignored).
  std::string FindFile(const std::wstring& base, bool& isShape) const {
    std::error_code ec;
    std::string b = ToUtf8(base);
    for (const char* ext : {".shp", ".dbf"}) {
      std::string p = path_ + "/" + b + ext;
      if (fs::is_regular_file(p, ec)) {
        isShape = std::string(ext) == ".shp";
        return p;
      }
    }
    std::string lb = Lower(b);
    std::string found;
    for (const auto& e : fs::directory_iterator(path_, ec)) {
      std::string fn = e.path().filename().string();
      std::string ext = ExtensionOf(fn);
      if (Lower(e.path().stem().string()) != lb || (ext != "shp" && ext != "dbf")) continue;
      if (ext == "shp" || found.empty()) {
        found = e.path().string();
        isShape = ext == "shp";
      }
    }
    return found;
  }

  HRESULT OpenVector(const std::wstring& name, ComPtr<IUnknown>& out) {
    std::wstring base = StripExtension(name, {L".shp", L".dbf"});
    if (!ValidFileDatasetName(base)) return E_DATA_NOT_FOUND;
    return this->Cached(
        base,
        [&](ComPtr<IUnknown>& made) -> HRESULT {
          bool isShape = false;
          std::string path = FindFile(base, isShape);
          if (path.empty()) return E_DATA_NOT_FOUND;
          // A shapefile without its attribute file would be read without any attributes.
          if (isShape && !HasSibling(path, ".dbf")) return E_DATA_UNREADABLE;
          DatasetPtr ds;
          OpenResult r = OpenGdalDataset(path, DataKind::kVector, ds);
          if (r == OpenResult::kMissing) return E_DATA_NOT_FOUND;
          if (r != OpenResult::kOk || ds->get()->GetLayerCount() < 1) return E_DATA_UNREADABLE;
          auto core =
              std::make_shared<TableCore>(ds, ds->get()->GetLayer(0), base, LockKey(base), true);
          made = MakeTableObject(core, static_cast<IWorkspace*>(this), this, LowerW(base));
          return S_OK;
        },
        out);
  }

  HRESULT CreateVector(const std::wstring& name, IFields* fields, bool withShape,
                       const std::wstring& shapeName, ComPtr<IUnknown>& out) {
    if (kind_ != FactoryKind::kShapefile) return E_NOTIMPL;
    std::wstring base = StripExtension(name, {L".shp", L".dbf"});
    if (!ValidFileDatasetName(base)) return E_DATA_INVALID_NAME;
    Schema schema;
    HRESULT hr = ReadSchema(fields, shapeName, withShape, true, schema);
    if (FAILED(hr)) return hr;
    std::error_code ec;
    if (!fs::is_directory(path_, ec)) return E_DATA_NOT_FOUND;
    if (!Writable(path_)) return E_DATA_WRITE_FAILED;
    bool dummy = false;
    if (!FindFile(base, dummy).empty()) return E_DATA_EXISTS;
    if (schema.attributes.empty()) {
      // dBASE files need one column; the host's new shapefiles carry "Id".
      FieldSpec id;
      id.name = L"Id";
      id.type = kFieldInteger;
      id.precision = 6;
      schema.attributes.push_back(id);
    }
    GDALDriver* driver = DriverForExtension("shp", DataKind::kVector, true);
    if (!driver) return E_DATA_WRITE_FAILED;
    std::string path = path_ + "/" + ToUtf8(base) + (withShape ? ".shp" : ".dbf");
    hr = S_OK;
    {
      QuietErrors quiet;
      GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
      if (!ds) {
        hr = E_DATA_WRITE_FAILED;
      } else {
        const char* options[] = {"ENCODING=UTF-8", nullptr};
        OGRwkbGeometryType type = withShape
                                      ? LayerTypeFor(schema.shape.geometryType, schema.shape.hasZ,
                                                     schema.shape.hasM, false)
                                      : wkbNone;
        std::unique_ptr<OGRSpatialReference> srs;
        if (const OGRSpatialReference* s = SrsOf(schema.shape.sr.get())) srs.reset(s->Clone());
        OGRLayer* layer =
            ds->CreateLayer(ToUtf8(base).c_str(), srs.get(), type, const_cast<char**>(options));
        if (!layer) hr = E_DATA_WRITE_FAILED;
        for (std::size_t i = 0; SUCCEEDED(hr) && i < schema.attributes.size(); ++i)
          hr = CreateOgrField(layer, schema.attributes[i], true);
        CPLErrorReset();
        GDALClose(GDALDataset::ToHandle(ds));
        if (CPLGetLastErrorType() >= CE_Failure && SUCCEEDED(hr)) hr = E_DATA_WRITE_FAILED;
      }
      if (FAILED(hr))
        driver->Delete(path.c_str());  // leave nothing a later run would take for complete
    }
    if (FAILED(hr)) {
      fs::remove(path, ec);
      return hr;
    }
    hr = OpenVector(base, out);
    if (FAILED(hr)) {
      QuietErrors quiet;
      driver->Delete(path.c_str());
    }
    return hr;
  }
};

class ShapefileFolderWorkspace
    : public FolderWorkspace<ShapefileFolderWorkspace, IFeatureWorkspace> {};
class RasterFolderWorkspace : public FolderWorkspace<RasterFolderWorkspace, IRasterWorkspace> {};

// A GeoPackage file standing in for the host's database kinds.
class DatabaseWorkspace : public WorkspaceBase<DatabaseWorkspace, IFeatureWorkspace> {
 public:
  void Init(std::string path, DatasetPtr db) {
    InitBase(FactoryKind::kDatabase, std::move(path));
    db_ = std::move(db);
  }

  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kWorkspaceLocalDatabase;
    return S_OK;
  }
  HRESULT Exists(VARIANT_BOOL* exists) override {
    if (!exists) return E_POINTER;
    std::error_code ec;
    *exists = VB(fs::is_regular_file(path_, ec));
    return S_OK;
  }

  std::vector<std::pair<std::wstring, LONG>> List() const {
    std::vector<std::pair<std::wstring, LONG>> out;
    GDALDataset* ds = db_->get();
    for (int i = 0; ds && i < ds->GetLayerCount(); ++i) {
      OGRLayer* l = ds->GetLayer(i);
      out.emplace_back(FromUtf8(l->GetName()),
                       l->GetGeomType() == wkbNone ? kDatasetTable : kDatasetFeatureClass);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  ComPtr<IUnknown> OpenByName(const std::wstring& name, LONG) {
    ComPtr<IUnknown> obj;
    OpenLayer(name, obj);
    return obj;
  }

  HRESULT OpenTable(BSTR name, ITable** table) override {
    if (!table) return E_POINTER;
    *table = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = OpenLayer(BstrToWstring(name), obj);
    return FAILED(hr) ? hr : HandOut(obj, table, E_DATA_NOT_FOUND);
  }
  HRESULT OpenFeatureClass(BSTR name, IFeatureClass** fc) override {
    if (!fc) return E_POINTER;
    *fc = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = OpenLayer(BstrToWstring(name), obj);
    return FAILED(hr) ? hr : HandOut(obj, fc, E_DATA_NOT_FOUND);
  }
  HRESULT CreateTable(BSTR name, IFields* fields, const GUID*, const GUID*, BSTR,
                      ITable** table) override {
    if (!table) return E_POINTER;
    *table = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = CreateLayer(BstrToWstring(name), fields, false, L"", obj);
    return FAILED(hr) ? hr : HandOut(obj, table, E_FAIL);
  }
  HRESULT CreateFeatureClass(BSTR name, IFields* fields, const GUID*, const GUID*, LONG,
                             BSTR shapeFieldName, BSTR, IFeatureClass** fc) override {
    if (!fc) return E_POINTER;
    *fc = nullptr;
    ComPtr<IUnknown> obj;
    HRESULT hr = CreateLayer(BstrToWstring(name), fields, true, BstrToWstring(shapeFieldName), obj);
    return FAILED(hr) ? hr : HandOut(obj, fc, E_FAIL);
  }

  HRESULT DeleteDataset(TableCore& core) override {
    if (!db_->writable()) return E_DATA_WRITE_FAILED;
    int index = LayerIndex(core.Name());
    if (index < 0) return E_DATA_NOT_FOUND;
    QuietErrors quiet;
    if (db_->get()->DeleteLayer(index) != OGRERR_NONE) return E_DATA_WRITE_FAILED;
    core.Invalidate();
    return S_OK;
  }
  HRESULT RenameDataset(TableCore& core, const std::wstring& newName) override {
    if (!ValidDatabaseDatasetName(newName)) return E_DATA_INVALID_NAME;
    if (LayerIndex(newName) >= 0) return E_DATA_EXISTS;
    if (!db_->writable() || !core.Layer()->TestCapability(OLCRename)) return E_DATA_WRITE_FAILED;
    QuietErrors quiet;
    if (core.Layer()->Rename(ToUtf8(newName).c_str()) != OGRERR_NONE) return E_DATA_WRITE_FAILED;
    core.Rebind(core.Source(), core.Layer(), newName, LockKey(newName));
    return S_OK;
  }
  std::string WriteProblem() override { return WriteFailureText(0, fs::path(path_).parent_path()); }
  // An edit of a database table is one transaction.
  HRESULT StartEdit(TableCore& core, DatasetEdit& edit, std::string& why) override {
    if (!db_->writable()) {
      why = "the database cannot be written";
      return E_DATA_WRITE_FAILED;
    }
    core.BeginBatch();
    edit.object = nullptr;
    return S_OK;
  }
  HRESULT StopEdit(TableCore& core, DatasetEdit&, bool save, std::string& why) override {
    if (!save) {
      core.AbandonBatch();
      return S_OK;
    }
    HRESULT hr = core.CommitBatch();
    if (FAILED(hr)) why = WriteFailureText(0, fs::path(path_).parent_path());
    return hr;
  }
  // The new table is renamed into place; a table it replaces is renamed aside first and dropped
  // last.
  HRESULT TakeName(TableCore& core, const std::wstring& name, bool replace,
                   std::string& why) override {
    if (!ValidDatabaseDatasetName(name)) {
      why = "the name is not allowed in a database";
      return E_DATA_INVALID_NAME;
    }
    core.Sync();
    int existing = LayerIndex(name);
    if (existing >= 0 && !replace) {
      why = "a dataset of that name exists";
      return E_DATA_EXISTS;
    }
    QuietErrors quiet;
    std::string asideName;
    if (existing >= 0) {
      OGRLayer* old = db_->get()->GetLayer(existing);
      asideName = ToUtf8(name) + "_replaced";
      for (int k = 2; LayerIndex(FromUtf8(asideName)) >= 0; ++k)
        asideName = ToUtf8(name) + "_replaced" + std::to_string(k);
      if (!old->TestCapability(OLCRename) || old->Rename(asideName.c_str()) != OGRERR_NONE) {
        why = "could not move away the existing table";
        return E_DATA_WRITE_FAILED;
      }
    }
    if (FAILED(RenameDataset(core, name))) {
      why = "could not rename the new table";
      if (!asideName.empty() &&
          db_->get()->GetLayer(LayerIndex(FromUtf8(asideName)))->Rename(ToUtf8(name).c_str()) !=
              OGRERR_NONE)
        why += "; the existing one is now named " + asideName;
      return E_DATA_WRITE_FAILED;
    }
    if (!asideName.empty()) {
      int index = LayerIndex(FromUtf8(asideName));
      if (index >= 0 && db_->get()->DeleteLayer(index) != OGRERR_NONE) {
        why = "could not delete the replaced table " + asideName;
        return S_FALSE;
      }
    }
    return S_OK;
  }

 private:
  std::string LockKey(const std::wstring& name) const { return Lower(path_ + "|" + ToUtf8(name)); }
  int LayerIndex(const std::wstring& name) const {
    std::string n = Lower(ToUtf8(name));
    for (int i = 0; i < db_->get()->GetLayerCount(); ++i)
      if (Lower(db_->get()->GetLayer(i)->GetName()) == n) return i;
    return -1;
  }

  HRESULT OpenLayer(const std::wstring& name, ComPtr<IUnknown>& out) {
    return Cached(
        name,
        [&](ComPtr<IUnknown>& made) -> HRESULT {
          int index = LayerIndex(name);
          if (index < 0) return E_DATA_NOT_FOUND;
          OGRLayer* layer = db_->get()->GetLayer(index);
          std::wstring actual = FromUtf8(layer->GetName());
          auto core = std::make_shared<TableCore>(db_, layer, actual, LockKey(actual), false);
          made = MakeTableObject(core, this, this, LowerW(actual));
          return S_OK;
        },
        out);
  }

  HRESULT CreateLayer(const std::wstring& name, IFields* fields, bool withShape,
                      const std::wstring& shapeName, ComPtr<IUnknown>& out) {
    if (!ValidDatabaseDatasetName(name)) return E_DATA_INVALID_NAME;
    Schema schema;
    HRESULT hr = ReadSchema(fields, shapeName, withShape, false, schema);
    if (FAILED(hr)) return hr;
    if (LayerIndex(name) >= 0) return E_DATA_EXISTS;
    if (!db_->writable()) return E_DATA_WRITE_FAILED;
    std::string fid = "FID=" + ToUtf8(schema.oidName.empty() ? L"OBJECTID" : schema.oidName);
    std::string geomName =
        "GEOMETRY_NAME=" + ToUtf8(schema.shape.name.empty() ? L"Shape" : schema.shape.name);
    std::vector<const char*> options = {fid.c_str()};
    if (withShape) options.push_back(geomName.c_str());
    options.push_back(nullptr);
    std::unique_ptr<OGRSpatialReference> srs;
    if (const OGRSpatialReference* s = SrsOf(schema.shape.sr.get())) srs.reset(s->Clone());
    OGRwkbGeometryType type = withShape ? LayerTypeFor(schema.shape.geometryType, schema.shape.hasZ,
                                                       schema.shape.hasM, true)
                                        : wkbNone;
    {
      QuietErrors quiet;
      OGRLayer* layer = db_->get()->CreateLayer(ToUtf8(name).c_str(), srs.get(), type,
                                                const_cast<char**>(options.data()));
      if (!layer) return E_DATA_WRITE_FAILED;
      for (std::size_t i = 0; SUCCEEDED(hr) && i < schema.attributes.size(); ++i)
        hr = CreateOgrField(layer, schema.attributes[i], false);
      if (SUCCEEDED(hr) && layer->SyncToDisk() != OGRERR_NONE) hr = E_DATA_WRITE_FAILED;
      if (FAILED(hr)) {
        int index = LayerIndex(name);
        if (index >= 0) db_->get()->DeleteLayer(index);
        return hr;
      }
    }
    return OpenLayer(name, out);
  }

  DatasetPtr db_;
};

// ---------------------------------------------------------------- factories

class WorkspaceFactory : public ComObjectRoot<WorkspaceFactory, IWorkspaceFactory> {
 public:
  explicit WorkspaceFactory(FactoryKind kind = FactoryKind::kShapefile) : kind_(kind) {}

  HRESULT OpenFromFile(BSTR path, HWND, IWorkspace** workspace) override {
    if (!workspace) return E_POINTER;
    *workspace = nullptr;
    if (SysStringLen(path) == 0) return E_INVALIDARG;
    VELK_TRY
    std::string p = NormalPath(BstrToWstring(path));
    auto& open = OpenWorkspaces(kind_);
    if (auto it = open.find(p); it != open.end()) {
      *workspace = it->second;
      (*workspace)->AddRef();
      return S_OK;
    }
    std::error_code ec;
    if (!fs::exists(p, ec)) return E_DATA_NOT_FOUND;
    if (kind_ == FactoryKind::kDatabase) {
      DatasetPtr db;
      OpenResult r = OpenGdalDataset(p, DataKind::kVector, db, "gpkg");
      if (r == OpenResult::kMissing) return E_DATA_NOT_FOUND;
      if (r != OpenResult::kOk) return E_DATA_UNREADABLE;
      ComObject<DatabaseWorkspace>* w = nullptr;
      HRESULT hr = ComObject<DatabaseWorkspace>::Create(&w);
      if (FAILED(hr)) return hr;
      w->Init(p, std::move(db));
      *workspace = static_cast<IWorkspace*>(w);
      return S_OK;
    }
    if (!fs::is_directory(p, ec)) return E_DATA_UNREADABLE;
    if (kind_ == FactoryKind::kRaster) {
      ComObject<RasterFolderWorkspace>* w = nullptr;
      HRESULT hr = ComObject<RasterFolderWorkspace>::Create(&w);
      if (FAILED(hr)) return hr;
      w->Init(kind_, p);
      *workspace = static_cast<IWorkspace*>(w);
      return S_OK;
    }
    ComObject<ShapefileFolderWorkspace>* w = nullptr;
    HRESULT hr = ComObject<ShapefileFolderWorkspace>::Create(&w);
    if (FAILED(hr)) return hr;
    w->Init(kind_, p);
    *workspace = static_cast<IWorkspace*>(w);
    return S_OK;
    VELK_CATCH
  }
  HRESULT Open(IPropertySet* connection, HWND parent, IWorkspace** workspace) override {
    if (!workspace) return E_POINTER;
    *workspace = nullptr;
    if (!connection) return E_POINTER;
    std::wstring path;
    if (!ReadTextProperty(connection, L"DATABASE", path) &&
        !ReadTextProperty(connection, L"PATH", path))
      return E_INVALIDARG;
    return OpenFromFile(Bstr(path), parent, workspace);
  }
  HRESULT Create(BSTR parentFolder, BSTR name, IPropertySet*, HWND parent,
                 IWorkspace** workspace) override {
    if (!workspace) return E_POINTER;
    *workspace = nullptr;
    std::wstring n = BstrToWstring(name);
    if (!ValidFileDatasetName(n)) return E_DATA_INVALID_NAME;
    VELK_TRY
    std::string folder = NormalPath(BstrToWstring(parentFolder));
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return E_DATA_NOT_FOUND;
    if (!Writable(folder)) return E_DATA_WRITE_FAILED;
    std::string path = folder + "/" + ToUtf8(n);
    if (kind_ == FactoryKind::kDatabase && ExtensionOf(path).empty()) path += ".gpkg";
    if (fs::exists(path, ec)) return E_DATA_EXISTS;
    if (kind_ == FactoryKind::kDatabase) {
      GDALDriver* driver = DriverForExtension("gpkg", DataKind::kVector, true);
      if (!driver) return E_DATA_WRITE_FAILED;
      bool ok = false;
      {
        QuietErrors quiet;
        GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
        if (ds) {
          CPLErrorReset();
          GDALClose(GDALDataset::ToHandle(ds));
          ok = CPLGetLastErrorType() < CE_Failure;
        }
        if (!ok) driver->Delete(path.c_str());
      }
      if (!ok) {
        fs::remove(path, ec);
        return E_DATA_WRITE_FAILED;
      }
    } else if (!fs::create_directory(path, ec)) {
      return E_DATA_WRITE_FAILED;
    }
    return OpenFromFile(Bstr(FromUtf8(path)), parent, workspace);
    VELK_CATCH
  }
  HRESULT IsWorkspace(BSTR path, VARIANT_BOOL* is) override {
    if (!is) return E_POINTER;
    *is = VARIANT_FALSE;
    std::string p = NormalPath(BstrToWstring(path));
    std::error_code ec;
    if (kind_ != FactoryKind::kDatabase) {
      *is = VB(fs::is_directory(p, ec));
      return S_OK;
    }
    DatasetPtr db;
    *is = VB(OpenGdalDataset(p, DataKind::kVector, db, "gpkg") == OpenResult::kOk);
    return S_OK;
  }
  HRESULT get_WorkspaceType(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kind_ == FactoryKind::kDatabase ? kWorkspaceLocalDatabase : kWorkspaceFileSystem;
    return S_OK;
  }

 private:
  FactoryKind kind_;
};

class ScratchWorkspaceFactory
    : public ComObjectRoot<ScratchWorkspaceFactory, IScratchWorkspaceFactory> {
 public:
  HRESULT get_DefaultScratchWorkspace(IWorkspace** workspace) override {
    if (!workspace) return E_POINTER;
    *workspace = nullptr;
    VELK_TRY
    std::string folder = ScratchFolderPath();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) return E_DATA_WRITE_FAILED;
    auto f = WorkspaceFactoryFromProgId(kShapefileWorkspaceFactoryProgId);
    return f->OpenFromFile(Bstr(FromUtf8(folder)), nullptr, workspace);
    VELK_CATCH
  }
};

template <FactoryKind K>
HRESULT CreateFactory(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComObject<WorkspaceFactory>* f = nullptr;
  HRESULT hr = ComObject<WorkspaceFactory>::Create(&f, K);
  if (FAILED(hr)) return hr;
  hr = f->QueryInterface(riid, ppv);
  f->Release();
  return hr;
}

}  // namespace

ComPtr<IWorkspaceFactory> WorkspaceFactoryFromProgId(const std::wstring& progId) {
  ComPtr<IWorkspaceFactory> f;
  std::wstring p = LowerW(progId);
  auto matches = [&](const wchar_t* known) {
    std::wstring k = LowerW(known);
    // with or without the version suffix
    return p == k || p + L".1" == k;
  };
  HRESULT hr = E_FAIL;
  if (matches(kShapefileWorkspaceFactoryProgId))
    hr = CreateFactory<FactoryKind::kShapefile>(nullptr, IidOf<IWorkspaceFactory>(), f.put_void());
  else if (matches(kDatabaseWorkspaceFactoryProgId))
    hr = CreateFactory<FactoryKind::kDatabase>(nullptr, IidOf<IWorkspaceFactory>(), f.put_void());
  else if (matches(kRasterWorkspaceFactoryProgId))
    hr = CreateFactory<FactoryKind::kRaster>(nullptr, IidOf<IWorkspaceFactory>(), f.put_void());
  if (FAILED(hr)) return nullptr;
  return f;
}

ComPtr<IName> RasterDatasetFullName(const std::wstring& folder, const std::wstring& fileName) {
  auto ws = MakeWorkspaceName(folder, FactoryKind::kRaster);
  return MakeDatasetName(fileName, kDatasetRasterDataset, ws.get()).As<IName>();
}

std::string ScratchFolderPath() { return reg::HostRoot() + "/scratch"; }

HRESULT CreateShapefileWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateFactory<FactoryKind::kShapefile>(outer, riid, ppv);
}
HRESULT CreateDatabaseWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateFactory<FactoryKind::kDatabase>(outer, riid, ppv);
}
HRESULT CreateRasterWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateFactory<FactoryKind::kRaster>(outer, riid, ppv);
}
HRESULT CreateScratchWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ScratchWorkspaceFactory>(outer, riid, ppv);
}
HRESULT CreateWorkspaceNameObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<WorkspaceNameObject>(outer, riid, ppv);
}
HRESULT CreateDatasetNameObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<DatasetNameObject>(outer, riid, ppv);
}

}  // namespace velk::host
