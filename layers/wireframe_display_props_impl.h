// The wireframe display setting every catalog layer carries: IWireframeDisplayProps over one
// 32-bit mode. The layer applies the mode when it next draws.
#pragma once

#include "interfaces/zel_layer_interfaces.h"

namespace velk::lumeris {

class WireframeDisplayPropsImpl : public IWireframeDisplayProps {
 public:
  // E_POINTER for a null out pointer.
  HRESULT get_DisplayWireframe(velkZelWireframeDisplayEnum* mode) override;
  // Stores any value as given.
  HRESULT put_DisplayWireframe(velkZelWireframeDisplayEnum mode) override;

 protected:
  WireframeDisplayPropsImpl() = default;
  ~WireframeDisplayPropsImpl() = default;

  // A layer class may start with another mode by setting this in its constructor.
  velkZelWireframeDisplayEnum wireframeDisplay_ = velkWireframeDisplayAll;
};

}  // namespace velk::lumeris
