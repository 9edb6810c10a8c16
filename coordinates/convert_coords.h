// The convert-coordinates command: a click runs its dialog modally, owned by the active window;
// the dialog converts the coordinates of every record of a table or feature class.
#pragma once

#include "coordinates/cnv_coords_dlg.h"
#include "framework/class_catalogue.h"
#include "framework/dlg_cmd_impl.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelConvertCoords : IUnknown {
  VELK_INTERFACE_ID("{5B8E0D7C-2F4A-4E19-9C63-71D0A8B4E2F5}")
};

namespace velk::corvane {

class ConvertCoords
    : public CDlgBasedCmdNoBitmapImpl<ConvertCoords, CnvCoordsDlg, 1, IZelConvertCoords>,
      public CatalogueIds<ClassId::ConvertCoords> {};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateConvertCoords(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
