// The host's page-view control: shows a page layout, whose view reports the focus map.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/active_view.h"
#include "platform/host/display/view_hooks.h"

namespace velk::host {

class PageView : public ComObjectRoot<PageView, IPageViewHook> {
 public:
  void Init(IActiveView* view) { view_ = view; }
  HRESULT get_ActiveView(IActiveView** view) override { return view_.CopyTo(view); }

 private:
  ComPtr<IActiveView> view_;
};

// A page-view control showing a new page layout over the given map; with showLayout false the
// control shows no layout (its view is null).
ComPtr<IPageViewHook> MakePageView(IMap* focusMap, bool showLayout = true);

}  // namespace velk::host
