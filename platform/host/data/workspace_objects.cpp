// Workspace factories: open and create folder and GeoPackage workspaces by path or connection,
// and the scratch workspace.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/host/data/workspace_internal.h"
#include "platform/com/plain_text.h"
#include "platform/host/data/vpf_workspace.h"

namespace velk::host {

namespace {
using namespace workspace_detail;

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
      return NewDatabaseWorkspace(p, std::move(db), workspace);
    }
    if (!fs::is_directory(p, ec)) return E_DATA_UNREADABLE;
    return NewFolderWorkspace(kind_, p, workspace);
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
  // ComObject's static Create (which makes the object) stands beside this one; callers reach
  // this one through the interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
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
      // Made whole under a working name, then linked to its name, which fails when another
      // process made it meanwhile: a database is never made over another, nor removed for it.
      static std::atomic<unsigned> made{0};
      const std::string working = folder + "/." + ToUtf8(n) + "." + std::to_string(::getpid()) +
                                  "." + std::to_string(made++) + ".part";
      bool ok = false;
      {
        QuietErrors quiet;
        GDALDataset* ds = driver->Create(working.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
        if (ds) {
          CPLErrorReset();
          GDALClose(GDALDataset::ToHandle(ds));
          ok = CPLGetLastErrorType() < CE_Failure;
        }
      }
      const bool linked = ok && ::link(working.c_str(), path.c_str()) == 0;
      const int linkError = errno;
      fs::remove(working, ec);
      if (!linked) return ok && linkError == EEXIST ? E_DATA_EXISTS : E_DATA_WRITE_FAILED;
    } else if (!fs::create_directory(path, ec)) {
      return E_DATA_WRITE_FAILED;
    }
    return OpenFromFile(Bstr(FromUtf8(path)), parent, workspace);
    VELK_CATCH
  }
#pragma GCC diagnostic pop
  HRESULT IsWorkspace(BSTR path, VARIANT_BOOL* is) override {
    if (!is) return E_POINTER;
    *is = VARIANT_FALSE;
    std::string p = NormalPath(BstrToWstring(path));
    std::error_code ec;
    if (kind_ != FactoryKind::kDatabase) {
      *is = ToVariantBool(fs::is_directory(p, ec));
      return S_OK;
    }
    DatasetPtr db;
    *is = ToVariantBool(OpenGdalDataset(p, DataKind::kVector, db, "gpkg") == OpenResult::kOk);
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

using namespace workspace_detail;

ComPtr<IWorkspaceFactory> WorkspaceFactoryFromProgId(const std::wstring& progId) {
  ComPtr<IWorkspaceFactory> f;
  std::wstring p = ToLower(progId);
  auto matches = [&](const wchar_t* known) {
    std::wstring k = ToLower(known);
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
  else if (matches(kVpfWorkspaceFactoryProgId))
    hr = CreateVpfWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(), f.put_void());
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

}  // namespace velk::host
