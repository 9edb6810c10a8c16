// Numbers in dialog fields and the signal of a bad entry: flash, wait, flash, beep.
#pragma once

#include <initializer_list>
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

// "The field \"%1!s!\" does not hold a number." (the insert: the field's name).
constexpr UINT kIdsFieldNotANumber = 3991;

// An edit of a dialog with the name its label gives it.
struct NamedField {
  int id = 0;
  const wchar_t* name = L"";
};
// True when every one of the fields is empty or holds a number (ParseFieldNumber). Otherwise
// the first that does not is flashed and given the focus, an error message names it (text
// "The field \"%1!s!\" does not hold a number.") and the result is false.
bool CheckDlgItemNumbers(HWND dialog, std::initializer_list<NamedField> fields);

}  // namespace velk::corvane
