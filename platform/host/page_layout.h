// The page layout of a map document: in layout view it is the active view and shows the
// document's focus map.
#pragma once

#include "platform/com/object.h"
#include "platform/host/active_view.h"
#include "platform/host/map.h"

namespace velk::host {

class PageLayout : public ComObjectRoot<PageLayout, IPageLayout, IActiveView> {
 public:
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_FocusMap(IMap** map) override { return map_.CopyTo(map); }
  HRESULT put_FocusMap(IMap* map) override;
  HRESULT Refresh() override;
  int RefreshCount() const { return refreshes_; }

 private:
  ComPtr<IMap> map_;
  int refreshes_ = 0;
};

}  // namespace velk::host
