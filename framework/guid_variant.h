// A GUID as registry-form text ("{21FB082D-2E93-4E36-A932-B6154844C732}") in a VARIANT.
#pragma once

#include "platform/com/variant.h"

namespace velk::corvane {

// VT_BSTR with the GUID's 38-character text; VT_EMPTY when the text cannot be made.
Variant MakeGuidStringVariant(const GUID& guid);

}  // namespace velk::corvane
