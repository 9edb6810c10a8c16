// The module-wide last-error record: a code and a message that a check leaves for its caller.
// Taking the code resets it to 0; the message stays until the next refusal replaces it.
#pragma once

#include "platform/com/bstr.h"

namespace velk::corvane {

// Takes ownership of message.
void SetLastErrorInfo(LONG code, Bstr message);
LONG TakeLastErrorCode();
// A copy of the message (the caller owns it).
BSTR GetLastErrorMessage();

}  // namespace velk::corvane
