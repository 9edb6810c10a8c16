// Layers a session puts into the focus map: data files (a layer named after the file, valid
// when GDAL can open it) and named layers that answer given interfaces, for trying the layer
// lists of dialogs before the catalog layers exist.
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/map.h"

namespace trevik {

// A layer for a data file; the error names why the file is not usable (missing, unreadable).
velk::ComPtr<ILayer> MakeDataLayer(const std::wstring& path, const std::wstring& name,
                                   std::wstring* problem);
// A named layer answering the interfaces (identifiers).
velk::ComPtr<ILayer> MakeNamedLayer(const std::wstring& name, const std::vector<IID>& interfaces,
                                    bool valid);
// An interface by name (IZelDtedLayer, IZelRasterLayer, IZelVectorLayer, ILayer) or braced
// identifier text; false when it is neither.
bool InterfaceByName(const std::wstring& word, IID* iid);
// The layer of the map with that name, its own layers first, then the members of its groups;
// else fails the line (SessionError).
velk::ComPtr<ILayer> LayerByName(IBasicMap* map, const std::wstring& name);

class SessionContext;
// The layer of that name anywhere in the focus map's tree, top first, members of groups
// included; fails the line when there is none.
velk::ComPtr<ILayer> FindLayerNamed(SessionContext& s, const std::wstring& name);

}  // namespace trevik
