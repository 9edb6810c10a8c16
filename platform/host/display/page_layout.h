// The page layout of a map document: in layout view it is the active view and shows the
// document's focus map.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/active_view.h"
#include "platform/host/display/display_objects.h"
#include "platform/host/display/map.h"

namespace velk::host {

class PageLayout : public ComObjectRoot<PageLayout, IPageLayout, IActiveView, IRefreshLog> {
 public:
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_FocusMap(IMap** map) override { return map_.CopyTo(map); }
  HRESULT put_FocusMap(IMap* map) override;
  HRESULT Refresh() override;
  int RefreshCount() const { return refreshes_; }
  HRESULT get_ScreenDisplay(IScreenDisplay** display) override {
    return display_.get_ScreenDisplay(display);
  }
  HRESULT PartialRefresh(LONG phase, IUnknown* data, IEnvelope* area) override {
    return display_.PartialRefresh(phase, data, area);
  }
  HRESULT get_ScreenCacheID(LONG phase, SHORT* cacheId) override {
    return display_.get_ScreenCacheID(phase, cacheId);
  }
  HRESULT get_PartialRefreshCount(LONG* count) override {
    return display_.get_PartialRefreshCount(count);
  }
  HRESULT GetPartialRefresh(LONG index, LONG* phase, IUnknown** data, IEnvelope** area) override {
    return display_.GetPartialRefresh(index, phase, data, area);
  }

 private:
  ComPtr<IMap> map_;
  int refreshes_ = 0;
  ViewDisplay display_;
};

}  // namespace velk::host
