#include "catalog/mosaic/mosaic_command.h"

namespace velk::corvane {

HRESULT CreateMosaic(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Mosaic>(outer, riid, ppv);
}

void RegisterMosaicDialogForTools() {
  SetMosaicDialogMaker([] { return std::make_unique<MosaicDialogForTools>(); });
}

}  // namespace velk::corvane
