// Reading numbers and coordinate pairs from edit windows. Each reader looks at the first 23
// characters of the edit's text (coordinate_pair_reader.h reads them). A refused text sets the
// value to 0 and gives false; when showError is set the reader first shows string 5033 in a
// task-modal message box with the error icon and then gives the edit the focus.
#pragma once

#include <string_view>

#include "coordinates/coordinate_pair_reader.h"
#include "platform/com/base_types.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

// The range or format error shown by the edit readers.
inline constexpr UINT kEditReadErrorTextId = 5033;

// The readers' refusal as the user sees it: the message first, then the edit gets the focus.
// For a value in range that the caller cannot use either.
void ShowEditReadError(HWND edit);

// A whole number read from character offset skip (a negative offset refuses); accepted when
// min <= value <= max.
bool ReadEditLong(HWND edit, int skip, LONG min, LONG max, bool showError, LONG* value);

// A number from the first character; accepted when min <= value <= max.
bool ReadEditDouble(HWND edit, double min, double max, bool showError, double* value);

// Degrees, minutes and seconds ("45 30 30", "-0 30 0"); accepted when min <= value <= max.
bool ReadEditDms(HWND edit, double min, double max, bool showError, double* value);

// A UTM (notation 3) or MGRS (notation 4) text turned into a WGS 84 longitude (x) and latitude
// (y) by the coordinate engine. A text the engine refuses, and any other notation, is refused
// like the other readers' texts. The engine not being creatable, or failing other than by
// refusing the text, raises a COM error.
bool ReadGridCoordinateEdit(HWND edit, LONG notation, bool showError, double* x, double* y);

// The same on a text (at most its first 23 characters are read); a GridTextReader.
bool ReadGridCoordinateText(std::wstring_view text, LONG notation, double* x, double* y);

// A pair of edits in one notation (see ReadCoordinatePairTexts): 0 map units, 1 decimal degrees,
// 2 DMS, 3 UTM and 4 MGRS from the x edit alone. x and y start at 0; the x edit is read first,
// and the first refused edit stops the pair and is the one the message and focus go to. An
// unknown notation gives false without a message.
bool ReadCoordinatePairEdits(HWND xEdit, HWND yEdit, LONG notation, bool showError, double* x,
                             double* y);

}  // namespace velk::corvane
