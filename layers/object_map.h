// The five layer classes of Lumeris in map order.
#pragma once

#include "platform/registry/server_module.h"

namespace velk::lumeris {

// The object map, ended by an entry whose class identifier is null.
ObjectMapEntry* ObjectMap();

}  // namespace velk::lumeris
