// The mosaic command: a click runs the mosaic dialog modally, owned by the active window. Also
// the mosaic dialog as the terrain tools' "Mosaic" subtype holds it.
#pragma once

#include "catalog/mosaic/mosaic_dlg.h"
#include "framework/class_catalogue.h"
#include "framework/dlg_cmd_impl.h"
#include "framework/mosaic_dialog_port.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelMosaic : IUnknown {
  VELK_INTERFACE_ID("{E2B7C5A1-4D3F-4A6B-9C8E-1F2A3B4C5D6E}")
};

namespace velk::corvane {

class Mosaic : public CDlgBasedCmdImpl<Mosaic, MosaicRastersDlg, 1, IZelMosaic>,
               public CatalogueIds<ClassId::Mosaic> {
 public:
  Mosaic() : CDlgBasedCmdImpl(kBitmapId) {}
  MosaicRastersDlg& Dialog() { return m_dialog; }
};

// A modal mosaic dialog of its own, for the terrain tools.
class MosaicDialogForTools : public MosaicDialogPort {
 public:
  MosaicDialogForTools() { m_dialog.m_bModal = true; }
  void SetHook(IUnknown* hook) override { m_dialog.SetHook(hook); }
  void SetInputs(ILayer* layer, IEnvelope* area) override { m_dialog.SetInputs(layer, area); }
  void RunModal() override { m_dialog.DoModal(::GetActiveWindow(), 0); }
  MosaicRastersDlg& Dialog() { return m_dialog; }

 private:
  MosaicRastersDlg m_dialog;
};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateMosaic(IUnknown* outer, REFIID riid, void** ppv);

// Hands the terrain tools made from now on this mosaic dialog.
void RegisterMosaicDialogForTools();

}  // namespace velk::corvane
