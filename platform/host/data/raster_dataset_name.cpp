#include "platform/host/data/raster_dataset_name.h"

#include "platform/com/bstr.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/workspace.h"

namespace velk::host {
namespace {

class RasterDatasetName
    : public ComObjectRoot<RasterDatasetName, IDatasetName, IName, IRasterDatasetName> {
 public:
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Type(LONG* type) override {
    if (!type) return E_POINTER;
    *type = kDatasetRasterDataset;
    return S_OK;
  }
  HRESULT put_Type(LONG type) override {
    return type == kDatasetRasterDataset ? S_OK : E_INVALIDARG;
  }
  HRESULT get_WorkspaceName(IWorkspaceName** name) override { return workspace_.CopyTo(name); }
  HRESULT putref_WorkspaceName(IWorkspaceName* name) override {
    workspace_ = name;
    return S_OK;
  }

  // IName: the raster dataset, through the workspace the workspace name opens.
  HRESULT Open(IUnknown** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto wsName = workspace_.As<IName>();
    if (!wsName) return E_POINTER;
    VELK_TRY
    ComPtr<IUnknown> ws;
    HRESULT hr = wsName->Open(ws.put());
    if (FAILED(hr)) return hr;
    auto rasters = QueryAs<IRasterWorkspace>(ws.get());
    if (!rasters) return E_NOINTERFACE;
    ComPtr<IRasterDataset> dataset;
    hr = rasters->OpenRasterDataset(Bstr(name_), dataset.put());
    if (FAILED(hr)) return hr;
    return dataset->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(object));
    VELK_CATCH
  }

  HRESULT get_Definition(IUnknown** definition) override { return definition_.CopyTo(definition); }
  HRESULT putref_Definition(IUnknown* definition) override {
    definition_ = definition;
    return S_OK;
  }

 private:
  std::wstring name_;
  ComPtr<IWorkspaceName> workspace_;
  ComPtr<IUnknown> definition_;
};

}  // namespace

HRESULT CreateRasterDatasetNameObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterDatasetName>(outer, riid, ppv);
}

}  // namespace velk::host
