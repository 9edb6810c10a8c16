// How a layer of a globe is shown, in two parts that are switched on their own: the layer in
// the 3-D scene, and its graphics. Each part has a step that runs before it is hidden, so that
// nothing of it lingers once it is out of sight. Flags are VARIANT_BOOL values kept as given.
#pragma once

#include "platform/com/unknown.h"

struct IElement;

// The layer in the scene. A hidden layer first stops drawing (Deactivate); it draws again once
// it is shown.
struct ISceneVisibility : IUnknown {
  VELK_INTERFACE_ID("{1C3870E3-C4CF-488C-B440-D850F23E78E2}")
  virtual HRESULT get_SceneVisible(VARIANT_BOOL* visible) = 0;
  virtual HRESULT put_SceneVisible(VARIANT_BOOL visible) = 0;
  virtual HRESULT Deactivate() = 0;
};

// The layer's graphics. Hidden graphics are first unselected (UnselectAllElements), so that no
// hidden element stays selected.
struct IGraphicsVisibility : IUnknown {
  VELK_INTERFACE_ID("{F3F6051B-D8E2-4C97-A96A-3513FCB80A29}")
  virtual HRESULT get_GraphicsVisible(VARIANT_BOOL* visible) = 0;
  virtual HRESULT put_GraphicsVisible(VARIANT_BOOL visible) = 0;
  virtual HRESULT UnselectAllElements() = 0;
};

// The selected graphics of a graphics layer.
struct IGraphicsSelection : IUnknown {
  VELK_INTERFACE_ID("{578E04C0-56E3-40E3-B4E7-51563251D3F7}")
  // E_INVALIDARG for an element the layer does not hold; S_FALSE when it is selected already.
  virtual HRESULT SelectElement(IElement* element) = 0;
  virtual HRESULT get_SelectedCount(LONG* count) = 0;
};
