#include "framework/tracker_helper.h"

#include "framework/host_object_creation.h"
#include "platform/host/display/display_class_ids.h"

namespace velk::corvane {

TrackerHelper::TrackerHelper(HookStruct* hook) : hook_(hook) {
  CoCreateInstance(host::CLSID_NewEnvelopeFeedback, nullptr, kHostCreationContext,
                   IidOf<IDisplayFeedback>(), feedback_.put_void());
}

TrackerHelper::~TrackerHelper() = default;

ComPtr<IPoint> TrackerHelper::PrepareAt(LONG x, LONG y) {
  ComPtr<IActiveView> view;
  hook_->GetActiveView(view.put());
  if (!view) ThrowComError(E_POINTER);
  ComPtr<IScreenDisplay> display;
  view->get_ScreenDisplay(display.put());
  if (!display) ThrowComError(E_POINTER);
  ComPtr<IDisplayTransformation> transformation;
  display->get_DisplayTransformation(transformation.put());
  if (!transformation) ThrowComError(E_POINTER);
  ComPtr<IPoint> point;
  transformation->ToMapPoint(x, y, point.put());
  if (!point || !feedback_) ThrowComError(E_POINTER);
  feedback_->putref_Display(display.get());
  return point;
}

HRESULT TrackerHelper::OnMouseDown(LONG, LONG, LONG x, LONG y) {
  if (!hook_) return E_FAIL;
  ComPtr<IPoint> point = PrepareAt(x, y);
  feedback_->Start(point.get());
  return S_OK;
}

HRESULT TrackerHelper::OnMouseMove(LONG, LONG, LONG x, LONG y) {
  if (!hook_) return E_FAIL;
  ComPtr<IPoint> point = PrepareAt(x, y);
  feedback_->MoveTo(point.get());
  return S_OK;
}

HRESULT TrackerHelper::OnMouseUp(LONG, LONG, LONG, LONG, IGeometry** geometry) {
  if (!hook_) return E_FAIL;
  if (!feedback_) ThrowComError(E_POINTER);
  return feedback_->Stop(geometry);
}

}  // namespace velk::corvane
