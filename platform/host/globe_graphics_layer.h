// A graphics layer for globes: 3-D graphics (domes, markers, paths) that a globe shows as one
// of its layers, shown and hidden in the scene and as graphics (layer_visibility.h).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

namespace velk::host {

inline constexpr CLSID CLSID_GlobeGraphicsLayer =
    MakeGuid("{8619A414-3181-4C5F-BEA4-C09D20D6D229}");

// The layer answers ILayer (its visibility is the scene visibility), ILayerExtent,
// IGraphicsContainer, IGraphicsLayer (active while it draws), IGraphicsSelection,
// ISceneVisibility and IGraphicsVisibility.
HRESULT CreateGlobeGraphicsLayerObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
