// The VPF export commands: "Convert VPF Features..." runs the feature export dialog modally;
// "Export VPF Datasets..." runs its dialog, which exports nothing.
#pragma once

#include "catalog/vpf_export/vpf_export_dlg.h"
#include "framework/class_catalogue.h"
#include "framework/dlg_cmd_impl.h"

// The commands' own interfaces; they add nothing to IUnknown.
struct IZelVpfExport : IUnknown {
  VELK_INTERFACE_ID("{C7A9E1B3-5D2F-4E4A-8B6C-0D1E2F3A4B5C}")
};
struct IZelVpfExportDatasets : IUnknown {
  VELK_INTERFACE_ID("{D8BAF2C4-6E30-4F5B-9C7D-1E2F3A4B5C6D}")
};

namespace velk::corvane {

class VpfExport
    : public CDlgBasedCmdNoBitmapImpl<VpfExport, ExportVpfFeaturesDlg, 1, IZelVpfExport>,
      public CatalogueIds<ClassId::VpfExport> {
 public:
  ExportVpfFeaturesDlg& Dialog() { return m_dialog; }
};

class VpfExportDatasets : public CDlgBasedCmdNoBitmapImpl<VpfExportDatasets, ExportVpfDatasetsDlg,
                                                          1, IZelVpfExportDatasets>,
                          public CatalogueIds<ClassId::VpfExportDatasets> {};

// The creation routines of the object map (plain or aggregated).
HRESULT CreateVpfExport(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateVpfExportDatasets(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
