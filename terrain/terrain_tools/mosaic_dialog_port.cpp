#include "terrain/terrain_tools/mosaic_dialog_port.h"

namespace velk::corvane {

namespace {
MosaicDialogMaker& Maker() {
  static MosaicDialogMaker maker;
  return maker;
}
}  // namespace

void SetMosaicDialogMaker(MosaicDialogMaker maker) { Maker() = std::move(maker); }

std::unique_ptr<MosaicDialogPort> MakeMosaicDialog() {
  return Maker() ? Maker()() : nullptr;
}

}  // namespace velk::corvane
