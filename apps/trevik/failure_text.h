// Result codes as the host program tells them to a user: what went wrong in words, with the
// code after it for a support request.
#pragma once

#include <string>

#include "platform/com/base_types.h"

namespace trevik {

// "does not exist (0x80041201)"; a code without words gives its name or number alone.
std::wstring FailureText(HRESULT hr);

}  // namespace trevik
