#include "platform/host/display/globe_view.h"

namespace velk::host {

ComPtr<IGlobeViewHook> MakeGlobeView(IGlobe* globe) {
  ComPtr<IGlobe> shown(globe);
  if (!shown) shown = MakeObjectPtr<Globe, IGlobe>();
  auto control = MakeObjectPtr<GlobeView, IGlobeViewHook>();
  static_cast<GlobeView*>(control.get())->Init(shown.get());
  return control;
}

}  // namespace velk::host
