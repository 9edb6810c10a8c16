#include "platform/win/clock.h"

namespace {
ULONGLONG g_now = 0;
ULONGLONG g_slept = 0;
}  // namespace

DWORD GetTickCount() { return static_cast<DWORD>(g_now); }

void Sleep(DWORD ms) {
  g_now += ms;
  g_slept += ms;
}

namespace velk::win {

ULONGLONG Now() { return g_now; }
void AdvanceClock(ULONGLONG ms) { g_now += ms; }
ULONGLONG SleptTime() { return g_slept; }
void ResetClock() {
  g_now = 0;
  g_slept = 0;
}

}  // namespace velk::win
