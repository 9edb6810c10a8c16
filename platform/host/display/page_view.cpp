#include "platform/host/display/page_view.h"

#include "platform/host/display/page_layout.h"

namespace velk::host {

ComPtr<IPageViewHook> MakePageView(IMap* focusMap, bool showLayout) {
  auto control = MakeObjectPtr<PageView, IPageViewHook>();
  if (showLayout) {
    auto layout = MakeObjectPtr<PageLayout, IActiveView>();
    Check(layout->put_FocusMap(focusMap));
    static_cast<PageView*>(control.get())->Init(layout.get());
  }
  return control;
}

}  // namespace velk::host
