#include "coordinates/coord_tool_dockable.h"

#include "framework/coord_tool_helpers.h"
#include "platform/com/variant.h"

namespace velk::corvane {

namespace {

// Copies the x and y of a dialog point into the caller's point, keeping the caller's other
// properties.
void CopyCoords(IPoint* from, IPoint* to) {
  double x = 0.0, y = 0.0;
  from->get_X(&x);
  from->get_Y(&y);
  Check(to->put_X(x));
  Check(to->put_Y(y));
}

}  // namespace

HRESULT CoordToolDockable::OnCreate(IUnknown* hook) {
  SetHook(hook);
  VELK_TRY
  if (!dialog_.m_hWnd) dialog_.Create(nullptr);
  dialog_.HookUp(hook);
  created_ = true;
  return S_OK;
  VELK_CATCH
}

HRESULT CoordToolDockable::get_ChildHWND(HWND* window) {
  if (!window) return E_POINTER;
  HWND own = dialog_.m_hWnd;
  *window = own ? GetTopLevelOwnerWindow(own) : nullptr;
  return S_OK;
}

HRESULT CoordToolDockable::get_Name(BSTR* name) { return LoadTextInto(kNameId, name); }

HRESULT CoordToolDockable::get_Caption(BSTR* caption) { return LoadTextInto(kNameId, caption); }

HRESULT CoordToolDockable::OnDestroy() {
  VELK_TRY
  ClearCurrentCoordTool(*this);
  return S_OK;
  VELK_CATCH
}

HRESULT CoordToolDockable::get_UserData(VARIANT* data) {
  if (!data) return E_POINTER;
  VariantInit(data);
  data->vt = VT_UNKNOWN;
  data->punkVal = static_cast<IZelCoordToolDockable*>(this);
  data->punkVal->AddRef();
  return S_OK;
}

HRESULT CoordToolDockable::OnMouseUp(LONG button, LONG shift, LONG x, LONG y) {
  VELK_TRY
  dialog_.MapClick(button, shift, x, y);
  return S_OK;
  VELK_CATCH
}

HRESULT CoordToolDockable::OnVisibilityChanged(LONG bNowVisible) {
  VELK_TRY
  if ((bNowVisible & 0xFFFF) != 0xFFFF) dialog_.Clear();
  return S_OK;
  VELK_CATCH
}

HRESULT CoordToolDockable::QueryCurrentLocation(IPoint* WGS84Point, IPoint* DatumPoint,
                                                IPoint* MapPoint) {
  if (!WGS84Point || !DatumPoint || !MapPoint) return E_INVALIDARG;
  if (!dialog_.HasEngine()) return E_FAIL;
  // Before the first conversion there is no location to tell.
  if (!dialog_.Wgs84Point() || !dialog_.DatumPoint() || !dialog_.MapPoint()) return E_FAIL;
  VELK_TRY
  CopyCoords(dialog_.Wgs84Point(), WGS84Point);
  CopyCoords(dialog_.DatumPoint(), DatumPoint);
  CopyCoords(dialog_.MapPoint(), MapPoint);
  return S_OK;
  VELK_CATCH
}

HRESULT CreateCoordToolDockable(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CoordToolDockable>(outer, riid, ppv);
}

}  // namespace velk::corvane
