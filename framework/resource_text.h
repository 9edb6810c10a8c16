// Texts of the string table with their inserts filled ("%1!s!", "%2!d!", ...), and whether two
// spatial references describe the same system.
#pragma once

#include <string>
#include <vector>

#include "platform/host/geometry/spatial_reference.h"
#include "platform/win/format_message.h"

namespace velk::corvane {

// The string's text with the inserts; empty when an insert does not suit its argument.
std::wstring FormatResourceText(UINT id, const std::vector<win::FormatArgument>& args);

// Whether the two references are the same system (two nulls are; a null and another are not).
bool SameSpatialReference(ISpatialReference* a, ISpatialReference* b);

}  // namespace velk::corvane
