// Registration of the host's data and map-side classes (geometry, spatial references, fields,
// filters, workspace factories and names, raster surfaces; layers, elements, symbols, colours,
// renderers, feedback) in the process's class table, so that they are created by class
// identifier like every other host object.
#pragma once

#include <vector>

#include "platform/com/base_types.h"

namespace velk::host {

// Registers every data class; the cookies revoke them again (RevokeProcessClass).
std::vector<DWORD> RegisterHostDataClasses();

}  // namespace velk::host
