// The linear line-of-sight command: enabled while the extension object is enabled and the host
// extension Sorrelin is; a click opens the modeless dialog. It takes the coordinate tool's
// points for the dialog and refreshes the dialog on the extension's document events.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/coord_tool_event_handler.h"
#include "framework/dlg_cmd_impl.h"
#include "framework/zel_extension_event_handler.h"
#include "terrain/linear_los/linear_los_dlg.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelLinearLOS : IUnknown {
  VELK_INTERFACE_ID("{6452D8DA-3BB3-4584-8E13-D57FA747AF9A}")
};

namespace velk::corvane {

class LinearLOS : public CDlgBasedCmdImpl<LinearLOS, LinearLosDlg, 0, IZelLinearLOS,
                                          CoordToolEventHandler, ZelExtensionEventHandler>,
                  public CatalogueIds<ClassId::LinearLOS>,
                  public stCoordToolListener {
 public:
  LinearLOS() : CDlgBasedCmdImpl(kBitmapId) { m_dialog.SetListener(this); }
  HRESULT FinalConstruct();
  void FinalRelease();

  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;

  // stCoordToolListener
  void StartListening(bool activate) override;
  void StopListening(bool reset) override;

  // IZelCoordToolEvents
  HRESULT ActivePointChanged(IPoint* wgs84, IPoint* datum, IPoint* map) override;
  HRESULT NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) override;

  // IZelExtensionEvents
  HRESULT ContentsChanged() override;
  HRESULT ContentsCleared() override { return ContentsChanged(); }
  HRESULT ItemAdded(VARIANT) override { return ContentsChanged(); }
  HRESULT ItemDeleted(VARIANT) override { return ContentsChanged(); }
  HRESULT ItemReordered(VARIANT, LONG) override { return ContentsChanged(); }
  HRESULT NewDocument() override;
  HRESULT OpenDocument() override;

  LinearLosDlg& Dialog() { return m_dialog; }
};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateLinearLOS(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
