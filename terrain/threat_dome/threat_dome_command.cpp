#include "terrain/threat_dome/threat_dome_command.h"

namespace velk::corvane {

ThreatDome::ThreatDome() : CDlgBasedCmdImpl(kBitmapId) { m_dialog.SetListener(this); }

ThreatDome::~ThreatDome() {
  try {
    CoordToolEventHandler::Disconnect(nullptr, false);
  } catch (...) {
    // Nothing to clear without a hook.
  }
  if (::IsWindow(m_dialog.m_hWnd)) ::DestroyWindow(m_dialog.m_hWnd);
  m_dialog.SetListener(nullptr);
}

HRESULT ThreatDome::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  return EnabledByRule(CatalogueEntry().rule, nullptr, enabled);
  VELK_CATCH
}

HRESULT ThreatDome::ActivePointChanged(IPoint* wgs84, IPoint*, IPoint*) {
  try {
    m_dialog.OnCoordToolPoint(wgs84);
  } catch (...) {
    // A point that cannot be shown changes nothing.
  }
  return S_OK;
}

HRESULT ThreatDome::NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) {
  return ActivePointChanged(wgs84, datum, map);
}

void ThreatDome::StartListening(bool activate) {
  CoordToolEventHandler::Connect(this, static_cast<CoordToolEventHandler*>(this), activate);
}

void ThreatDome::StopListening(bool reset) { CoordToolEventHandler::Disconnect(this, reset); }

HRESULT CreateThreatDome(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ThreatDome>(outer, riid, ppv);
}

}  // namespace velk::corvane
