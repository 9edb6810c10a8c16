// A document container for a map's layers: each layer saved by class identifier and its own
// object stream (IPersistStream), in map order, and loaded back into a map. The file is written
// beside its target and moved into place, so a failed save leaves no document.
#pragma once

#include <string>

#include "platform/com/unknown.h"

struct IBasicMap;

namespace velk::host {

// E_NOTIMPL (and nothing written) when a layer cannot be saved; problem names the layer.
HRESULT SaveMapLayers(IBasicMap* map, const std::wstring& path, std::wstring* problem = nullptr);

// Adds the document's layers to the map, keeping their order. A file that is not such a
// document, or is cut short: E_FAIL and no layer added. A layer class that cannot be created
// or refuses its stream: that failure, no layer added.
HRESULT LoadMapLayers(const std::wstring& path, IBasicMap* map, std::wstring* problem = nullptr);

}  // namespace velk::host
