// Corvane's object map, made from the class table (framework/class_table.inc).
#pragma once

#include "platform/registry/server_module.h"

namespace velk::corvane {

// The object map, ended by an entry whose class identifier is null.
ObjectMapEntry* ObjectMap();

}  // namespace velk::corvane
