// Numbers typed in and written to dialog fields, in the user's locale.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/base_types.h"

namespace velk::corvane {

// The text as a number: read in the user-default locale, else in English (1033); an empty or
// unreadable text gives 0.0. Never fails (a null value pointer is ignored).
void ParseLocaleDouble(std::wstring_view text, double* value);

// The text as a typed number must be: read in the user-default locale, else in English (1033),
// blanks around it allowed. False, with value untouched, for an empty text, a text that is no
// number, and a number outside the double range ("1e999").
bool ParseFieldNumber(std::wstring_view text, double* value);

// The text a field shows for a value: fixed-point with decimals clamped to 0-15 and the user
// locale's decimal symbol, so that ParseLocaleDouble reads the same value back; a NaN gives
// the fallback text. At most 255 characters: a value too large for that at the requested
// decimals is written with fewer decimals, and in exponent form when even none fit.
// (The field writer of the dialogs puts this text into the item.)
std::wstring FormatFieldDouble(double value, int decimals, std::wstring_view fallback);

// The text of a number as the platform's variant conversion writes it in the user's locale:
// "-42"; "0.1", "1234.5" (the locale's decimal symbol, up to 15 significant digits, no
// grouping), "1E+20" for magnitudes past 15 digits. The text goes into out.
void FormatLongAsText(std::wstring& out, LONG value);
void FormatDoubleAsText(std::wstring& out, double value);

}  // namespace velk::corvane
