// The host's display classes: the display transformation, the screen display of a view, the
// envelope feedback, and ViewDisplay, the display state every view of the host holds.
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/host/display/display.h"
#include "platform/host/geometry/geometry.h"

namespace velk::host {

HRESULT CreateDisplayTransformationObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateScreenDisplayObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateEnvelopeFeedbackObject(IUnknown* outer, REFIID riid, void** ppv);

// The display of a view and the record of its partial refreshes. Views keep one and forward
// their display operations to it.
class ViewDisplay {
 public:
  ViewDisplay();
  HRESULT get_ScreenDisplay(IScreenDisplay** display);
  // Records the refresh; the headless host draws nothing.
  HRESULT PartialRefresh(LONG phase, IUnknown* data, IEnvelope* area);
  // The screen cache a phase draws into: 1 for the geography, 0 (the graphics cache) otherwise.
  HRESULT get_ScreenCacheID(LONG phase, SHORT* cacheId);
  // The view's map reference, which the display transformation hands to the points it makes
  // (anything but a spatial reference clears it).
  void SetSpatialReference(IUnknown* sr);
  HRESULT get_PartialRefreshCount(LONG* count);
  HRESULT GetPartialRefresh(LONG index, LONG* phase, IUnknown** data, IEnvelope** area);

 private:
  struct Record {
    LONG phase;
    ComPtr<IUnknown> data;
    ComPtr<IEnvelope> area;
  };
  ComPtr<IScreenDisplay> display_;
  std::vector<Record> records_;
};

}  // namespace velk::host
