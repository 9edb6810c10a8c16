// The five layer classes of Lumeris in map order.
#pragma once

#include "platform/registry/server_module.h"

namespace velk::lumeris {

// The object map, ended by an entry whose class identifier is null.
ObjectMapEntry* ObjectMap();

// Creation routine of a layer class whose implementation this library does not carry yet.
HRESULT CreateUnavailable(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::lumeris
