// The threat dome command of the globe host: enabled while the extension object is; a click
// shows the modeless dialog (made once, brought to the top afterwards). Points picked with the
// coordinate tool reach the dialog through the command's event sink while the dialog's pick
// button is pressed.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/coord_tool_event_handler.h"
#include "framework/dlg_cmd_impl.h"
#include "terrain/threat_dome/threat_dome_dlg.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelThreatDome : IUnknown {
  VELK_INTERFACE_ID("{8B4D2E61-3F07-4A9C-B15E-C7D09A3F6E28}")
};

namespace velk::corvane {

class ThreatDome
    : public CDlgBasedCmdImpl<ThreatDome, ThreatDomeDlg, 0, IZelThreatDome, CoordToolEventHandler>,
      public stCoordToolListener,
      public CatalogueIds<ClassId::ThreatDome> {
 public:
  ThreatDome();
  ~ThreatDome() override;

  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;

  // Coordinate-tool events: both point events hand the WGS 84 point to the dialog.
  HRESULT ActivePointChanged(IPoint* wgs84, IPoint* datum, IPoint* map) override;
  HRESULT NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) override;

  void StartListening(bool activate) override;
  void StopListening(bool reset) override;

  ThreatDomeDlg& Dialog() { return m_dialog; }
};

HRESULT CreateThreatDome(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
