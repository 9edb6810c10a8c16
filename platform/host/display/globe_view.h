// The host's globe-view control: shows one globe.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/view_hooks.h"

namespace velk::host {

class GlobeView : public ComObjectRoot<GlobeView, IGlobeViewHook> {
 public:
  void Init(IGlobe* globe) { globe_ = globe; }
  HRESULT get_Globe(IGlobe** globe) override { return globe_.CopyTo(globe); }

 private:
  ComPtr<IGlobe> globe_;
};

// A globe-view control showing the given globe (a new globe when null).
ComPtr<IGlobeViewHook> MakeGlobeView(IGlobe* globe);

}  // namespace velk::host
