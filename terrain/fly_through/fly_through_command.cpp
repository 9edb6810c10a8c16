#include "terrain/fly_through/fly_through_command.h"

namespace velk::corvane {

FlyThrough::~FlyThrough() {
  try {
    CoordToolEventHandler::Disconnect(nullptr, false);
  } catch (...) {
    // Nothing to clear without a hook.
  }
  if (::IsWindow(m_dialog.m_hWnd)) ::DestroyWindow(m_dialog.m_hWnd);
  // The dialog outlives this object's own parts: it must not call back into them.
  m_dialog.SetListener(nullptr);
}

HRESULT FlyThrough::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  return EnabledByRule(CatalogueEntry().rule, nullptr, enabled);
  VELK_CATCH
}

void FlyThrough::StartListening(bool activate) {
  CoordToolEventHandler::Connect(this, static_cast<CoordToolEventHandler*>(this), activate);
}

void FlyThrough::StopListening(bool reset) { CoordToolEventHandler::Disconnect(this, reset); }

HRESULT FlyThrough::ActivePointChanged(IPoint* wgs84, IPoint*, IPoint*) {
  m_dialog.OnPointPicked(wgs84);
  return S_OK;
}

HRESULT FlyThrough::NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) {
  return ActivePointChanged(wgs84, datum, map);
}

HRESULT CreateFlyThrough(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<FlyThrough>(outer, riid, ppv);
}

}  // namespace velk::corvane
