// Creating host objects by class identifier for the helpers (platform/registry's, under the
// framework's names).
#pragma once

#include "platform/registry/host_object_creation.h"

namespace velk::corvane {

using velk::CreateHostObject;
using velk::kHostCreationContext;
using velk::RequireInterface;

}  // namespace velk::corvane
