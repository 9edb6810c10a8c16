// The fly-through command of the globe host: enabled while the extension object is; a click
// opens the modeless fly-through dialog, which takes points from the coordinate tool through
// this command.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/coord_tool_event_handler.h"
#include "framework/dlg_cmd_impl.h"
#include "terrain/fly_through/fly_through_dlg.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelFlyThrough : IUnknown {
  VELK_INTERFACE_ID("{4B7E2A19-C6D3-4F08-9A51-E3D70B6C2F84}")
};

namespace velk::corvane {

class FlyThrough
    : public CDlgBasedCmdImpl<FlyThrough, FlyThroughDlg, 0, IZelFlyThrough, CoordToolEventHandler>,
      public CatalogueIds<ClassId::FlyThrough>,
      public stCoordToolListener {
 public:
  FlyThrough() : CDlgBasedCmdImpl(kBitmapId) { m_dialog.SetListener(this); }
  ~FlyThrough() override;

  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;

  // stCoordToolListener
  void StartListening(bool activate) override;
  void StopListening(bool reset) override;

  // IZelCoordToolEvents: both point events go to the dialog.
  HRESULT ActivePointChanged(IPoint* wgs84, IPoint* datum, IPoint* map) override;
  HRESULT NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) override;

  FlyThroughDlg& Dialog() { return m_dialog; }
};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateFlyThrough(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
