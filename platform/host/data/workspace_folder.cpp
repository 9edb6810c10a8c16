// Folder workspaces: shapefiles and dBASE tables, or raster files.
#include "platform/host/data/dbase_record.h"
#include "platform/host/data/workspace_internal.h"
#include "platform/com/plain_text.h"

namespace velk::host {

namespace {
using namespace workspace_detail;

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

  // IFeatureWorkspace, and below IRasterWorkspace: the folder answers the one it is made for
  // (Leaf), so the other's methods override nothing.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Winconsistent-missing-override"
#endif
  HRESULT OpenTable(BSTR name, ITable** table) {
    return OpenNamed(name, table, [this](const std::wstring& n, ComPtr<IUnknown>& obj) {
      return OpenVector(n, obj);
    });
  }
  HRESULT OpenFeatureClass(BSTR name, IFeatureClass** fc) {
    return OpenNamed(name, fc, [this](const std::wstring& n, ComPtr<IUnknown>& obj) {
      return OpenVector(n, obj);
    });
  }
  HRESULT OpenFeatureDataset(BSTR, IFeatureDataset** dataset) { return NoFeatureDataset(dataset); }
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
        if (ToLower(fs::path(ToUtf8(file)).stem().wstring()) == ToLower(n)) {
          path = path_ + "/" + ToUtf8(file);
          break;
        }
    }
    return OpenRasterFile(path, static_cast<IWorkspace*>(this), dataset);
  }
#ifdef __clang__
#pragma clang diagnostic pop
#endif

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
  std::string LockKey(const std::wstring& base) const { return ToLower(path_ + "/" + ToUtf8(base)); }

  // Whether a file of the same base name with that extension (any letter case) is there.
  // The file beside path with the extension (letter case of the extension ignored); "" if none.
  static std::string Sibling(const std::string& path, const std::string& ext) {
    std::error_code ec;
    fs::path p(path);
    std::string stem = p.stem().string();
    for (const auto& e : fs::directory_iterator(p.parent_path(), ec))
      if (e.path().stem().string() == stem && ToLower(e.path().extension().string()) == ext)
        return e.path().string();
    return "";
  }
  static bool HasSibling(const std::string& path, const std::string& ext) {
    return !Sibling(path, ext).empty();
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
    std::string lb = ToLower(b);
    std::string found;
    for (const auto& e : fs::directory_iterator(path_, ec)) {
      std::string fn = e.path().filename().string();
      std::string ext = ExtensionOf(fn);
      if (ToLower(e.path().stem().string()) != lb || (ext != "shp" && ext != "dbf")) continue;
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
          // A table whose header disagrees with its file would be read with the wrong fields or
          // records (GDAL reads on regardless): a read failure.
          std::string why;
          if (!CheckDbaseFile(isShape ? Sibling(path, ".dbf") : path, why)) return E_DATA_UNREADABLE;
          DatasetPtr ds;
          OpenResult r = OpenGdalDataset(path, DataKind::kVector, ds);
          if (r == OpenResult::kMissing) return E_DATA_NOT_FOUND;
          if (r != OpenResult::kOk || ds->get()->GetLayerCount() < 1) return E_DATA_UNREADABLE;
          auto core =
              std::make_shared<TableCore>(ds, ds->get()->GetLayer(0), base, LockKey(base), true);
          made = MakeTableObject(core, static_cast<IWorkspace*>(this), this, ToLower(base));
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
        const bool patches = withShape && schema.shape.geometryType == kGeometryMultiPatch;
        const char* options[] = {"ENCODING=UTF-8", patches ? "SHPT=MULTIPATCH" : nullptr,
                                 nullptr};
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

}  // namespace

namespace workspace_detail {

HRESULT NewFolderWorkspace(FactoryKind kind, const std::string& path, IWorkspace** workspace) {
  if (kind == FactoryKind::kRaster) {
    ComObject<RasterFolderWorkspace>* w = nullptr;
    HRESULT hr = ComObject<RasterFolderWorkspace>::Create(&w);
    if (FAILED(hr)) return hr;
    w->Init(kind, path);
    *workspace = static_cast<IWorkspace*>(w);
    return S_OK;
  }
  ComObject<ShapefileFolderWorkspace>* w = nullptr;
  HRESULT hr = ComObject<ShapefileFolderWorkspace>::Create(&w);
  if (FAILED(hr)) return hr;
  w->Init(kind, path);
  *workspace = static_cast<IWorkspace*>(w);
  return S_OK;
}

}  // namespace workspace_detail

}  // namespace velk::host
