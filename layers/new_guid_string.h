// A fresh identifier as text: each catalog layer keeps one, made when it is constructed.
#pragma once

#include "platform/com/bstr.h"

namespace velk::lumeris {

// A new random GUID without braces: 36 characters, groups of 8, 4, 4, 4 and 12 upper-case
// hexadecimal digits joined by hyphens, as a BSTR for the caller (null only when out of memory).
BSTR NewGuidString();

}  // namespace velk::lumeris
