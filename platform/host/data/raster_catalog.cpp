#include "platform/host/data/raster_catalog.h"

#include <string>
#include <vector>

#include "platform/host/data/dataset.h"
#include "platform/host/data/workspace.h"

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

}  // namespace

HRESULT CreateWorkspaceRasterCatalogObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<WorkspaceRasterCatalog>(outer, riid, ppv);
}

}  // namespace velk::host
