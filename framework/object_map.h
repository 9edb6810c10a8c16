// The 25 classes of Corvane in map order.
#pragma once

#include "platform/registry/server_module.h"

namespace velk::corvane {

// The object map, ended by an entry whose class identifier is null.
ObjectMapEntry* ObjectMap();

// Creation routine of a class whose implementation this library does not carry yet.
HRESULT CreateUnavailable(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
