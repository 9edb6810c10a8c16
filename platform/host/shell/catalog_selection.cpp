#include "platform/host/shell/catalog_selection.h"

#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/dataset.h"

namespace velk::host {
namespace {

class CatalogItem : public ComObjectRoot<CatalogItem, ICatalogItem> {
 public:
  void Init(std::wstring path, CatalogTree* tree) {
    path_ = std::move(path);
    tree_ = tree;
  }
  HRESULT get_FullName(BSTR* path) override {
    if (!path) return E_POINTER;
    *path = AllocBstr(path_);
    return S_OK;
  }
  HRESULT get_InternalObjectName(IName** name) override { return NameOfPath(path_, name); }
  HRESULT Refresh() override {
    if (tree_) tree_->CountRefresh();
    return S_OK;
  }

 private:
  std::wstring path_;
  CatalogTree* tree_ = nullptr;  // the application's, which outlives the items it hands out
};

}  // namespace

HRESULT CatalogTree::SelectItem(BSTR pathText) {
  VELK_TRY
  const std::wstring path = pathText ? pathText : L"";
  selected_.Reset();
  if (path.empty()) return S_OK;
  auto made = MakeObjectPtr<CatalogItem, ICatalogItem>();
  static_cast<CatalogItem*>(made.get())->Init(path, this);
  selected_ = made;
  return S_OK;
  VELK_CATCH
}

HRESULT CatalogTree::get_RefreshCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = refreshes_;
  return S_OK;
}

}  // namespace velk::host
