#include "layers/wireframe_display_props_impl.h"

namespace velk::lumeris {

HRESULT WireframeDisplayPropsImpl::get_DisplayWireframe(velkZelWireframeDisplayEnum* mode) {
  if (!mode) return E_POINTER;
  *mode = wireframeDisplay_;
  return S_OK;
}

HRESULT WireframeDisplayPropsImpl::put_DisplayWireframe(velkZelWireframeDisplayEnum mode) {
  wireframeDisplay_ = mode;
  return S_OK;
}

}  // namespace velk::lumeris
