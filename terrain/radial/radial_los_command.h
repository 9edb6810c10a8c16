// The radial line-of-sight command: enabled while the extension object is enabled and the
// host extension Quentara or else Sorrelin is; a click shows the modeless dialog (created once).
// It carries the dialog's two connections: the coordinate tool's point events (switched on and
// off by the dialog's Start button through the listener) and the extension's map events.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/coord_tool_event_handler.h"
#include "framework/dlg_cmd_impl.h"
#include "framework/zel_extension_event_handler.h"
#include "terrain/radial/radial_los_dlg.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelRadialLOS : IUnknown {
  VELK_INTERFACE_ID("{3E0B5F6C-94D2-4A7B-8C1E-6F2D9A4B7C30}")
};

namespace velk::corvane {

class RadialLOS : public CDlgBasedCmdImpl<RadialLOS, RadialLosDlg, 0, IZelRadialLOS,
                                          CoordToolEventHandler, ZelExtensionEventHandler>,
                  public stCoordToolListener,
                  public CatalogueIds<ClassId::RadialLOS> {
 public:
  RadialLOS();
  ~RadialLOS() override;
  HRESULT FinalConstruct();

  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;

  // Coordinate-tool events: both point events hand the WGS 84 point to the dialog.
  HRESULT ActivePointChanged(IPoint* wgs84, IPoint* datum, IPoint* map) override;
  HRESULT NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) override;
  // Extension events.
  HRESULT ContentsChanged() override;
  HRESULT ContentsCleared() override;
  HRESULT ItemAdded(VARIANT) override;
  HRESULT ItemDeleted(VARIANT) override;
  HRESULT ItemReordered(VARIANT, LONG) override;
  HRESULT NewDocument() override;
  HRESULT OpenDocument() override;

  void StartListening(bool activate) override;
  void StopListening(bool reset) override;

  RadialLosDlg& Dialog() { return m_dialog; }
};

HRESULT CreateRadialLOS(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
