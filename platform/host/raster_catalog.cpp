#include "platform/host/raster_catalog.h"

#include <string>
#include <vector>

#include "platform/host/dataset.h"
#include "platform/host/workspace.h"

namespace velk::host {
namespace {

class WorkspaceRasterCatalog
    : public ComObjectRoot<WorkspaceRasterCatalog, IRasterCatalog, IWorkspaceRasterCatalog> {
 public:
  HRESULT get_RasterDatasets(IEnumDataset** datasets) override {
    if (!datasets) return E_POINTER;
    *datasets = nullptr;
    if (!workspace_) return E_POINTER;
    return workspace_->get_Datasets(kDatasetRasterDataset, datasets);
  }
  HRESULT get_SelectedCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(selected_.size());
    return S_OK;
  }
  HRESULT get_SelectedName(LONG index, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= selected_.size()) return E_INVALIDARG;
    *name = AllocBstr(selected_[static_cast<std::size_t>(index)]);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT putref_Workspace(IWorkspace* workspace) override {
    workspace_ = workspace;
    selected_.clear();
    return S_OK;
  }
  HRESULT SelectDataset(BSTR name) override {
    std::wstring wanted = BstrToWstring(name);
    for (const auto& s : selected_)
      if (s == wanted) return S_FALSE;
    VELK_TRY
    ComPtr<IEnumDataset> datasets;
    HRESULT hr = get_RasterDatasets(datasets.put());
    if (FAILED(hr)) return hr;
    ComPtr<IDataset> dataset;
    while (datasets && datasets->Next(dataset.put()) == S_OK && dataset) {
      Bstr n;
      if (SUCCEEDED(dataset->get_Name(&n)) && n.str() == wanted) {
        selected_.push_back(wanted);
        return S_OK;
      }
    }
    return E_INVALIDARG;
    VELK_CATCH
  }
  HRESULT ClearSelection() override {
    selected_.clear();
    return S_OK;
  }

 private:
  ComPtr<IWorkspace> workspace_;
  std::vector<std::wstring> selected_;
};

class DatasetList : public ComObjectRoot<DatasetList, IEnumDataset> {
 public:
  std::vector<ComPtr<IDataset>> items;
  HRESULT Next(IDataset** dataset) override {
    if (!dataset) return E_POINTER;
    *dataset = nullptr;
    if (pos_ >= items.size()) return S_FALSE;
    return items[pos_++].CopyTo(dataset);
  }
  HRESULT Reset() override {
    pos_ = 0;
    return S_OK;
  }

 private:
  std::size_t pos_ = 0;
};

}  // namespace

ComPtr<IEnumDataset> MakeDatasetList(std::vector<ComPtr<IDataset>> datasets) {
  auto list = MakeObjectPtr<DatasetList, IEnumDataset>();
  static_cast<DatasetList*>(list.get())->items = std::move(datasets);
  return list;
}

HRESULT CreateWorkspaceRasterCatalogObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<WorkspaceRasterCatalog>(outer, riid, ppv);
}

}  // namespace velk::host
