#include "framework/mosaic_dialog_port.h"

namespace velk::corvane {

namespace {
MosaicDialogMaker& Maker() {
  static MosaicDialogMaker maker;
  return maker;
}
}  // namespace

MosaicDialogMaker SetMosaicDialogMaker(MosaicDialogMaker maker) {
  MosaicDialogMaker old = std::move(Maker());
  Maker() = std::move(maker);
  return old;
}

std::unique_ptr<MosaicDialogPort> MakeMosaicDialog() {
  return Maker() ? Maker()() : nullptr;
}

}  // namespace velk::corvane
