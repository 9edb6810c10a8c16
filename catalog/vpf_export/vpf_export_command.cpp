#include "catalog/vpf_export/vpf_export_command.h"

namespace velk::corvane {

HRESULT CreateVpfExport(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<VpfExport>(outer, riid, ppv);
}

HRESULT CreateVpfExportDatasets(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<VpfExportDatasets>(outer, riid, ppv);
}

}  // namespace velk::corvane
