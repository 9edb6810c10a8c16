// Rubber-band feedback on the 2-D map for tools that let the user drag an area: the owning
// tool forwards its mouse events, and gets the dragged shape (in map coordinates) at mouse-up.
#pragma once

#include "framework/hook_struct.h"
#include "platform/host/display/display.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

class TrackerHelper {
 public:
  // Creates the host's envelope feedback; the owners pass a null hook and set it later.
  explicit TrackerHelper(HookStruct* hook);
  virtual ~TrackerHelper();
  TrackerHelper(const TrackerHelper&) = delete;
  TrackerHelper& operator=(const TrackerHelper&) = delete;

  // Button and shift are not looked at; x and y are window coordinates. Without a hook each
  // answers E_FAIL and does nothing; a missing view, display, transformation or feedback
  // raises E_POINTER as a COM error.
  virtual HRESULT OnMouseDown(LONG button, LONG shift, LONG x, LONG y);
  virtual HRESULT OnMouseMove(LONG button, LONG shift, LONG x, LONG y);
  // The feedback's stop result; geometry receives the dragged shape.
  virtual HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y, IGeometry** geometry);

  void SetHook(HookStruct* hook) { hook_ = hook; }

 private:
  // Gives the feedback the view's display and hands back the map point under (x, y).
  ComPtr<IPoint> PrepareAt(LONG x, LONG y);

  HookStruct* hook_;
  ComPtr<IDisplayFeedback> feedback_;
};

}  // namespace velk::corvane
