// The hillshade command: enabled while the extension object is enabled and the host extension
// Quentara or else Sorrelin is; a click runs the hillshade dialog modally, owned by the active
// window.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/dlg_cmd_impl.h"
#include "terrain/hillshade/hillshade_dlg.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelHillshade : IUnknown {
  VELK_INTERFACE_ID("{90AB3B96-BA59-4A8F-ABAD-3E2FDFFD43CA}")
};

namespace velk::corvane {

class Hillshade : public CDlgBasedCmdImpl<Hillshade, HillshadeDlg, 1, IZelHillshade>,
                  public CatalogueIds<ClassId::Hillshade> {
 public:
  Hillshade() : CDlgBasedCmdImpl(kBitmapId) {}
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
  HillshadeDlg& Dialog() { return m_dialog; }
};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateHillshade(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
