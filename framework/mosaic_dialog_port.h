// The mosaic dialog as the terrain tools' "Mosaic" subtype sees it: preset with the catalog
// layer and the dragged area, then shown modally. The dialog registers its maker here, so the
// terrain tools do not depend on where it lives.
#pragma once

#include <functional>
#include <memory>

#include "framework/hook_struct.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"

namespace velk::corvane {

class MosaicDialogPort {
 public:
  virtual ~MosaicDialogPort() = default;
  // Hands over the tool's hook when the tool is created.
  virtual void SetHook(IUnknown* hook) = 0;
  virtual void SetInputs(ILayer* layer, IEnvelope* area) = 0;
  // Runs the dialog modally, owned by the active window.
  virtual void RunModal() = 0;
};

using MosaicDialogMaker = std::function<std::unique_ptr<MosaicDialogPort>()>;

// Sets the maker of the tools made from now on and gives back the one it replaces; null: the
// tools have no mosaic dialog, and their "Mosaic" subtype does nothing but say so on the status
// bar. The library sets its own mosaic dialog when it loads.
MosaicDialogMaker SetMosaicDialogMaker(MosaicDialogMaker maker);
std::unique_ptr<MosaicDialogPort> MakeMosaicDialog();

}  // namespace velk::corvane
