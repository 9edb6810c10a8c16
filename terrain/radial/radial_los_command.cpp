#include "terrain/radial/radial_los_command.h"

namespace velk::corvane {

RadialLOS::RadialLOS() : CDlgBasedCmdImpl(kBitmapId) { m_dialog.SetListener(this); }

RadialLOS::~RadialLOS() {
  ZelExtensionEventHandler::Disconnect();
  try {
    CoordToolEventHandler::Disconnect(nullptr, false);
  } catch (...) {
    // Nothing to clear without a hook.
  }
  if (::IsWindow(m_dialog.m_hWnd)) ::DestroyWindow(m_dialog.m_hWnd);
  m_dialog.SetListener(nullptr);
}

HRESULT RadialLOS::FinalConstruct() {
  try {
    ZelExtensionEventHandler::Connect(static_cast<IZelExtensionEvents*>(this));
  } catch (...) {
    // Without the extension object the dialog simply hears no map events.
  }
  return S_OK;
}

HRESULT RadialLOS::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  return EnabledByRule(CatalogueEntry().rule, nullptr, enabled);
  VELK_CATCH
}

HRESULT RadialLOS::ActivePointChanged(IPoint* wgs84, IPoint*, IPoint*) {
  try {
    m_dialog.OnObserverPoint(wgs84);
  } catch (...) {
    // A point that cannot be placed changes nothing.
  }
  return S_OK;
}

HRESULT RadialLOS::NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) {
  return ActivePointChanged(wgs84, datum, map);
}

HRESULT RadialLOS::ContentsChanged() {
  m_dialog.UpdateControlStates();
  return S_OK;
}
HRESULT RadialLOS::ContentsCleared() { return ContentsChanged(); }
HRESULT RadialLOS::ItemAdded(VARIANT) { return ContentsChanged(); }
HRESULT RadialLOS::ItemDeleted(VARIANT) { return ContentsChanged(); }
HRESULT RadialLOS::ItemReordered(VARIANT, LONG) { return ContentsChanged(); }
HRESULT RadialLOS::NewDocument() {
  try {
    m_dialog.Refill();
  } catch (...) {
    // A host object missing during the refill leaves the dialog as far as it got.
  }
  return S_OK;
}
HRESULT RadialLOS::OpenDocument() { return NewDocument(); }

void RadialLOS::StartListening(bool activate) {
  CoordToolEventHandler::Connect(this, static_cast<CoordToolEventHandler*>(this), activate);
}

void RadialLOS::StopListening(bool reset) { CoordToolEventHandler::Disconnect(this, reset); }

HRESULT CreateRadialLOS(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RadialLOS>(outer, riid, ppv);
}

}  // namespace velk::corvane
