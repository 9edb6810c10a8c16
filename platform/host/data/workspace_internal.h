// The workspace objects' shared parts: the kinds of factory, names, enumerators, the base of
// every workspace, and how the factories make the folder and GeoPackage workspaces. Used by
// the workspace sources of the host only.
#pragma once

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/com/enum_list.h"
#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset_files.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/file_dataset_swap.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/gdal_dataset_handle.h"
#include "platform/host/data/property_set_object.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/table_objects.h"
#include "platform/registry/registry.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host::workspace_detail {

namespace fs = std::filesystem;

// The kinds of workspace a factory opens (kVpf last: tables are sized by it).
enum class FactoryKind { kShapefile, kDatabase, kRaster, kVpf };

const wchar_t* ProgIdOf(FactoryKind k);
// Absolute, normal form without a trailing separator; back slashes count as separators.
std::string NormalPath(const std::wstring& path);
bool Writable(const std::string& path);
// Dataset names a folder accepts: a file name without separators or characters that file
// systems refuse.
bool ValidFileDatasetName(const std::wstring& n);
// Dataset names a database accepts: a letter or underscore, then letters, digits, underscores.
bool ValidDatabaseDatasetName(const std::wstring& n);
std::wstring StripExtension(const std::wstring& name, std::initializer_list<const wchar_t*> exts);

struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() { CPLPopErrorHandler(); }
};

// What CreateTable and CreateFeatureClass are asked to make.
struct Schema {
  std::wstring oidName;
  FieldSpec shape;
  bool hasShape = false;
  std::vector<FieldSpec> attributes;
};

HRESULT ReadSchema(IFields* fields, const std::wstring& shapeFieldName, bool wantShape, bool dbase,
                   Schema& out);

// Names of workspaces and datasets.
ComPtr<IWorkspaceName> MakeWorkspaceName(const std::wstring& path, FactoryKind kind);
ComPtr<IDatasetName> MakeDatasetName(const std::wstring& name, LONG type, IWorkspaceName* ws);

// ---------------------------------------------------------------- workspaces

// Open workspaces by factory kind and path, so that a path opens to one object while it lives.
std::map<std::string, IWorkspace*>& OpenWorkspaces(FactoryKind kind);

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
  // A database is a file, every other kind a folder.
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kind_ == FactoryKind::kDatabase ? kWorkspaceLocalDatabase : kWorkspaceFileSystem;
    return S_OK;
  }
  HRESULT Exists(VARIANT_BOOL* exists) override {
    if (!exists) return E_POINTER;
    std::error_code ec;
    *exists = ToVariantBool(kind_ == FactoryKind::kDatabase ? fs::is_regular_file(path_, ec)
                                                            : fs::is_directory(path_, ec));
    return S_OK;
  }
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
    *names = MakeListEnum<IEnumDatasetName, IDatasetName>(std::move(items)).Detach();
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
    *datasets = MakeListEnum<IEnumDataset, IDataset>(std::move(items)).Detach();
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
    std::wstring key = ToLower(name);
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

// A dataset opened by name for IFeatureWorkspace: open(name, object) finds it; an object that
// is not of the kind asked for is E_DATA_NOT_FOUND.
template <class I, class Open>
HRESULT OpenNamed(BSTR name, I** out, Open open) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<IUnknown> obj;
  HRESULT hr = open(BstrToWstring(name), obj);
  return FAILED(hr) ? hr : HandOut(obj, out, E_DATA_NOT_FOUND);
}

// A workspace of tables and feature classes that Derived::OpenLayer(name, object) opens by name
// (a database, a VPF database).
template <class Derived, class... Extra>
class LayerWorkspace : public WorkspaceBase<Derived, IFeatureWorkspace, Extra...> {
 public:
  ComPtr<IUnknown> OpenByName(const std::wstring& name, LONG) {
    ComPtr<IUnknown> obj;
    Self()->OpenLayer(name, obj);
    return obj;
  }
  HRESULT OpenTable(BSTR name, ITable** table) override {
    return OpenNamed(name, table, [this](const std::wstring& n, ComPtr<IUnknown>& obj) {
      return Self()->OpenLayer(n, obj);
    });
  }
  HRESULT OpenFeatureClass(BSTR name, IFeatureClass** fc) override {
    return OpenNamed(name, fc, [this](const std::wstring& n, ComPtr<IUnknown>& obj) {
      return Self()->OpenLayer(n, obj);
    });
  }

 private:
  Derived* Self() { return static_cast<Derived*>(this); }
};

// Workspaces without feature datasets (folders, VPF databases).
inline HRESULT NoFeatureDataset(IFeatureDataset** dataset) {
  if (!dataset) return E_POINTER;
  *dataset = nullptr;
  return E_DATA_NOT_FOUND;
}

// A new folder workspace of the shapefile or raster kind on an existing folder.
HRESULT NewFolderWorkspace(FactoryKind kind, const std::string& path, IWorkspace** workspace);
// A new GeoPackage workspace on an opened database.
HRESULT NewDatabaseWorkspace(const std::string& path, DatasetPtr db, IWorkspace** workspace);

}  // namespace velk::host::workspace_detail
