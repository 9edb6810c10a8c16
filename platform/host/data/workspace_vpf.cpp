// VPF database workspaces through GDAL's OGDI driver, and feature-class name objects.
#include <mutex>

#include "platform/host/data/vpf_workspace.h"
#include "platform/com/plain_text.h"
#include "platform/host/data/workspace_internal.h"

namespace velk::host {

namespace {
using namespace workspace_detail;

// GDAL's OGDI driver keeps state of its own: one library is opened at a time.
std::mutex& OgdiMutex() {
  static std::mutex m;
  return m;
}

// The sub-folder of a folder whatever its letter case on disk; "" when there is none.
std::string FindFolder(const std::string& folder, const std::string& name) {
  std::error_code ec;
  const std::string lower = ToLower(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (ToLower(it->path().filename().string()) == lower && it->is_directory(ec))
      return it->path().string();
  return "";
}

struct VpfName {
  std::string library, coverage, featureClass;
};

bool SplitName(const std::wstring& name, VpfName& out) {
  const std::string n = ToUtf8(name);
  const std::size_t a = n.find(':');
  const std::size_t b = a == std::string::npos ? a : n.find(':', a + 1);
  if (b == std::string::npos || a == 0 || b == a + 1 || b + 1 >= n.size()) return false;
  out = {n.substr(0, a), n.substr(a + 1, b - a - 1), n.substr(b + 1)};
  return true;
}

class VpfWorkspace : public LayerWorkspace<VpfWorkspace> {
  friend class LayerWorkspace<VpfWorkspace>;

 public:
  void Init(std::string path) { InitBase(FactoryKind::kVpf, std::move(path)); }

  // Every feature class of every library of the database.
  std::vector<std::pair<std::wstring, LONG>> List() {
    std::vector<std::pair<std::wstring, LONG>> out;
    std::error_code ec;
    for (fs::directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_directory(ec)) continue;
      const std::string library = it->path().filename().string();
      DatasetPtr ds = Library(library);
      for (int i = 0; ds && i < ds->get()->GetLayerCount(); ++i) {
        const std::string layer = ds->get()->GetLayer(i)->GetName();
        const std::size_t at = layer.find('@'), open = layer.find('(');
        if (at == std::string::npos || open == std::string::npos || open < at) continue;
        out.emplace_back(FromUtf8(library + ":" + layer.substr(at + 1, open - at - 1) + ":" +
                                  layer.substr(0, at)),
                         kDatasetFeatureClass);
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  HRESULT OpenFeatureDataset(BSTR, IFeatureDataset** dataset) override {
    return NoFeatureDataset(dataset);
  }
  // VPF data is read-only here.
  HRESULT CreateTable(BSTR, IFields*, const GUID*, const GUID*, BSTR, ITable** table) override {
    if (table) *table = nullptr;
    return E_DATA_WRITE_FAILED;
  }
  HRESULT CreateFeatureClass(BSTR, IFields*, const GUID*, const GUID*, LONG, BSTR, BSTR,
                             IFeatureClass** fc) override {
    if (fc) *fc = nullptr;
    return E_DATA_WRITE_FAILED;
  }
  HRESULT DeleteDataset(TableCore&) override { return E_DATA_WRITE_FAILED; }
  HRESULT RenameDataset(TableCore&, const std::wstring&) override { return E_DATA_WRITE_FAILED; }

 private:
  // The library opened through OGDI, kept while the workspace lives.
  DatasetPtr Library(const std::string& name) {
    const std::string key = ToLower(name);
    if (auto it = libraries_.find(key); it != libraries_.end()) return it->second;
    const std::string folder = FindFolder(path_, name);
    DatasetPtr ds;
    if (!folder.empty()) {
      std::lock_guard<std::mutex> lock(OgdiMutex());
      QuietErrors quiet;
      const std::string url = "gltp:/vrf" + folder;
      const char* drivers[] = {"OGR_OGDI", nullptr};
      if (GDALDataset* opened = GDALDataset::Open(url.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                                  drivers, nullptr, nullptr))
        ds = std::make_shared<GdalDatasetHandle>(opened, folder, false);
    }
    libraries_[key] = ds;
    return ds;
  }

  HRESULT OpenLayer(const std::wstring& name, ComPtr<IUnknown>& out) {
    VpfName parts;
    if (!SplitName(name, parts)) return E_DATA_NOT_FOUND;
    return Cached(
        name,
        [&](ComPtr<IUnknown>& made) -> HRESULT {
          DatasetPtr ds = Library(parts.library);
          if (!ds) return E_DATA_NOT_FOUND;
          const std::string prefix = ToLower(parts.featureClass + "@" + parts.coverage + "(");
          for (int i = 0; i < ds->get()->GetLayerCount(); ++i) {
            OGRLayer* layer = ds->get()->GetLayer(i);
            if (ToLower(layer->GetName()).rfind(prefix, 0) != 0) continue;
            auto core = std::make_shared<TableCore>(ds, layer, name,
                                                    ToLower(path_ + "|" + ToUtf8(name)), false);
            made = MakeTableObject(core, this, this, ToLower(name));
            return S_OK;
          }
          return E_DATA_NOT_FOUND;
        },
        out);
  }

  std::map<std::string, DatasetPtr> libraries_;
};

class VpfWorkspaceFactory : public ComObjectRoot<VpfWorkspaceFactory, IWorkspaceFactory> {
 public:
  HRESULT OpenFromFile(BSTR path, HWND, IWorkspace** workspace) override {
    if (!workspace) return E_POINTER;
    *workspace = nullptr;
    if (SysStringLen(path) == 0) return E_INVALIDARG;
    VELK_TRY
    std::string p = NormalPath(BstrToWstring(path));
    auto& open = OpenWorkspaces(FactoryKind::kVpf);
    if (auto it = open.find(p); it != open.end()) {
      *workspace = it->second;
      (*workspace)->AddRef();
      return S_OK;
    }
    std::error_code ec;
    if (!fs::exists(p, ec)) return E_DATA_NOT_FOUND;
    VARIANT_BOOL is = VARIANT_FALSE;
    IsWorkspace(path, &is);
    if (!is) return E_DATA_UNREADABLE;
    ComObject<VpfWorkspace>* ws = nullptr;
    HRESULT hr = ComObject<VpfWorkspace>::Create(&ws);
    if (FAILED(hr)) return hr;
    ws->Init(p);
    hr = ws->QueryInterface(IidOf<IWorkspace>(), reinterpret_cast<void**>(workspace));
    ws->Release();
    return hr;
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
  // ComObject's static Create (which makes the object) stands beside this one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
  HRESULT Create(BSTR, BSTR, IPropertySet*, HWND, IWorkspace** workspace) override {
    if (workspace) *workspace = nullptr;
    return E_NOTIMPL;
  }
#pragma GCC diagnostic pop
  // A folder holding the database tables "dht" and "lat".
  HRESULT IsWorkspace(BSTR path, VARIANT_BOOL* is) override {
    if (!is) return E_POINTER;
    std::string p = NormalPath(BstrToWstring(path));
    std::error_code ec;
    bool dht = false, lat = false;
    for (fs::directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string n = ToLower(it->path().filename().string());
      dht = dht || n == "dht";
      lat = lat || n == "lat";
    }
    *is = ToVariantBool(dht && lat);
    return S_OK;
  }
  HRESULT get_WorkspaceType(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kWorkspaceFileSystem;
    return S_OK;
  }
};

class FeatureClassNameObject
    : public ComObjectRoot<FeatureClassNameObject, IDatasetName, IFeatureClassName, IName> {
 public:
  using IDatasetName::QueryInterface;
  HRESULT get_Name(BSTR* name) override { return OutText(name, name_); }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kDatasetFeatureClass;
    return S_OK;
  }
  HRESULT put_Type(LONG) override { return S_OK; }
  HRESULT get_WorkspaceName(IWorkspaceName** name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (workspace_) return workspace_.CopyTo(name);
    return dataset_ ? dataset_->get_WorkspaceName(name) : S_OK;
  }
  HRESULT putref_WorkspaceName(IWorkspaceName* name) override {
    workspace_ = name;
    return S_OK;
  }
  HRESULT get_FeatureDatasetName(IDatasetName** name) override { return dataset_.CopyTo(name); }
  HRESULT putref_FeatureDatasetName(IDatasetName* name) override {
    dataset_ = name;
    return S_OK;
  }
  HRESULT Open(IUnknown** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    VELK_TRY
    ComPtr<IWorkspaceName> wsName;
    HRESULT hr = get_WorkspaceName(wsName.put());
    if (FAILED(hr)) return hr;
    if (!wsName) return E_POINTER;
    ComPtr<IUnknown> wsUnk;
    hr = wsName.As<IName>()->Open(wsUnk.put());
    if (FAILED(hr)) return hr;
    auto fw = QueryAs<IFeatureWorkspace>(wsUnk.get());
    if (!fw) return E_NOINTERFACE;
    std::wstring full = name_;
    if (dataset_) {
      Bstr datasetName;
      dataset_->get_Name(&datasetName);
      full = datasetName.str() + L":" + name_;
    }
    ComPtr<IFeatureClass> fc;
    hr = fw->OpenFeatureClass(Bstr(full), fc.put());
    if (FAILED(hr)) return hr;
    return fc->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(object));
    VELK_CATCH
  }

 private:
  std::wstring name_;
  ComPtr<IDatasetName> dataset_;
  ComPtr<IWorkspaceName> workspace_;
};

}  // namespace

HRESULT CreateVpfWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<VpfWorkspaceFactory>(outer, riid, ppv);
}

HRESULT CreateFeatureClassNameObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<FeatureClassNameObject>(outer, riid, ppv);
}

}  // namespace velk::host
