// A graphics layer for globes: 3-D graphics (domes, markers, paths) that a globe shows as one
// of its layers, shown and hidden in the scene and as graphics (layer_visibility.h).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IElement;

// How the globe shows one element of a graphics layer: draped on the surface or standing at
// its own heights, and the farthest viewing distance (km) at which it is drawn.
struct IGlobeElementProperties : IUnknown {
  VELK_INTERFACE_ID("{C4A1E6F2-5B3D-4E8A-9F17-2D6B0A8C3E95}")
  virtual HRESULT get_DrapeElement(VARIANT_BOOL* drape) = 0;
  virtual HRESULT put_DrapeElement(VARIANT_BOOL drape) = 0;
  virtual HRESULT get_MaxViewDistance(double* km) = 0;
  virtual HRESULT put_MaxViewDistance(double km) = 0;
};

// A globe graphics layer's elements by index: an added element keeps its index until it is
// deleted (indexes are not reused).
struct IGlobeGraphicsLayer : IUnknown {
  VELK_INTERFACE_ID("{7D2B9E31-6A4C-4F05-8E1D-B3C5F7092A68}")
  // Adds the element on top with its properties (null: the defaults) and gives its index.
  virtual HRESULT AddIndexedElement(IElement* element, IGlobeElementProperties* properties,
                                    LONG* index) = 0;
  // The element at the index takes the geometry of the given one (E_INVALIDARG: no such index).
  virtual HRESULT UpdateElementByIndex(LONG index, IElement* element) = 0;
  virtual HRESULT DeleteElementByIndex(LONG index) = 0;
  virtual HRESULT FindElementByIndex(LONG index, IElement** element) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_GlobeGraphicsLayer =
    MakeGuid("{8619A414-3181-4C5F-BEA4-C09D20D6D229}");
inline constexpr CLSID CLSID_GlobeElementProperties =
    MakeGuid("{E0B5C2A7-39D1-4C6F-8A42-5F1E7D3B9C06}");

// The layer answers ILayer (its visibility is the scene visibility), ILayerExtent,
// IGraphicsContainer, IGraphicsLayer (active while it draws), IGraphicsSelection,
// ISceneVisibility, IGraphicsVisibility and IGlobeGraphicsLayer.
HRESULT CreateGlobeGraphicsLayerObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateGlobeElementPropertiesObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
