// The catalog application's tree: the item the user has selected in it (a folder, a database,
// a dataset file or a table of a database), which commands of the catalog window act on and
// ask to refresh itself when they have changed what it holds.
#pragma once

#include <string>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IName;

struct ICatalogItem : IUnknown {
  VELK_INTERFACE_ID("{6B0C3E52-8D1A-4F7B-9E24-3C5A7D90B1E8}")
  virtual HRESULT get_FullName(BSTR* path) = 0;
  // The item's name object: a workspace name for a folder or a database, a dataset name for a
  // dataset file or a database's table. Opening it fails when the item is gone.
  virtual HRESULT get_InternalObjectName(IName** name) = 0;
  // Reads the item's contents again, so that the tree shows what was made or loaded.
  virtual HRESULT Refresh() = 0;
};

// Answered by the catalog application (not by the map or globe application).
struct ICatalogApplication : IUnknown {
  VELK_INTERFACE_ID("{0E7F1A3C-52B9-4D86-A1C4-8F2E6B3D9A17}")
  // The selected item; S_OK and null when nothing is selected.
  virtual HRESULT get_SelectedItem(ICatalogItem** item) = 0;
  // The user selects the item at the path ("db.gpkg/table" for a table of a database); an
  // empty path clears the selection.
  virtual HRESULT SelectItem(BSTR path) = 0;
  // How many times an item was refreshed.
  virtual HRESULT get_RefreshCount(LONG* count) = 0;
};

namespace velk::host {

// The catalog tree of the catalog application: its selection and refresh count.
// The catalog application's part of the application object (its identity is the outer
// object's). The selected item stays the same object until another selection is made.
class CatalogTree : public ICatalogApplication {
 public:
  void SetOuter(IUnknown* outer) { outer_ = outer; }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return outer_->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return outer_->AddRef(); }
  ULONG Release() override { return outer_->Release(); }

  HRESULT get_SelectedItem(ICatalogItem** item) override { return selected_.CopyTo(item); }
  HRESULT SelectItem(BSTR path) override;
  HRESULT get_RefreshCount(LONG* count) override;
  void CountRefresh() { ++refreshes_; }
  // Lets the selected item go (the application shuts down).
  void Clear() { selected_.Reset(); }

 private:
  IUnknown* outer_ = nullptr;
  ComPtr<ICatalogItem> selected_;
  LONG refreshes_ = 0;
};

}  // namespace velk::host
