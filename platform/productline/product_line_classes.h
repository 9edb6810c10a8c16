// The product line's outside components that live in the host process: the extension object
// and the settings environment, registered in the process's class table so the host creates
// them by class identifier.
#pragma once

#include <vector>

#include "platform/com/base_types.h"

namespace velk::productline {

// Registers ZelExtension, TarvosEnvironment, CoordinateTool, DataManager, GeoSymRenderer and the catalog
// filters of the browse dialog; returns the cookies
// for RevokeProcessClass.
std::vector<DWORD> RegisterProductLineClasses();
void RevokeProductLineClasses(const std::vector<DWORD>& cookies);

}  // namespace velk::productline
