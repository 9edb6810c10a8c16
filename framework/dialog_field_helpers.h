// Numbers in dialog fields and the signal of a bad entry: flash, wait, flash, beep.
#pragma once

#include <string>

#include "platform/win/window.h"

namespace velk::corvane {

// When the handle is a window: flashes it, waits 500 ms, flashes it again, beeps with the
// exclamation sound and, when asked, gives it the focus.
void FlashInputError(HWND window, bool setFocus);
// Writes the value with decimals (clamped to 0-15) in the user's locale, or the fallback text
// for a NaN.
void SetDlgItemDouble(HWND dialog, int itemId, double value, int decimals,
                      const std::wstring& fallback);
// The window's text as a number in the user's locale (unreadable text gives 0.0).
double ReadWindowDouble(HWND window);
// Reads a non-empty item text into value and returns errorShown unchanged; an empty text
// returns true, after flashing the item with the focus set unless an error was already shown
// (so a run over several fields flags only the first empty one).
bool ReadDlgItemDouble(HWND dialog, int itemId, double* value, bool errorShown);

}  // namespace velk::corvane
