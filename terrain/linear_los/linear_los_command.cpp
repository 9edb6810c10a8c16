#include "terrain/linear_los/linear_los_command.h"

namespace velk::corvane {

HRESULT LinearLOS::FinalConstruct() {
  VELK_TRY
  ZelExtensionEventHandler::Connect(static_cast<ICommand*>(this));
  return S_OK;
  VELK_CATCH
}

void LinearLOS::FinalRelease() {
  try {
    ZelExtensionEventHandler::Disconnect();
    if (::IsWindow(m_dialog.m_hWnd)) ::DestroyWindow(m_dialog.m_hWnd);
    StopListening(true);
  } catch (...) {
    // The extension or the host may be gone already.
  }
  // The dialog outlives this object's own parts: it must not call back into them.
  m_dialog.SetListener(nullptr);
}

HRESULT LinearLOS::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  return EnabledByRule(CatalogueEntry().rule, nullptr, enabled);
  VELK_CATCH
}

void LinearLOS::StartListening(bool activate) {
  CoordToolEventHandler::Connect(this, static_cast<ICommand*>(this), activate);
}

void LinearLOS::StopListening(bool reset) { CoordToolEventHandler::Disconnect(this, reset); }

HRESULT LinearLOS::ActivePointChanged(IPoint* wgs84, IPoint*, IPoint*) {
  m_dialog.OnPointPicked(wgs84);
  return S_OK;
}

HRESULT LinearLOS::NewPointEntered(IPoint* wgs84, IPoint*, IPoint*) {
  m_dialog.OnPointPicked(wgs84);
  return S_OK;
}

HRESULT LinearLOS::ContentsChanged() {
  m_dialog.UpdateControls();
  return S_OK;
}

HRESULT LinearLOS::NewDocument() {
  m_dialog.Init();
  return S_OK;
}

HRESULT LinearLOS::OpenDocument() {
  m_dialog.Init();
  return S_OK;
}

HRESULT CreateLinearLOS(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<LinearLOS>(outer, riid, ppv);
}

}  // namespace velk::corvane
