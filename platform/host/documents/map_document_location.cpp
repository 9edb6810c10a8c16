// The map document's mouse location and search tolerance.
#include "platform/host/display/display.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/documents/map_document.h"

namespace velk::host {

HRESULT MapDocument::get_CurrentLocation(IPoint** location) {
  if (!location) return E_POINTER;
  *location = nullptr;
  VELK_TRY
  if (!location_) location_ = NewPoint();
  return location_.CopyTo(location);
  VELK_CATCH
}

HRESULT MapDocument::put_CurrentLocation(IPoint* location) {
  VELK_TRY
  if (!location) {
    location_ = NewPoint();
    return S_OK;
  }
  auto clone = QueryAs<IClone>(location);
  if (!clone) return E_INVALIDARG;
  ComPtr<IClone> copy;
  Check(clone->Clone(copy.put()));
  location_ = copy.Query<IPoint>();
  return S_OK;
  VELK_CATCH
}

HRESULT MapDocument::get_SearchTolerance(double* tolerance) {
  if (!tolerance) return E_POINTER;
  *tolerance = 0.0;
  VELK_TRY
  ComPtr<IActiveView> view;
  Check(get_ActiveView(view.put()));
  ComPtr<IScreenDisplay> display;
  Check(view->get_ScreenDisplay(display.put()));
  ComPtr<IDisplayTransformation> transformation;
  Check(display->get_DisplayTransformation(transformation.put()));
  return transformation->ToMapDistance(kSearchTolerancePixels, tolerance);
  VELK_CATCH
}

}  // namespace velk::host
