// Workspace and dataset names, and the helpers the workspace objects share.
#include "platform/host/data/workspace_internal.h"
#include "platform/com/plain_text.h"

namespace velk::host {

namespace {
using namespace workspace_detail;
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

}  // namespace

namespace workspace_detail {

const wchar_t* ProgIdOf(FactoryKind k) {
  switch (k) {
    case FactoryKind::kShapefile: return kShapefileWorkspaceFactoryProgId;
    case FactoryKind::kDatabase: return kDatabaseWorkspaceFactoryProgId;
    case FactoryKind::kVpf: return kVpfWorkspaceFactoryProgId;
    default: return kRasterWorkspaceFactoryProgId;
  }
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
    if (name.size() > ext.size() && ToLower(name.substr(name.size() - ext.size())) == ext)
      return name.substr(0, name.size() - ext.size());
  }
  return name;
}

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
    // Multipatches only in shapefiles, whose records the host writes itself.
    const bool patches = dbase && out.shape.geometryType == kGeometryMultiPatch;
    if ((out.shape.geometryType < kGeometryPoint || out.shape.geometryType > kGeometryPolygon) &&
        !patches)
      return E_DATA_INVALID_FIELD;
    if (!shapeFieldName.empty()) out.shape.name = shapeFieldName;
  } else if (out.hasShape) {
    return E_DATA_INVALID_FIELD;
  }
  return S_OK;
}

std::map<std::string, IWorkspace*>& OpenWorkspaces(FactoryKind kind) {
  static auto* maps = new std::map<std::string, IWorkspace*>[static_cast<int>(FactoryKind::kVpf) + 1];
  return maps[static_cast<int>(kind)];
}

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

}  // namespace workspace_detail

HRESULT CreateWorkspaceNameObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<WorkspaceNameObject>(outer, riid, ppv);
}
HRESULT CreateDatasetNameObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<DatasetNameObject>(outer, riid, ppv);
}

}  // namespace velk::host
