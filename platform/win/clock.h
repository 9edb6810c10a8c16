// The clock that timers, Sleep and message times run on. It moves only when told to: a test
// or a session script advances it, and Sleep advances it by the time slept.
#pragma once

#include "platform/com/base_types.h"

DWORD GetTickCount();
void Sleep(DWORD ms);

namespace velk::win {

ULONGLONG Now();
// Moves the clock forward without running anything (RunFor also fires timers).
void AdvanceClock(ULONGLONG ms);
// Total time slept through Sleep since the last reset.
ULONGLONG SleptTime();
void ResetClock();

}  // namespace velk::win
